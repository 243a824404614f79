// The reader-page parser running out of memory, in a program of its own since
// it replaces the global allocator (tests/support/failing_new.cpp).

#include "tests/support/failing_new.h"
#include "tests/support/temp_dir.h"
#include "tests/transfer/worker_fixture.h"
#include "transfer/page_fetch_worker.h"

namespace {

using PageFetchMemoryTest = WorkerTest;

// With SaveBuf on, a chapter's UM_ERRORCODE (index, 0) is posted on the
// worker's thread right before its reader page is parsed: from there on, that
// thread's large allocations fail. The user may press Cancel at that moment.
struct ShortOfMemoryWindow : RecordingWindow {
    void Post(uint32_t message, int32_t wParam, int32_t lParam) override
    {
        RecordingWindow::Post(message, wParam, lParam);
        if (message == UM_ERRORCODE && cancel)
            bKeepRunning = 0;
        if (message == UM_ERRORCODE || message == UM_WORKERDONE)
            gFailFromBytes = message == UM_ERRORCODE ? 1 << 16 : 0;
    }
    bool cancel = false;
};

TEST_F(PageFetchMemoryTest, BoxOnlyWhileNobodyCancelled)
{
    TempDir dir;  // the SaveBuf dumps go to the current folder
    const std::filesystem::path oldFolder = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    const std::vector<std::string> files(4000, "1.png");
    for (const bool cancel : {false, true}) {
        SCOPED_TRACE(cancel ? "cancelled" : "not cancelled");
        TestServer server;
        server.Serve("/m", SiteTitlePage("Manga", "/c.png", {{"/m/vol1/1", "Manga 1 - 1"}}));
        server.Serve("/m/vol1/1", SiteReaderPage(false, server.Url(""), "img/", files));
        ShortOfMemoryWindow window;
        window.cancel = cancel;
        ResetForWorkers(&window);
        Settings_Update([](AppSettings& s) { s.SaveBuf = 1; });
        MangaInfo manga;
        manga.Url = server.Url("/m");
        EXPECT_EQ(Curl_GetManga(&manga), 0);
        gFailFromBytes = 0;
        std::vector<std::string> expected{"LOADED 0 0", "ERR 0 0", "DONE 0 0"};
        if (!cancel)  // nobody would be there to close it after a cancel
            expected.insert(expected.begin() + 2, "BOX Cбой декодера страниц! | Программе критически недостаточно оперативной памяти!");
        EXPECT_EQ(window.Events(), expected);
        ASSERT_EQ(manga.ChapCnt(), 1);
        EXPECT_TRUE(manga.Chaps[0].Url && manga.Chaps[0].PageCnt() == 0);  // still to be scanned
    }
    std::filesystem::current_path(oldFolder);
}

}  // namespace
