#include "ui/window_link.h"

#include <chrono>

namespace ui {

WindowLink::WindowLink(std::function<void()> wake) : wake_(std::move(wake)) {}

void WindowLink::Post(uint32_t message, int32_t wParam, int32_t lParam)
{
    if (queue_.Push(message, wParam, lParam) && wake_)
        wake_();
}

void WindowLink::ShowBox(std::u16string_view text, std::u16string_view caption)
{
    int32_t number = 0;
    {
        std::lock_guard<std::mutex> guard(boxLock_);
        if (refuse_)
            return;
        number = static_cast<int32_t>(boxes_.size());
        boxes_.push_back(BoxText{std::u16string(text), std::u16string(caption)});
        boxOpen_.push_back(true);
    }
    Post(kBoxRequest, number, 0);
    std::unique_lock<std::mutex> guard(boxLock_);
    boxDone_.wait(guard, [&] { return !boxOpen_[static_cast<size_t>(number)]; });
}

std::vector<Notification> WindowLink::TakeBatch()
{
    std::vector<Notification> batch;
    queue_.WaitAndTake(batch, std::chrono::milliseconds(0));
    return batch;
}

WindowLink::BoxText WindowLink::PendingBox(int32_t number) const
{
    std::lock_guard<std::mutex> guard(boxLock_);
    if (number < 0 || static_cast<size_t>(number) >= boxes_.size() || !boxOpen_[static_cast<size_t>(number)])
        return {};
    return boxes_[static_cast<size_t>(number)];
}

void WindowLink::AnswerBox(int32_t number)
{
    {
        std::lock_guard<std::mutex> guard(boxLock_);
        if (number < 0 || static_cast<size_t>(number) >= boxes_.size())
            return;
        boxOpen_[static_cast<size_t>(number)] = false;
        boxes_[static_cast<size_t>(number)] = {};
    }
    boxDone_.notify_all();
}

void WindowLink::RefuseBoxes()
{
    {
        std::lock_guard<std::mutex> guard(boxLock_);
        refuse_ = true;
        for (size_t i = 0; i < boxOpen_.size(); ++i) {
            boxOpen_[i] = false;
            boxes_[i] = {};
        }
    }
    boxDone_.notify_all();
}

void WindowLink::AllowBoxes()
{
    std::lock_guard<std::mutex> guard(boxLock_);
    refuse_ = false;
}

}  // namespace ui
