#pragma once
// Common ground for the worker tests: a window stand-in that records what the
// workers tell it, a manga on the local server, pictures whole and broken, and
// a fixture that puts hMainWnd, bKeepRunning and the settings back.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "model/text_codec.h"
#include "settings/app_settings.h"
#include "tests/transfer/site_pages.h"
#include "tests/transfer/test_server.h"
#include "transfer/download_layout.h"
#include "transfer/notifications.h"

// Keeps every notification but UM_PROGRESS, and every box, as text in order
// ("UPD 2 1", "BOX caption | text").
class RecordingWindow : public MainWindowLink {
public:
    void Post(uint32_t message, int32_t wParam, int32_t lParam) override
    {
        static const char* const kNames[] = {"LOADED", "UPD", "PROG", "DONE", "ERR"};
        std::lock_guard guard(lock_);
        if (message != UM_PROGRESS || keepProgress)
            return events_.push_back(std::string(kNames[(message - UM_MANGALOADED) % 5]) + " " +
                                     std::to_string(wParam) + " " + std::to_string(lParam));
        if (lParam != 0 && (progressKeys_.empty() || progressKeys_.back() != wParam))
            progressKeys_.push_back(wParam);
        if (lParam != 0 && wParam == cancelOnDataFor)
            bKeepRunning = 0;  // as the user would on seeing the transfer start
    }
    void ShowBox(std::u16string_view text, std::u16string_view caption) override
    {
        std::lock_guard guard(lock_);
        events_.push_back("BOX " + Utf16ToUtf8(caption) + " | " + Utf16ToUtf8(text));
    }
    std::vector<std::string> Events() const { return std::lock_guard(lock_), events_; }
    // The row keys of the progress reports that told of data, each run of one key once.
    std::vector<int32_t> ProgressKeys() const { return std::lock_guard(lock_), progressKeys_; }

    int32_t cancelOnDataFor = -1;  // a row key; set before the worker starts
    bool keepProgress = false;     // UM_PROGRESS among the events too

private:
    mutable std::mutex lock_;
    std::vector<std::string> events_;
    std::vector<int32_t> progressKeys_;
};

// Bytes that differ per path and are not text, so that an error page or a
// wrong or cut file shows at once.
inline std::string ImageBytes(const std::string& path)
{
    std::string bytes = path;
    for (uint32_t state = 1; bytes.size() < 20000; state = state * 1664525u + 1013904223u)
        bytes += static_cast<char>(state >> 24);
    return bytes;
}

// A manga at /m with the cover /c/c1.png and `chapters` chapters in volume 1,
// newest first as on the sites; chapters 1 and 3 have names. Chapter n's
// reader page at /m/vol1/<n> lists the images /img/<n>/<j>.png, j = 1..pages;
// odd chapters use the variable form, even ones the call form. Returns what
// is served, by path.
inline std::map<std::string, std::string> ServeManga(TestServer& site, int chapters, int pages)
{
    std::map<std::string, std::string> served{{"/c/c1.png", ImageBytes("/c/c1.png")}};
    std::vector<SiteChapterLink> links;
    for (int n = chapters; n >= 1; --n) {
        const std::string folder = "img/" + std::to_string(n) + "/";
        std::vector<std::string> files;
        for (int j = 1; j <= pages; ++j) {
            files.push_back(std::to_string(j) + ".png");
            served["/" + folder + files.back()] = ImageBytes("/" + folder + files.back());
        }
        links.push_back({"/m/vol1/" + std::to_string(n),
                         "Manga 1 - " + std::to_string(n) + (n == 1 ? " Первая" : n == 3 ? " Кто там?" : "")});
        served[links.back().href] = SiteReaderPage(n % 2 == 0, site.Url(""), folder, files);
    }
    served["/m"] = SiteTitlePage("Manga", "/c/c1.png", links);
    for (const auto& [path, body] : served)
        site.Serve(path, body);
    return served;
}

// Paths as UTF-8 with "/" between their parts: on Windows the 8-bit forms of
// a path are in the system code page, which loses Cyrillic names.
inline std::filesystem::path PathFromUtf8(const std::string& text)
{
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

// Every regular file below the folder, relative to it, sorted.
inline std::vector<std::string> FilesBelow(const std::filesystem::path& root)
{
    std::vector<std::string> files;
    if (std::filesystem::exists(root))
        for (const auto& entry : std::filesystem::recursive_directory_iterator(root))
            if (const std::u8string name = relative(entry.path(), root).generic_u8string(); entry.is_regular_file())
                files.emplace_back(name.begin(), name.end());
    std::sort(files.begin(), files.end());
    return files;
}

// Settings at their defaults, transfers allowed, `window` in hMainWnd.
inline void ResetForWorkers(MainWindowLink* window)
{
    hMainWnd = window;
    bKeepRunning = 1;
    Settings_Set(AppSettings_Defaults(u""));
}

class WorkerTest : public ::testing::Test {
protected:
    void TearDown() override { ResetForWorkers(nullptr); }

    // Runs a worker on a thread of its own and, should a reply of `server`
    // stall, cancels as the user would (a cancel that did not end the run
    // would hang the test).
    static int32_t RunCancellingOnStall(const TestServer& server, const std::function<int32_t()>& work)
    {
        std::atomic<bool> done{false};
        int32_t result = -1;
        std::thread worker([&] {
            result = work();
            done = true;
        });
        while (!done && !server.Stalled())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        if (!done)
            bKeepRunning = 0;
        worker.join();
        return result;
    }
};
