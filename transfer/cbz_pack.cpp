#include "transfer/cbz_pack.h"

#include <cerrno>
#include <filesystem>
#include <optional>
#include <system_error>

#include "model/file_io.h"
#include "model/text_codec.h"
#include "settings/app_settings.h"
#include "transfer/comic_info.h"
#include "transfer/download_layout.h"
#include "transfer/file_names.h"
#include "transfer/name_rules.h"
#include "transfer/notifications.h"
#include "transfer/zip_writer.h"

namespace {

constexpr char kComicInfoName[] = "ComicInfo.xml";

std::string EntryName(const std::u16string& path)
{
    return Utf16ToUtf8(std::u16string_view(path).substr(path.rfind(kPathSeparator) + 1));
}

// Whether the archive already holds exactly these pictures and this
// ComicInfo.xml. The pictures are read only when names and sizes agree.
bool ArchiveIsCurrent(const std::u16string& cbzPath, const CbzContent& content,
                      const std::vector<std::string>& names, const std::vector<uint64_t>& sizes)
{
    const std::optional<std::vector<ZipEntry>> entries = Zip_ListEntries(cbzPath);
    if (!entries || entries->size() != names.size() + 1)
        return false;
    const ZipEntry& info = entries->back();
    if (info.name != kComicInfoName || info.size != content.comicInfo.size() ||
        info.crc != Zip_Crc32(0, content.comicInfo))
        return false;
    for (size_t i = 0; i < names.size(); ++i)
        if ((*entries)[i].name != names[i] || (*entries)[i].size != sizes[i])
            return false;
    for (size_t i = 0; i < names.size(); ++i) {
        std::string bytes;
        if (ReadWholeFile(PathFromUtf16(content.pagePaths[i]), bytes) != 0 || (*entries)[i].crc != Zip_Crc32(0, bytes))
            return false;
    }
    return true;
}

}  // namespace

int Cbz_Write(const std::u16string& cbzPath, const CbzContent& content)
{
    // Every picture must be there, a regular file, before anything is written.
    std::vector<std::string> names;
    std::vector<uint64_t> sizes;
    for (const std::u16string& path : content.pagePaths) {
        std::error_code error;
        const std::filesystem::path native = PathFromUtf16(path);
        if (!std::filesystem::is_regular_file(native, error))
            return error ? error.value() : ENOENT;
        sizes.push_back(std::filesystem::file_size(native, error));
        if (error)
            return error.value();
        names.push_back(EntryName(path));
    }
    if (ArchiveIsCurrent(cbzPath, content, names, sizes))
        return 0;
    if (cbzPath.size() >= kMaxPathUnits)
        return ENAMETOOLONG;

    int error = 0;
    std::unique_ptr<ZipWriter> zip = ZipWriter_Create(cbzPath, error);
    if (!zip)
        return error;
    for (size_t i = 0; i < content.pagePaths.size() && error == 0; ++i)
        error = zip->AddFile(names[i], content.pagePaths[i]);
    if (error == 0)
        error = zip->AddBytes(kComicInfoName, content.comicInfo);
    if (error == 0)
        error = zip->Commit();
    return error;
}

int32_t Cbz_PackChapter(const MangaInfo& manga, int32_t chapterIndex)
{
    const AppSettings settings = Settings_Get();
    if (!settings.bMakeCbz)
        return 0;
    const PageNaming naming = PageNaming_FromSettings(settings);
    const std::u16string savePath = CurSavePath_Get();
    CbzContent content;
    std::u16string folder;
    {
        std::lock_guard lock(manga.ListLock);
        if (chapterIndex < 0 || chapterIndex >= manga.ChapCnt())
            return 0;
        const ChapterInfo& chapter = manga.Chaps[static_cast<size_t>(chapterIndex)];
        if (chapter.bSkip || chapter.Pages.empty())
            return 0;
        for (const PageInfo& page : chapter.Pages)
            if (!page.bLoaded)
                return 0;  // not complete yet: a later run packs it
        const std::vector<std::u16string> names = PageFileNames(chapter.Pages, naming.bAddCntToPages);
        for (const std::u16string& name : names)
            content.pagePaths.push_back(PageFilePath(savePath, naming, chapter.Vol, chapter.Num, chapter.Name, name));
        folder = ChapterFolderPath(savePath, naming, chapter.Vol, chapter.Num, chapter.Name);
        content.comicInfo = ComicInfo_Build(manga, chapter, chapter.PageCnt());
    }
    const int error = Cbz_Write(folder + u".cbz", content);
    if (error == 0)
        return 0;
    const int32_t code = Cbz_ErrorCode(error);
    PostToMainWindow(UM_ERRORCODE, chapterIndex, code);
    return code;
}
