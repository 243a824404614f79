#pragma once
// The folder tree a download writes: the manga's folder, the covers folder,
// volume and chapter folders and the page files in them. One core serves
// Windows ("\") and Linux ("/").

#include <cstdint>
#include <string>
#include <string_view>

#include "model/manga_info.h"
#include "settings/app_settings.h"

inline constexpr std::u16string_view kCoversFolderName = u"covers";

// The current manga's download folder, set by the window (START) and read by
// the download worker; at most 259 units are kept.
void CurSavePath_Set(std::u16string_view path);
std::u16string CurSavePath_Get();

// The download folder proposed for a freshly loaded manga: the default
// folder, a separator when it lacks one, and the manga's name as one cleaned
// component; forbidden characters become "_". Cut to 259 units.
std::u16string MangaSavePath(std::u16string_view defSavePath, const OptU16String& mangaName);

// What the page paths take from the settings.
struct PageNaming {
    std::u16string BookDirName;
    std::u16string ChapDirName;
    bool bAppendChapName = true;
    bool bAddCntToPages = false;
};

// The naming settings as they stand in `settings`.
PageNaming PageNaming_FromSettings(const AppSettings& settings);

// savePath/covers/<fileName>, with the whole-path pass ("'").
std::u16string CoverFilePath(std::u16string_view savePath, std::u16string_view fileName);

// savePath/<book><Vol>/<ch><Num>[-<Name>], with the whole-path pass ("'"),
// without a separator at its end.
std::u16string ChapterFolderPath(std::u16string_view savePath, const PageNaming& naming, int32_t vol, int32_t num,
                                 const OptU16String& chapterName);

// The chapter folder, a separator and the file name, with the whole-path pass
// ("'"). The file name, page number included, comes from PageFileNames.
std::u16string PageFilePath(std::u16string_view savePath, const PageNaming& naming, int32_t vol, int32_t num,
                            const OptU16String& chapterName, std::u16string_view fileName);
