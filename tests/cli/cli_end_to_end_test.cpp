// zumr-cli against the demo site, run as a user runs it: whole downloads,
// resumes, interruptions and bad input.

#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <functional>
#include <thread>
#include <utility>

#include "model/manga_db.h"
#include "model/text_codec.h"
#include "tests/support/demo_files.h"
#include "tests/support/spawn_child.h"

namespace fs = std::filesystem;

namespace {

const fs::path kCli = ZUMR_CLI_PATH;
const std::vector<int> kAllChapters = {1, 2, 3, 4, 5, 6};

struct Result {
    int status = 0;  // exit code, or minus the signal that ended the process
    std::string out, err;
};

// zumr-cli as a child process with its output in files, so that it can be sent
// signals the way a shell sends them. The test's own time limit guards waits.
class Cli {
public:
    Cli(std::vector<std::string> args, const fs::path& dir, const fs::path& program = kCli)
        : out_(dir / "cli.out"), err_(dir / "cli.err")
    {
        args.insert(args.begin(), program.string());
        pid_ = SpawnChild(std::move(args), out_, err_);
    }
    ~Cli()
    {
        if (pid_ > 0 && kill(pid_, SIGKILL) == 0)
            waitpid(pid_, nullptr, 0);
    }
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
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status), ReadFileBytes(out_), ReadFileBytes(err_)};
    }

private:
    pid_t pid_ = -1;
    fs::path out_, err_;
};

bool WaitUntil(const std::function<bool()>& done)
{
    for (int i = 0; i < 12000 && !done(); ++i)  // a minute
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return done();
}

// The exit status and output of a shell command.
std::pair<int, std::string> Shell(const std::string& command)
{
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return {-1, out};
    char buffer[65536];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        out.append(buffer, n);
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

std::string Quote(const std::string& text)
{
    std::string quoted = "'";
    for (const char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

struct DbSummary {
    int chapters = 0, scanned = 0, loaded = 0;  // chapters whose page list was read; pages on disk
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
    void SetUp() override { ASSERT_TRUE(server_.Start(0)); }

    Result Run(const std::vector<std::string>& args) { return Cli(args, work_.path()).Wait(); }
    fs::path MangaDir() const { return fs::path(out_) / DemoManga::kName; }
    fs::path Database() const { return MangaDir() / (std::string(DemoManga::kName) + ".zdb"); }

    TempDir work_;
    std::string out_ = (work_ / "downloads").string();
    DemoServer server_{DemoOptions{6, 4, 3, 0}};
};

TEST_F(CliEndToEnd, DownloadsChosenChaptersThenTheRestThenResumesWithoutARequest)
{
    // Positions as scan prints them: the list starts with the newest chapter.
    Result run = Run({"download", server_.MangaUrl(), "--chapters", "1,5-6", "--no-covers", "--out", out_});
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(ReadDemoTree(MangaDir()), ExpectedDemoFiles(server_, {6, 2, 1}, false));
    // Output that is not a terminal gets plain lines, one per chapter.
    EXPECT_NE(run.out.find("\nтом 1, глава 1 Начало: 4/4  "), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find('\r'), std::string::npos);

    // Without --chapters every chapter is taken, whatever the file had ticked.
    run = Run({"download", Database().string(), "--out", out_});
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    const DemoFileMap all = ExpectedDemoFiles(server_, kAllChapters, true);
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
    EXPECT_EQ(json["EngName"], DemoManga::kEngName);
    EXPECT_EQ(json["JpName"], DemoManga::kJpName);
    EXPECT_EQ(json["Covers"][1]["Url"], "/covers/zumr_demo_2.png");  // kept as the page gave it
    EXPECT_EQ(json["Chaps"][3]["Name"], "Кто там?");
}

TEST_F(CliEndToEnd, EveryLayoutOfTheSiteDownloadsExactlyWhatItServes)
{
    for (const DemoLayout layout : {DemoLayout::Y2016, DemoLayout::Y2024}) {
        DemoServer site(DemoOptions{6, 4, 3, 0, layout});
        ASSERT_TRUE(site.Start(0));
        fs::remove_all(out_);
        const Result run = Run({"download", site.MangaUrl(), "--out", out_});
        ASSERT_EQ(run.status, 0) << run.out << run.err;
        const DemoFileMap expected = ExpectedDemoFiles(site, kAllChapters, true);
        EXPECT_EQ(ReadDemoTree(MangaDir()), expected) << static_cast<int>(layout);
        // Nothing but the chapters' pages and the covers was fetched.
        EXPECT_EQ(site.Counters().images, expected.size());
        EXPECT_EQ(site.Counters().notFound, 0u);
    }
}

// Ctrl+C saves the database with the state reached; a kill may leave its
// staging file. Either way only whole files sit at final names and the rerun
// fetches exactly what is missing.
TEST_F(CliEndToEnd, StoppedMidTransferLeavesOnlyWholeFilesAndTheRerunCompletes)
{
    const DemoFileMap expected = ExpectedDemoFiles(server_, kAllChapters, true);
    for (const auto& [signal, status] : {std::pair{SIGINT, 130}, std::pair{SIGKILL, -SIGKILL}}) {
        SCOPED_TRACE(signal);
        fs::remove_all(out_);
        server_.SetServeOptions({0, 40});  // each picture trickles in over about 300 ms
        const uint64_t imagesBefore = server_.Counters().images;
        Cli cli({"download", server_.MangaUrl(), "--out", out_}, work_.path());
        ASSERT_TRUE(WaitUntil([&] { return server_.Counters().images >= imagesBefore + 4; }));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));  // well inside the fourth picture
        cli.Signal(signal);
        const auto signalled = std::chrono::steady_clock::now();
        const Result stopped = cli.Wait();
        EXPECT_EQ(stopped.status, status) << stopped.out << stopped.err;
        EXPECT_LT(std::chrono::steady_clock::now() - signalled, std::chrono::seconds(10));
        size_t whole = 0;
        for (const auto& [path, bytes] : ReadDemoTree(MangaDir())) {
            const bool isWhole = expected.count(path) && expected.at(path) == bytes;
            whole += isWhole ? 1 : 0;
            EXPECT_TRUE(isWhole || (signal == SIGKILL && fs::path(path).extension() == ".part")) << path;
        }
        EXPECT_LT(whole, expected.size());
        EXPECT_TRUE(signal != SIGINT || Summarize(Database()).loaded < 24);

        server_.SetServeOptions({});
        const uint64_t imagesAtRerun = server_.Counters().images;
        const Result rerun = Run({"download", signal == SIGINT ? Database().string() : server_.MangaUrl(), "--out", out_});
        EXPECT_EQ(rerun.status, 0) << rerun.out << rerun.err;
        EXPECT_EQ(ReadDemoTree(MangaDir()), expected);  // no staging file left either
        EXPECT_EQ(server_.Counters().images - imagesAtRerun, expected.size() - whole);
    }
}

TEST_F(CliEndToEnd, CtrlCDuringTheScanSavesTheChaptersReadSoFar)
{
    server_.SetServeOptions({0, 0, 300});
    Cli cli({"download", server_.MangaUrl(), "--out", out_}, work_.path());
    ASSERT_TRUE(WaitUntil([&] { return server_.Counters().readerPages >= 3; }));
    cli.Signal(SIGINT);
    const Result stopped = cli.Wait();
    EXPECT_EQ(stopped.status, 130) << stopped.out << stopped.err;
    const DbSummary saved = Summarize(Database());
    EXPECT_EQ(saved.chapters, 6);
    EXPECT_TRUE(saved.scanned >= 2 && saved.scanned < 6) << saved.scanned;
    EXPECT_TRUE(ReadDemoTree(MangaDir()).empty());
}

TEST_F(CliEndToEnd, BadUsageAndUnreadableDatabasesExitWith2)
{
    const std::string good = (work_ / "good.zdb").string();
    ASSERT_EQ(Run({"scan", server_.MangaUrl(), "--db", good}).status, 0);
    const std::string bytes = ReadFileBytes(good);
    WriteFileBytes(work_ / "cut.zdb", bytes.substr(0, bytes.size() / 2));
    WriteFileBytes(work_ / "garbage.zdb", "this is not a database");
    const uint64_t requests = server_.Counters().requests;

    const struct {
        std::vector<std::string> args;
        const char* message;  // part of what stderr must say
    } cases[] = {
        {{}, "нужна команда"},
        {{"frobnicate"}, "frobnicate"},
        {{"download"}, "SOURCE"},
        {{"download", "://m"}, "ошибка 2"},  // no scheme: a file name
        {{"scan", server_.MangaUrl(), "--bogus"}, "--bogus"},
        {{"download", server_.MangaUrl(), "--chapters", "3-1"}, "3-1"},
        {{"download", good, "--chapters", "7"}, "7"},
        {{"download", good, "--connections", "9"}, "--connections"},
        {{"scan", server_.MangaUrl(), "--retries", "-1"}, "--retries"},
        {{"download", (work_ / "missing.zdb").string()}, "ошибка 2"},
        {{"download", (work_ / "garbage.zdb").string()}, "не является базой данных манги"},
        {{"info", (work_ / "cut.zdb").string()}, "повреждён"},
        {{"info", "--json", (work_ / "cut.zdb").string()}, "повреждён"},
        {{"update", (work_ / "missing").string()}, "нет такой папки"},
    };
    for (const auto& c : cases) {
        const Result result = Run(c.args);
        EXPECT_EQ(result.status, 2) << ::testing::PrintToString(c.args) << result.out << result.err;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    }
    EXPECT_EQ(server_.Counters().requests, requests) << "bad input must be refused before fetching";
}

TEST_F(CliEndToEnd, SettingsBesideTheProgramNameTheFolders)
{
    const fs::path program = work_ / "program/zumr-cli";
    const fs::path library = work_ / "library";
    fs::create_directories(program.parent_path());
    fs::copy_file(kCli, program);
    const std::string settings = "\xEF\xBB\xBF[CONFIG]\r\nDefSavePath=" + library.string() +
                                 "\r\nBookDirName=том\r\nChapDirName=глава\r\nbAppendChapName=0\r\nbAddCntToPages=1\r\n";
    WriteFileBytes(program.parent_path() / "settings.cfg", settings);

    const Result scan = Cli({"scan", server_.MangaUrl()}, work_.path(), program).Wait();
    ASSERT_EQ(scan.status, 0) << scan.out << scan.err;
    EXPECT_NE(scan.out.find("   6. том 1, глава 1 Начало — 4 стр."), std::string::npos) << scan.out;
    const fs::path mangaDir = library / DemoManga::kName;

    // Chapter 1 is the last entry of the list.
    // The transfer options hold for this run only.
    const Result download = Cli({"download", (mangaDir / (std::string(DemoManga::kName) + ".zdb")).string(), "--chapters",
                                 "6", "--no-covers", "--connections", "3", "--retries", "2", "--proxy", ""},
                                work_.path(), program)
                                .Wait();
    ASSERT_EQ(download.status, 0) << download.out << download.err;
    DemoFileMap expected;
    for (int page = 0; page < 4; ++page)
        expected["том1/глава1/" + std::to_string(page) + "-" + DemoManga::ImageFileName(page)] =
            *server_.PagePng(1, 1, page);
    EXPECT_EQ(ReadDemoTree(mangaDir), expected);
    EXPECT_EQ(ReadFileBytes(program.parent_path() / "settings.cfg"), settings);
}

TEST_F(CliEndToEnd, EachChapterBecomesACbzThatReadersOpenWrittenAgainOnlyWhenItsPagesChange)
{
    const fs::path program = work_ / "program" / "zumr-cli";
    fs::create_directories(program.parent_path());
    fs::copy_file(kCli, program);
    std::ofstream(program.parent_path() / "settings.cfg", std::ios::binary) << "\xEF\xBB\xBF[CONFIG]\r\nbMakeCbz=1\r\n";
    const auto download = [&](const DemoServer& site) {
        const Result run = Cli({"download", site.MangaUrl(), "--no-covers", "--out", out_}, work_.path(), program).Wait();
        EXPECT_EQ(run.status, 0) << run.out << run.err;
    };
    // Each chapter's archive, with its inode and time of writing.
    const auto archives = [&] {
        std::map<std::string, std::pair<ino_t, int64_t>> found;
        for (const auto& entry : fs::recursive_directory_iterator(MangaDir()))
            if (struct stat st{}; entry.path().extension() == ".cbz" && stat(entry.path().c_str(), &st) == 0)
                found[entry.path().string()] = {st.st_ino, st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec};
        return found;
    };

    download(server_);
    for (const DemoChapter& chapter : server_.Manga().Chapters()) {
        SCOPED_TRACE(chapter.Num);
        const DemoFileMap pictures = ExpectedDemoFiles(server_, {chapter.Num}, false);  // in page order
        const std::string cbz = Quote((MangaDir() / fs::path(pictures.begin()->first).parent_path()).string() + ".cbz");
        EXPECT_EQ(Shell("unzip -tq " + cbz).first, 0);
        std::string names;
        for (const auto& [path, bytes] : pictures) {
            names += fs::path(path).filename().string() + "\n";
            EXPECT_EQ(Shell("unzip -p " + cbz + " " + fs::path(path).filename().string()).second, bytes) << path;
        }
        EXPECT_EQ(Shell("unzip -Z1 " + cbz).second, names + "ComicInfo.xml\n");
        EXPECT_EQ(Shell("unzip -p " + cbz + " ComicInfo.xml | xmllint --noout -").first, 0);
        const auto field = [](const char* name) { return std::string("string(/ComicInfo/") + name + ")"; };
        const std::pair<std::string, std::string> fields[] = {
            {field("Series"), DemoManga::kName}, {field("Title"), chapter.Title.value_or("")},
            {field("AlternateSeries"), std::string(DemoManga::kEngName) + " / " + DemoManga::kJpName},
            {field("Volume"), std::to_string(chapter.Vol)}, {field("Number"), std::to_string(chapter.Num)},
            {field("PageCount"), std::to_string(pictures.size())}, {field("LanguageISO"), "ru"},
            {field("Web"), server_.MangaUrl()},
            {"starts-with(/ComicInfo/Summary, 'Название: Демонстрационная манга | Zumr Demo Manga | ズムル・デモ\nТомов: 2')",
             "true"}};
        for (const auto& [xpath, value] : fields)
            EXPECT_EQ(Shell("unzip -p " + cbz + " ComicInfo.xml | xmllint --xpath " + Quote(xpath) + " -").second,
                      value + "\n");
    }
    const auto written = archives();
    EXPECT_EQ(written.size(), server_.Manga().Chapters().size());

    download(server_);
    EXPECT_EQ(archives(), written) << "an archive of unchanged pages was written again";

    // The site adds a page to every chapter: every archive is written anew with it.
    DemoServer grown(DemoOptions{6, 5, 3, 0});
    ASSERT_TRUE(grown.Start(0));
    download(grown);
    const auto rewritten = archives();
    ASSERT_EQ(rewritten.size(), written.size());
    for (const auto& [path, stamp] : rewritten) {
        EXPECT_NE(stamp.first, written.at(path).first) << path;
        EXPECT_EQ(Shell("unzip -Z1 " + Quote(path)).second, "01.png\n02.png\n03.png\n04.png\n05.png\nComicInfo.xml\n");
    }
}

}  // namespace
