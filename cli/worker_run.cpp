#include "cli/worker_run.h"

#include <thread>
#include <vector>

int32_t RunWorker(WorkerProc worker, MangaInfo& manga, CliWindow& window,
                  const std::function<void(const Notification&)>& handle, const std::function<void()>& tick,
                  std::chrono::milliseconds tickEvery)
{
    // The worker posts UM_WORKERDONE itself, but not when it could not even
    // start (no libcurl handle), so its thread's own end is queued as well.
    std::thread thread([&] {
        const int32_t result = worker(&manga);
        window.queue.Push(kCliWorkerExit, 0, result);
    });
    int32_t result = 0;
    bool ended = false;
    std::vector<Notification> batch;
    // Draining at most every few milliseconds lets progress reports pile up
    // into one entry per row instead of waking this thread for each of them.
    constexpr auto kGather = std::chrono::milliseconds(10);
    auto lastTake = std::chrono::steady_clock::now() - kGather;
    while (!ended) {
        const auto since = std::chrono::steady_clock::now() - lastTake;
        if (since < kGather)
            std::this_thread::sleep_for(kGather - since);
        batch.clear();
        window.queue.WaitAndTake(batch, tickEvery);
        lastTake = std::chrono::steady_clock::now();
        for (const Notification& notification : batch) {
            if (notification.message == kCliWorkerExit) {
                result = notification.lParam;
                ended = true;
            } else {
                handle(notification);
            }
        }
        tick();
    }
    thread.join();
    return result;
}
