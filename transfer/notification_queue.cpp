#include "transfer/notification_queue.h"

#include "transfer/notifications.h"

bool NotificationQueue::Push(uint32_t message, int32_t wParam, int32_t lParam)
{
    const auto now = std::chrono::steady_clock::now();
    bool wasEmpty = false;
    {
        std::lock_guard<std::mutex> guard(lock_);
        wasEmpty = queue_.empty();
        if (message == UM_PROGRESS) {
            auto found = progressAt_.find(wParam);
            if (found != progressAt_.end()) {
                Notification& pending = queue_[static_cast<size_t>(found->second - firstSeq_)];
                pending.lParam = lParam;
                pending.posted = now;
                return false;  // the consumer is already due to wake for it
            }
            progressAt_[wParam] = firstSeq_ + queue_.size();
        } else if (message == UM_UPDATELLW || message == UM_ERRORCODE) {
            // A later progress value of this row must come after this one.
            progressAt_.erase(wParam);
        } else {
            progressAt_.clear();
        }
        queue_.push_back(Notification{message, wParam, lParam, now});
    }
    // The consumer takes everything at once, so only the first push after a
    // take needs to wake it; a wake per progress report would cost the worker
    // its CPU.
    if (wasEmpty)
        ready_.notify_one();
    return wasEmpty;
}

bool NotificationQueue::WaitAndTake(std::vector<Notification>& out, std::chrono::milliseconds timeout)
{
    std::unique_lock<std::mutex> guard(lock_);
    ready_.wait_for(guard, timeout, [this] { return !queue_.empty() || woken_; });
    woken_ = false;
    if (queue_.empty())
        return false;
    out.insert(out.end(), queue_.begin(), queue_.end());
    firstSeq_ += queue_.size();
    queue_.clear();
    progressAt_.clear();
    return true;
}

void NotificationQueue::Wake()
{
    {
        std::lock_guard<std::mutex> guard(lock_);
        woken_ = true;
    }
    ready_.notify_one();
}

size_t NotificationQueue::Pending() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return queue_.size();
}
