// The window reads the record while a worker fills it. Run under
// ThreadSanitizer, this shows that nothing the window touches is raced on.

#include <atomic>
#include <thread>

#include "tests/transfer/worker_fixture.h"
#include "transfer/download_worker.h"
#include "transfer/page_fetch_worker.h"

namespace {

constexpr int kChapters = 8;
constexpr int kPages = 5;

class RaceTest : public WorkerTest {
protected:
    // Reads the record the way the window does on its notifications, and ticks
    // rows on and off, until told to stop. A chapter whose reader page is
    // done must show its complete page list, never part of it.
    void WindowThread(const MangaInfo& manga, std::atomic<bool>& stop, std::atomic<int>& fullLists)
    {
        while (!stop) {
            {
                std::lock_guard guard(manga.ListLock);
                for (const ChapterInfo& chapter : manga.Chaps) {
                    if (chapter.Url) {
                        EXPECT_EQ(chapter.PageCnt(), 0);
                    } else {
                        EXPECT_EQ(chapter.PageCnt(), kPages);
                        ++fullLists;
                    }
                    for (const PageInfo& page : chapter.Pages)
                        EXPECT_TRUE(page.Url && !page.Url->empty() && page.bLoaded <= 1);
                    chapter.bSkip.load();
                }
                if (manga.Name) {
                    EXPECT_EQ(*manga.Name, u"Manga");
                }
                EXPECT_LE(manga.CoverCnt(), 1);
            }
            if (manga.BusyCnt > 1)
                ADD_FAILURE() << "two workers on one record";
            std::this_thread::yield();
        }
    }
};

TEST_F(RaceTest, WindowReadsAndTicksWhileWorkersFillTheRecord)
{
    std::vector<SiteChapterLink> links;
    for (int n = kChapters; n >= 1; --n)
        links.push_back({"/m/vol1/" + std::to_string(n), "Manga 1 - " + std::to_string(n)});
    server.Serve("/m", SiteTitlePage("Manga", {"/c/c1.png"}, links), "text/html");
    server.Serve("/c/c1.png", std::string(1000, 'c'));
    for (int n = 1; n <= kChapters; ++n) {
        std::vector<std::string> images;
        for (int j = 1; j <= kPages; ++j) {
            const std::string path = "/img/" + std::to_string(n) + "/" + std::to_string(j) + ".png";
            server.Serve(path, std::string(2000 + static_cast<size_t>(j), static_cast<char>('a' + n)));
            images.push_back(server.Origin() + path);
        }
        server.Serve("/m/vol1/" + std::to_string(n), SiteReaderPage(images), "text/html");
    }

    MangaInfo manga;
    manga.Url = server.Url("/m");
    std::atomic<bool> stop{false};
    std::atomic<int> fullLists{0};
    std::thread window([&] { WindowThread(manga, stop, fullLists); });
    std::thread scan([&] { Curl_GetManga(&manga); });
    scan.join();
    EXPECT_EQ(manga.ChapCnt(), kChapters);

    // Ticks flip while the download runs; the worker reads each chapter's
    // flag when it comes to it.
    std::thread ticker([&] {
        for (int round = 0; !stop && round < 10000; ++round) {
            std::lock_guard guard(manga.ListLock);
            ChapterInfo& chapter = manga.Chaps[static_cast<size_t>(round % kChapters)];
            chapter.bSkip = chapter.bSkip ? 0 : 1;
            manga.bSkipCovers = 0;
        }
    });
    std::thread download([&] { Curl_GetCommix(&manga); });
    download.join();
    stop = true;
    ticker.join();
    window.join();
    EXPECT_EQ(manga.BusyCnt, 0);
    EXPECT_GT(fullLists.load(), 0);
}

}  // namespace
