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

int32_t ScanChapters(MangaInfo* manga, CurlSession& session, int32_t result);

int32_t ScanManga(MangaInfo* manga, CurlSession& session)
{
    MemBuffer buffer;
    std::string titleUrl;
    {
        std::lock_guard lock(manga->ListLock);
        titleUrl = manga->Url.value_or(std::string());
    }

    session.SetUserAgent(Settings_Get().UserAgent);
    session.UseMemorySink(&buffer);
    session.SetProgressKey(nullptr);  // the title page shows no progress, but a cancel still ends it
    int32_t result = session.Perform(titleUrl);

    // After a cancel the window is waiting for this thread and could never
    // answer a box.
    if (result != kCurlOk && TransfersAllowed())
        ShowBoxOnMainWindow(Utf8ToUtf16(Curl_ErrorText(result)), u"Curl вернул ошибку!");

    if (!buffer.empty()) {
        if (Settings_Get().SaveBuf)
            DumpPage("deb_mpage.mem", buffer);
        PublishTitlePage(*manga, buffer);
        buffer.Clear();
    }
    PostToMainWindow(UM_MANGALOADED, 0, 0);
    return ScanChapters(manga, session, result);
}

// Reads the reader page of every chapter that still has one to read;
// `result` is what the run returns when no transfer happens here.
int32_t ScanChapters(MangaInfo* manga, CurlSession& session, int32_t result)
{
    MemBuffer buffer;
    int32_t chapterIndex = 0;
    session.UseMemorySink(&buffer);
    session.SetProgressKey(&chapterIndex);
    // Only this worker changes the chapter list while it runs, so it may read
    // it without the lock; every change it makes goes under the lock.
    const int32_t chapCnt = manga->ChapCnt();
    for (int32_t countdown = chapCnt - 1; countdown >= 0; --countdown) {
        if (!TransfersAllowed())
            break;
        const AppSettings settings = Settings_Get();
        chapterIndex = settings.bRevScan ? chapCnt - 1 - countdown : countdown;
        ChapterInfo& chapter = manga->Chaps[static_cast<size_t>(chapterIndex)];
        if (!chapter.Url)
            continue;

        result = session.Perform(*chapter.Url);
        if (!TransfersAllowed())
            break;
        if (result != kCurlOk || settings.SaveBuf)
            PostToMainWindow(UM_ERRORCODE, chapterIndex, result);
        if (buffer.empty())
            continue;  // nothing arrived: the chapter stays to be scanned
        if (settings.SaveBuf)
            DumpPage("deb_page" + std::to_string(countdown) + ".mem", buffer);

        ChapterInfo scratch;
        scratch.Url = chapter.Url;
        const int code = Html_ParseReaderPage(buffer.data, scratch);
        buffer.Clear();
        if (code == kParseOutOfMemory) {
            if (TransfersAllowed())  // a cancel meanwhile: the window waits and could not answer
                ShowBoxOnMainWindow(u"Программе критически недостаточно оперативной памяти!", u"Cбой декодера страниц!");
            break;
        }
        {
            std::lock_guard lock(manga->ListLock);
            for (PageInfo& page : scratch.Pages)
                chapter.Pages.push_back(std::move(page));
            chapter.Url.reset();
        }
        PostToMainWindow(UM_UPDATELLW, chapterIndex, 0);
        if (code != 0)
            PostToMainWindow(UM_ERRORCODE, chapterIndex, -code);
    }

    return result;
}

}  // namespace

int32_t Curl_GetManga(MangaInfo* manga)
{
    return RunWorker(manga, kPageFetchWorker, [manga](CurlSession& session) { return ScanManga(manga, session); });
}

int32_t Curl_GetChapters(MangaInfo* manga)
{
    return RunWorker(manga, kPageFetchWorker, [manga](CurlSession& session) {
        session.SetUserAgent(Settings_Get().UserAgent);
        return ScanChapters(manga, session, kCurlOk);
    });
}
