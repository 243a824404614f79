// zumr-cli against the usual command-line downloaders, all in one run and
// against the same local demo site:
//  1. 500 pictures of 256 KiB: zumr-cli download vs one curl process reading
//     the same addresses and output files from a config file (one connection)
//     and wget -i. Target: zumr-cli at most 1.10 x curl.
//  2. Resume over 20,000 pages already on disk: under 2 s, nothing fetched.
//  3. Peak memory of a scan of 2,000 chapters: under 64 MiB.
// Each contender is a child process timed from spawn to exit; the median of
// several alternating rounds counts.

#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/support/child_process.h"
#include "bench/support/demo_paths.h"
#include "model/file_io.h"
#include "model/manga_db.h"
#include "model/text_codec.h"
#include "tools/demo_site/demo_server.h"
#include "transfer/download_layout.h"
#include "transfer/file_names.h"

namespace fs = std::filesystem;

namespace {

// Peak memory of a child, measured by a fresh copy of this program: a child
// started straight from this process would inherit this process's own peak
// (the site with 125 MiB of pictures) as its starting figure.
long MaxRssThroughHelper(const std::string& self, const std::vector<std::string>& args, const fs::path& log,
                         const fs::path& result, ChildRun& run)
{
    std::vector<std::string> helper = {self, "--maxrss", result.string()};
    helper.insert(helper.end(), args.begin(), args.end());
    run = Spawn(helper, log);
    std::ifstream in(result);
    long kib = -1;
    int exitCode = -1;
    double seconds = 0;
    in >> kib >> exitCode >> seconds;
    run.exitCode = exitCode;
    run.seconds = seconds;
    return kib;
}

fs::path DatabaseIn(const fs::path& out)
{
    return out / DemoManga::kName / (std::string(DemoManga::kName) + ".zdb");
}

bool BenchDownload(const std::string& cli, const fs::path& work, int rounds)
{
    DemoOptions options;
    options.chapters = 25;
    options.pagesPerChapter = 20;
    options.chaptersPerVolume = 5;
    options.imageBytes = 256 * 1024;
    DemoServer server(options);
    server.Warm();  // encoding is the site's cost, not the downloader's
    if (!server.Start(0)) {
        std::printf("download: cannot start the demo site\n");
        return false;
    }
    const fs::path log = work / "download.log";

    // The page lists once, so every zumr-cli round downloads from the same database file.
    const ChildRun scan = Spawn({cli, "scan", server.MangaUrl(), "--db", (work / "bench.zdb").string()}, log);
    if (scan.exitCode != 0) {
        std::printf("download: scan failed (%d), see %s\n", scan.exitCode, log.c_str());
        return false;
    }

    std::ofstream curlConfig(work / "curl.cfg");
    std::ofstream wgetList(work / "wget.txt");
    const fs::path curlOut = work / "curl";
    int64_t totalBytes = 0;
    for (const DemoChapter& chapter : server.Manga().Chapters()) {
        for (int page = 0; page < options.pagesPerChapter; ++page) {
            const std::string url = server.Host() + DemoManga::ImagePath(chapter.Vol, chapter.Num, page);
            const std::u16string path = PagePath(curlOut, chapter, page, options.pagesPerChapter);
            curlConfig << "url = " << Quote(url) << "\noutput = " << Quote(Utf16ToUtf8(path)) << "\n";
            wgetList << url << "\n";
            totalBytes += static_cast<int64_t>(server.PagePng(chapter.Vol, chapter.Num, page)->size());
        }
    }
    curlConfig.close();
    wgetList.close();

    const bool haveWget = HaveProgram("wget");
    std::vector<double> zumrTimes, zumrAddressTimes, curlTimes, wgetTimes;
    bool ok = true;
    for (int round = 0; round < rounds; ++round) {
        const fs::path zumrOut = work / "zumr";
        const fs::path zumrAddressOut = work / "zumr-address";
        const fs::path wgetOut = work / "wget";
        for (const fs::path& dir : {zumrOut, zumrAddressOut, curlOut, wgetOut})
            fs::remove_all(dir);
        // Alternate the order so neither side always runs on a warmer machine.
        const auto runZumr = [&] {
            const ChildRun run =
                Spawn({cli, "download", (work / "bench.zdb").string(), "--no-covers", "--out", zumrOut.string()}, log);
            ok = ok && run.exitCode == 0;
            zumrTimes.push_back(run.seconds);
        };
        const auto runCurl = [&] {
            const ChildRun run =
                Spawn({"curl", "--silent", "--fail", "--create-dirs", "--config", (work / "curl.cfg").string()}, log);
            ok = ok && run.exitCode == 0;
            curlTimes.push_back(run.seconds);
        };
        if (round % 2 == 0) {
            runZumr();
            runCurl();
        } else {
            runCurl();
            runZumr();
        }
        const ChildRun address =
            Spawn({cli, "download", server.MangaUrl(), "--no-covers", "--out", zumrAddressOut.string()}, log);
        ok = ok && address.exitCode == 0;
        zumrAddressTimes.push_back(address.seconds);
        if (haveWget) {
            const ChildRun run = Spawn({"wget", "--quiet", "--force-directories", "--no-host-directories",
                                        "--directory-prefix", wgetOut.string(), "--input-file",
                                        (work / "wget.txt").string()},
                                       log);
            ok = ok && run.exitCode == 0;
            wgetTimes.push_back(run.seconds);
        }
    }
    server.Stop();
    if (!ok)
        std::printf("download: a contender failed, see %s\n", log.c_str());

    const double zumr = Median(zumrTimes), curl = Median(curlTimes);
    const double mib = static_cast<double>(totalBytes) / (1024.0 * 1024.0);
    std::printf("download of 500 pictures (%.1f MiB), median of %d rounds:\n", mib, rounds);
    std::printf("  zumr-cli download FILE.zdb  %7.3f s  %7.1f MiB/s\n", zumr, mib / zumr);
    std::printf("  zumr-cli download ADDRESS   %7.3f s  (with the scan of the title and 25 reader pages)\n",
                Median(zumrAddressTimes));
    std::printf("  curl --config               %7.3f s  %7.1f MiB/s\n", curl, mib / curl);
    if (haveWget)
        std::printf("  wget -i                     %7.3f s  %7.1f MiB/s\n", Median(wgetTimes),
                    mib / Median(wgetTimes));
    const double ratio = zumr / curl;
    std::printf("  ratio zumr-cli / curl: %.2fx (target <= 1.10x) %s\n", ratio, ratio <= 1.10 ? "ok" : "MISSED");
    if (haveWget)
        std::printf("  ratio zumr-cli / wget: %.2fx\n", zumr / Median(wgetTimes));
    else
        std::printf("  wget is not installed: no wget figure\n");
    return ok && ratio <= 1.10;
}

bool BenchResume(const std::string& cli, const fs::path& work)
{
    DemoOptions options;
    options.chapters = 200;
    options.pagesPerChapter = 100;
    options.chaptersPerVolume = 20;
    DemoServer server(options);
    if (!server.Start(0)) {
        std::printf("resume: cannot start the demo site\n");
        return false;
    }
    const fs::path log = work / "resume.log";
    const fs::path out = work / "resume";
    fs::remove_all(out);
    if (Spawn({cli, "scan", server.MangaUrl(), "--db", (work / "resume.zdb").string()}, log).exitCode != 0) {
        std::printf("resume: scan failed, see %s\n", log.c_str());
        return false;
    }
    // Every page on disk already, as an earlier run that lost its database file left them.
    int pages = 0;
    for (const DemoChapter& chapter : server.Manga().Chapters()) {
        for (int page = 0; page < options.pagesPerChapter; ++page) {
            const fs::path path = PathFromUtf16(PagePath(out, chapter, page, options.pagesPerChapter));
            fs::create_directories(path.parent_path());
            std::ofstream(path, std::ios::binary) << *server.PagePng(chapter.Vol, chapter.Num, page);
            ++pages;
        }
    }
    const uint64_t before = server.Counters().requests;
    const ChildRun fresh =
        Spawn({cli, "download", (work / "resume.zdb").string(), "--no-covers", "--out", out.string()}, log);
    const uint64_t afterFresh = server.Counters().requests;
    // The database file now has every page flagged as on disk.
    const ChildRun flagged = Spawn({cli, "download", DatabaseIn(out).string(), "--no-covers", "--out", out.string()}, log);
    const uint64_t afterFlagged = server.Counters().requests;
    server.Stop();

    const bool ok = fresh.exitCode == 0 && flagged.exitCode == 0 && afterFlagged == before && fresh.seconds < 2.0;
    std::printf("resume over %d pages on disk:\n", pages);
    std::printf("  files found on disk, none flagged  %6.3f s, %llu requests (target < 2 s, 0 requests) %s\n",
                fresh.seconds, static_cast<unsigned long long>(afterFresh - before),
                fresh.exitCode == 0 && afterFresh == before && fresh.seconds < 2.0 ? "ok" : "MISSED");
    std::printf("  every page flagged in the database %6.3f s, %llu requests\n", flagged.seconds,
                static_cast<unsigned long long>(afterFlagged - afterFresh));
    return ok;
}

bool BenchScanMemory(const std::string& self, const std::string& cli, const fs::path& work)
{
    DemoOptions options;
    options.chapters = 2000;
    options.pagesPerChapter = 20;
    options.chaptersPerVolume = 10;
    DemoServer server(options);
    if (!server.Start(0)) {
        std::printf("scan memory: cannot start the demo site\n");
        return false;
    }
    const fs::path log = work / "scan.log";
    ChildRun run;
    const long kib = MaxRssThroughHelper(self, {cli, "scan", server.MangaUrl(), "--db", (work / "scan2000.zdb").string()},
                                         log, work / "maxrss.txt", run);
    server.Stop();
    const double mib = static_cast<double>(kib) / 1024.0;
    const bool ok = run.exitCode == 0 && mib < 64.0;
    std::printf("scan of 2,000 chapters (%d pages): %.3f s, peak memory %.1f MiB (target < 64 MiB) %s\n",
                options.chapters * options.pagesPerChapter, run.seconds, mib, ok ? "ok" : "MISSED");
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc > 3 && std::string(argv[1]) == "--maxrss") {
        // Helper mode: run the rest of the command line, write "peak-KiB exit seconds".
        const ChildRun run = Spawn(std::vector<std::string>(argv + 3, argv + argc), "/dev/null");
        std::ofstream(argv[2]) << run.maxRssKib << " " << run.exitCode << " " << run.seconds << "\n";
        return 0;
    }
    const std::string self = fs::read_symlink("/proc/self/exe").string();
    const std::string cli = argc > 1 ? argv[1] : ZUMR_CLI_PATH;
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    std::string pattern = (fs::temp_directory_path() / "zumr-cli-bench-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        return 2;
    }
    const fs::path work = pattern;
    std::printf("zumr-cli benchmarks (%s), work folder %s\n", cli.c_str(), work.c_str());
    bool ok = BenchDownload(cli, work, rounds);
    ok = BenchResume(cli, work) && ok;
    ok = BenchScanMemory(self, cli, work) && ok;
    std::error_code error;
    fs::remove_all(work, error);
    return ok ? 0 : 1;
}
