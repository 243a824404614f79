#pragma once
// The seam between the workers and the window's thread. Workers post into a
// coalescing queue (the latest progress per row, every other notification in
// order) and the window is woken once per batch, so a flood of progress can
// neither overflow a platform's message queue nor starve the window. A
// worker's box travels the same way: the worker waits while the window's
// thread shows it, and a window that is itself waiting for the workers
// refuses it at once instead, so the two can never wait for each other.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "transfer/notification_queue.h"
#include "transfer/notifications.h"

namespace ui {

// Queued for the window's thread when a worker asks for a box; wParam is the
// box's number.
inline constexpr uint32_t kBoxRequest = 1;

class WindowLink : public MainWindowLink {
public:
    // `wake` is called from any thread when the queue turns non-empty; it must
    // only schedule a call of the window's drain on the window's thread.
    explicit WindowLink(std::function<void()> wake);

    // Worker side.
    void Post(uint32_t message, int32_t wParam, int32_t lParam) override;
    void ShowBox(std::u16string_view text, std::u16string_view caption) override;

    // Window side: everything queued so far, in order (empty when nothing).
    std::vector<Notification> TakeBatch();

    struct BoxText {
        std::u16string text;
        std::u16string caption;
    };
    // The texts of a requested box; empty once it has been answered.
    BoxText PendingBox(int32_t number) const;
    // Lets the worker waiting for box `number` go on.
    void AnswerBox(int32_t number);
    // From now on (until AllowBoxes) every box is answered at once without
    // being shown, including those already queued.
    void RefuseBoxes();
    void AllowBoxes();

private:
    std::function<void()> wake_;
    NotificationQueue queue_;

    mutable std::mutex boxLock_;
    std::condition_variable boxDone_;
    std::vector<BoxText> boxes_;       // by number; emptied when answered
    std::vector<bool> boxOpen_;        // by number: the worker still waits
    bool refuse_ = false;
};

}  // namespace ui
