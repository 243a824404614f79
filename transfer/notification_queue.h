#pragma once
// The worker notifications on their way to the window's (or the command
// line's) main thread.
// A fast transfer posts thousands of UM_PROGRESS a second; only the latest
// value per row is worth showing, so a row's progress waiting in the queue is
// overwritten in place instead of queued again. Every other notification is
// kept, in order. The queue thus never holds more progress entries than rows
// plus other notifications.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <unordered_map>
#include <vector>

struct Notification {
    uint32_t message = 0;
    int32_t wParam = 0;
    int32_t lParam = 0;
    // When it was posted (for a coalesced progress entry: its latest value),
    // so rates stay right although the queue is drained in batches.
    std::chrono::steady_clock::time_point posted{};

    bool operator==(const Notification& other) const
    {
        return message == other.message && wParam == other.wParam && lParam == other.lParam;
    }
};

class NotificationQueue {
public:
    // Called from the worker thread; holds the lock only for the push itself.
    // Returns true when the queue was empty before: the one push of a batch
    // after which a consumer that sleeps between batches must be woken.
    bool Push(uint32_t message, int32_t wParam, int32_t lParam);

    // Waits up to `timeout` for notifications, then moves all pending ones into
    // `out` (appended, in order). Returns false when nothing came.
    bool WaitAndTake(std::vector<Notification>& out, std::chrono::milliseconds timeout);

    // Ends a wait early (a signal arrived, for instance).
    void Wake();

    size_t Pending() const;

private:
    mutable std::mutex lock_;
    std::condition_variable ready_;
    std::deque<Notification> queue_;
    uint64_t firstSeq_ = 0;  // sequence number of queue_.front()
    // Row -> sequence number of its UM_PROGRESS still queued with nothing newer
    // for that row behind it.
    std::unordered_map<int32_t, uint64_t> progressAt_;
    bool woken_ = false;
};
