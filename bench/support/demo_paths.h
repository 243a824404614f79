#pragma once
// Where zumr-cli puts the demo site's pictures, so that other downloaders in
// a benchmark can be given the same files to write.

#include <filesystem>
#include <string>
#include <vector>

#include "model/text_codec.h"
#include "settings/app_settings.h"
#include "tools/demo_site/demo_server.h"
#include "transfer/file_names.h"
#include "transfer/download_layout.h"

// Where zumr-cli puts a page with the default settings, below `out`.
inline std::u16string PagePath(const std::filesystem::path& out, const DemoChapter& chapter, int page, int pageCnt)
{
    const AppSettings defaults = AppSettings_Defaults(u"");
    const PageNaming naming = PageNaming_FromSettings(defaults);
    const std::u16string savePath = MangaSavePath(Utf8ToUtf16(out.string()), Utf8ToUtf16(DemoManga::kName));
    const OptU16String name = chapter.Title ? OptU16String(Utf8ToUtf16(*chapter.Title)) : std::nullopt;
    std::vector<std::string> urls;
    for (int j = 0; j < pageCnt; ++j)
        urls.push_back("http://x" + DemoManga::ImagePath(chapter.Vol, chapter.Num, j));
    const std::vector<std::u16string> names =
        ImageFileNames(std::vector<std::string_view>(urls.begin(), urls.end()), naming.bAddCntToPages);
    return PageFilePath(savePath, naming, chapter.Vol, chapter.Num, name, names[static_cast<size_t>(page)]);
}

