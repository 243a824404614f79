#include "transfer/download_worker.h"

#include <chrono>
#include <cstring>
#include <thread>

#include "tests/transfer/worker_fixture.h"
#include "transfer/curl_session.h"

namespace {

using ::testing::ElementsAre;
using ::testing::MatchesRegex;

// Bytes that differ per seed and are not text, so a saved error page or a
// wrong file shows at once.
std::string ImageBytes(int seed, size_t size)
{
    std::string bytes(size, '\0');
    uint32_t state = 0x9E3779B9u * static_cast<uint32_t>(seed + 1);
    for (char& byte : bytes) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<char>(state >> 24);
    }
    return bytes;
}

class DownloadTest : public WorkerTest {
protected:
    // Two covers and three chapters of two pages each, all served:
    // Chaps[i] is chapter i + 1 of volume 1, its pages at /img/<i+1>/0<j+1>.png.
    void SetUp() override
    {
        WorkerTest::SetUp();
        manga.Url = server.Url("/m/title");
        for (int k = 1; k <= 2; ++k) {
            const std::string path = "/c/c" + std::to_string(k) + ".png";
            server.Serve(path, bodies[path] = ImageBytes(100 + k, 3000));
            manga.Covers.push_back({server.Url(path), 0});
        }
        const OptU16String names[] = {u"Первая", std::nullopt, u"Кто там?"};
        for (int n = 1; n <= 3; ++n) {
            ChapterInfo chapter;
            chapter.Vol = 1;
            chapter.Num = n;
            chapter.Name = names[n - 1];
            for (int j = 1; j <= 2; ++j) {
                const std::string path = PagePath(n, j);
                server.Serve(path, bodies[path] = ImageBytes(n * 10 + j, 20000));
                PageInfo page;
                page.Url = server.Url(path);
                page.UrlSize = static_cast<int32_t>(page.Url->size() + 1);
                chapter.Pages.push_back(page);
            }
            manga.Chaps.push_back(std::move(chapter));
        }
    }

    static std::string PagePath(int n, int j) { return "/img/" + std::to_string(n) + "/0" + std::to_string(j) + ".png"; }

    // Where page j of chapter n lands with the default settings.
    std::filesystem::path PageFile(int n, int j) const
    {
        const char* folders[] = {"ch1-Первая", "ch2", "ch3-Кто там'"};
        return savePath / "book1" / folders[n - 1] / ("0" + std::to_string(j) + ".png");
    }

    // Replaces a served page with a route of its own; the record keeps pointing at it.
    void Replace(MangaInfo& record, int n, int j, Route route)
    {
        route.body = bodies[PagePath(n, j)];
        server.Add(PagePath(n, j), route);
        PageInfo& page = record.Chaps[static_cast<size_t>(n - 1)].Pages[static_cast<size_t>(j - 1)];
        page.Url = server.Url(PagePath(n, j));
        page.UrlSize = static_cast<int32_t>(page.Url->size() + 1);
    }

    // The same manga as a fresh scan would give it: no page marked loaded.
    void CopyWithoutLoadedFlags(MangaInfo& copy) const
    {
        copy.Url = manga.Url;
        copy.Covers = manga.Covers;
        copy.Chaps = manga.Chaps;
        for (ChapterInfo& chapter : copy.Chaps)
            for (PageInfo& page : chapter.Pages)
                page.bLoaded = 0;
    }

    std::map<std::string, std::string> bodies;
    MangaInfo manga;
    const std::vector<std::string> kFullRun{"UPD 3 1", "UPD 3 2", "UPD 2 1", "UPD 2 2", "UPD 1 1",
                                            "UPD 1 2", "UPD 0 1", "UPD 0 2", "DONE 1 0"};
};

TEST_F(DownloadTest, NothingTickedRunsNoTransfer)
{
    manga.bSkipCovers = 1;
    for (ChapterInfo& chapter : manga.Chaps)
        chapter.bSkip = 1;
    EXPECT_EQ(Curl_GetCommix(&manga), 0);
    EXPECT_THAT(window.Events(), ElementsAre("DONE 1 0"));
    EXPECT_TRUE(server.Requests().empty());
    EXPECT_EQ(manga.BusyCnt, 0);
}

TEST_F(DownloadTest, DownloadsCoversThenChaptersFromTheLastEveryFileIntact)
{
    EXPECT_EQ(Curl_GetCommix(&manga), 0);
    EXPECT_EQ(window.Events(), kFullRun);
    EXPECT_EQ(server.Requests(),
              (std::vector<std::string>{"/c/c1.png", "/c/c2.png", PagePath(3, 1), PagePath(3, 2), PagePath(2, 1),
                                        PagePath(2, 2), PagePath(1, 1), PagePath(1, 2)}));
    EXPECT_EQ(WorkerTest::FilesBelow(savePath),
              (std::vector<std::string>{"book1/ch1-Первая/01.png", "book1/ch1-Первая/02.png", "book1/ch2/01.png",
                                        "book1/ch2/02.png", "book1/ch3-Кто там'/01.png", "book1/ch3-Кто там'/02.png",
                                        "covers/c1.png", "covers/c2.png"}));
    for (int n = 1; n <= 3; ++n)
        for (int j = 1; j <= 2; ++j) {
            EXPECT_EQ(ReadFileBytes(PageFile(n, j)), bodies[PagePath(n, j)]) << n << "/" << j;
            EXPECT_EQ(manga.Chaps[static_cast<size_t>(n - 1)].Pages[static_cast<size_t>(j - 1)].bLoaded, 1);
        }
    EXPECT_EQ(ReadFileBytes(savePath / "covers" / "c2.png"), bodies["/c/c2.png"]);

    std::vector<int32_t> keys;
    for (const auto& [key, value] : window.Progress())
        if (keys.empty() || keys.back() != key)
            keys.push_back(key);
    EXPECT_EQ(keys, (std::vector<int32_t>{3, 2, 1, 0}));
}

TEST_F(DownloadTest, SecondStartSkipsLoadedPagesSilently)
{
    Curl_GetCommix(&manga);
    const size_t firstRequests = server.Requests().size();
    // The flag alone decides: a page file deleted since is not fetched again.
    std::filesystem::remove(PageFile(1, 1));
    RecordingWindow second;
    hMainWnd = &second;
    EXPECT_EQ(Curl_GetCommix(&manga), 0);
    EXPECT_THAT(second.Events(), ElementsAre("UPD 3 1", "UPD 3 2", "DONE 1 0"));
    EXPECT_EQ(server.Requests().size(), firstRequests);
}

TEST_F(DownloadTest, FreshScanFindsFilesOnDiskWithoutTransfers)
{
    Curl_GetCommix(&manga);
    const size_t firstRequests = server.Requests().size();
    MangaInfo rescanned;
    CopyWithoutLoadedFlags(rescanned);
    RecordingWindow second;
    hMainWnd = &second;
    EXPECT_EQ(Curl_GetCommix(&rescanned), 0);
    EXPECT_EQ(second.Events(), kFullRun);
    EXPECT_EQ(server.Requests().size(), firstRequests);
    for (const ChapterInfo& chapter : rescanned.Chaps)
        for (const PageInfo& page : chapter.Pages)
            EXPECT_EQ(page.bLoaded, 1);
}

TEST_F(DownloadTest, SaveBufReportsEverySuccessfulTransfer)
{
    ChangeSettings([](AppSettings& s) { s.SaveBuf = 1; });
    manga.Chaps[0].bSkip = 1;
    manga.Chaps[1].bSkip = 1;
    EXPECT_EQ(Curl_GetCommix(&manga), 0);
    EXPECT_THAT(window.Events(), ElementsAre("ERR 3 0", "UPD 3 1", "ERR 3 0", "UPD 3 2", "ERR 2 0", "UPD 2 1",
                                             "ERR 2 0", "UPD 2 2", "DONE 1 0"));
}

TEST_F(DownloadTest, ErrorRepliesAreReportedAndNeverSaved)
{
    Route missing;
    missing.fault = Fault::NotFound;
    server.Add("/c/c1.png", missing);
    Route failing;
    failing.fault = Fault::ServerError;
    Replace(manga, 2, 2, failing);

    EXPECT_EQ(Curl_GetCommix(&manga), 0);
    EXPECT_THAT(window.Events(), ElementsAre("ERR 3 22", "UPD 3 1", "UPD 3 2", "UPD 2 1", "UPD 2 2", "UPD 1 1",
                                             "ERR 1 22", "UPD 1 2", "UPD 0 1", "UPD 0 2", "DONE 1 0"));
    EXPECT_FALSE(std::filesystem::exists(savePath / "covers" / "c1.png"));
    EXPECT_FALSE(std::filesystem::exists(PageFile(2, 2)));
    EXPECT_EQ(manga.Chaps[1].Pages[1].bLoaded, 0);
    EXPECT_EQ(WorkerTest::FilesBelow(savePath).size(), 6u);  // no error page anywhere, no leftovers
}

TEST_F(DownloadTest, ResetMidBodyLeavesNoFileAndTheNextStartFetchesAgain)
{
    Route reset;
    reset.fault = Fault::Reset;
    reset.faultTimes = 1;
    reset.contentType = "image/png";
    Replace(manga, 1, 1, reset);

    Curl_GetCommix(&manga);
    EXPECT_THAT(window.Events(),
                ElementsAre("UPD 3 1", "UPD 3 2", "UPD 2 1", "UPD 2 2", "UPD 1 1", "UPD 1 2",
                            MatchesRegex("ERR 0 (18|56)"), "UPD 0 1", "UPD 0 2", MatchesRegex("DONE 1 0")));
    EXPECT_FALSE(std::filesystem::exists(PageFile(1, 1)));
    EXPECT_EQ(manga.Chaps[0].Pages[0].bLoaded, 0);
    EXPECT_EQ(WorkerTest::FilesBelow(savePath).size(), 7u);  // the temporary file is gone too

    RecordingWindow second;
    hMainWnd = &second;
    EXPECT_EQ(Curl_GetCommix(&manga), 0);
    EXPECT_THAT(second.Events(), ElementsAre("UPD 3 1", "UPD 3 2", "UPD 0 1", "DONE 1 0"));
    EXPECT_EQ(server.Hits(PagePath(1, 1)), 2);
    EXPECT_EQ(ReadFileBytes(PageFile(1, 1)), bodies[PagePath(1, 1)]);
}

TEST_F(DownloadTest, CancelWhileDataArrivesLeavesNoFile)
{
    Route slow;
    slow.fault = Fault::Trickle;
    slow.trickleBytes = 2048;
    slow.trickleDelay = std::chrono::milliseconds(5);
    Replace(manga, 2, 1, slow);
    CancelWhenDataArrives(1);

    EXPECT_EQ(Curl_GetCommix(&manga), kCurlWriteError);
    EXPECT_THAT(window.Events(),
                ElementsAre("UPD 3 1", "UPD 3 2", "UPD 2 1", "UPD 2 2", "ERR 1 23", "DONE 1 23"));
    EXPECT_FALSE(std::filesystem::exists(PageFile(2, 1)));
    EXPECT_EQ(WorkerTest::FilesBelow(savePath).size(), 4u);
    EXPECT_EQ(server.Hits(PagePath(1, 1)), 0);
}

TEST_F(DownloadTest, CancelEndsAStalledTransferPromptly)
{
    Route stalled;
    stalled.fault = Fault::Stall;
    Replace(manga, 3, 1, stalled);
    int32_t result = 0;
    std::thread worker([&] { result = Curl_GetCommix(&manga); });
    ASSERT_TRUE(server.WaitForStall(std::chrono::seconds(10)));
    const auto cancelled = std::chrono::steady_clock::now();
    bKeepRunning = 0;
    worker.join();
    EXPECT_LT(std::chrono::steady_clock::now() - cancelled, std::chrono::seconds(5));
    EXPECT_EQ(result, kCurlWriteError);
    EXPECT_THAT(window.Events(), ElementsAre("UPD 3 1", "UPD 3 2", "ERR 2 23", "DONE 1 23"));
    EXPECT_FALSE(std::filesystem::exists(PageFile(3, 1)));
}

TEST_F(DownloadTest, CancelDuringACoverTouchesNoChapter)
{
    Route slow;
    slow.body = bodies["/c/c1.png"];
    slow.fault = Fault::Trickle;
    slow.trickleBytes = 512;
    slow.trickleDelay = std::chrono::milliseconds(5);
    server.Add("/c/c1.png", slow);
    CancelWhenDataArrives(3);
    EXPECT_EQ(Curl_GetCommix(&manga), kCurlWriteError);
    EXPECT_THAT(window.Events(), ElementsAre("ERR 3 23", "DONE 1 23"));
    EXPECT_EQ(server.Requests(), std::vector<std::string>{"/c/c1.png"});
    EXPECT_TRUE(WorkerTest::FilesBelow(savePath).empty());
}

TEST_F(DownloadTest, FileThatCannotBeCreatedStopsTheRunWithABox)
{
    auto box = [](int error) {
        return "BOX Сбой в Curl_GetCommix! | Не удалось создать файл с ошибкой " + std::to_string(error) + " - " +
               std::strerror(error) + "!";
    };
    // A folder that is a file: the cover cannot be created.
    WriteFileBytes(dir / "plain", "not a folder");
    CurSavePath_Set((dir / "plain" / "Manga").u16string());
    EXPECT_EQ(Curl_GetCommix(&manga), 0);
    EXPECT_THAT(window.Events(), ElementsAre(box(ENOTDIR), "DONE 1 0"));
    EXPECT_TRUE(server.Requests().empty());

    // A path longer than a path buffer: the covers are done, the page is not.
    RecordingWindow second;
    hMainWnd = &second;
    CurSavePath_Set(savePath.u16string());
    manga.Chaps[2].Name = std::u16string(300, u'x');
    EXPECT_EQ(Curl_GetCommix(&manga), 0);
    EXPECT_THAT(second.Events(), ElementsAre("UPD 3 1", "UPD 3 2", box(ENAMETOOLONG), "DONE 1 0"));
}

TEST_F(DownloadTest, QueryTokensDoNotReachFileNames)
{
    manga.Covers.resize(1);
    manga.Covers[0].Url = server.Url("/c/c1.png") + "?v=7#top";
    for (ChapterInfo& chapter : manga.Chaps)
        for (PageInfo& page : chapter.Pages)
            *page.Url += "?t=1";
    EXPECT_EQ(Curl_GetCommix(&manga), 0);
    EXPECT_EQ(ReadFileBytes(savePath / "covers" / "c1.png"), bodies["/c/c1.png"]);
    EXPECT_EQ(ReadFileBytes(PageFile(3, 2)), bodies[PagePath(3, 2)]);
    const size_t firstRequests = server.Requests().size();

    // The next scan hands out new tokens; the files are still found.
    MangaInfo rescanned;
    CopyWithoutLoadedFlags(rescanned);
    for (ChapterInfo& chapter : rescanned.Chaps)
        for (PageInfo& page : chapter.Pages)
            page.Url = page.Url->substr(0, page.Url->find('?')) + "?t=2";
    EXPECT_EQ(Curl_GetCommix(&rescanned), 0);
    EXPECT_EQ(server.Requests().size(), firstRequests);
}

TEST_F(DownloadTest, RelativeCoverIsFetchedFromTheMangaHost)
{
    manga.Covers = {{"/c/c1.png", 10}, {"c2.png", 7}};
    server.Serve("/m/c2.png", bodies["/c/c2.png"]);
    manga.bSkipCovers = 0;
    for (ChapterInfo& chapter : manga.Chaps)
        chapter.bSkip = 1;
    EXPECT_EQ(Curl_GetCommix(&manga), 0);
    EXPECT_THAT(window.Events(), ElementsAre("UPD 3 1", "UPD 3 2", "DONE 1 0"));
    EXPECT_EQ(ReadFileBytes(savePath / "covers" / "c1.png"), bodies["/c/c1.png"]);
    EXPECT_EQ(ReadFileBytes(savePath / "covers" / "c2.png"), bodies["/c/c2.png"]);
    EXPECT_EQ(manga.Covers[0].Url, "/c/c1.png");  // the record keeps the address as given
}

TEST_F(DownloadTest, HostileNamesStayInsideTheDownloadFolder)
{
    manga.bSkipCovers = 1;
    manga.Chaps[0].Name = u"../../escaped";
    manga.Chaps[1].Name = u"..";
    manga.Chaps[2].Name = u"a/../../b\\..\\c";
    ChangeSettings([](AppSettings& s) { s.BookDirName = u"../"; });
    EXPECT_EQ(Curl_GetCommix(&manga), 0);
    const std::vector<std::string> everything = WorkerTest::FilesBelow(dir.path());
    ASSERT_EQ(everything.size(), 6u);
    for (const std::string& file : everything)
        EXPECT_EQ(file.rfind("Manga/", 0), 0u) << file;
}

TEST_F(DownloadTest, ImagesArriveIntactThroughAnyDelivery)
{
    Route chunked;
    chunked.fault = Fault::Chunked;
    Replace(manga, 3, 1, chunked);
    Route trickle;
    trickle.fault = Fault::Trickle;
    trickle.trickleBytes = 4096;
    trickle.trickleDelay = std::chrono::milliseconds(1);
    Replace(manga, 3, 2, trickle);
    // An image that moved to another host, through two redirects.
    server.Serve("/elsewhere.png", bodies[PagePath(2, 1)]);
    Route hop;
    hop.fault = Fault::Redirect;
    hop.redirectTo = server.RawOrigin() + "/elsewhere.png";
    server.Add("/hop", hop);
    hop.redirectTo = "/hop";
    Replace(manga, 2, 1, hop);

    EXPECT_EQ(Curl_GetCommix(&manga), 0);
    EXPECT_EQ(window.Events(), kFullRun);
    for (int n = 1; n <= 3; ++n)
        for (int j = 1; j <= 2; ++j)
            EXPECT_EQ(ReadFileBytes(PageFile(n, j)), bodies[PagePath(n, j)]) << n << "/" << j;
    // Negative progress (bytes so far) for the reply without a length.
    bool sawBytes = false;
    for (const auto& [key, value] : window.Progress())
        sawBytes = sawBytes || (key == 2 && value < 0);
    EXPECT_TRUE(sawBytes);
}

}  // namespace
