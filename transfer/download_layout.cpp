#include "transfer/download_layout.h"

#include <mutex>

#include "transfer/format_wide.h"
#include "transfer/name_rules.h"

namespace {

void AppendWithSeparator(std::u16string& path, std::u16string_view part)
{
    if (!path.empty() && path.back() != kPathSeparator)
        path += kPathSeparator;
    path += part;
}

std::u16string BaseFolder(std::u16string_view savePath)
{
    // An empty download folder means the current folder, never the root.
    return savePath.empty() ? std::u16string(u".") : std::u16string(savePath);
}

std::mutex curSavePathLock;
std::u16string curSavePath;

}  // namespace

void CurSavePath_Set(std::u16string_view path)
{
    std::u16string copy(path);
    CutToPathBuffer(copy);
    std::lock_guard lock(curSavePathLock);
    curSavePath = std::move(copy);
}

std::u16string CurSavePath_Get()
{
    std::lock_guard lock(curSavePathLock);
    return curSavePath;
}

std::u16string MangaSavePath(std::u16string_view defSavePath, const OptU16String& mangaName)
{
    std::u16string path(defSavePath);
    if (mangaName) {
        if (path.empty() || path.back() != kPathSeparator)
            path += kPathSeparator;
        path += CleanPathComponent(*mangaName, u'_');
    }
    ReplaceForbiddenChars(path, u'_');
    CutToPathBuffer(path);
    return path;
}

std::u16string CoverFilePath(std::u16string_view savePath, std::u16string_view fileName)
{
    std::u16string path = BaseFolder(savePath);
    AppendWithSeparator(path, kCoversFolderName);
    AppendWithSeparator(path, fileName);
    ReplaceForbiddenChars(path, u'\'');
    return path;
}

std::u16string ChapterFolderPath(std::u16string_view savePath, const PageNaming& naming, int32_t vol, int32_t num,
                                 const OptU16String& chapterName)
{
    std::u16string path = BaseFolder(savePath);
    std::u16string part;
    FormatWide(part, u"%s%i", {std::u16string_view(naming.BookDirName), int64_t{vol}});
    AppendWithSeparator(path, CleanPathComponent(part, u'\''));
    if (naming.bAppendChapName && chapterName)
        FormatWide(part, u"%s%i-%s",
                   {std::u16string_view(naming.ChapDirName), int64_t{num}, std::u16string_view(*chapterName)});
    else
        FormatWide(part, u"%s%i", {std::u16string_view(naming.ChapDirName), int64_t{num}});
    AppendWithSeparator(path, CleanPathComponent(part, u'\''));
    ReplaceForbiddenChars(path, u'\'');
    return path;
}

std::u16string PageFilePath(std::u16string_view savePath, const PageNaming& naming, int32_t vol, int32_t num,
                            const OptU16String& chapterName, std::u16string_view fileName)
{
    std::u16string path = ChapterFolderPath(savePath, naming, vol, num, chapterName);
    AppendWithSeparator(path, fileName);
    ReplaceForbiddenChars(path, u'\'');
    return path;
}

PageNaming PageNaming_FromSettings(const AppSettings& settings)
{
    return {settings.BookDirName, settings.ChapDirName, settings.bAppendChapName != 0,
            settings.bAddCntToPages != 0};
}
