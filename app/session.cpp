#include "app/session.h"

#include <system_error>
#include <thread>

namespace app {
namespace {

// The wait returns this soon after the last worker thread has ended.
constexpr auto kWaitStep = std::chrono::milliseconds(10);
// The command line drains at most this often, so that progress reports pile
// up into one entry per row instead of waking its thread for each of them.
constexpr auto kGather = std::chrono::milliseconds(10);

}  // namespace

bool StartDetachedThread(std::function<void()> body)
{
    try {
        std::thread(std::move(body)).detach();
        return true;
    } catch (const std::system_error&) {
        return false;
    }
}

Session::Session(std::function<void()> wake, ThreadStarter start) : wake_(std::move(wake)), start_(std::move(start))
{
}

Session::~Session()
{
    if (!ThreadsBusy())
        return;
    bKeepRunning = 0;
    RefuseBoxes();
    while (ThreadsBusy())
        std::this_thread::sleep_for(kWaitStep);
}

void Session::Post(uint32_t message, int32_t wParam, int32_t lParam)
{
    if (queue_.Push(message, wParam, lParam) && wake_)
        wake_();
}

void Session::ShowBox(std::u16string_view text, std::u16string_view caption)
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

bool Session::Start(WorkerProc worker)
{
    // The thread reports its own end as well: a worker that could not even
    // begin posts nothing, and the face must neither wait for ever nor let
    // the session go while the thread still touches it.
    ++threadsAlive_;
    if (start_ && start_([this, worker] {
            Post(kWorkerThreadEnded, 0, worker(&manga_));
            --threadsAlive_;
        }))
        return true;
    --threadsAlive_;
    return false;
}

void Session::Drain(const std::function<void(const Notification&)>& notify,
                    const std::function<void(const BoxText&)>& showBox)
{
    if (draining_) {
        drainAgain_ = true;
        return;
    }
    draining_ = true;
    std::vector<Notification> batch;
    do {
        drainAgain_ = false;
        batch.clear();
        queue_.WaitAndTake(batch, std::chrono::milliseconds(0));
        Deliver(batch, notify, showBox);
    } while (drainAgain_);
    draining_ = false;
}

void Session::Deliver(const std::vector<Notification>& batch, const std::function<void(const Notification&)>& notify,
                      const std::function<void(const BoxText&)>& showBox)
{
    for (const Notification& n : batch) {
        if (n.message != kBoxRequest) {
            notify(n);
            continue;
        }
        const std::optional<BoxText> box = PendingBox(n.wParam);
        if (!box)
            continue;  // refused while the face waited
        showBox(*box);
        AnswerBox(n.wParam);
    }
}

void Session::WaitForWorkers(const std::function<void()>& poll)
{
    RefuseBoxes();
    while (ThreadsBusy()) {
        if (poll)
            poll();
        std::this_thread::sleep_for(kWaitStep);
    }
    AllowBoxes();
}

void Session::Cancel(const std::function<void()>& poll)
{
    bKeepRunning = 0;
    if (ThreadsBusy())
        WaitForWorkers(poll);
    bKeepRunning = 1;
}

int32_t Session::Run(WorkerProc worker, const std::function<void(const Notification&)>& notify,
                     const std::function<void(const BoxText&)>& showBox, const std::function<void()>& tick,
                     std::chrono::milliseconds tickEvery)
{
    if (!Start(worker))
        return kWorkerNotStarted;
    int32_t result = 0;
    bool ended = false;
    const auto take = [&](const Notification& n) {
        if (n.message == kWorkerThreadEnded) {
            result = n.lParam;
            ended = true;
        } else {
            notify(n);
        }
    };
    std::vector<Notification> batch;
    auto lastTake = std::chrono::steady_clock::now() - kGather;
    while (!ended) {
        const auto since = std::chrono::steady_clock::now() - lastTake;
        if (since < kGather)
            std::this_thread::sleep_for(kGather - since);
        batch.clear();
        queue_.WaitAndTake(batch, tickEvery);
        lastTake = std::chrono::steady_clock::now();
        Deliver(batch, take, showBox);
        tick();
    }
    while (threadsAlive_.load() != 0)
        std::this_thread::yield();
    return result;
}

std::optional<BoxText> Session::PendingBox(int32_t number) const
{
    std::lock_guard<std::mutex> guard(boxLock_);
    if (number < 0 || static_cast<size_t>(number) >= boxes_.size() || !boxOpen_[static_cast<size_t>(number)])
        return std::nullopt;
    return boxes_[static_cast<size_t>(number)];
}

void Session::AnswerBox(int32_t number)
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

void Session::RefuseBoxes()
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

void Session::AllowBoxes()
{
    std::lock_guard<std::mutex> guard(boxLock_);
    refuse_ = false;
}

}  // namespace app
