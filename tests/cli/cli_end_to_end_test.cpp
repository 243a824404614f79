// zumr-cli against the demo site, run as a user runs it: whole downloads,
// resumes, interruptions and bad input.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <thread>
#include <utility>

#include "model/manga_db.h"
#include "model/text_codec.h"
#include "tests/support/demo_files.h"
#include "tools/demo_site/demo_server.h"

extern char** environ;
namespace fs = std::filesystem;

namespace {

const fs::path kCli = ZUMR_CLI_PATH;
const std::vector<int> kAllChapters = {1, 2, 3, 4, 5, 6};

using FileMap = DemoFileMap;

std::string ReadBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

struct Result {
    int status = 0;  // exit code, or minus the signal that ended the process
    std::string out;
    std::string err;
};

// zumr-cli as a child process with its output in files, so that it can be sent
// signals the way a shell sends them. The test's own time limit guards waits.
class Cli {
public:
    Cli(std::vector<std::string> args, const fs::path& dir, const fs::path& program = kCli)
        : out_(dir / "cli.out"), err_(dir / "cli.err")
    {
        args.insert(args.begin(), program.string());
        std::vector<char*> argv;
        for (std::string& arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, err_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~Cli()
    {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    Cli(const Cli&) = delete;
    Cli& operator=(const Cli&) = delete;

    void Signal(int signal)
    {
        if (pid_ > 0)
            kill(pid_, signal);
    }
    Result Wait()
    {
        int status = 0;
        if (pid_ <= 0 || waitpid(std::exchange(pid_, -1), &status, 0) <= 0)
            return {-1000, "", "could not start zumr-cli"};
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status), ReadBytes(out_), ReadBytes(err_)};
    }

private:
    pid_t pid_ = -1;
    fs::path out_;
    fs::path err_;
};

bool WaitUntil(const std::function<bool()>& done)
{
    for (int i = 0; i < 12000 && !done(); ++i)  // a minute
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return done();
}

// Counts the files a cut-off run left that are whole; anything else at a
// final name fails the test. Only a killed run may leave its staging file.
size_t CountWholeFiles(const FileMap& partial, const FileMap& expected, bool killed)
{
    size_t whole = 0;
    for (const auto& [path, bytes] : partial) {
        const auto found = expected.find(path);
        const bool isWhole = found != expected.end() && found->second == bytes;
        whole += isWhole ? 1 : 0;
        EXPECT_TRUE(isWhole || (killed && fs::path(path).extension() == ".part")) << "cut short or stray: " << path;
    }
    return whole;
}

struct DbSummary {
    int chapters = 0;
    int scanned = 0;  // chapters whose page list was read
    int loaded = 0;   // pages marked as on disk
};

DbSummary Summarize(const fs::path& database)
{
    MangaInfo manga;
    EXPECT_EQ(MangaDB_Load(manga, Utf8ToUtf16(database.string())), kMangaDbOk) << database;
    DbSummary summary{manga.ChapCnt()};
    for (const ChapterInfo& chapter : manga.Chaps) {
        summary.scanned += chapter.Url ? 0 : 1;
        for (const PageInfo& page : chapter.Pages)
            summary.loaded += page.bLoaded;
    }
    return summary;
}

class CliEndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "zumr-cli-test-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        work_ = pattern;
        out_ = (work_ / "downloads").string();
        ASSERT_TRUE(server_.Start(0));
    }

    void TearDown() override
    {
        server_.Stop();
        std::error_code error;
        fs::remove_all(work_, error);
    }

    Result Run(const std::vector<std::string>& args) { return Cli(args, work_).Wait(); }

    fs::path MangaDir() const { return fs::path(out_) / DemoManga::kName; }
    fs::path Database() const { return MangaDir() / (std::string(DemoManga::kName) + ".zdb"); }

    FileMap Expected(const std::vector<int>& chapterNums, bool covers) const
    {
        return ExpectedDemoFiles(server_, chapterNums, covers);
    }

    fs::path work_;
    std::string out_;
    DemoServer server_{DemoOptions{6, 4, 3, 0}};
};

TEST_F(CliEndToEnd, DownloadsChosenChaptersThenTheRestThenResumesWithoutARequest)
{
    // Positions as scan prints them: the list starts with the newest chapter.
    Result run = Run({"download", server_.MangaUrl(), "--chapters", "1,5-6", "--no-covers", "--out", out_});
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(ReadDemoTree(MangaDir()), Expected({6, 2, 1}, false));
    // Output that is not a terminal gets plain lines, one per chapter.
    EXPECT_NE(run.out.find("\nтом 1, глава 1 Начало: 4/4  "), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find('\r'), std::string::npos);

    run = Run({"download", server_.MangaUrl(), "--out", out_});
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    const FileMap all = Expected(kAllChapters, true);
    EXPECT_EQ(ReadDemoTree(MangaDir()), all);
    EXPECT_EQ(server_.Counters().images, all.size()) << "a picture already on disk was fetched again";
    EXPECT_EQ(Summarize(Database()).loaded, 24);

    const uint64_t requests = server_.Counters().requests;
    run = Run({"download", Database().string(), "--out", out_});
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(server_.Counters().requests, requests);

    run = Run({"info", "--json", Database().string()});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto json = nlohmann::json::parse(run.out);
    EXPECT_EQ(json["result"], 0);
    EXPECT_EQ(json["Name"], DemoManga::kName);
    EXPECT_EQ(json["Covers"][1]["Url"], "/covers/zumr_demo_2.png");  // kept as the page gave it
    EXPECT_EQ(json["Chaps"][3]["Name"], "Кто там?");
}

TEST_F(CliEndToEnd, EveryLayoutOfTheSiteDownloadsExactlyWhatItServes)
{
    for (const DemoLayout layout : {DemoLayout::Designed, DemoLayout::Y2016, DemoLayout::Y2024}) {
        SCOPED_TRACE(static_cast<int>(layout));
        DemoServer site(DemoOptions{6, 4, 3, 0, layout});
        ASSERT_TRUE(site.Start(0));
        fs::remove_all(out_);
        const Result run = Run({"download", site.MangaUrl(), "--out", out_});
        ASSERT_EQ(run.status, 0) << run.out << run.err;
        const FileMap expected = ExpectedDemoFiles(site, kAllChapters, true);
        EXPECT_EQ(ReadDemoTree(MangaDir()), expected);
        // Nothing but the chapters' pages and the covers was fetched.
        EXPECT_EQ(site.Counters().images, expected.size());
        EXPECT_EQ(site.Counters().notFound, 0u);
    }
}

TEST_F(CliEndToEnd, StoppedMidTransferLeavesOnlyWholeFilesAndTheRerunCompletes)
{
    const struct {
        int signal;
        int status;
        bool rerunFromDatabase;  // Ctrl+C saves the database with the state reached
    } cases[] = {{SIGINT, 130, true}, {SIGKILL, -SIGKILL, false}};
    const FileMap expected = Expected(kAllChapters, true);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.signal);
        fs::remove_all(out_);
        server_.SetServeOptions({0, 40});  // each picture trickles in over about 300 ms
        const uint64_t imagesBefore = server_.Counters().images;
        Cli cli({"download", server_.MangaUrl(), "--out", out_}, work_);
        ASSERT_TRUE(WaitUntil([&] { return server_.Counters().images >= imagesBefore + 4; }));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));  // well inside the fourth picture
        cli.Signal(c.signal);
        const auto signalled = std::chrono::steady_clock::now();
        const Result stopped = cli.Wait();
        EXPECT_EQ(stopped.status, c.status) << stopped.out << stopped.err;
        EXPECT_LT(std::chrono::steady_clock::now() - signalled, std::chrono::seconds(10));
        const size_t whole = CountWholeFiles(ReadDemoTree(MangaDir()), expected, c.signal == SIGKILL);
        EXPECT_LT(whole, expected.size());
        if (c.rerunFromDatabase) {
            EXPECT_LT(Summarize(Database()).loaded, 24);
        }

        server_.SetServeOptions({});
        const uint64_t imagesAtRerun = server_.Counters().images;
        const Result rerun =
            Run({"download", c.rerunFromDatabase ? Database().string() : server_.MangaUrl(), "--out", out_});
        EXPECT_EQ(rerun.status, 0) << rerun.out << rerun.err;
        EXPECT_EQ(ReadDemoTree(MangaDir()), expected);  // no staging file left either
        EXPECT_EQ(server_.Counters().images - imagesAtRerun, expected.size() - whole);
    }
}

TEST_F(CliEndToEnd, CtrlCDuringTheScanSavesTheChaptersReadSoFar)
{
    server_.SetServeOptions({0, 0, 300});
    Cli cli({"download", server_.MangaUrl(), "--out", out_}, work_);
    ASSERT_TRUE(WaitUntil([&] { return server_.Counters().readerPages >= 3; }));
    cli.Signal(SIGINT);
    const Result stopped = cli.Wait();
    EXPECT_EQ(stopped.status, 130) << stopped.out << stopped.err;
    const DbSummary saved = Summarize(Database());
    EXPECT_EQ(saved.chapters, 6);
    EXPECT_GE(saved.scanned, 2);
    EXPECT_LT(saved.scanned, 6);
    EXPECT_TRUE(ReadDemoTree(MangaDir()).empty());
}

TEST_F(CliEndToEnd, BadUsageAndUnreadableDatabasesExitWith2)
{
    const std::string good = (work_ / "good.zdb").string();
    ASSERT_EQ(Run({"scan", server_.MangaUrl(), "--db", good}).status, 0);
    const std::string bytes = ReadBytes(good);
    std::ofstream(work_ / "cut.zdb", std::ios::binary) << bytes.substr(0, bytes.size() / 2);
    std::ofstream(work_ / "garbage.zdb", std::ios::binary) << "this is not a database";
    const uint64_t requests = server_.Counters().requests;

    const struct {
        std::vector<std::string> args;
        const char* message;  // part of what stderr must say
    } cases[] = {
        {{}, "subcommand"},
        {{"frobnicate"}, "frobnicate"},
        {{"download"}, "SOURCE"},
        {{"scan", server_.MangaUrl(), "--bogus"}, "--bogus"},
        {{"download", server_.MangaUrl(), "--chapters", "3-1"}, "3-1"},
        {{"download", good, "--chapters", "7"}, "7"},
        {{"download", good, "--connections", "9"}, "--connections"},
        {{"scan", server_.MangaUrl(), "--retries", "-1"}, "--retries"},
        {{"download", (work_ / "missing.zdb").string()}, "No such file"},
        {{"download", (work_ / "garbage.zdb").string()}, "not a manga database"},
        {{"info", (work_ / "cut.zdb").string()}, "cut short"},
        {{"info", "--json", (work_ / "cut.zdb").string()}, "cut short"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        const Result result = Run(c.args);
        EXPECT_EQ(result.status, 2) << result.out << result.err;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    }
    EXPECT_EQ(server_.Counters().requests, requests) << "bad input must be refused before fetching";
}

TEST_F(CliEndToEnd, SettingsBesideTheProgramNameTheFolders)
{
    const fs::path program = work_ / "program" / "zumr-cli";
    const fs::path library = work_ / "library";
    fs::create_directories(program.parent_path());
    fs::copy_file(kCli, program);
    const std::string settings = "\xEF\xBB\xBF[CONFIG]\r\nDefSavePath=" + library.string() +
                                 "\r\nBookDirName=том\r\nChapDirName=глава\r\nbAppendChapName=0\r\nbAddCntToPages=1\r\n";
    std::ofstream(program.parent_path() / "settings.cfg", std::ios::binary) << settings;

    const Result scan = Cli({"scan", server_.MangaUrl()}, work_, program).Wait();
    ASSERT_EQ(scan.status, 0) << scan.out << scan.err;
    EXPECT_NE(scan.out.find("   6. том 1, глава 1 Начало — 4 стр."), std::string::npos) << scan.out;
    const fs::path mangaDir = library / DemoManga::kName;
    const std::string database = (mangaDir / (std::string(DemoManga::kName) + ".zdb")).string();

    // Chapter 1 is the last entry of the list.
    // The transfer options hold for this run only.
    const Result download = Cli({"download", database, "--chapters", "6", "--no-covers", "--connections", "3",
                                 "--retries", "2", "--proxy", ""}, work_, program).Wait();
    ASSERT_EQ(download.status, 0) << download.out << download.err;
    FileMap expected;
    for (int page = 0; page < 4; ++page)
        expected["том1/глава1/" + std::to_string(page) + "-" + DemoManga::ImageFileName(page)] =
            *server_.PagePng(1, 1, page);
    EXPECT_EQ(ReadDemoTree(mangaDir), expected);
    EXPECT_EQ(ReadBytes(program.parent_path() / "settings.cfg"), settings);
}

}  // namespace
