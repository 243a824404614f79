#pragma once
// The command line's stand-in for the main window: notifications go into a
// bounded queue that the main thread drains; a box cannot be clicked away
// here, so it is queued as a notice for the main thread to print and the
// worker goes on at once.

#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "transfer/notification_queue.h"
#include "transfer/notifications.h"

// Queued by the window itself, never by a worker.
inline constexpr uint32_t kCliBoxShown = 1;     // wParam = index into the boxes
inline constexpr uint32_t kCliWorkerExit = 2;   // lParam = the worker's return value

struct CliBox {
    std::u16string text;
    std::u16string caption;
};

class CliWindow : public MainWindowLink {
public:
    void Post(uint32_t message, int32_t wParam, int32_t lParam) override { queue.Push(message, wParam, lParam); }

    void ShowBox(std::u16string_view text, std::u16string_view caption) override
    {
        int32_t index = 0;
        {
            std::lock_guard<std::mutex> guard(boxLock_);
            index = static_cast<int32_t>(boxes_.size());
            boxes_.push_back(CliBox{std::u16string(text), std::u16string(caption)});
        }
        queue.Push(kCliBoxShown, index, 0);
    }

    CliBox Box(int32_t index) const
    {
        std::lock_guard<std::mutex> guard(boxLock_);
        return index >= 0 && static_cast<size_t>(index) < boxes_.size() ? boxes_[static_cast<size_t>(index)] : CliBox{};
    }

    NotificationQueue queue;

private:
    mutable std::mutex boxLock_;
    std::vector<CliBox> boxes_;
};
