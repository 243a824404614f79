#pragma once
// The window's logic over fake views, with the real workers behind it and
// the test's thread as the window's thread.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "settings/app_settings.h"
#include "tests/ui/fake_views.h"
#include "transfer/notifications.h"
#include "ui/main_window.h"

namespace zt {

struct WindowHarness {
    explicit WindowHarness(std::u16string_view programFolder = u"")
    {
        Settings_Set(AppSettings_Defaults(programFolder));
        bKeepRunning = 1;
        list.onCheckChanged = [this](int32_t row, bool checked) { window.OnListCheckChanged(row, checked); };
    }
    ~WindowHarness() { hMainWnd = nullptr; }

    // Creation as the start-up does it: geometry, initialisation, shown.
    void Open()
    {
        window.OnCreate();
        window.OnInitDialog();
        hMainWnd = &window.Link();
    }

    // Runs the window's side of the notifications until `done` holds.
    template <typename Pred>
    bool PumpUntil(Pred done, std::chrono::milliseconds limit = std::chrono::seconds(20))
    {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (!done()) {
            if (std::chrono::steady_clock::now() > end)
                return false;
            window.OnWake();
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        window.OnWake();
        return true;
    }

    bool Idle() { return view.Enabled(ui::kIdOk) && !window.WorkerRunning(); }

    FakeWindowView view;
    FakeListView list;
    ui::MainWindow window{view, list, [] {}};
};

}  // namespace zt
