// Packing a chapter of 50 pictures of 256 KiB into its .cbz, against copying
// the same files with cp, in the same run.

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include <benchmark/benchmark.h>

#include "bench/support/ratio_report.h"
#include "tests/support/temp_dir.h"
#include "transfer/cbz_pack.h"

namespace {

namespace fs = std::filesystem;

constexpr int kPictures = 50;
constexpr size_t kPictureBytes = 256 * 1024;

const fs::path kFolder = fs::temp_directory_path() / "zumr-bench-cbz";
const fs::path kChapter = kFolder / "ch1";

CbzContent& Chapter()
{
    static CbzContent content;
    if (content.pagePaths.empty()) {
        fs::create_directories(kChapter);
        for (int i = 0; i < kPictures; ++i) {
            std::string bytes(kPictureBytes, '\0');
            for (size_t b = 0; b < bytes.size(); ++b)
                bytes[b] = static_cast<char>((b * 131 + static_cast<size_t>(i)) >> 5);
            const fs::path path = kChapter / (std::to_string(100 + i).substr(1) + ".png");
            WriteFileBytes(path, bytes);
            content.pagePaths.push_back(path.u16string());
        }
        content.comicInfo = "<?xml version=\"1.0\"?>\n<ComicInfo><PageCount>50</PageCount></ComicInfo>\n";
    }
    return content;
}

void BM_PackChapter(benchmark::State& state)
{
    const fs::path cbz = kFolder / "ch1.cbz";
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove(cbz);
        state.ResumeTiming();
        if (Cbz_Write(cbz.u16string(), Chapter()) != 0)
            state.SkipWithError("packing failed");
    }
}

void BM_CopyWithCp(benchmark::State& state)
{
    const fs::path copy = kFolder / "copy";
    const std::string command = "cp -r '" + kChapter.string() + "' '" + copy.string() + "'";
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(copy);
        state.ResumeTiming();
        if (std::system(command.c_str()) != 0)
            state.SkipWithError("cp failed");
    }
}

// Other work on the machine makes single runs noisy: both are repeated in
// random interleaving and compared by their medians.
class MedianReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                seconds_[run.run_name.function_name] =
                    run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
        ConsoleReporter::ReportRuns(runs);
    }

    void PrintSummary() const
    {
        const double pack = seconds_.count("BM_PackChapter") ? seconds_.at("BM_PackChapter") : 0;
        const double copy = seconds_.count("BM_CopyWithCp") ? seconds_.at("BM_CopyWithCp") : 0;
        if (pack <= 0 || copy <= 0) {
            std::printf("packing a chapter vs cp: not measured\n");
            return;
        }
        std::printf("packing 50 pictures of 256 KiB vs cp of the same files (medians): %.1f ms / %.1f ms = %.2fx "
                    "(target <= 1.50x) %s\n",
                    pack * 1e3, copy * 1e3, pack / copy, pack / copy <= 1.5 ? "ok" : "MISSED");
    }

private:
    std::map<std::string, double> seconds_;
};

}  // namespace

BENCHMARK(BM_CopyWithCp)->Unit(benchmark::kMillisecond)->Iterations(5)->Repetitions(9)->UseRealTime();
BENCHMARK(BM_PackChapter)->Unit(benchmark::kMillisecond)->Iterations(5)->Repetitions(9)->UseRealTime();

int main(int argc, char** argv)
{
    fs::remove_all(kFolder);
    Chapter();
    MedianReporter reporter;
    RunInterleaved(argc, argv, reporter);
    fs::remove_all(kFolder);
    return 0;
}
