// zumr-cli against the demo site, as a user runs it: whole downloads,
// resumes, interruptions and bad input.

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <signal.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

#include "model/manga_db.h"
#include "model/text_codec.h"
#include "tests/cli/cli_process.h"
#include "tools/demo_site/demo_server.h"

namespace fs = std::filesystem;

namespace {

const fs::path kCli = ZUMR_CLI_PATH;

using FileMap = std::map<std::string, std::string>;  // path relative to the manga folder -> bytes

std::string ReadBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// A chapter folder's title part: characters no file name may hold become "'".
std::string CleanTitle(std::string title)
{
    for (char& c : title)
        if (std::string_view("<>:*?\"/|").find(c) != std::string_view::npos)
            c = '\'';
    return title;
}

// The default settings' names: book<Vol>/ch<Num>-<title>.
std::string ChapterFolder(const DemoChapter& chapter)
{
    std::string folder = "book" + std::to_string(chapter.Vol) + "/ch" + std::to_string(chapter.Num);
    if (chapter.Title) {
        folder += '-';
        folder += CleanTitle(*chapter.Title);
    }
    return folder;
}

// What the site serves, laid out as the download folder names it.
FileMap ExpectedTree(const DemoServer& server, const std::vector<int>& chapterNums, bool covers)
{
    FileMap files;
    const DemoManga& manga = server.Manga();
    for (const DemoChapter& chapter : manga.Chapters()) {
        if (std::find(chapterNums.begin(), chapterNums.end(), chapter.Num) == chapterNums.end())
            continue;
        for (int page = 0; page < manga.Options().pagesPerChapter; ++page)
            files[ChapterFolder(chapter) + "/" + DemoManga::ImageFileName(page)] =
                *server.PagePng(chapter.Vol, chapter.Num, page);
    }
    if (covers)
        for (int cover = 1; cover <= DemoManga::kCoverCount; ++cover)
            files["covers/" + DemoManga::CoverFileName(cover)] = *server.CoverPng(cover);
    return files;
}

std::vector<int> AllChapters(const DemoServer& server)
{
    std::vector<int> nums;
    for (const DemoChapter& chapter : server.Manga().Chapters())
        nums.push_back(chapter.Num);
    return nums;
}

struct Tree {
    FileMap images;                  // every file but the database and staging files
    std::vector<std::string> staged;  // files still under a temporary name
};

Tree ReadTree(const fs::path& root)
{
    Tree tree;
    if (!fs::exists(root))
        return tree;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file())
            continue;
        const std::string relative = fs::relative(entry.path(), root).string();
        if (entry.path().extension() == ".zdb")
            continue;
        if (entry.path().extension() == ".part")
            tree.staged.push_back(relative);
        else
            tree.images[relative] = ReadBytes(entry.path());
    }
    return tree;
}

template <typename Predicate>
bool WaitUntil(Predicate predicate, std::chrono::milliseconds limit = std::chrono::seconds(60))
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!predicate()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

class CliEndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "zumr-cli-test-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        work_ = pattern;
        out_ = work_ / "downloads";
        StartServer({});
    }

    void TearDown() override
    {
        server_.reset();
        std::error_code error;
        fs::remove_all(work_, error);
    }

    void StartServer(DemoServeOptions serve)
    {
        DemoOptions options;
        options.chapters = 6;
        options.pagesPerChapter = 4;
        options.chaptersPerVolume = 3;
        server_ = std::make_unique<DemoServer>(options, serve);
        ASSERT_TRUE(server_->Start(0));
    }

    CliResult Run(const std::vector<std::string>& args) { return RunCli(kCli, args, work_); }

    fs::path MangaDir() const { return out_ / DemoManga::kName; }
    fs::path Database() const { return MangaDir() / (std::string(DemoManga::kName) + ".zdb"); }

    // Loads a database file and checks it is whole.
    void LoadDatabase(const fs::path& path, MangaInfo& manga)
    {
        ASSERT_EQ(MangaDB_Load(manga, Utf8ToUtf16(path.string())), kMangaDbOk);
    }

    fs::path work_;
    fs::path out_;
    std::unique_ptr<DemoServer> server_;
};

TEST_F(CliEndToEnd, DownloadsEveryFileAsServedAndResumesWithoutFetching)
{
    const CliResult first = Run({"download", server_->MangaUrl(), "--out", out_.string()});
    ASSERT_EQ(first.exitCode, 0) << first.out << first.err;
    const DemoCounters afterFirst = server_->Counters();
    EXPECT_EQ(afterFirst.titlePages, 1u);
    EXPECT_EQ(afterFirst.readerPages, 6u);
    EXPECT_EQ(afterFirst.images, 6u * 4u + 2u);

    const Tree tree = ReadTree(MangaDir());
    EXPECT_TRUE(tree.staged.empty());
    EXPECT_EQ(tree.images, ExpectedTree(*server_, AllChapters(*server_), true));
    // Output that is not a terminal gets plain lines, one per row.
    EXPECT_NE(first.out.find("том 1, глава 1 Начало: 4/4"), std::string::npos) << first.out;
    EXPECT_EQ(first.out.find('\r'), std::string::npos);

    MangaInfo manga;
    LoadDatabase(Database(), manga);
    ASSERT_EQ(manga.ChapCnt(), 6);
    for (const ChapterInfo& chapter : manga.Chaps) {
        EXPECT_FALSE(chapter.Url.has_value());
        ASSERT_EQ(chapter.PageCnt(), 4);
        for (const PageInfo& page : chapter.Pages)
            EXPECT_EQ(page.bLoaded, 1);
    }

    // From the database file: not a single request.
    const CliResult fromDatabase = Run({"download", Database().string(), "--out", out_.string()});
    EXPECT_EQ(fromDatabase.exitCode, 0) << fromDatabase.out << fromDatabase.err;
    EXPECT_EQ(server_->Counters().requests, afterFirst.requests);

    // From the address: the pages are read again, but no picture is fetched.
    const CliResult fromAddress = Run({"download", server_->MangaUrl(), "--out", out_.string()});
    EXPECT_EQ(fromAddress.exitCode, 0) << fromAddress.out << fromAddress.err;
    EXPECT_EQ(server_->Counters().images, afterFirst.images);
    EXPECT_EQ(ReadTree(MangaDir()).images, tree.images);

    const CliResult info = Run({"info", "--json", Database().string()});
    ASSERT_EQ(info.exitCode, 0) << info.err;
    const auto json = nlohmann::json::parse(info.out);
    EXPECT_EQ(json["result"], 0);
    EXPECT_EQ(json["Name"], DemoManga::kName);
    EXPECT_EQ(json["EngName"], DemoManga::kEngName);
    EXPECT_EQ(json["Url"], server_->MangaUrl());
    ASSERT_EQ(json["Covers"].size(), 2u);
    EXPECT_EQ(json["Covers"][1]["Url"], "/covers/zumr_demo_2.png");  // kept as the page gave it
    ASSERT_EQ(json["Chaps"].size(), 6u);
    EXPECT_EQ(json["Chaps"][0]["Num"], 6);  // the title page lists the newest first
    EXPECT_EQ(json["Chaps"][3]["Name"], "Кто там?");
    for (const auto& chapter : json["Chaps"])
        for (const auto& page : chapter["Pages"])
            EXPECT_EQ(page["bLoaded"], 1);
}

TEST_F(CliEndToEnd, DownloadsOnlyTheChosenChaptersAndNoCovers)
{
    // Positions as scan prints them: 1 is the first entry of the list (chapter 6).
    const CliResult result =
        Run({"download", server_->MangaUrl(), "--chapters", "1,5-6", "--no-covers", "--out", out_.string()});
    ASSERT_EQ(result.exitCode, 0) << result.out << result.err;
    EXPECT_EQ(ReadTree(MangaDir()).images, ExpectedTree(*server_, {6, 2, 1}, false));
    EXPECT_FALSE(fs::exists(MangaDir() / "covers"));

    MangaInfo manga;
    LoadDatabase(Database(), manga);
    EXPECT_EQ(manga.bSkipCovers, 1);
    std::vector<int> skipped;
    for (const ChapterInfo& chapter : manga.Chaps)
        skipped.push_back(chapter.bSkip);
    EXPECT_EQ(skipped, (std::vector<int>{0, 1, 1, 1, 0, 0}));
}

TEST_F(CliEndToEnd, CtrlCStopsSavesAndTheNextRunCompletes)
{
    server_->SetServeOptions({0, 40});  // each picture trickles in over about 300 ms
    CliProcess process(kCli, {"download", server_->MangaUrl(), "--out", out_.string()}, work_);
    ASSERT_TRUE(process.Started());
    ASSERT_TRUE(WaitUntil([&] { return server_->Counters().images >= 4; }));
    process.Signal(SIGINT);
    const auto signalled = std::chrono::steady_clock::now();
    const CliResult stopped = process.Wait();
    EXPECT_EQ(stopped.exitCode, 130) << stopped.out << stopped.err;
    EXPECT_LT(std::chrono::steady_clock::now() - signalled, std::chrono::seconds(10));

    // The database holds the state reached, and nothing half written is left.
    MangaInfo manga;
    LoadDatabase(Database(), manga);
    int loaded = 0;
    for (const ChapterInfo& chapter : manga.Chaps)
        for (const PageInfo& page : chapter.Pages)
            loaded += page.bLoaded;
    EXPECT_LT(loaded, 24);
    const Tree partial = ReadTree(MangaDir());
    EXPECT_TRUE(partial.staged.empty());
    const FileMap expected = ExpectedTree(*server_, AllChapters(*server_), true);
    for (const auto& [path, bytes] : partial.images) {
        ASSERT_TRUE(expected.count(path)) << path;
        EXPECT_EQ(bytes, expected.at(path)) << path;
    }

    server_->SetServeOptions({});
    const uint64_t imagesBefore = server_->Counters().images;
    const CliResult resumed = Run({"download", Database().string(), "--out", out_.string()});
    EXPECT_EQ(resumed.exitCode, 0) << resumed.out << resumed.err;
    EXPECT_EQ(ReadTree(MangaDir()).images, expected);
    // Only what was missing came over the network.
    EXPECT_EQ(server_->Counters().images - imagesBefore, expected.size() - partial.images.size());
}

TEST_F(CliEndToEnd, CtrlCDuringTheScanSavesTheChaptersReadSoFar)
{
    server_->SetServeOptions({0, 0, 300});
    const fs::path database = work_ / "partial.zdb";
    CliProcess process(kCli, {"scan", server_->MangaUrl(), "--db", database.string()}, work_);
    ASSERT_TRUE(process.Started());
    ASSERT_TRUE(WaitUntil([&] { return server_->Counters().readerPages >= 3; }));
    process.Signal(SIGINT);
    const CliResult stopped = process.Wait();
    EXPECT_EQ(stopped.exitCode, 130) << stopped.out << stopped.err;

    MangaInfo manga;
    LoadDatabase(database, manga);
    ASSERT_EQ(manga.ChapCnt(), 6);
    int scanned = 0;
    for (const ChapterInfo& chapter : manga.Chaps)
        scanned += chapter.Url ? 0 : 1;
    EXPECT_GE(scanned, 2);
    EXPECT_LT(scanned, 6);

    // A download from it gets what was read and tells which chapters it could not.
    server_->SetServeOptions({});
    const CliResult download = Run({"download", database.string(), "--out", out_.string()});
    EXPECT_EQ(download.exitCode, 1) << download.out << download.err;
    EXPECT_NE(download.out.find("список страниц не прочитан"), std::string::npos) << download.out;
    EXPECT_EQ(ReadTree(MangaDir()).images.size(), static_cast<size_t>(scanned * 4 + 2));
}

TEST_F(CliEndToEnd, KillMidTransferLeavesNoCutFileAndTheRerunCompletes)
{
    server_->SetServeOptions({0, 40});
    CliProcess process(kCli, {"download", server_->MangaUrl(), "--out", out_.string()}, work_);
    ASSERT_TRUE(process.Started());
    ASSERT_TRUE(WaitUntil([&] { return server_->Counters().images >= 4; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // well inside the fourth picture
    process.Signal(SIGKILL);
    const CliResult killed = process.Wait();
    EXPECT_EQ(killed.signal, SIGKILL);

    const FileMap expected = ExpectedTree(*server_, AllChapters(*server_), true);
    const Tree partial = ReadTree(MangaDir());
    EXPECT_LT(partial.images.size(), expected.size());
    for (const auto& [path, bytes] : partial.images) {
        ASSERT_TRUE(expected.count(path)) << path;
        EXPECT_EQ(bytes, expected.at(path)) << "cut short at its final name: " << path;
    }

    server_->SetServeOptions({});
    const CliResult rerun = Run({"download", server_->MangaUrl(), "--out", out_.string()});
    EXPECT_EQ(rerun.exitCode, 0) << rerun.out << rerun.err;
    const Tree complete = ReadTree(MangaDir());
    EXPECT_EQ(complete.images, expected);
    EXPECT_TRUE(complete.staged.empty()) << complete.staged.front();
}

TEST_F(CliEndToEnd, BadUsageAndUnreadableDatabasesExitWith2)
{
    // A database file to damage.
    ASSERT_EQ(Run({"scan", server_->MangaUrl(), "--db", (work_ / "good.zdb").string()}).exitCode, 0);
    const std::string good = ReadBytes(work_ / "good.zdb");
    std::ofstream(work_ / "cut.zdb", std::ios::binary) << good.substr(0, good.size() / 2);
    std::ofstream(work_ / "garbage.zdb", std::ios::binary) << "this is not a database";
    const uint64_t requestsBefore = server_->Counters().requests;

    struct Case {
        std::vector<std::string> args;
        const char* message;  // part of what stderr must say
    };
    const Case cases[] = {
        {{}, "subcommand"},
        {{"frobnicate"}, "frobnicate"},
        {{"download"}, "SOURCE"},
        {{"scan", server_->MangaUrl(), "--bogus"}, "--bogus"},
        {{"download", server_->MangaUrl(), "--chapters", "3-1"}, "3-1"},
        {{"download", (work_ / "good.zdb").string(), "--chapters", "7"}, "7"},
        {{"download", (work_ / "missing.zdb").string()}, "No such file"},
        {{"download", (work_ / "garbage.zdb").string()}, "not a manga database"},
        {{"info", (work_ / "missing.zdb").string()}, "No such file"},
        {{"info", (work_ / "garbage.zdb").string()}, "not a manga database"},
        {{"info", (work_ / "cut.zdb").string()}, "cut short"},
        {{"info", "--json", (work_ / "cut.zdb").string()}, "cut short"},
    };
    for (const Case& c : cases) {
        std::string line;
        for (const std::string& arg : c.args)
            line += arg + " ";
        SCOPED_TRACE(line);
        const CliResult result = Run(c.args);
        EXPECT_EQ(result.exitCode, 2) << result.out << result.err;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    }
    // Nothing was fetched for any of them.
    EXPECT_EQ(server_->Counters().requests, requestsBefore);

    // Scripts still get the object, with the load result in it.
    const CliResult json = Run({"info", "--json", (work_ / "cut.zdb").string()});
    const int loadResult = nlohmann::json::parse(json.out)["result"];
    EXPECT_TRUE(loadResult == kMangaDbMissingChapters || loadResult == kMangaDbDamaged) << loadResult;
}

TEST_F(CliEndToEnd, SettingsBesideTheProgramNameTheFolders)
{
    // A copy of the program in its own folder, with its own settings.cfg.
    const fs::path programDir = work_ / "program";
    const fs::path library = work_ / "library";
    fs::create_directories(programDir);
    fs::copy_file(kCli, programDir / "zumr-cli");
    fs::permissions(programDir / "zumr-cli", fs::perms::owner_all, fs::perm_options::add);
    std::ofstream(programDir / "settings.cfg", std::ios::binary)
        << "\xEF\xBB\xBF[CONFIG]\r\nDefSavePath=" << library.string()
        << "\r\nBookDirName=том\r\nChapDirName=глава\r\nbAppendChapName=0\r\nbAddCntToPages=1\r\n";
    const fs::path program = programDir / "zumr-cli";

    const CliResult scan = RunCli(program, {"scan", server_->MangaUrl()}, work_);
    ASSERT_EQ(scan.exitCode, 0) << scan.out << scan.err;
    EXPECT_NE(scan.out.find("   6. том 1, глава 1 Начало — 4 стр."), std::string::npos) << scan.out;
    const fs::path mangaDir = library / DemoManga::kName;
    const fs::path database = mangaDir / (std::string(DemoManga::kName) + ".zdb");
    ASSERT_TRUE(fs::exists(database)) << scan.out;
    EXPECT_EQ(server_->Counters().images, 0u);

    // Chapter 1 is the last entry of the list.
    const CliResult download = RunCli(program, {"download", database.string(), "--chapters", "6", "--no-covers"}, work_);
    ASSERT_EQ(download.exitCode, 0) << download.out << download.err;
    FileMap expected;
    for (int page = 0; page < 4; ++page)
        expected["том1/глава1/" + std::to_string(page) + "-" + DemoManga::ImageFileName(page)] =
            *server_->PagePng(1, 1, page);
    EXPECT_EQ(ReadTree(mangaDir).images, expected);
}

}  // namespace
