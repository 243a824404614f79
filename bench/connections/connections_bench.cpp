// zumr-cli's transfers at a distance, through a relay of our own that puts a
// fixed round trip in front of the local demo site; every figure is a ratio
// between runs of the same benchmark on the same addresses:
//  1. 500 pictures of 256 KiB at 0 ms: zumr-cli download with Connections 1
//     against curl -K fetching them one after the other (target: at most
//     1.05 x curl), and the CPU time (user and system) of Connections 4
//     against Connections 1 (target: at most 1.2 x).
//  2. 100 pictures of 128 KiB at 50 ms round trip: Connections 1 against
//     curl -K (at most 1.05 x); Connections 4 and 8 against
//     curl --parallel --parallel-max 4 (8) (at most 1.10 x), and so at least
//     3 x faster than Connections 1.
//  3. A scan of 200 chapters at 50 ms: Connections 4 at least 3 x faster
//     than Connections 1.
// Each contender is a child process; the median of alternating rounds counts.

#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "bench/support/child_process.h"
#include "bench/support/delay_relay.h"
#include "bench/support/demo_paths.h"

namespace fs = std::filesystem;

namespace {

struct Bench {
    std::string cli;
    fs::path work;
    int rounds = 3;
    bool ok = true;
};

std::string HostOf(int port)
{
    return "http://127.0.0.1:" + std::to_string(port);
}

// "label: a / b = ratio (target <= limit)", or ">=" for a speed-up.
bool PrintRatio(const char* label, double measured, double baseline, double limit, bool atMost = true)
{
    if (measured <= 0 || baseline <= 0) {
        std::printf("  %s: not measured\n", label);
        return false;
    }
    const double ratio = measured / baseline;
    const bool held = atMost ? ratio <= limit : ratio >= limit;
    std::printf("  %s: %.3f s / %.3f s = %.2fx (target %s %.2fx) %s\n", label, measured, baseline, ratio,
                atMost ? "<=" : ">=", limit, held ? "ok" : "MISSED");
    return held;
}

// Median times of contenders run in turn, the order rotating each round so
// that none always runs on a warmer machine. A failed run spoils the result.
std::vector<ChildRun> Rounds(Bench& bench, const std::vector<std::function<ChildRun()>>& contenders)
{
    std::vector<std::vector<double>> seconds(contenders.size()), cpu(contenders.size());
    for (int round = 0; round < bench.rounds; ++round) {
        for (size_t k = 0; k < contenders.size(); ++k) {
            const size_t which = (k + static_cast<size_t>(round)) % contenders.size();
            const ChildRun run = contenders[which]();
            if (run.exitCode != 0) {
                std::printf("  a contender failed (%d), see %s/bench.log\n", run.exitCode, bench.work.c_str());
                bench.ok = false;
            }
            seconds[which].push_back(run.seconds);
            cpu[which].push_back(run.cpuSeconds);
        }
    }
    std::vector<ChildRun> medians(contenders.size());
    for (size_t k = 0; k < contenders.size(); ++k) {
        medians[k].exitCode = 0;
        medians[k].seconds = Median(seconds[k]);
        medians[k].cpuSeconds = Median(cpu[k]);
    }
    return medians;
}

// The manga's pictures on a site, as zumr-cli and curl both fetch them.
class Downloads {
public:
    Downloads(Bench& bench, const DemoServer& server, int port, const std::string& name)
        : bench_(bench), name_(name), database_(bench.work / (name + ".zdb"))
    {
        scanned_ = Spawn({bench.cli, "scan", HostOf(port) + DemoManga::kTitlePath, "--db", database_.string()},
                         bench.work / "bench.log")
                       .exitCode == 0;
        std::ofstream config(bench.work / (name + ".curl"));
        const int pages = server.Manga().Options().pagesPerChapter;
        for (const DemoChapter& chapter : server.Manga().Chapters())
            for (int page = 0; page < pages; ++page)
                config << "url = " << Quote(HostOf(port) + DemoManga::ImagePath(chapter.Vol, chapter.Num, page))
                       << "\noutput = " << Quote(Utf16ToUtf8(PagePath(bench.work / "curl", chapter, page, pages)))
                       << "\n";
    }

    bool Scanned() const { return scanned_; }

    ChildRun Zumr(int connections) const
    {
        const fs::path out = bench_.work / "zumr";
        fs::remove_all(out);
        return Spawn({bench_.cli, "download", database_.string(), "--no-covers", "--out", out.string(),
                      "--connections", std::to_string(connections)},
                     bench_.work / "bench.log");
    }

    // parallel 0: one transfer after another on one connection.
    ChildRun Curl(int parallel) const
    {
        fs::remove_all(bench_.work / "curl");
        std::vector<std::string> args = {"curl", "--silent", "--fail", "--create-dirs"};
        if (parallel > 0)
            args.insert(args.end(), {"--parallel", "--parallel-max", std::to_string(parallel)});
        args.insert(args.end(), {"--config", (bench_.work / (name_ + ".curl")).string()});
        return Spawn(args, bench_.work / "bench.log");
    }

private:
    Bench& bench_;
    std::string name_;
    fs::path database_;
    bool scanned_ = false;
};

DemoOptions Pictures(int count, int bytes)
{
    DemoOptions options;
    options.pagesPerChapter = 20;
    options.chapters = count / options.pagesPerChapter;
    options.chaptersPerVolume = 5;
    options.imageBytes = bytes;
    return options;
}

void BenchDownloads(Bench& bench)
{
    DemoServer server(Pictures(100, 128 * 1024));
    server.Warm();  // encoding is the site's cost, not the downloader's
    if (!server.Start(0)) {
        std::printf("downloads: cannot start the demo site\n");
        bench.ok = false;
        return;
    }
    DelayRelay relay(server.Port(), std::chrono::milliseconds(50));
    if (!relay.Start()) {
        std::printf("downloads: cannot start the relay\n");
        bench.ok = false;
        return;
    }
    const Downloads far(bench, server, relay.Port(), "far");
    if (!far.Scanned()) {
        std::printf("downloads: the scan failed, see %s/bench.log\n", bench.work.c_str());
        bench.ok = false;
        return;
    }

    std::printf("100 pictures of 128 KiB at 50 ms round trip, median of %d rounds:\n", bench.rounds);
    std::vector<ChildRun> runs = Rounds(bench, {[&] { return far.Zumr(1); }, [&] { return far.Curl(0); }});
    bench.ok &= PrintRatio("Connections 1 / curl -K", runs[0].seconds, runs[1].seconds, 1.05);
    const double one = runs[0].seconds;
    for (const int connections : {4, 8}) {
        runs = Rounds(bench, {[&] { return far.Zumr(connections); }, [&] { return far.Curl(connections); }});
        char label[96];
        std::snprintf(label, sizeof label, "Connections %d / curl --parallel --parallel-max %d", connections, connections);
        bench.ok &= PrintRatio(label, runs[0].seconds, runs[1].seconds, 1.10);
        std::snprintf(label, sizeof label, "Connections 1 / Connections %d", connections);
        bench.ok &= PrintRatio(label, one, runs[0].seconds, 3.0, false);
    }
}

void BenchScan(Bench& bench)
{
    DemoOptions options;
    options.chapters = 200;
    options.pagesPerChapter = 4;
    options.chaptersPerVolume = 20;
    DemoServer server(options);
    if (!server.Start(0)) {
        std::printf("scan: cannot start the demo site\n");
        bench.ok = false;
        return;
    }
    DelayRelay relay(server.Port(), std::chrono::milliseconds(50));
    if (!relay.Start()) {
        std::printf("scan: cannot start the relay\n");
        bench.ok = false;
        return;
    }
    const auto scan = [&](int connections) {
        return Spawn({bench.cli, "scan", HostOf(relay.Port()) + DemoManga::kTitlePath, "--db",
                      (bench.work / "scan.zdb").string(), "--connections", std::to_string(connections)},
                     bench.work / "bench.log");
    };
    std::printf("scan of 200 chapters at 50 ms, median of %d rounds:\n", bench.rounds);
    const std::vector<ChildRun> runs = Rounds(bench, {[&] { return scan(1); }, [&] { return scan(4); }});
    bench.ok &= PrintRatio("Connections 1 / Connections 4", runs[0].seconds, runs[1].seconds, 3.0, false);
}

// At 0 ms the run is as long as the work done on each byte, so the same set
// gives both the wall time against curl and the CPU time of the parallel form.
void BenchNear(Bench& bench)
{
    DemoServer server(Pictures(500, 256 * 1024));
    server.Warm();
    if (!server.Start(0)) {
        std::printf("near: cannot start the demo site\n");
        bench.ok = false;
        return;
    }
    const Downloads near(bench, server, server.Port(), "near");
    if (!near.Scanned()) {
        std::printf("near: the scan failed, see %s/bench.log\n", bench.work.c_str());
        bench.ok = false;
        return;
    }
    std::printf("500 pictures of 256 KiB at 0 ms, median of %d rounds:\n", bench.rounds);
    const std::vector<ChildRun> runs =
        Rounds(bench, {[&] { return near.Zumr(1); }, [&] { return near.Curl(0); }, [&] { return near.Zumr(4); }});
    bench.ok &= PrintRatio("Connections 1 / curl -K", runs[0].seconds, runs[1].seconds, 1.05);
    bench.ok &= PrintRatio("CPU time, Connections 4 / Connections 1", runs[2].cpuSeconds, runs[0].cpuSeconds, 1.2);
    std::printf("  (Connections 4 took %.3f s)\n", runs[2].seconds);
}

}  // namespace

int main(int argc, char** argv)
{
    std::setvbuf(stdout, nullptr, _IOLBF, 0);  // each figure as it comes, also into a file
    Bench bench;
    bench.cli = argc > 1 ? argv[1] : ZUMR_CLI_PATH;
    bench.rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    if (!HaveProgram("curl")) {
        std::printf("curl is not installed: nothing to compare with\n");
        return 2;
    }
    std::string pattern = (fs::temp_directory_path() / "zumr-connections-bench-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        return 2;
    }
    bench.work = pattern;
    std::printf("zumr-cli transfers at a distance (%s), work folder %s\n", bench.cli.c_str(), bench.work.c_str());
    BenchNear(bench);
    BenchDownloads(bench);
    BenchScan(bench);
    std::error_code error;
    if (bench.ok)
        fs::remove_all(bench.work, error);
    return bench.ok ? 0 : 1;
}
