#pragma once
// Common ground for the worker tests: a window stand-in that records what the
// workers tell it, a manga on the local server, and a fixture that puts
// hMainWnd, bKeepRunning and the settings back as they were.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
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
#include "transfer/notifications.h"
#include "transfer/output_paths.h"

// Keeps every notification but UM_PROGRESS, and every box, as text in order
// ("UPD 2 1", "BOX caption | text").
class RecordingWindow : public MainWindowLink {
public:
    void Post(uint32_t message, int32_t wParam, int32_t lParam) override
    {
        static const char* const kNames[] = {"LOADED", "UPD", "PROG", "DONE", "ERR"};
        std::lock_guard guard(lock_);
        if (message != UM_PROGRESS || keepProgress) {
            events_.push_back(std::string(kNames[(message - UM_MANGALOADED) % 5]) + " " + std::to_string(wParam) + " " +
                              std::to_string(lParam));
            return;
        }
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

    std::vector<std::string> Events() const
    {
        std::lock_guard guard(lock_);
        return events_;
    }

    // The row keys of the progress reports that told of data, each run of one key once.
    std::vector<int32_t> ProgressKeys() const
    {
        std::lock_guard guard(lock_);
        return progressKeys_;
    }

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

// Every regular file below the folder, relative to it, sorted.
// A path as UTF-8 with "/" between its parts, and back: on Windows the 8-bit
// forms of a path are in the system code page, which loses Cyrillic names.
inline std::string Utf8Name(const std::filesystem::path& path)
{
    const std::u8string text = path.generic_u8string();
    return std::string(text.begin(), text.end());
}
inline std::filesystem::path PathFromUtf8(const std::string& text)
{
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

inline std::vector<std::string> FilesBelow(const std::filesystem::path& root)
{
    std::vector<std::string> files;
    if (std::filesystem::exists(root))
        for (const auto& entry : std::filesystem::recursive_directory_iterator(root))
            if (entry.is_regular_file())
                files.push_back(Utf8Name(std::filesystem::relative(entry.path(), root)));
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
    // stall, cancels as the user would; the cancel must end the run within seconds.
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
        const auto cancelled = std::chrono::steady_clock::now();
        if (!done)
            bKeepRunning = 0;
        worker.join();
        EXPECT_LT(std::chrono::steady_clock::now() - cancelled, std::chrono::seconds(5));
        return result;
    }
};

// Pictures of every kind the check knows, whole, as (name, body).
inline std::vector<std::pair<std::string, std::string>> WholePictures()
{
    const std::string filler = ImageBytes("/p").substr(0, 3000);
    const std::string webp = "WEBPVP8 " + filler;
    const auto le32 = [](size_t n) { return std::string{char(n), char(n >> 8), char(n >> 16), char(n >> 24)}; };
    return {{"png", "\x89PNG\r\n\x1a\n" + filler + std::string("\0\0\0\0IEND\xae\x42\x60\x82", 12)},
            {"jpeg", "\xff\xd8\xff\xe0" + filler + "\xff\xd9"},
            {"gif", "GIF89a" + filler + ";"},
            {"webp", "RIFF" + le32(webp.size()) + webp},
            {"bmp", "BM" + filler},
            {"avif", std::string("\0\0\0\x1c" "ftypavif", 12) + filler},
            {"unknown binary", ImageBytes("/x")}};
}

// Bodies that are not whole pictures, as (name, body).
inline std::vector<std::pair<std::string, std::string>> BrokenPictures()
{
    std::vector<std::pair<std::string, std::string>> broken;
    for (const auto& [name, body] : WholePictures())
        if (name == "png" || name == "jpeg" || name == "gif" || name == "webp")
            broken.emplace_back(name + " cut short", body.substr(0, body.size() - 40));
    broken.emplace_back("html", " \r\n<!DOCTYPE html><html><body>404</body></html>");
    broken.emplace_back("xml after a BOM", "\xef\xbb\xbf<?xml version=\"1.0\"?><Error/>");
    broken.emplace_back("empty", "");
    broken.emplace_back("blanks", std::string(600, ' '));
    return broken;
}
