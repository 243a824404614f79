#include "transfer/download_worker.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "model/file_io.h"
#include "model/text_codec.h"
#include "settings/app_settings.h"
#include "transfer/cbz_pack.h"
#include "transfer/curl_session.h"
#include "transfer/download_layout.h"
#include "transfer/file_names.h"
#include "transfer/name_rules.h"
#include "transfer/notifications.h"
#include "transfer/staged_file.h"
#include "transfer/url_text.h"
#include "transfer/worker_run.h"

namespace {

enum class Step { Next, EndRun };

// Without a window nothing could be reported and every sink refuses data, so
// a missing window ends the run like a cancel.
bool StillRunning()
{
    return bKeepRunning.load(std::memory_order_acquire) > 0 && hMainWnd.load(std::memory_order_acquire) != nullptr;
}

// A file that cannot be created stops the run; after a cancel nobody could
// answer the box, so it is not shown then.
void ReportFileError(int error)
{
    if (!TransfersAllowed())
        return;
    const std::string text = "Не удалось создать файл с ошибкой " + std::to_string(error) + " - " +
                             std::generic_category().message(error) + "!";
    ShowBoxOnMainWindow(Utf8ToUtf16(text), u"Сбой в Curl_GetCommix!");
}

enum class Target { OnDisk, Open, Failed };

// A readable regular file at the final name is done. Anything else there (a
// folder, a pipe, a device) is never taken for an image nor written over: it
// is a file that cannot be created. The type is looked at before any open,
// since opening a pipe would wait for a writer.
Target OnDiskOrFailed(const std::u16string& path)
{
    std::error_code error;
    const std::filesystem::path native = PathFromUtf16(path);
    const std::filesystem::file_type type = std::filesystem::status(native, error).type();
    if (type == std::filesystem::file_type::regular)
        return FilePtr(OpenFile(native, "rb")) ? Target::OnDisk : Target::Open;
    if (type == std::filesystem::file_type::not_found || type == std::filesystem::file_type::none ||
        type == std::filesystem::file_type::unknown)
        return Target::Open;  // absent, or not known to be there: the open for writing decides
    ReportFileError(type == std::filesystem::file_type::directory ? EISDIR : EEXIST);
    return Target::Failed;
}

// A file already at its final name is done. Otherwise its temporary file is
// opened; a failure is reported with the box and ends the run. Paths are
// limited to what a path buffer holds: a longer one is treated as a file that
// cannot be created rather than cut to a different name.
Target OpenTarget(StagedFile& file)
{
    if (const Target found = OnDiskOrFailed(file.FinalPath()); found != Target::Open)
        return found;
    if (file.FinalPath().size() >= kMaxPathUnits) {
        ReportFileError(ENAMETOOLONG);
        return Target::Failed;
    }
    if (!file.Open()) {
        ReportFileError(LastErrorOr(EIO));
        return Target::Failed;
    }
    return Target::Open;
}

class DownloadRun {
public:
    DownloadRun(MangaInfo& manga, CurlSession& session) : manga_(manga), session_(session) {}

    int32_t Run()
    {
        session_.SetUserAgent(Settings_Get().UserAgent);
        if (!manga_.bSkipCovers && DownloadCovers() == Step::EndRun)
            return result_;
        DownloadChapters();
        return result_;
    }

private:
    // Fetches `url` into `file`'s temporary name and gives it its final name
    // only on success. Reports the code the way the window expects.
    void Fetch(const std::string& url, StagedFile& file, int32_t rowKey, uint8_t saveBuf)
    {
        session_.UseFileSink(file.Handle());
        result_ = session_.Perform(url);
        if (file.Finish(result_ == kCurlOk) != 0 && result_ == kCurlOk)
            result_ = kCurlWriteError;
        if (result_ != kCurlOk || saveBuf)
            PostToMainWindow(UM_ERRORCODE, rowKey, result_);
    }

    // An address with nothing to fetch would resolve to the manga's own page;
    // it is refused the way libcurl refuses a malformed address, and the run
    // goes on.
    void RefuseEmptyAddress(int32_t rowKey)
    {
        result_ = kCurlUrlMalformat;
        PostToMainWindow(UM_ERRORCODE, rowKey, result_);
    }

    Step DownloadCovers()
    {
        std::string mangaUrl;
        std::vector<CoverInfo> covers;
        {
            std::lock_guard lock(manga_.ListLock);
            mangaUrl = manga_.Url.value_or(std::string());
            covers = manga_.Covers;
        }
        const std::vector<std::u16string> names = CoverFileNames(covers);
        coverKey_ = manga_.ChapCnt();
        session_.SetProgressKey(&coverKey_);
        for (int32_t k = 0; k < static_cast<int32_t>(covers.size()); ++k) {
            if (!StillRunning())
                return Step::Next;  // the chapter phase ends the run at once
            const std::string coverUrl = covers[static_cast<size_t>(k)].Url.value_or(std::string());
            if (UrlIsEmpty(coverUrl)) {
                RefuseEmptyAddress(coverKey_);
                continue;
            }

            const AppSettings settings = Settings_Get();
            StagedFile file(CoverFilePath(CurSavePath_Get(), names[static_cast<size_t>(k)]));
            const Target target = OpenTarget(file);
            if (target == Target::Failed)
                return Step::EndRun;
            if (target == Target::OnDisk) {
                PostToMainWindow(UM_UPDATELLW, coverKey_, k + 1);
                continue;
            }
            Fetch(ResolveUrl(mangaUrl, coverUrl), file, coverKey_, settings.SaveBuf);
            if (!StillRunning())
                return Step::Next;
            PostToMainWindow(UM_UPDATELLW, coverKey_, k + 1);
        }
        return Step::Next;
    }

    void DownloadChapters()
    {
        session_.SetProgressKey(&chapterIndex_);
        const int32_t chapCnt = manga_.ChapCnt();
        for (chapterIndex_ = chapCnt - 1; chapterIndex_ >= 0; --chapterIndex_) {
            if (!StillRunning())
                return;
            ChapterInfo& chapter = manga_.Chaps[static_cast<size_t>(chapterIndex_)];
            if (chapter.bSkip)
                continue;
            // The names are settled for the whole chapter at once: whether a
            // name keeps its query depends on the chapter's other pages.
            const bool numbered = Settings_Get().bAddCntToPages != 0;
            std::vector<std::u16string> names;
            {
                std::lock_guard lock(manga_.ListLock);
                names = PageFileNames(chapter.Pages, numbered);
            }
            for (int32_t j = 0; j < static_cast<int32_t>(names.size()); ++j) {
                if (!StillRunning())
                    return;
                std::string pageUrl;
                PageInfo* page = nullptr;
                {
                    std::lock_guard lock(manga_.ListLock);
                    if (j >= chapter.PageCnt())
                        break;
                    page = &chapter.Pages[static_cast<size_t>(j)];
                    if (page->bLoaded || !page->Url)
                        continue;
                    pageUrl = *page->Url;
                }
                if (UrlIsEmpty(pageUrl)) {
                    RefuseEmptyAddress(chapterIndex_);
                    continue;
                }
                if (DownloadPage(chapter, *page, j, names[static_cast<size_t>(j)], pageUrl) == Step::EndRun)
                    return;
            }
            Cbz_PackChapter(manga_, chapterIndex_);
        }
    }

    Step DownloadPage(const ChapterInfo& chapter, PageInfo& page, int32_t j, const std::u16string& fileName,
                      const std::string& pageUrl)
    {
        const AppSettings settings = Settings_Get();
        StagedFile file(PageFilePath(CurSavePath_Get(), PageNaming_FromSettings(settings), chapter.Vol, chapter.Num,
                                     chapter.Name, fileName));
        const Target target = OpenTarget(file);
        if (target == Target::Failed)
            return Step::EndRun;
        if (target == Target::OnDisk) {
            page.bLoaded = 1;
            PostToMainWindow(UM_UPDATELLW, chapterIndex_, j + 1);
            return Step::Next;
        }
        Fetch(pageUrl, file, chapterIndex_, settings.SaveBuf);
        if (!StillRunning())
            return Step::EndRun;  // no bLoaded and no count for the item a cancel cut off
        if (result_ == kCurlOk)
            page.bLoaded = 1;
        PostToMainWindow(UM_UPDATELLW, chapterIndex_, j + 1);
        return Step::Next;
    }

    MangaInfo& manga_;
    CurlSession& session_;
    int32_t result_ = 0;
    int32_t coverKey_ = 0;
    int32_t chapterIndex_ = 0;
};

}  // namespace

int32_t Curl_GetCommix(MangaInfo* manga)
{
    return RunWorker(manga, kDownloadWorker, [manga](CurlSession& session) { return DownloadRun(*manga, session).Run(); });
}
