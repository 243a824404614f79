// The window reads the record and ticks rows while workers with parallel
// transfers fill it. Run under ThreadSanitizer, this shows that nothing the
// window touches is raced on.

#include <algorithm>
#include <atomic>

#include "tests/support/temp_dir.h"
#include "tests/transfer/worker_fixture.h"
#include "transfer/download_worker.h"
#include "transfer/page_fetch_worker.h"

namespace {

using RaceTest = WorkerTest;

TEST_F(RaceTest, WindowReadsAndTicksWhileWorkersFillTheRecord)
{
    constexpr int kPages = 20;  // enough that a list published piece by piece would be seen part-filled
    TempDir dir;
    TestServer server;
    RecordingWindow window;
    ResetForWorkers(&window);
    Settings_Update([](AppSettings& s) { s.Connections = 4; });
    CurSavePath_Set((dir / "Manga").u16string());
    ServeManga(server, 8, kPages);
    MangaInfo manga;
    manga.Url = server.Url("/m");
    std::atomic<bool> stop{false};
    int midScanLists = 0;  // whole lists seen while other chapters were still to be scanned
    int maxBusy = 0;

    // The window's thread, as on its notifications. A chapter whose reader
    // page is done must show its whole page list, never part of it.
    std::thread windowThread([&] {
        for (size_t round = 0; !stop; ++round, std::this_thread::yield()) {
            std::lock_guard guard(manga.ListLock);
            int scanned = 0;
            for (const ChapterInfo& chapter : manga.Chaps) {
                EXPECT_EQ(chapter.PageCnt(), chapter.Url ? 0 : kPages);
                scanned += chapter.Url ? 0 : 1;
                for (const PageInfo& page : chapter.Pages)
                    EXPECT_TRUE(page.Url && page.bLoaded <= 1);
            }
            midScanLists += scanned > 0 && scanned < manga.ChapCnt() ? 1 : 0;
            EXPECT_EQ(manga.Name.value_or(u"Manga"), u"Manga");
            maxBusy = std::max<int>(maxBusy, manga.BusyCnt.load());
            if (!manga.Chaps.empty()) {
                ChapterInfo& chapter = manga.Chaps[round % manga.Chaps.size()];
                chapter.bSkip = chapter.bSkip ? 0 : 1;
            }
        }
    });
    EXPECT_EQ(Curl_GetManga(&manga), 0);
    EXPECT_EQ(manga.ChapCnt(), 8);
    // Every chapter's list announced once, between the title page and the end.
    std::vector<std::string> events = window.Events();
    ASSERT_EQ(events.size(), 10u);
    EXPECT_EQ(events.front(), "LOADED 0 0");
    EXPECT_EQ(events.back(), "DONE 0 0");
    std::sort(events.begin() + 1, events.end() - 1);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(events[1 + static_cast<size_t>(i)], "UPD " + std::to_string(i) + " 0");
    EXPECT_EQ(Curl_GetCommix(&manga), 0);
    stop = true;
    windowThread.join();
    EXPECT_EQ(manga.BusyCnt, 0);
    EXPECT_EQ(maxBusy, 1);  // each worker marked the record busy while it ran
    // The window saw chapters filled one by one, so the checks above ran on
    // lists published while the worker was still at work.
    EXPECT_GT(midScanLists, 0);
}

}  // namespace
