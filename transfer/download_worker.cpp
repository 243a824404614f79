#include "transfer/download_worker.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "settings/app_settings.h"
#include "transfer/cbz_pack.h"
#include "transfer/curl_session.h"
#include "transfer/download_layout.h"
#include "transfer/file_names.h"
#include "transfer/image_transfer.h"
#include "transfer/notifications.h"
#include "transfer/url_text.h"
#include "transfer/worker_run.h"

namespace {

// Without a window nothing could be reported and every sink refuses data, so
// a missing window ends the run like a cancel.
bool StillRunning()
{
    return bKeepRunning.load(std::memory_order_acquire) > 0 && hMainWnd.load(std::memory_order_acquire) != nullptr;
}

// Items come up in a fixed order (covers, then chapters from the last
// entry to the first, each chapter's pages in order) and start in that order;
// they may end in any order. A row's count of items done only grows: an item
// counts when it ends, or, when there is nothing to fetch for it, when it
// comes up.
class DownloadRun {
public:
    DownloadRun(MangaInfo& manga, CurlSession& session) : manga_(manga), session_(session) {}

    int32_t Run()
    {
        {
            std::lock_guard lock(manga_.ListLock);
            mangaUrl_ = manga_.Url.value_or(std::string());
            covers_ = manga_.Covers;
        }
        coverNames_ = CoverFileNames(covers_);
        coverKey_ = manga_.ChapCnt();
        chapCnt_ = coverKey_;
        chapter_ = chapCnt_;  // none taken up yet
        done_.assign(static_cast<size_t>(chapCnt_) + 1, 0);
        inFlight_.assign(static_cast<size_t>(chapCnt_) + 1, 0);
        inCovers_ = !manga_.bSkipCovers;
        saveBuf_ = Settings_Get().SaveBuf != 0;
        session_.Run([this] { return Next(); },
                     [this](std::unique_ptr<Transfer> job, int32_t code) {
                         return Done(static_cast<ImageTransfer&>(*job), code);
                     });
        return result_;
    }

private:
    std::unique_ptr<Transfer> Next()
    {
        while (!stopped_) {
            std::unique_ptr<ImageTransfer> job = inCovers_ ? NextCover() : NextPage();
            if (job)
                return job;
        }
        return nullptr;
    }

    // Null with stopped_ unset: that cover needed no transfer.
    std::unique_ptr<ImageTransfer> NextCover()
    {
        const int32_t k = cover_++;
        if (!StillRunning() || k >= static_cast<int32_t>(covers_.size())) {
            inCovers_ = false;  // a cancel here ends the run as the chapters begin
            return nullptr;
        }
        const std::string coverUrl = covers_[static_cast<size_t>(k)].Url.value_or(std::string());
        auto job = std::make_unique<ImageTransfer>(CoverFilePath(CurSavePath_Get(), coverNames_[static_cast<size_t>(k)]));
        job->url = ResolveUrl(mangaUrl_, coverUrl);
        return Prepare(std::move(job), coverKey_, coverUrl);
    }

    std::unique_ptr<ImageTransfer> NextPage()
    {
        if (!StillRunning()) {
            stopped_ = true;
            return nullptr;
        }
        if (chapter_ >= chapCnt_ || page_ >= static_cast<int32_t>(pageNames_.size())) {
            if (std::exchange(chapterHeld_, false))
                LeaveChapter(chapter_);
            if (--chapter_ < 0) {
                stopped_ = true;
                return nullptr;
            }
            page_ = 0;
            pageNames_.clear();
            ChapterInfo& chapter = manga_.Chaps[static_cast<size_t>(chapter_)];
            if (chapter.bSkip)
                return nullptr;
            ++inFlight_[static_cast<size_t>(chapter_)];  // held until every page has come up
            chapterHeld_ = true;
            // The names are settled for the whole chapter at once: whether a
            // name keeps its query depends on the chapter's other pages.
            naming_ = PageNaming_FromSettings(Settings_Get());
            std::lock_guard lock(manga_.ListLock);
            pageNames_ = PageFileNames(chapter.Pages, naming_.bAddCntToPages);
            return nullptr;
        }
        ChapterInfo& chapter = manga_.Chaps[static_cast<size_t>(chapter_)];
        const int32_t j = page_++;
        std::string pageUrl;
        PageInfo* page = nullptr;
        {
            std::lock_guard lock(manga_.ListLock);
            if (j >= chapter.PageCnt()) {
                page_ = static_cast<int32_t>(pageNames_.size());
                return nullptr;
            }
            page = &chapter.Pages[static_cast<size_t>(j)];
            if (page->bLoaded || !page->Url) {
                ++done_[static_cast<size_t>(chapter_)];
                return nullptr;
            }
            pageUrl = *page->Url;
        }
        auto job = std::make_unique<ImageTransfer>(PageFilePath(CurSavePath_Get(), naming_, chapter.Vol, chapter.Num,
                                                                chapter.Name, pageNames_[static_cast<size_t>(j)]));
        job->url = pageUrl;
        job->page = page;
        return Prepare(std::move(job), chapter_, pageUrl);
    }

    // Settles an item that has come up: refused, found on disk, or ready to
    // start with its temporary file open. Null unless it is to start.
    std::unique_ptr<ImageTransfer> Prepare(std::unique_ptr<ImageTransfer> job, int32_t row, const std::string& address)
    {
        job->row = row;
        if (UrlIsEmpty(address)) {
            // An address with nothing to fetch would resolve to the manga's own
            // page; it is refused the way libcurl refuses a malformed address.
            result_ = kCurlUrlMalformat;
            PostToMainWindow(UM_ERRORCODE, row, result_);
            ++done_[static_cast<size_t>(row)];
            return nullptr;
        }
        switch (OpenTarget(job->file)) {
        case Target::Failed:
            stopped_ = true;
            return nullptr;
        case Target::OnDisk:
            if (job->page)
                job->page->bLoaded = 1;
            PostToMainWindow(UM_UPDATELLW, row, ++done_[static_cast<size_t>(row)]);
            return nullptr;
        case Target::Open:
            break;
        }
        ++inFlight_[static_cast<size_t>(row)];
        return job;
    }

    bool Done(ImageTransfer& job, int32_t code)
    {
        if (job.file.Finish(code == kCurlOk) != 0 && code == kCurlOk)
            code = kCurlWriteError;
        result_ = code;
        if (code != kCurlOk || saveBuf_)
            PostToMainWindow(UM_ERRORCODE, job.row, code);
        if (!StillRunning())
            return false;  // no bLoaded and no count for the item a cancel cut off
        if (code == kCurlOk && job.page)
            job.page->bLoaded = 1;
        PostToMainWindow(UM_UPDATELLW, job.row, ++done_[static_cast<size_t>(job.row)]);
        if (job.row != coverKey_)
            LeaveChapter(job.row);
        return true;
    }

    void LeaveChapter(int32_t row)
    {
        if (--inFlight_[static_cast<size_t>(row)] == 0)
            ChapterFinished(row);
    }

    // The one place where a chapter of this run is known finished: every one
    // of its pages has come up and every transfer of it has ended (each page
    // is on disk now or was reported failed).
    void ChapterFinished(int32_t row) { Cbz_PackChapter(manga_, row); }

    MangaInfo& manga_;
    CurlSession& session_;
    std::string mangaUrl_;
    std::vector<CoverInfo> covers_;
    std::vector<std::u16string> coverNames_;
    std::vector<std::u16string> pageNames_;
    PageNaming naming_;  // the chapter's, read with its page names
    std::vector<int32_t> done_;      // per row key: items done
    std::vector<int32_t> inFlight_;  // per chapter: transfers not ended, plus one until its pages have all come up
    int32_t result_ = 0;
    int32_t coverKey_ = 0;
    int32_t chapCnt_ = 0;
    int32_t cover_ = 0;
    int32_t chapter_ = 0;
    int32_t page_ = 0;
    bool inCovers_ = false;
    bool chapterHeld_ = false;
    bool stopped_ = false;
    bool saveBuf_ = false;  // SaveBuf as the run began: every code is reported
};

}  // namespace

int32_t Curl_GetCommix(MangaInfo* manga)
{
    return RunWorker(manga, kDownloadWorker, [manga](CurlSession& session) { return DownloadRun(*manga, session).Run(); });
}
