#include "transfer/page_fetch_worker.h"

#include <chrono>
#include <thread>

#include <unistd.h>

#include "tests/transfer/worker_fixture.h"
#include "transfer/curl_session.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class PageFetchTest : public WorkerTest {
protected:
    // A manga of `chapters` chapters in volume 1, newest first on the title
    // page as on the sites; chapter n's reader page lists `pages` images.
    void ServeManga(int chapters, int pages, Route titleRoute = {}) { ServeMangaOn(server, chapters, pages, titleRoute); }

    void ServeMangaOn(TestServer& site, int chapters, int pages, Route titleRoute = {})
    {
        std::vector<SiteChapterLink> links;
        for (int n = chapters; n >= 1; --n)
            links.push_back({"/m/vol1/" + std::to_string(n), "Manga 1 - " + std::to_string(n) + " Глава"});
        titleRoute.body = SiteTitlePage("Manga", {"/c/c1.png"}, links);
        titleRoute.contentType = "text/html";
        site.Add("/m", titleRoute);
        // Odd chapters use the variable form, even ones the call form; both
        // give the same addresses.
        for (int n = 1; n <= chapters; ++n) {
            std::vector<std::string> images;
            std::vector<std::string> files;
            for (int j = 1; j <= pages; ++j) {
                images.push_back(site.Origin() + "/img/" + std::to_string(n) + "/" + std::to_string(j) + ".png");
                files.push_back(std::to_string(j) + ".png");
            }
            readerPages[n] = n % 2 ? SiteReaderPage(images)
                                   : SiteReaderPageCallForm(site.Origin(), "img/" + std::to_string(n) + "/", files);
            site.Serve(ReaderPath(n), readerPages[n], "text/html");
        }
    }

    static std::string ReaderPath(int n) { return "/m/vol1/" + std::to_string(n); }

    int32_t Scan() { return ScanOn(server); }

    int32_t ScanOn(TestServer& site)
    {
        MangaInfo_Free(&manga);
        const std::string url = site.Url("/m");
        manga.Url = url;
        manga.UrlSize = static_cast<int32_t>(url.size() + 1);
        return Curl_GetManga(&manga);
    }

    std::map<int, std::string> readerPages;
    MangaInfo manga;
};

TEST_F(PageFetchTest, MangaWithoutChaptersPostsLoadedAndDone)
{
    server.Serve("/m", SiteTitlePage("Manga", {}, {}, false), "text/html");
    EXPECT_EQ(Scan(), 0);
    EXPECT_THAT(window.Events(), ElementsAre("LOADED 0 0", "DONE 0 0"));
    EXPECT_EQ(manga.Name, u"Manga");
    EXPECT_EQ(manga.BusyCnt, 0);
}

TEST_F(PageFetchTest, ScansChaptersInTheConfiguredOrder)
{
    struct Case {
        uint8_t revScan;
        std::vector<std::string> requests;
        std::vector<std::string> events;
    };
    const Case cases[] = {
        {0, {"/m", ReaderPath(1), ReaderPath(2), ReaderPath(3)}, {"LOADED 0 0", "UPD 2 0", "UPD 1 0", "UPD 0 0", "DONE 0 0"}},
        {1, {"/m", ReaderPath(3), ReaderPath(2), ReaderPath(1)}, {"LOADED 0 0", "UPD 0 0", "UPD 1 0", "UPD 2 0", "DONE 0 0"}},
    };
    for (const Case& c : cases) {
        TestServer fresh;
        RecordingWindow record;
        hMainWnd = &record;
        ChangeSettings([&](AppSettings& s) { s.bRevScan = c.revScan; });
        ServeMangaOn(fresh, 3, 2);
        EXPECT_EQ(ScanOn(fresh), 0);
        EXPECT_EQ(fresh.Requests(), c.requests);
        EXPECT_EQ(record.Events(), c.events);
        ASSERT_EQ(manga.ChapCnt(), 3);
        for (const ChapterInfo& chapter : manga.Chaps) {
            EXPECT_FALSE(chapter.Url);
            EXPECT_EQ(chapter.PageCnt(), 2);
        }
        EXPECT_EQ(manga.Chaps[0].Pages[1].Url, fresh.Origin() + "/img/3/2.png");
        EXPECT_EQ(manga.Chaps[1].Pages[0].Url, fresh.Origin() + "/img/2/1.png");
        // Progress of each reader page carries its chapter's row key.
        std::vector<int32_t> keys;
        for (const auto& [key, value] : record.Progress())
            if (keys.empty() || keys.back() != key)
                keys.push_back(key);
        EXPECT_EQ(keys, (c.revScan ? std::vector<int32_t>{0, 1, 2} : std::vector<int32_t>{2, 1, 0}));
    }
}

TEST_F(PageFetchTest, SaveBufDumpsEveryPageAndReportsEveryTransfer)
{
    const std::filesystem::path oldFolder = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    ChangeSettings([](AppSettings& s) {
        s.SaveBuf = 1;
        s.bRevScan = 1;
    });
    ServeManga(3, 1);
    EXPECT_EQ(Scan(), 0);
    std::filesystem::current_path(oldFolder);

    EXPECT_THAT(window.Events(), ElementsAre("LOADED 0 0", "ERR 0 0", "UPD 0 0", "ERR 1 0", "UPD 1 0", "ERR 2 0",
                                             "UPD 2 0", "DONE 0 0"));
    EXPECT_EQ(ReadFileBytes(dir / "deb_mpage.mem"), SiteTitlePage("Manga", {"/c/c1.png"},
                                                                 {{"/m/vol1/3", "Manga 1 - 3 Глава"},
                                                                  {"/m/vol1/2", "Manga 1 - 2 Глава"},
                                                                  {"/m/vol1/1", "Manga 1 - 1 Глава"}}));
    // Dumps are numbered by the countdown: the first page fetched is number 2.
    EXPECT_EQ(ReadFileBytes(dir / "deb_page2.mem"), readerPages[3]);
    EXPECT_EQ(ReadFileBytes(dir / "deb_page0.mem"), readerPages[1]);
}

TEST_F(PageFetchTest, ReaderParserFailureStillMarksTheChapterScanned)
{
    ServeManga(1, 0);
    server.Serve(ReaderPath(1),
                 "<script>var pictures = [{url:\"http://h/p/01.png\",w:1},{url:\"http://h/p/02.png}];</script>",
                 "text/html");
    EXPECT_EQ(Scan(), 0);
    EXPECT_THAT(window.Events(), ElementsAre("LOADED 0 0", "UPD 0 0", "ERR 0 -14", "DONE 0 0"));
    ASSERT_EQ(manga.ChapCnt(), 1);
    EXPECT_FALSE(manga.Chaps[0].Url);
    ASSERT_EQ(manga.Chaps[0].PageCnt(), 1);
    EXPECT_EQ(manga.Chaps[0].Pages[0].Url, "http://h/p/01.png");
}

TEST_F(PageFetchTest, HttpErrorRepliesAreFailuresNotPages)
{
    for (Fault fault : {Fault::NotFound, Fault::ServerError}) {
        TestServer fresh;
        RecordingWindow record;
        hMainWnd = &record;
        MangaInfo title;
        Route broken;
        broken.fault = fault;
        fresh.Add("/m", broken);
        title.Url = fresh.Url("/m");
        EXPECT_EQ(Curl_GetManga(&title), kCurlHttpReturnedError);
        EXPECT_THAT(record.Events(), ElementsAre(CurlBox(22), "LOADED 0 0", "DONE 0 22"));
        EXPECT_FALSE(title.Name);
        EXPECT_EQ(title.ChapCnt(), 0);
        EXPECT_EQ(title.Url, fresh.Url("/m"));
    }

    // A reader page that answers 404 leaves its chapter to be scanned again.
    hMainWnd = &window;
    ServeManga(2, 1);
    Route missing;
    missing.fault = Fault::NotFound;
    server.Add(ReaderPath(1), missing);
    EXPECT_EQ(Scan(), 0);
    EXPECT_THAT(window.Events(), ElementsAre("LOADED 0 0", "ERR 1 22", "UPD 0 0", "DONE 0 0"));
    EXPECT_TRUE(manga.Chaps[1].Url);
    EXPECT_EQ(manga.Chaps[1].PageCnt(), 0);
}

TEST_F(PageFetchTest, TitlePageArrivesThroughAnyDelivery)
{
    struct Case {
        const char* name;
        Fault fault;
    };
    for (const Case& c : {Case{"plain", Fault::None}, Case{"chunked", Fault::Chunked},
                          Case{"redirect chain", Fault::Redirect}, Case{"trickle", Fault::Trickle}}) {
        SCOPED_TRACE(c.name);
        TestServer fresh;
        RecordingWindow record;
        hMainWnd = &record;
        Route title;
        title.fault = c.fault;
        title.trickleBytes = 256;
        title.trickleDelay = std::chrono::milliseconds(2);
        if (c.fault == Fault::Redirect) {
            // /m -> /r1 -> /r2 -> /title
            title.redirectTo = "/r1";
            Route hop;
            hop.fault = Fault::Redirect;
            hop.redirectTo = "/r2";
            fresh.Add("/r1", hop);
            hop.redirectTo = "/title";
            fresh.Add("/r2", hop);
            ServeMangaOn(fresh, 2, 1);
            fresh.Serve("/title", SiteTitlePage("Manga", {"/c/c1.png"},
                                                {{"/m/vol1/2", "Manga 1 - 2 Глава"}, {"/m/vol1/1", "Manga 1 - 1"}}),
                        "text/html");
            fresh.Add("/m", title);
        } else {
            ServeMangaOn(fresh, 2, 1, title);
        }
        EXPECT_EQ(ScanOn(fresh), 0);
        EXPECT_THAT(record.Events(), ElementsAre("LOADED 0 0", "UPD 1 0", "UPD 0 0", "DONE 0 0"));
        EXPECT_EQ(manga.Name, u"Manga");
        EXPECT_EQ(manga.ChapCnt(), 2);
        EXPECT_EQ(manga.CoverCnt(), 1);
    }
}

TEST_F(PageFetchTest, EndlessRedirectsEndTheTransfer)
{
    Route loop;
    loop.fault = Fault::Redirect;
    loop.redirectTo = "/m";
    server.Add("/m", loop);
    constexpr int32_t kTooManyRedirects = 47;
    EXPECT_EQ(Scan(), kTooManyRedirects);
    EXPECT_THAT(window.Events(), ElementsAre(CurlBox(kTooManyRedirects), "LOADED 0 0", "DONE 0 47"));
    EXPECT_EQ(server.Hits("/m"), 11);  // the first request and ten redirects
}

TEST_F(PageFetchTest, CancelEndsAStalledTitlePageWithoutABox)
{
    Route stalled;
    stalled.fault = Fault::Stall;
    stalled.body = std::string(4096, 'x');
    server.Add("/m", stalled);
    int32_t result = 0;
    std::thread worker([&] { result = Scan(); });
    ASSERT_TRUE(server.WaitForStall(std::chrono::seconds(10)));
    const auto cancelled = std::chrono::steady_clock::now();
    bKeepRunning = 0;
    worker.join();
    EXPECT_LT(std::chrono::steady_clock::now() - cancelled, std::chrono::seconds(5));
    EXPECT_EQ(result, kCurlWriteError);
    EXPECT_THAT(window.Events(), ElementsAre("LOADED 0 0", "DONE 0 23"));
    EXPECT_THAT(window.Progress(), IsEmpty());  // the title page reports no progress
}

TEST_F(PageFetchTest, CancelWhileAReaderPageArrivesStopsTheRun)
{
    ServeManga(3, 1);
    Route slow;
    slow.body = readerPages[1] + "<!--" + std::string(16384, 'p') + "-->";
    slow.contentType = "text/html";
    slow.fault = Fault::Trickle;
    slow.trickleBytes = 1024;
    slow.trickleDelay = std::chrono::milliseconds(10);
    server.Add(ReaderPath(1), slow);
    CancelWhenDataArrives(2);
    EXPECT_EQ(Scan(), kCurlWriteError);
    EXPECT_THAT(window.Events(), ElementsAre("LOADED 0 0", "DONE 0 23"));
    for (const ChapterInfo& chapter : manga.Chaps) {
        EXPECT_TRUE(chapter.Url);
        EXPECT_EQ(chapter.PageCnt(), 0);
    }
    EXPECT_EQ(server.Hits(ReaderPath(2)), 0);
}

TEST_F(PageFetchTest, OversizeReaderPageIsCutOffAtTheLimit)
{
    ServeManga(1, 1);
    Route huge;
    huge.fault = Fault::Oversize;
    huge.oversizeBytes = kMaxPageBytes + (size_t{1} << 20);
    server.Add(ReaderPath(1), huge);
    EXPECT_EQ(Scan(), kCurlWriteError);
    // What did arrive is parsed like any partial page: no list in it.
    EXPECT_THAT(window.Events(), ElementsAre("LOADED 0 0", "ERR 0 23", "UPD 0 0", "ERR 0 -1", "DONE 0 23"));
    EXPECT_EQ(manga.Chaps[0].PageCnt(), 0);
}

TEST_F(PageFetchTest, UserAgentIsSentOnlyWhenConfigured)
{
    ServeManga(1, 1);
    EXPECT_EQ(Scan(), 0);
    EXPECT_EQ(server.UserAgents(), (std::vector<std::string>{"", ""}));

    ChangeSettings([](AppSettings& s) { s.UserAgent = "zumr-test/1.0"; });
    EXPECT_EQ(Scan(), 0);
    EXPECT_EQ(server.UserAgents(), (std::vector<std::string>{"", "", "zumr-test/1.0", "zumr-test/1.0"}));
}

TEST_F(PageFetchTest, NoWindowMeansNoFurtherTransfers)
{
    ServeManga(2, 1);
    hMainWnd = nullptr;
    Scan();
    EXPECT_EQ(server.Hits(ReaderPath(1)), 0);
    EXPECT_EQ(manga.BusyCnt, 0);
}

}  // namespace
