#include "transfer/download_worker.h"

#include <cstring>

#include "model/manga_db.h"
#include "tests/support/temp_dir.h"
#include "tests/transfer/worker_fixture.h"
#include "transfer/page_fetch_worker.h"

namespace {

using ::testing::ElementsAre;
using DownloadTest = WorkerTest;
using Events = std::vector<std::string>;

// The cover's row, then chapters 1, 2, 3 (rows 2, 1, 0): the last row first.
const Events kFullRun{"UPD 3 1", "UPD 2 1", "UPD 2 2", "UPD 1 1", "UPD 1 2", "UPD 0 1", "UPD 0 2", "DONE 1 0"};

std::string PagePath(int n, int j)
{
    return "/img/" + std::to_string(n) + "/" + std::to_string(j) + ".png";
}

#ifdef _WIN32
// A file that certainly exists, outside the test's folder: this program.
std::u16string BelowAFile() { return std::u16string(reinterpret_cast<const char16_t*>(_wpgmptr)) + u"\\Manga"; }
constexpr int kBelowAFileError = ENOENT;
// cpp-httplib shuts a socket down gracefully on Windows: a cut reply arrives short, never reset.
const std::string kCut = "18";  // CURLE_PARTIAL_FILE
#else
std::u16string BelowAFile() { return u"/dev/null/Manga"; }
constexpr int kBelowAFileError = ENOTDIR;
const std::string kCut = "56";  // CURLE_RECV_ERROR
#endif

std::string FileBox(int error)
{
    return "BOX Сбой в Curl_GetCommix! | Не удалось создать файл с ошибкой " + std::to_string(error) + " - " +
           std::strerror(error) + "!";
}

void UseSettings(int connections, int retries)
{
    Settings_Update([&](AppSettings& s) { s.Connections = connections, s.Retries = retries; });
}

// Passing faults on six of the seven items.
const std::pair<std::string, Fault> kPassingFaults[] = {
    {"/c/c1.png", Fault::Unavailable}, {PagePath(3, 1), Fault::TooMany},  {PagePath(2, 1), Fault::Reset},
    {PagePath(2, 2), Fault::HtmlPage}, {PagePath(1, 1), Fault::ServerError}, {PagePath(1, 2), Fault::Empty}};

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
    Events Rerun()  // a later START, with a window of its own
    {
        RecordingWindow again;
        hMainWnd = &again;
        EXPECT_EQ(Curl_GetCommix(&manga), 0);
        return again.Events();
    }

    // What every run must leave: nothing outside the manga's folder (no
    // temporary file either), no file in it but the whole image served at its
    // own address, and each page file's page marked loaded.
    void Check(size_t expectedFiles) const
    {
        const std::vector<std::string> files = FilesBelow(save);
        EXPECT_EQ(files.size(), expectedFiles);
        EXPECT_EQ(FilesBelow(dir.path()).size(), files.size());
        size_t pageFiles = 0, loaded = 0;
        for (const std::string& file : files) {
            const std::string address = AddressOf(file);
            const auto body = served.find(address);
            EXPECT_TRUE(body != served.end() && ReadFileBytes(save / PathFromUtf8(file)) == body->second)
                << file << " does not hold what " << address << " served";
            pageFiles += file.rfind("covers/", 0) != 0;
        }
        for (const ChapterInfo& chapter : manga.Chaps)
            for (const PageInfo& page : chapter.Pages)
                loaded += page.bLoaded;
        EXPECT_EQ(loaded, pageFiles);
    }

    // covers/<f> from /c/<f>, .../ch<n>[-name]/<f> from /img/<n>/<f>, and
    // .../get.php'<q> from /get.php?<q>.
    static std::string AddressOf(std::string file)
    {
        const size_t name = file.rfind('/') + 1, folder = file.rfind('/', name - 2) + 1, query = file.find('\'', name);
        if (query != std::string::npos)
            file[query] = '?';
        if (file.rfind("covers/", 0) == 0 || file.compare(name, 8, "get.php?") == 0)
            return (file[0] == 'c' ? "/c/" : "/") + file.substr(name);
        if (file.compare(folder, 2, "ch") != 0)
            return "";
        return "/img/" + file.substr(folder + 2, file.find_first_not_of("0123456789", folder + 2) - folder - 2) + "/" +
               file.substr(name);
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
        Events events;
        size_t files;
    };
    const Case cases[] = {
        {"SaveBuf, the covers and two chapters unticked",
         [](Download& d) {
             d.manga.bSkipCovers = d.manga.Chaps[1].bSkip = d.manga.Chaps[2].bSkip = 1;
             Settings_Update([](AppSettings& s) { s.SaveBuf = 1; });
         },
         0, {"ERR 0 0", "UPD 0 1", "ERR 0 0", "UPD 0 2", "DONE 1 0"}, 2},
        {"a cover and a page not found: final, though new tries are allowed",
         [](Download& d) { d.Replace("/c/c1.png", Fault::NotFound), d.Replace(PagePath(2, 2), Fault::NotFound), UseSettings(1, 2); },
         0, {"ERR 3 22", "UPD 3 1", "UPD 2 1", "UPD 2 2", "UPD 1 1", "ERR 1 22", "UPD 1 2", "UPD 0 1", "UPD 0 2", "DONE 1 0"}, 5},
        {"cancel while a page arrives",
         [](Download& d) { d.Replace(PagePath(2, 1), Fault::Trickle), d.window.cancelOnDataFor = 1; },
         23, {"UPD 3 1", "UPD 2 1", "UPD 2 2", "ERR 1 23", "DONE 1 23"}, 3},
        {"cancel while the cover arrives",
         [](Download& d) { d.Replace("/c/c1.png", Fault::Trickle), d.window.cancelOnDataFor = 3; },
         23, {"ERR 3 23", "DONE 1 23"}, 0},
        {"cancel while a page stalls", [](Download& d) { d.Replace(PagePath(1, 1), Fault::Stall); },
         23, {"UPD 3 1", "ERR 2 23", "DONE 1 23"}, 1},
        {"cancel while waiting a minute for a new try: only the last failure",
         [](Download& d) { d.server.FailFirst(PagePath(3, 2), 1, Fault::Unavailable, 60), UseSettings(1, 1); },
         22, {"UPD 3 1", "UPD 2 1", "UPD 2 2", "UPD 1 1", "UPD 1 2", "UPD 0 1", "ERR 0 22", "DONE 1 22"}, 6},
        {"passing faults with Retries 0: reported as before, a refused picture with its code",
         [](Download& d) {
             for (const auto& [path, fault] : kPassingFaults)
                 d.server.FailFirst(path, 1, fault);
         },
         0, {"ERR 3 22", "UPD 3 1", "ERR 2 22", "UPD 2 1", "ERR 2 -20", "UPD 2 2", "ERR 1 " + kCut, "UPD 1 1", "ERR 1 -20",
             "UPD 1 2", "ERR 0 22", "UPD 0 1", "UPD 0 2", "DONE 1 0"}, 1},
        {"a folder that is a file", [](Download&) { CurSavePath_Set(BelowAFile()); },
         0, {FileBox(kBelowAFileError), "DONE 1 0"}, 0},
        {"a path too long", [](Download& d) { d.manga.Chaps[2].Name = std::u16string(300, u'x'); },
         0, {"UPD 3 1", FileBox(ENAMETOOLONG), "DONE 1 0"}, 1},
        {"covers and pages without an address, the covers from a database file",
         [](Download& d) {
             d.manga.Covers.insert(d.manga.Covers.end(), {{std::nullopt, 0}, {"", 1}, {"#top", 5}});
             TempDir elsewhere;
             const std::u16string file = (elsewhere / "m.zdb").u16string();
             ASSERT_EQ(MangaDB_Save(d.manga, file), 0);
             MangaInfo_Free(&d.manga);
             ASSERT_EQ(MangaDB_Load(d.manga, file), kMangaDbOk);
             ASSERT_FALSE(d.manga.Covers[1].Url);
             d.manga.Chaps[0].Pages[0].Url = "";
             d.manga.Chaps[1].Pages[1].Url = "#x";
             d.manga.Chaps[2].Pages[0].Url.reset();  // passed over without a word
         },
         0, {"UPD 3 1", "ERR 3 3", "ERR 3 3", "ERR 3 3", "UPD 2 2", "UPD 1 1", "ERR 1 3", "ERR 0 3", "UPD 0 2", "DONE 1 0"}, 4},
        {"images told apart by their query alone get a file each",
         [](Download& d) {
             d.manga.Covers.clear();
             for (const std::string n : {"1", "2"}) {
                 for (const std::string& address : {"/c/q.png?v=" + n, "/get.php?p=" + n})
                     d.server.Serve(address, d.served[address] = ImageBytes(address));
                 d.manga.Covers.push_back({"/c/q.png?v=" + n, 14});
                 d.manga.Chaps[2].Pages[std::stoul(n) - 1].Url = d.server.Url("/get.php?p=" + n);
             }
         },
         0, {"UPD 3 1", "UPD 3 2", "UPD 2 1", "UPD 2 2", "UPD 1 1", "UPD 1 2", "UPD 0 1", "UPD 0 2", "DONE 1 0"}, 8},
        {"a folder at a page's name", [](Download& d) { std::filesystem::create_directories(d.save / "book1/ch2/1.png"); },
         0, {"UPD 3 1", "UPD 2 1", "UPD 2 2", FileBox(EISDIR), "DONE 1 0"}, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Download d;
        c.setup(d);
        EXPECT_EQ(RunCancellingOnStall(d.server, [&] { return Curl_GetCommix(&d.manga); }), c.result);
        EXPECT_EQ(d.window.Events(), c.events);
        EXPECT_EQ(d.manga.BusyCnt, 0);
        EXPECT_EQ(d.server.Hits("/m"), 1);  // the scan's; no item resolves to the manga's own page
        for (const auto& [path, body] : d.served)  // no new try: none allowed, or cancelled while waiting for it
            EXPECT_LE(d.server.Hits(path), 1) << path;
        d.Check(c.files);
    }
}

// A reset mid-body leaves no file; the next START passes loaded pages
// silently, finds the cover on disk and fetches the cut-off image again; a
// fresh scan (no page loaded, new tokens) finds every file without a transfer.
TEST_F(DownloadTest, ResetMidBodyThenSecondStartThenFreshScanWithNewTokens)
{
    Download d;
    for (ChapterInfo& chapter : d.manga.Chaps)
        for (PageInfo& page : chapter.Pages)
            *page.Url += "?t=1";
    *d.manga.Covers[0].Url += "?v=7#top";
    d.Replace(PagePath(3, 1), Fault::Reset);
    EXPECT_EQ(Curl_GetCommix(&d.manga), 0);
    EXPECT_EQ(d.window.Events(), (Events{"UPD 3 1", "UPD 2 1", "UPD 2 2", "UPD 1 1", "UPD 1 2", "ERR 0 " + kCut,
                                         "UPD 0 1", "UPD 0 2", "DONE 1 0"}));
    d.Check(6);

    d.Replace(PagePath(3, 1), Fault::None);
    EXPECT_THAT(d.Rerun(), ElementsAre("UPD 3 1", "UPD 0 1", "DONE 1 0"));
    EXPECT_EQ(d.server.Hits(PagePath(3, 1)), 2);
    d.Check(7);

    const size_t requests = d.server.Requests().size();
    for (ChapterInfo& chapter : d.manga.Chaps)
        for (PageInfo& page : chapter.Pages)
            page.bLoaded = 0, page.Url = page.Url->substr(0, page.Url->find('?')) + "?t=2";
    EXPECT_EQ(d.Rerun(), kFullRun);
    EXPECT_EQ(d.server.Requests().size(), requests);
    d.Check(7);
}

// One at a time the exact sequence of old with progress from the last row
// to the first; in parallel each row's count only grows, and passing faults
// are overcome by new tries (the cover's after its Retry-After) with only a
// last failure reaching the row; either way every file whole and each address
// fetched once more than it failed, through redirects and chunks.
TEST_F(DownloadTest, CoverThenChaptersFromTheLastEveryFileIntactThroughAnyDeliveryAtAnyConnectionCount)
{
    for (const int connections : {1, 4, 8}) {
        SCOPED_TRACE(connections);
        Download d;
        for (const auto& path : {PagePath(1, 2), PagePath(2, 2), PagePath(3, 2), PagePath(3, 1)})
            d.Replace(path, Fault::Trickle);  // slow enough that parallel transfers overlap
        d.Replace(PagePath(1, 1), Fault::Chunked);
        d.server.Serve("/elsewhere.png", d.served[PagePath(2, 1)]);  // moved, two redirects away
        d.server.Redirect("/hop", d.server.Url("/elsewhere.png"));
        d.server.Redirect(PagePath(2, 1), "/hop");
        std::map<std::string, int> failures;
        for (const auto& [path, fault] : kPassingFaults)
            if (connections > 1)
                d.server.FailFirst(path, failures[path] = path == "/c/c1.png" ? 1 : 2, fault, 2);
        UseSettings(connections, connections > 1 ? 2 : 0);
        EXPECT_EQ(Curl_GetCommix(&d.manga), 0);
        const Events events = d.window.Events();
        if (connections == 1) {
            EXPECT_EQ(events, kFullRun);
            EXPECT_EQ(d.window.ProgressKeys(), (std::vector<int32_t>{3, 2, 1, 0}));
        } else {
            std::map<std::string, std::vector<std::string>> counts;  // per row, in order
            for (const std::string& event : events)
                counts[event.substr(0, event.rfind(' '))].push_back(event.substr(event.rfind(' ')));
            EXPECT_EQ(counts, (decltype(counts){{"UPD 0", {" 1", " 2"}}, {"UPD 1", {" 1", " 2"}}, {"UPD 2", {" 1", " 2"}},
                                                {"UPD 3", {" 1"}}, {"DONE 1", {" 0"}}}));
            EXPECT_EQ(events.back(), "DONE 1 0");
            EXPECT_GT(d.server.MostAtOnce(), 1);
        }
        EXPECT_LE(d.server.MostAtOnce(), connections);
        d.Check(7);
        for (const auto& [path, body] : d.served)
            EXPECT_EQ(d.server.Hits(path), 1 + failures[path]) << path;
        EXPECT_EQ(d.manga.Covers[0].Url, "/c/c1.png");  // fetched from the manga's host, kept as the page gave it
    }
}

// Whatever a cancel amid parallel transfers leaves is whole. (A page that
// arrived as the cancel came keeps its file without its flag, like one of an
// earlier run.)
TEST_F(DownloadTest, CancelAmidParallelTransfersLeavesOnlyWholeFiles)
{
    Download d;
    for (int n = 1; n <= 3; ++n)
        d.Replace(PagePath(n, 2), Fault::Trickle);
    d.window.cancelOnDataFor = 0;
    UseSettings(4, 2);
    EXPECT_EQ(Curl_GetCommix(&d.manga), 23);
    const Events events = d.window.Events();
    EXPECT_EQ(events.back(), "DONE 1 23");
    EXPECT_NE(std::find(events.begin(), events.end(), "ERR 0 23"), events.end());
    EXPECT_LT(FilesBelow(d.save).size(), 7u);
    for (const std::string& file : FilesBelow(d.save))
        EXPECT_EQ(ReadFileBytes(d.save / PathFromUtf8(file)), d.served[Download::AddressOf(file)]) << file;
}

// The window reads the record and ticks rows while workers with parallel
// transfers fill it; under ThreadSanitizer this shows that nothing the window
// touches is raced on.
TEST_F(DownloadTest, WindowReadsAndTicksWhileWorkersFillTheRecord)
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
    int midScanLists = 0, maxBusy = 0;  // whole lists seen while other chapters were still to be scanned
    // The window's thread, as on its notifications: a chapter whose reader
    // page is done shows its whole page list, never part of it.
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
            if (auto& chaps = manga.Chaps; !chaps.empty())
                chaps[round % chaps.size()].bSkip = chaps[round % chaps.size()].bSkip ? 0 : 1;
        }
    });
    EXPECT_EQ(Curl_GetManga(&manga), 0);
    // Every chapter's list announced once, between the title page and the end.
    std::vector<std::string> events = window.Events();
    ASSERT_EQ(events.size(), 10u);
    std::sort(events.begin() + 1, events.end() - 1);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(events[size_t(i)], i == 0 ? "LOADED 0 0" : i == 9 ? "DONE 0 0" : "UPD " + std::to_string(i - 1) + " 0");
    EXPECT_EQ(Curl_GetCommix(&manga), 0);
    stop = true;
    windowThread.join();
    EXPECT_EQ(manga.BusyCnt, 0);
    EXPECT_EQ(maxBusy, 1);  // each worker marked the record busy while it ran
    EXPECT_GT(midScanLists, 0);  // so the checks above ran on lists published mid-scan
}

}  // namespace
