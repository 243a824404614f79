#include "app/run_summary.h"

#include <filesystem>
#include <system_error>

#include "model/file_io.h"
#include "transfer/file_names.h"
#include "transfer/download_layout.h"

namespace app {

int32_t MissingItems(const MangaInfo& manga, std::u16string_view savePath)
{
    int32_t missing = 0;
    if (!manga.bSkipCovers) {
        for (const std::u16string& name : CoverFileNames(manga.Covers)) {
            std::error_code error;
            if (name.empty() || !std::filesystem::is_regular_file(PathFromUtf16(CoverFilePath(savePath, name)), error))
                ++missing;
        }
    }
    return missing + MissingPages(manga);
}

int32_t MissingPages(const MangaInfo& manga)
{
    int32_t missing = 0;
    for (const ChapterInfo& chapter : manga.Chaps) {
        if (chapter.bSkip)
            continue;
        missing += chapter.Url ? 1 : 0;
        for (const PageInfo& page : chapter.Pages)
            missing += page.Url && !page.bLoaded ? 1 : 0;
    }
    return missing;
}

int32_t LoadedPages(const MangaInfo& manga)
{
    int32_t loaded = 0;
    for (const ChapterInfo& chapter : manga.Chaps)
        for (const PageInfo& page : chapter.Pages)
            loaded += page.bLoaded ? 1 : 0;
    return loaded;
}

uint64_t FileSize(std::u16string_view path)
{
    std::error_code error;
    const auto size = std::filesystem::file_size(PathFromUtf16(path), error);
    return error ? 0 : static_cast<uint64_t>(size);
}

}  // namespace app
