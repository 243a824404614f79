// One download worker run fetching 300 images of 256 KiB from a local server,
// against a plain libcurl loop that fetches the same addresses into files on
// one handle. Also reports how many UM_PROGRESS notifications the worker posts
// per second, the load it puts on the window.

#include <curl/curl.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <map>
#include <filesystem>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "bench/support/ratio_report.h"
#include "model/file_io.h"
#include "settings/app_settings.h"
#include "tests/transfer/test_server.h"
#include "transfer/download_layout.h"
#include "transfer/download_worker.h"
#include "transfer/notifications.h"

namespace {

constexpr int kImages = 300;
constexpr size_t kImageBytes = 256 * 1024;
constexpr int kPagesPerChapter = 30;

const std::filesystem::path kFolder = std::filesystem::temp_directory_path() / "zumr-bench-transfer";

class CountingWindow : public MainWindowLink {
public:
    void Post(uint32_t message, int32_t, int32_t) override
    {
        if (message == UM_PROGRESS)
            progress.fetch_add(1, std::memory_order_relaxed);
    }
    void ShowBox(std::u16string_view, std::u16string_view) override { boxes.fetch_add(1); }

    std::atomic<int64_t> progress{0};
    std::atomic<int> boxes{0};
};

TestServer& Server()
{
    static TestServer server;
    return server;
}

const std::vector<std::string>& Urls()
{
    static std::vector<std::string> urls;
    if (urls.empty()) {
        for (int i = 0; i < kImages; ++i) {
            const std::string path = "/img/" + std::to_string(i) + ".png";
            std::string body(kImageBytes, '\0');
            for (size_t b = 0; b < body.size(); ++b)
                body[b] = static_cast<char>((b * 31 + static_cast<size_t>(i)) >> 3);
            Server().Serve(path, std::move(body));
            urls.push_back(Server().Url(path));
        }
    }
    return urls;
}

void FreshFolder(const std::filesystem::path& folder)
{
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
}

void BM_WorkerDownload(benchmark::State& state)
{
    CountingWindow window;
    hMainWnd = &window;
    bKeepRunning = 1;
    const std::filesystem::path folder = kFolder / "worker";
    CurSavePath_Set(folder.u16string());
    int64_t progressPosts = 0;
    double seconds = 0;
    for (auto _ : state) {
        state.PauseTiming();
        FreshFolder(folder);
        MangaInfo manga;
        manga.bSkipCovers = 1;
        for (int i = 0; i < kImages; ++i) {
            if (i % kPagesPerChapter == 0) {
                manga.Chaps.emplace_back();
                manga.Chaps.back().Vol = 1;
                manga.Chaps.back().Num = i / kPagesPerChapter + 1;
            }
            PageInfo& page = manga.Chaps.back().Pages.emplace_back();
            page.Url = Urls()[static_cast<size_t>(i)];
            page.UrlSize = static_cast<int32_t>(page.Url->size() + 1);
        }
        window.progress = 0;
        state.ResumeTiming();

        const auto start = std::chrono::steady_clock::now();
        if (Curl_GetCommix(&manga) != 0)
            state.SkipWithError("worker run failed");
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        progressPosts += window.progress.load();
    }
    state.counters["progress_posts_per_s"] = seconds > 0 ? static_cast<double>(progressPosts) / seconds : 0.0;
    hMainWnd = nullptr;
}

size_t WriteToFile(char* data, size_t size, size_t count, void* file)
{
    return std::fwrite(data, size, count, static_cast<std::FILE*>(file));
}

void BM_PlainCurlLoop(benchmark::State& state)
{
    const std::filesystem::path folder = kFolder / "plain";
    for (auto _ : state) {
        state.PauseTiming();
        FreshFolder(folder);
        state.ResumeTiming();

        CURL* easy = curl_easy_init();
        curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &WriteToFile);
        for (int i = 0; i < kImages; ++i) {
            FilePtr file(OpenFile(folder / (std::to_string(i) + ".png"), "wb"));
            curl_easy_setopt(easy, CURLOPT_URL, Urls()[static_cast<size_t>(i)].c_str());
            curl_easy_setopt(easy, CURLOPT_WRITEDATA, static_cast<void*>(file.get()));
            if (curl_easy_perform(easy) != CURLE_OK)
                state.SkipWithError("plain transfer failed");
        }
        curl_easy_cleanup(easy);
    }
}

// Other work on the machine makes single runs noisy: both benchmarks are
// repeated in random interleaving and compared by their medians.
class MedianReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Aggregate || run.aggregate_name != "median")
                continue;
            const std::string& name = run.run_name.function_name;
            seconds_[name] = run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
            if (const auto posts = run.counters.find("progress_posts_per_s"); posts != run.counters.end())
                progressRate_ = posts->second.value;
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void PrintSummary() const
    {
        const auto worker = seconds_.find("BM_WorkerDownload");
        const auto plain = seconds_.find("BM_PlainCurlLoop");
        if (worker == seconds_.end() || plain == seconds_.end() || plain->second <= 0) {
            std::printf("worker download vs plain libcurl loop: not measured\n");
            return;
        }
        const double ratio = worker->second / plain->second;
        std::printf("worker download vs plain libcurl loop (medians): %.1f ms / %.1f ms = %.2fx (target <= 1.10x) %s\n",
                    worker->second * 1e3, plain->second * 1e3, ratio, ratio <= 1.10 ? "ok" : "MISSED");
        std::printf("UM_PROGRESS posts per second during the worker run: %.0f\n", progressRate_);
    }

private:
    std::map<std::string, double> seconds_;
    double progressRate_ = 0;
};

}  // namespace

BENCHMARK(BM_PlainCurlLoop)->Unit(benchmark::kMillisecond)->Iterations(2)->Repetitions(7)->UseRealTime();
BENCHMARK(BM_WorkerDownload)->Unit(benchmark::kMillisecond)->Iterations(2)->Repetitions(7)->UseRealTime();

int main(int argc, char** argv)
{
    Settings_Set(AppSettings_Defaults(kFolder.u16string()));
    Urls();
    MedianReporter reporter;
    RunInterleaved(argc, argv, reporter);
    std::filesystem::remove_all(kFolder);
    return 0;
}
