#include "transfer/page_fetch_worker.h"

#include "tests/support/temp_dir.h"
#include "tests/transfer/worker_fixture.h"
#include "transfer/curl_session.h"
#include "transfer/sinks.h"

namespace {

using PageFetchTest = WorkerTest;

std::string CurlBox(int32_t code)
{
    return "BOX Curl вернул ошибку! | " + Utf16ToUtf8(ErrorCodeText(code));
}

// "Name: n n n", the page count of each chapter or "?" while it is still to be scanned.
std::string Summary(const MangaInfo& manga)
{
    std::string text = Utf16ToUtf8(manga.Name.value_or(u"")) + ":";
    for (const ChapterInfo& chapter : manga.Chaps)
        text += chapter.Url ? " ?" : " " + std::to_string(chapter.PageCnt());
    return text;
}

// A server of its own serving a manga of three two-page chapters.
struct Site {
    TestServer server;
    RecordingWindow window;
    std::map<std::string, std::string> pages = ServeManga(server, 3, 2);
};

TEST_F(PageFetchTest, ScanSequences)
{
    struct Case {
        const char* name;
        std::function<void(Site&)> setup;
        int32_t result;
        std::vector<std::string> events;
        std::vector<int32_t> progressKeys;
        std::string summary;
        int titleHits = 1;
    };
    const std::vector<std::string> forward{"LOADED 0 0", "UPD 2 0", "UPD 1 0", "UPD 0 0", "DONE 0 0"};
    const Case cases[] = {
        {"three chapters", [](Site&) {}, 0, forward, {2, 1, 0}, "Manga: 2 2 2"},
        {"bRevScan, SaveBuf and a user agent",
         [](Site&) {
             Settings_Update([](AppSettings& s) {
                 s.bRevScan = 1;
                 s.SaveBuf = 1;
                 s.UserAgent = "zumr-test/1.0";
             });
         },
         0, {"LOADED 0 0", "ERR 0 0", "UPD 0 0", "ERR 1 0", "UPD 1 0", "ERR 2 0", "UPD 2 0", "DONE 0 0"}, {0, 1, 2},
         "Manga: 2 2 2"},
        {"no chapters", [](Site& s) { s.server.Serve("/m", SiteTitlePage("Manga", "/c/c1.png", {})); }, 0,
         {"LOADED 0 0", "DONE 0 0"}, {}, "Manga:"},
        {"parser code 14 keeps what was read",
         [](Site& s) {
             s.server.Serve("/m/vol1/1", "<script>var pictures = [{url:\"" + s.server.Url("/img/1/1.png") +
                                             "\",w:1},{url:\"" + s.server.Url("/img/1/2.png") + "}];</script>");
         },
         0, {"LOADED 0 0", "UPD 2 0", "ERR 2 -14", "UPD 1 0", "UPD 0 0", "DONE 0 0"}, {2, 1, 0}, "Manga: 2 2 1"},
        {"a reader page answering 404 stays to be scanned",
         [](Site& s) { s.server.Serve("/m/vol1/2", "", Fault::NotFound); }, 0,
         {"LOADED 0 0", "UPD 2 0", "ERR 1 22", "UPD 0 0", "DONE 0 0"}, {2, 0}, "Manga: 2 ? 2"},
        {"an oversize reader page is cut off at the limit",
         [](Site& s) { s.server.Serve("/m/vol1/3", std::string(kMaxPageBytes + 4096, 'x')); }, 23,
         {"LOADED 0 0", "UPD 2 0", "UPD 1 0", "ERR 0 23", "UPD 0 0", "ERR 0 -1", "DONE 0 23"}, {2, 1, 0},
         "Manga: 0 2 2"},
        {"cancel while a reader page arrives",
         [](Site& s) {
             s.server.Serve("/m/vol1/1", std::string(16384, 'p'), Fault::Trickle);
             s.window.cancelOnDataFor = 2;
         },
         23, {"LOADED 0 0", "DONE 0 23"}, {2}, "Manga: ? ? ?"},
        {"cancel while the title page stalls: no box",
         [](Site& s) { s.server.Serve("/m", std::string(4096, 'x'), Fault::Stall); }, 23, {"LOADED 0 0", "DONE 0 23"},
         {}, ":"},
        {"title 404", [](Site& s) { s.server.Serve("/m", "", Fault::NotFound); }, 22,
         {CurlBox(22), "LOADED 0 0", "DONE 0 22"}, {}, ":"},
        {"title through a redirect chain, chunked",
         [](Site& s) {
             s.server.Redirect("/m", "/r1");
             s.server.Redirect("/r1", s.server.Url("/r2"));
             s.server.Redirect("/r2", "/title");
             s.server.Serve("/title", s.pages.at("/m"), Fault::Chunked);
         },
         0, forward, {2, 1, 0}, "Manga: 2 2 2"},
        {"endless redirects end after ten", [](Site& s) { s.server.Redirect("/m", "/m"); }, 47,
         {CurlBox(47), "LOADED 0 0", "DONE 0 47"}, {}, ":", 11},
        {"no window: nothing is fetched", [](Site&) { hMainWnd = nullptr; }, 23, {}, {}, ":", 0},
    };
    // SaveBuf dumps go to the current folder.
    TempDir dir;
    const std::filesystem::path oldFolder = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Site s;
        ResetForWorkers(&s.window);
        c.setup(s);
        MangaInfo manga;
        manga.Url = s.server.Url("/m");
        EXPECT_EQ(RunCancellingOnStall(s.server, [&] { return Curl_GetManga(&manga); }), c.result);
        EXPECT_EQ(s.window.Events(), c.events);
        EXPECT_EQ(s.window.ProgressKeys(), c.progressKeys);  // the title page shows none
        EXPECT_EQ(Summary(manga), c.summary);
        EXPECT_EQ(manga.BusyCnt, 0);
        EXPECT_EQ(s.server.Hits("/m"), c.titleHits);
        for (const auto& [path, agent] : s.server.Requests())
            EXPECT_EQ(agent, Settings_Get().UserAgent.value_or("")) << path;
        // Both reader page forms give each chapter its own addresses.
        for (size_t i = 0; i < manga.Chaps.size(); ++i)
            for (size_t j = 0; j < manga.Chaps[i].Pages.size(); ++j)
                EXPECT_EQ(manga.Chaps[i].Pages[j].Url,
                          s.server.Url("/img/" + std::to_string(3 - i) + "/" + std::to_string(j + 1) + ".png"));
        if (Settings_Get().SaveBuf) {
            // Dumps are numbered by the countdown: the first chapter fetched is number 2.
            EXPECT_EQ(ReadFileBytes(dir / "deb_mpage.mem"), s.pages.at("/m"));
            EXPECT_EQ(ReadFileBytes(dir / "deb_page2.mem"), s.pages.at("/m/vol1/3"));
            EXPECT_EQ(ReadFileBytes(dir / "deb_page0.mem"), s.pages.at("/m/vol1/1"));
        }
    }
    std::filesystem::current_path(oldFolder);
}

}  // namespace
