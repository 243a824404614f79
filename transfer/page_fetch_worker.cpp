#include "transfer/page_fetch_worker.h"

#include <string>

#include "model/file_io.h"
#include "model/text_codec.h"
#include "parse/parse_results.h"
#include "parse/reader_page.h"
#include "parse/title_page.h"
#include "settings/app_settings.h"
#include "transfer/curl_session.h"
#include "transfer/notifications.h"
#include "transfer/page_transfer.h"
#include "transfer/sinks.h"
#include "transfer/worker_run.h"

namespace {

// Debug dumps go to the current folder; a dump that cannot be written is
// simply skipped.
void DumpPage(const std::string& fileName, const MemBuffer& buffer)
{
    FilePtr file(OpenFile(fileName, "wb"));
    if (file)
        std::fwrite(buffer.data.data(), 1, buffer.data.size(), file.get());
}

// Reads the title page into a record built aside and publishes it in one step,
// so the window never sees a half-filled chapter list.
void PublishTitlePage(MangaInfo& manga, const MemBuffer& buffer)
{
    MangaInfo scratch;
    {
        std::lock_guard lock(manga.ListLock);
        scratch.Url = manga.Url;
        // The parser checks the address against its size; derive it rather
        // than trust a caller that set only the text.
        scratch.UrlSize = manga.Url ? static_cast<int32_t>(manga.Url->size() + 1) : 0;
    }
    Html_ParseMangaPage(buffer.data, scratch);  // whatever was found is kept
    std::lock_guard lock(manga.ListLock);
    MangaInfo_Move(manga, scratch);
}

class ScanRun {
public:
    ScanRun(MangaInfo& manga, CurlSession& session) : manga_(manga), session_(session) {}

    int32_t Run()
    {
        PageTransfer title;
        {
            std::lock_guard lock(manga_.ListLock);
            title.url = manga_.Url.value_or(std::string());
        }
        result_ = session_.Perform(title);  // the title page shows no progress, but a cancel still ends it
        // After a cancel the window is waiting for this thread and could never
        // answer a box.
        if (result_ != kCurlOk && TransfersAllowed())
            ShowBoxOnMainWindow(Utf8ToUtf16(Curl_ErrorText(result_)), u"Curl вернул ошибку!");
        if (!title.buffer.empty()) {
            if (Settings_Get().SaveBuf)
                DumpPage("deb_mpage.mem", title.buffer);
            PublishTitlePage(manga_, title.buffer);
        }
        PostToMainWindow(UM_MANGALOADED, 0, 0);
        return ScanChapters(result_);
    }

    // Reads the reader page of every chapter that still has one to read;
    // `result` is what the run returns when no transfer happens here.
    int32_t ScanChapters(int32_t result)
    {
        result_ = result;
        // Only this worker changes the chapter list while it runs, so it may
        // read it without the lock; every change it makes goes under the lock.
        chapCnt_ = manga_.ChapCnt();
        countdown_ = chapCnt_ - 1;
        // The direction is fixed for the whole scan: turned over midway, the
        // countdown would map to chapters already read and pass others by.
        const AppSettings settings = Settings_Get();
        reverse_ = settings.bRevScan != 0;
        saveBuf_ = settings.SaveBuf != 0;
        session_.Run([this] { return Next(); },
                     [this](std::unique_ptr<Transfer> job, int32_t code) {
                         return Done(static_cast<PageTransfer&>(*job), code);
                     });
        return result_;
    }

private:
    // The reader pages start in scan order: from the last chapter to the
    // first, or the other way with bRevScan.
    std::unique_ptr<Transfer> Next()
    {
        for (; countdown_ >= 0; --countdown_) {
            if (!TransfersAllowed())
                return nullptr;
            const int32_t index = reverse_ ? chapCnt_ - 1 - countdown_ : countdown_;
            const ChapterInfo& chapter = manga_.Chaps[static_cast<size_t>(index)];
            if (!chapter.Url)
                continue;
            auto job = std::make_unique<PageTransfer>();
            job->url = *chapter.Url;
            job->row = index;
            job->countdown = countdown_--;
            return job;
        }
        return nullptr;
    }

    bool Done(PageTransfer& job, int32_t code)
    {
        result_ = code;
        if (!TransfersAllowed())
            return false;
        const int32_t index = job.row;
        if (code != kCurlOk || saveBuf_)
            PostToMainWindow(UM_ERRORCODE, index, code);
        if (job.buffer.empty())
            return true;  // nothing arrived: the chapter stays to be scanned
        if (saveBuf_)
            DumpPage("deb_page" + std::to_string(job.countdown) + ".mem", job.buffer);

        ChapterInfo& chapter = manga_.Chaps[static_cast<size_t>(index)];
        ChapterInfo scratch;
        scratch.Url = chapter.Url;
        const int parsed = Html_ParseReaderPage(job.buffer.data, scratch);
        job.buffer.Clear();
        if (parsed == kParseOutOfMemory) {
            if (TransfersAllowed())  // a cancel meanwhile: the window waits and could not answer
                ShowBoxOnMainWindow(u"Программе критически недостаточно оперативной памяти!", u"Cбой декодера страниц!");
            return false;
        }
        {
            std::lock_guard lock(manga_.ListLock);
            for (PageInfo& page : scratch.Pages)
                chapter.Pages.push_back(std::move(page));
            chapter.Url.reset();
        }
        PostToMainWindow(UM_UPDATELLW, index, 0);
        if (parsed != 0)
            PostToMainWindow(UM_ERRORCODE, index, -parsed);
        return true;
    }

    MangaInfo& manga_;
    CurlSession& session_;
    int32_t result_ = 0;
    int32_t chapCnt_ = 0;
    int32_t countdown_ = 0;
    bool reverse_ = false;  // bRevScan as the scan began
    bool saveBuf_ = false;  // SaveBuf as the scan began
};

}  // namespace

int32_t Curl_GetManga(MangaInfo* manga)
{
    return RunWorker(manga, kPageFetchWorker, [manga](CurlSession& session) { return ScanRun(*manga, session).Run(); });
}

int32_t Curl_GetChapters(MangaInfo* manga)
{
    return RunWorker(manga, kPageFetchWorker,
                     [manga](CurlSession& session) { return ScanRun(*manga, session).ScanChapters(kCurlOk); });
}
