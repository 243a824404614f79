#pragma once
// Common ground for the worker tests: a local server, a recording window in
// hMainWnd, settings at their defaults and a fresh download folder.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "settings/app_settings.h"
#include "tests/support/temp_dir.h"
#include "tests/transfer/recording_window.h"
#include "tests/transfer/site_pages.h"
#include "tests/transfer/test_server.h"
#include "transfer/notifications.h"
#include "transfer/output_paths.h"

class WorkerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        hMainWnd = &window;
        bKeepRunning = 1;
        Settings_Set(AppSettings_Defaults(dir.path().u16string()));
        savePath = dir / "Manga";
        CurSavePath_Set(savePath.u16string());
    }

    void TearDown() override
    {
        hMainWnd = nullptr;
        bKeepRunning = 1;
        Settings_Set(AppSettings_Defaults(u""));
    }

    static void ChangeSettings(const std::function<void(AppSettings&)>& change) { Settings_Update(change); }

    // Cancels as the window would, once the first bytes of a transfer for
    // `rowKey` have been reported.
    void CancelWhenDataArrives(int32_t rowKey)
    {
        window.onPost = [rowKey](uint32_t message, int32_t wParam, int32_t lParam) {
            if (message == UM_PROGRESS && wParam == rowKey && lParam != 0)
                bKeepRunning = 0;
        };
    }

    // Every regular file below the folder, as paths relative to it.
    static std::vector<std::string> FilesBelow(const std::filesystem::path& root)
    {
        std::vector<std::string> files;
        if (!std::filesystem::exists(root))
            return files;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(root))
            if (entry.is_regular_file())
                files.push_back(std::filesystem::relative(entry.path(), root).generic_string());
        std::sort(files.begin(), files.end());
        return files;
    }

    TempDir dir;
    std::filesystem::path savePath;
    TestServer server;
    RecordingWindow window;
};
