// One download worker run fetching 300 images of 256 KiB from a local server,
// against a plain libcurl loop that fetches the same addresses into files on
// one handle. Also reports how many UM_PROGRESS notifications the worker posts
// per second, the load it puts on the window.

#include <curl/curl.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/support/ratio_report.h"
#include "model/file_io.h"
#include "settings/app_settings.h"
#include "tests/transfer/test_server.h"
#include "transfer/download_worker.h"
#include "transfer/notifications.h"
#include "transfer/output_paths.h"

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

}  // namespace

BENCHMARK(BM_PlainCurlLoop)->Unit(benchmark::kMillisecond)->Iterations(8)->UseRealTime();
BENCHMARK(BM_WorkerDownload)->Unit(benchmark::kMillisecond)->Iterations(8)->UseRealTime();

int main(int argc, char** argv)
{
    Settings_Set(AppSettings_Defaults(kFolder.u16string()));
    Urls();
    benchmark::Initialize(&argc, argv);
    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio("worker download vs plain libcurl loop", "BM_WorkerDownload/iterations:8/real_time",
                        "BM_PlainCurlLoop/iterations:8/real_time", 1.10);
    benchmark::Shutdown();
    std::filesystem::remove_all(kFolder);
    return 0;
}
