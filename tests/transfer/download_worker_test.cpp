#include "transfer/download_worker.h"

#include <cstring>

#include "model/manga_db.h"
#include "tests/support/temp_dir.h"
#include "tests/transfer/worker_fixture.h"
#include "transfer/curl_session.h"
#include "transfer/page_fetch_worker.h"

namespace {

using ::testing::ElementsAre;
using DownloadTest = WorkerTest;

// The cover's row, then chapters 1, 2, 3 (rows 2, 1, 0): the last row first.
const std::vector<std::string> kFullRun{"UPD 3 1", "UPD 2 1", "UPD 2 2", "UPD 1 1",
                                        "UPD 1 2", "UPD 0 1", "UPD 0 2", "DONE 1 0"};

std::string PagePath(int n, int j)
{
    return "/img/" + std::to_string(n) + "/" + std::to_string(j) + ".png";
}

#ifdef _WIN32
// A file that certainly exists, outside the test's folder: this program.
std::u16string BelowAFile()
{
    return std::u16string(reinterpret_cast<const char16_t*>(_wpgmptr)) + u"\\Manga";
}
constexpr int kBelowAFileError = ENOENT;
// cpp-httplib shuts a socket down gracefully before closing it on Windows, so
// a reply cut short reaches the client as a short body, never as a reset.
constexpr int kCutReplyCode = 18;  // CURLE_PARTIAL_FILE
#else
std::u16string BelowAFile()
{
    return u"/dev/null/Manga";
}
constexpr int kBelowAFileError = ENOTDIR;
constexpr int kCutReplyCode = 56;  // CURLE_RECV_ERROR
#endif

std::string FileBox(int error)
{
    return "BOX Сбой в Curl_GetCommix! | Не удалось создать файл с ошибкой " + std::to_string(error) + " - " +
           std::strerror(error) + "!";
}

// Each row's counts from one run: "UPD r n" values per row, in order.
std::map<int, std::vector<int>> Counts(const std::vector<std::string>& events)
{
    std::map<int, std::vector<int>> counts;
    for (const std::string& event : events)
        if (event.rfind("UPD ", 0) == 0)
            counts[std::stoi(event.substr(4))].push_back(std::stoi(event.substr(event.rfind(' '))));
    return counts;
}

void UseSettings(int connections, int retries)
{
    Settings_Update([&](AppSettings& s) {
        s.Connections = connections;
        s.Retries = retries;
    });
}

// Passing faults on five of the seven items.
const std::pair<std::string, Fault> kPassingFaults[] = {{"/c/c1.png", Fault::Unavailable},
                                                    {PagePath(3, 1), Fault::TooMany},
                                                    {PagePath(2, 1), Fault::Reset},
                                                    {PagePath(2, 2), Fault::HtmlPage},
                                                    {PagePath(1, 2), Fault::Empty}};

// A manga of three two-page chapters as a scan gives it: a relative cover
// address, Chaps[i] is chapter 3 - i. Its files go to a fresh folder.
struct Download {
    Download()
    {
        CurSavePath_Set(save.u16string());
        RecordingWindow scan;
        ResetForWorkers(&scan);
        manga.Url = server.Url("/m");
        Curl_GetManga(&manga);
        hMainWnd = &window;
    }

    void Replace(const std::string& path, Fault fault) { server.Serve(path, served[path], fault); }

    // What every run must leave: nothing outside the manga's folder, no file
    // in it but the whole image served at its own address, and each page
    // file's page marked loaded. Files come from the addresses ServeManga
    // serves (covers/<f> from /c/<f>, .../ch<n>[-name]/<f> from /img/<n>/<f>)
    // unless `from` names another.
    void Check(size_t expectedFiles, const std::map<std::string, std::string>& from = {}) const
    {
        const std::vector<std::string> files = FilesBelow(save);
        EXPECT_EQ(files.size(), expectedFiles);
        EXPECT_EQ(FilesBelow(dir.path()).size(), files.size());
        size_t pageFiles = 0;
        for (const std::string& file : files) {
            const std::string address = from.count(file) ? from.at(file) : AddressOf(file);
            const auto body = served.find(address);
            EXPECT_TRUE(body != served.end() && ReadFileBytes(save / PathFromUtf8(file)) == body->second)
                << file << " does not hold what " << address << " served";
            pageFiles += file.rfind("covers/", 0) != 0;
        }
        size_t loaded = 0;
        for (const ChapterInfo& chapter : manga.Chaps)
            for (const PageInfo& page : chapter.Pages)
                loaded += page.bLoaded;
        EXPECT_EQ(loaded, pageFiles);
    }

    static std::string AddressOf(const std::string& file)
    {
        const size_t name = file.rfind('/') + 1;
        if (file.rfind("covers/", 0) == 0)
            return "/c/" + file.substr(name);
        const size_t folder = file.rfind('/', name - 2) + 1;
        const std::string chapter = file.substr(folder, name - 1 - folder);
        if (chapter.rfind("ch", 0) != 0)
            return "";
        return "/img/" + chapter.substr(2, chapter.find_first_not_of("0123456789", 2) - 2) + "/" + file.substr(name);
    }

    TempDir dir;
    const std::filesystem::path save = dir / "Manga";
    TestServer server;
    std::map<std::string, std::string> served = ServeManga(server, 3, 2);
    RecordingWindow window;
    MangaInfo manga;
};

TEST_F(DownloadTest, SingleRunSequences)
{
    struct Case {
        const char* name;
        std::function<void(Download&)> setup;
        int32_t result;
        std::vector<std::string> events;
        size_t files;
    };
    const Case cases[] = {
        {"nothing ticked",
         [](Download& d) {
             d.manga.bSkipCovers = 1;
             d.manga.Chaps[0].bSkip = d.manga.Chaps[1].bSkip = d.manga.Chaps[2].bSkip = 1;
         },
         0, {"DONE 1 0"}, 0},
        {"SaveBuf",
         [](Download& d) {
             d.manga.Chaps[1].bSkip = d.manga.Chaps[2].bSkip = 1;
             Settings_Update([](AppSettings& s) { s.SaveBuf = 1; });
         },
         0, {"ERR 3 0", "UPD 3 1", "ERR 0 0", "UPD 0 1", "ERR 0 0", "UPD 0 2", "DONE 1 0"}, 3},
        {"a cover and a page failing",
         [](Download& d) {
             d.Replace("/c/c1.png", Fault::NotFound);
             d.Replace(PagePath(2, 2), Fault::ServerError);
         },
         0, {"ERR 3 22", "UPD 3 1", "UPD 2 1", "UPD 2 2", "UPD 1 1", "ERR 1 22", "UPD 1 2", "UPD 0 1", "UPD 0 2", "DONE 1 0"},
         5},
        {"cancel while a page arrives",
         [](Download& d) {
             d.Replace(PagePath(2, 1), Fault::Trickle);
             d.window.cancelOnDataFor = 1;
         },
         23, {"UPD 3 1", "UPD 2 1", "UPD 2 2", "ERR 1 23", "DONE 1 23"}, 3},
        {"cancel while the cover arrives",
         [](Download& d) {
             d.Replace("/c/c1.png", Fault::Trickle);
             d.window.cancelOnDataFor = 3;
         },
         23, {"ERR 3 23", "DONE 1 23"}, 0},
        {"cancel while a page stalls", [](Download& d) { d.Replace(PagePath(1, 1), Fault::Stall); }, 23,
         {"UPD 3 1", "ERR 2 23", "DONE 1 23"}, 1},
        {"cancel while waiting a minute for a new try: only the last failure",
         [](Download& d) {
             d.server.FailFirst(PagePath(3, 2), 1, Fault::Unavailable, 60);
             UseSettings(1, 1);
         },
         22, {"UPD 3 1", "UPD 2 1", "UPD 2 2", "UPD 1 1", "UPD 1 2", "UPD 0 1", "ERR 0 22", "DONE 1 22"}, 6},
        {"passing faults with Retries 0: reported as before, a refused picture with its code",
         [](Download& d) {
             for (const auto& [path, fault] : kPassingFaults)
                 d.server.FailFirst(path, 1, fault);
         },
         0, {"ERR 3 22", "UPD 3 1", "UPD 2 1", "ERR 2 -20", "UPD 2 2", "ERR 1 " + std::to_string(kCutReplyCode), "UPD 1 1",
             "ERR 1 -20", "UPD 1 2", "ERR 0 22", "UPD 0 1", "UPD 0 2", "DONE 1 0"}, 2},
        {"a folder that is a file", [](Download&) { CurSavePath_Set(BelowAFile()); }, 0,
         {FileBox(kBelowAFileError), "DONE 1 0"}, 0},
        {"a path too long", [](Download& d) { d.manga.Chaps[2].Name = std::u16string(300, u'x'); }, 0,
         {"UPD 3 1", FileBox(ENAMETOOLONG), "DONE 1 0"}, 1},
        {"covers without an address, one of them from a database file",
         [](Download& d) {
             d.manga.Covers.push_back({std::nullopt, 0});
             d.manga.Covers.push_back({"", 1});
             d.manga.Covers.push_back({"#top", 5});
             TempDir elsewhere;
             const std::u16string file = (elsewhere / "m.zdb").u16string();
             ASSERT_EQ(MangaDB_Save(d.manga, file), 0);
             MangaInfo_Free(&d.manga);
             ASSERT_EQ(MangaDB_Load(d.manga, file), kMangaDbOk);
             ASSERT_FALSE(d.manga.Covers[1].Url);
         },
         0, {"UPD 3 1", "ERR 3 3", "ERR 3 3", "ERR 3 3", "UPD 2 1", "UPD 2 2", "UPD 1 1", "UPD 1 2", "UPD 0 1", "UPD 0 2", "DONE 1 0"},
         7},
        {"pages without an address",
         [](Download& d) {
             d.manga.Chaps[0].Pages[0].Url = "";
             d.manga.Chaps[1].Pages[1].Url = "#x";
             d.manga.Chaps[2].Pages[0].Url.reset();  // passed over without a word
         },
         0, {"UPD 3 1", "UPD 2 2", "UPD 1 1", "ERR 1 3", "ERR 0 3", "UPD 0 2", "DONE 1 0"}, 4},
        {"a folder at a page's name",
         [](Download& d) { std::filesystem::create_directories(d.save / "book1/ch2/1.png"); }, 0,
         {"UPD 3 1", "UPD 2 1", "UPD 2 2", FileBox(EISDIR), "DONE 1 0"}, 3},
        {"hostile names",
         [](Download& d) {
             d.manga.bSkipCovers = 1;
             d.manga.Chaps[0].Name = u"../../escaped";
             d.manga.Chaps[1].Name = u"..";
             d.manga.Chaps[2].Name = u"a/../../b\\..\\c";
             Settings_Update([](AppSettings& s) { s.BookDirName = u"../"; });
         },
         0, {"UPD 2 1", "UPD 2 2", "UPD 1 1", "UPD 1 2", "UPD 0 1", "UPD 0 2", "DONE 1 0"}, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Download d;
        c.setup(d);
        EXPECT_EQ(RunCancellingOnStall(d.server, [&] { return Curl_GetCommix(&d.manga); }), c.result);
        EXPECT_EQ(d.window.Events(), c.events);
        EXPECT_EQ(d.manga.BusyCnt, 0);
        EXPECT_EQ(d.server.Hits("/m"), 1);  // the scan's; no item resolves to the manga's own page
        d.Check(c.files);
    }
}

TEST_F(DownloadTest, ImagesThatDifferOnlyInTheirQueryGetAFileEach)
{
    Download d;
    // Two covers and the two pages of chapter 1 behind one address each, told apart by the query alone.
    d.manga.Covers.clear();
    std::map<std::string, std::string> from;
    for (const std::string n : {"1", "2"}) {
        for (const std::string& address : {"/c/c1.png?v=" + n, "/get.php?p=" + n}) {
            d.served[address] = ImageBytes(address);
            d.server.Serve(address, d.served[address]);
        }
        d.manga.Covers.push_back({"/c/c1.png?v=" + n, 14});
        d.manga.Chaps[2].Pages[std::stoul(n) - 1].Url = d.server.Url("/get.php?p=" + n);
        from["covers/c1.png'v=" + n] = "/c/c1.png?v=" + n;
        from["book1/ch1-Первая/get.php'p=" + n] = "/get.php?p=" + n;
    }
    EXPECT_EQ(Curl_GetCommix(&d.manga), 0);
    EXPECT_THAT(d.window.Events(), ElementsAre("UPD 3 1", "UPD 3 2", "UPD 2 1", "UPD 2 2", "UPD 1 1", "UPD 1 2",
                                               "UPD 0 1", "UPD 0 2", "DONE 1 0"));
    d.Check(8, from);

    // The names come from the addresses alone: with one image of each pair
    // on disk, the other is fetched again into a file of its own.
    std::filesystem::remove(d.save / "covers/c1.png'v=1");
    std::filesystem::remove(d.save / PathFromUtf8("book1/ch1-Первая/get.php'p=2"));
    for (PageInfo& page : d.manga.Chaps[2].Pages)
        page.bLoaded = 0;
    RecordingWindow second;
    hMainWnd = &second;
    EXPECT_EQ(Curl_GetCommix(&d.manga), 0);
    EXPECT_THAT(second.Events(), ElementsAre("UPD 3 1", "UPD 3 2", "UPD 2 1", "UPD 2 2", "DONE 1 0"));
    EXPECT_EQ(d.server.Hits("/get.php"), 3);
    EXPECT_EQ(d.server.Hits("/c/c1.png"), 3);
    d.Check(8, from);
}

TEST_F(DownloadTest, ResetMidBodyThenSecondStartThenFreshScanWithNewTokens)
{
    Download d;
    // Image addresses carry tokens that change at every scan.
    for (ChapterInfo& chapter : d.manga.Chaps)
        for (PageInfo& page : chapter.Pages)
            *page.Url += "?t=1";
    *d.manga.Covers[0].Url += "?v=7#top";
    d.Replace(PagePath(3, 1), Fault::Reset);
    EXPECT_EQ(Curl_GetCommix(&d.manga), 0);
    EXPECT_THAT(d.window.Events(), ElementsAre("UPD 3 1", "UPD 2 1", "UPD 2 2", "UPD 1 1", "UPD 1 2", "ERR 0 " + std::to_string(kCutReplyCode),
                                               "UPD 0 1", "UPD 0 2", "DONE 1 0"));
    d.Check(6);  // neither the cut-off image nor its temporary file

    // The next START finds the cover on disk, passes loaded pages silently
    // and fetches the cut-off image again.
    d.Replace(PagePath(3, 1), Fault::None);
    RecordingWindow second;
    hMainWnd = &second;
    EXPECT_EQ(Curl_GetCommix(&d.manga), 0);
    EXPECT_THAT(second.Events(), ElementsAre("UPD 3 1", "UPD 0 1", "DONE 1 0"));
    EXPECT_EQ(d.server.Hits(PagePath(3, 1)), 2);
    d.Check(7);

    // A fresh scan: no page marked loaded and new tokens. Every file is found
    // on disk without a transfer.
    const size_t requests = d.server.Requests().size();
    for (ChapterInfo& chapter : d.manga.Chaps)
        for (PageInfo& page : chapter.Pages) {
            page.bLoaded = 0;
            page.Url = page.Url->substr(0, page.Url->find('?')) + "?t=2";
        }
    RecordingWindow third;
    hMainWnd = &third;
    EXPECT_EQ(Curl_GetCommix(&d.manga), 0);
    EXPECT_EQ(third.Events(), kFullRun);
    EXPECT_EQ(d.server.Requests().size(), requests);
    d.Check(7);
}

// One at a time the exact sequence of old; in parallel each row's count
// only grows; either way every file whole and each address fetched once.
TEST_F(DownloadTest, CoverThenChaptersFromTheLastEveryFileIntactThroughAnyDeliveryAtAnyConnectionCount)
{
    for (const int connections : {1, 4, 8}) {
        SCOPED_TRACE(connections);
        Download d;
        for (const int n : {1, 2, 3})
            d.Replace(PagePath(n, 2), Fault::Trickle);  // slow enough that parallel transfers overlap
        d.Replace(PagePath(3, 1), Fault::Trickle);
        d.Replace(PagePath(1, 1), Fault::Chunked);
        // An image that moved elsewhere, through two redirects.
        d.server.Serve("/elsewhere.png", d.served[PagePath(2, 1)]);
        d.server.Redirect("/hop", d.server.Url("/elsewhere.png"));
        d.server.Redirect(PagePath(2, 1), "/hop");
        UseSettings(connections, 0);

        EXPECT_EQ(Curl_GetCommix(&d.manga), 0);
        const auto events = d.window.Events();
        if (connections == 1) {
            EXPECT_EQ(events, kFullRun);
            EXPECT_EQ(d.window.ProgressKeys(), (std::vector<int32_t>{3, 2, 1, 0}));
        } else {
            EXPECT_EQ(Counts(events), Counts(kFullRun));
            EXPECT_EQ(events.back(), "DONE 1 0");
            EXPECT_GT(d.server.MostAtOnce(), 1);
        }
        EXPECT_LE(d.server.MostAtOnce(), connections);
        EXPECT_EQ(FilesBelow(d.save),
                  (std::vector<std::string>{"book1/ch1-Первая/1.png", "book1/ch1-Первая/2.png", "book1/ch2/1.png",
                                            "book1/ch2/2.png", "book1/ch3-Кто там'/1.png", "book1/ch3-Кто там'/2.png",
                                            "covers/c1.png"}));
        EXPECT_EQ(ReadFileBytes(d.save / "book1/ch2/1.png"), d.served[PagePath(2, 1)]);
        d.Check(7);
        for (const auto& [path, body] : d.served)
            EXPECT_EQ(d.server.Hits(path), 1) << path;
        EXPECT_EQ(d.manga.Covers[0].Url, "/c/c1.png");  // fetched from the manga's host, kept as the page gave it
    }
}

TEST_F(DownloadTest, CancelAmidParallelTransfersLeavesOnlyWholeFiles)
{
    Download d;
    for (int n = 1; n <= 3; ++n)
        d.Replace(PagePath(n, 2), Fault::Trickle);
    d.window.cancelOnDataFor = 0;
    UseSettings(4, 2);
    EXPECT_EQ(Curl_GetCommix(&d.manga), 23);
    const auto events = d.window.Events();
    EXPECT_EQ(events.back(), "DONE 1 23");
    EXPECT_NE(std::find(events.begin(), events.end(), "ERR 0 23"), events.end());
    // Whatever is there is whole, and no temporary file. (A page that arrived
    // as the cancel came keeps its file without its flag, like one of an
    // earlier run.)
    const auto files = FilesBelow(d.save);
    EXPECT_LT(files.size(), 7u);
    for (const std::string& file : files)
        EXPECT_EQ(ReadFileBytes(d.save / PathFromUtf8(file)), d.served[Download::AddressOf(file)]) << file;
}

// Retries 2 gets every file in one run from addresses that fail twice (the
// cover once, asking for 2 s).
TEST_F(DownloadTest, NewTriesGetEveryFileInOneRun)
{
    Download d;
    for (const auto& [path, fault] : kPassingFaults)
        d.server.FailFirst(path, path == "/c/c1.png" ? 1 : 2, fault, 2);
    UseSettings(4, 2);
    EXPECT_EQ(Curl_GetCommix(&d.manga), 0);
    for (const std::string& event : d.window.Events())
        EXPECT_EQ(event.rfind("ERR", 0), std::string::npos) << event;  // only a last failure would reach the row
    d.Check(7);
    for (const auto& [path, fault] : kPassingFaults)
        EXPECT_EQ(d.server.Hits(path), path == "/c/c1.png" ? 2 : 3) << path;
    EXPECT_GE(d.server.SecondsBetweenFirstTwo("/c/c1.png"), 2.0);  // Retry-After: 2, not the first wait of 1 s
}

// Broken pictures (an empty body among them) leave no file and are fetched
// again by the next run; whole ones of every kind are kept.
TEST_F(DownloadTest, OnlyWholePicturesGetTheirFinalName)
{
    Download d;
    const auto whole = WholePictures();
    const auto broken = BrokenPictures();
    const std::string paths[] = {"/c/c1.png", PagePath(3, 1), PagePath(3, 2), PagePath(2, 1),
                                 PagePath(2, 2),  PagePath(1, 1), PagePath(1, 2)};
    for (const auto* bodies : {&broken, &whole}) {
        for (size_t i = 0; i < std::size(paths); ++i)
            d.server.Serve(paths[i], d.served[paths[i]] = (*bodies)[i].second);
        RecordingWindow window;
        hMainWnd = &window;
        EXPECT_EQ(Curl_GetCommix(&d.manga), bodies == &broken ? -20 : 0);
        const auto events = window.Events();
        EXPECT_EQ(std::count_if(events.begin(), events.end(), [](const std::string& e) { return e.find("ERR") == 0; }),
                  bodies == &broken ? 7 : 0);
        d.Check(bodies == &broken ? 0 : 7);
    }
}

}  // namespace
