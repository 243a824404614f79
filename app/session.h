#pragma once
// One scan or download session, as the window and the command line both run
// it. It owns the record the workers work on, starts a worker on a thread of
// its own and knows when that thread has ended, and is what the workers see
// as the main window (hMainWnd): they post into a coalescing queue (the
// latest progress per row, every other notification in order) and the face is
// woken once per batch, so a flood of progress can neither overflow a
// platform's message queue nor starve the face's thread.
//
// A worker's box travels the same way: the worker waits while the face's
// thread shows it, and a face that is itself waiting for the workers refuses
// it at once instead, so the two never wait for each other.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "model/manga_info.h"
#include "transfer/notification_queue.h"
#include "transfer/notifications.h"

namespace app {

// Queued by the session itself, never by a worker, below the UM_* numbers.
inline constexpr uint32_t kBoxRequest = 1;         // wParam: the box's number
inline constexpr uint32_t kWorkerThreadEnded = 2;  // lParam: the worker's result
// A worker's result when it could not begin (no libcurl handle, no thread)
// and so posted nothing, not even UM_WORKERDONE.
inline constexpr int32_t kWorkerNotStarted = -1;

using WorkerProc = int32_t (*)(MangaInfo*);
// Starts `body` on a new thread at once; false when no thread can be made.
using ThreadStarter = std::function<bool(std::function<void()>)>;

// A detached std::thread; false when the system refuses one.
bool StartDetachedThread(std::function<void()> body);

struct BoxText {
    std::u16string text;
    std::u16string caption;
};

class Session : public MainWindowLink {
public:
    // `wake` is called from any thread when the queue turns non-empty; it must
    // only schedule a Drain on the face's thread. `start` makes the threads.
    explicit Session(std::function<void()> wake = {}, ThreadStarter start = StartDetachedThread);
    // Stops the workers (bKeepRunning) and waits for their threads: a worker
    // never outlives the record it works on.
    ~Session() override;

    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    MangaInfo& Manga() { return manga_; }
    const MangaInfo& Manga() const { return manga_; }

    // Worker side.
    void Post(uint32_t message, int32_t wParam, int32_t lParam) override;
    void ShowBox(std::u16string_view text, std::u16string_view caption) override;

    // Starts `worker` on the record; its thread queues kWorkerThreadEnded once
    // the worker returned. False when no thread could be made.
    bool Start(WorkerProc worker);
    // A worker marks the record busy (BusyCnt).
    bool WorkerRunning() const { return manga_.BusyCnt.load() != 0; }
    // A worker runs, or one of its threads has not yet ended: also the gap
    // between a thread's start and the worker's first step.
    bool ThreadsBusy() const { return WorkerRunning() || threadsAlive_.load() != 0; }

    // Face side, on its thread: every notification queued so far, in order;
    // a box request becomes a call of `showBox`, after which its worker goes
    // on. A box shown that way may run a nested event loop which drains
    // again; that batch is taken once this one is done.
    void Drain(const std::function<void(const Notification&)>& notify,
               const std::function<void(const BoxText&)>& showBox);

    // Waits on the face's thread until no worker thread is left, refusing
    // worker boxes meanwhile; `poll` runs every few milliseconds.
    void WaitForWorkers(const std::function<void()>& poll = {});
    // Lowers bKeepRunning, waits for the workers (those that have started a
    // thread but not yet marked the record busy too: they see the lowered
    // flag as their first check) and raises the flag again.
    void Cancel(const std::function<void()>& poll = {});

    // The command line's loop: starts `worker`, drains on the calling thread
    // (gathering a few milliseconds so that progress coalesces), runs `tick`
    // at least every `tickEvery`, and returns the worker's result once its
    // thread has ended. The session must be hMainWnd meanwhile.
    int32_t Run(WorkerProc worker, const std::function<void(const Notification&)>& notify,
                const std::function<void(const BoxText&)>& showBox, const std::function<void()>& tick,
                std::chrono::milliseconds tickEvery = std::chrono::milliseconds(100));

private:
    void Deliver(const std::vector<Notification>& batch, const std::function<void(const Notification&)>& notify,
                 const std::function<void(const BoxText&)>& showBox);
    // The box a worker still waits on; nothing once it was answered or refused.
    std::optional<BoxText> PendingBox(int32_t number) const;
    void AnswerBox(int32_t number);
    void RefuseBoxes();
    void AllowBoxes();

    MangaInfo manga_;
    std::function<void()> wake_;
    ThreadStarter start_;
    NotificationQueue queue_;
    std::atomic<int32_t> threadsAlive_{0};
    bool draining_ = false;
    bool drainAgain_ = false;

    mutable std::mutex boxLock_;
    std::condition_variable boxDone_;
    std::vector<BoxText> boxes_;  // by number; emptied when answered
    std::vector<bool> boxOpen_;   // by number: the worker still waits
    bool refuse_ = false;
};

// Makes `session` the main window for as long as it lives.
class MainWindowScope {
public:
    explicit MainWindowScope(MainWindowLink& window) { hMainWnd.store(&window, std::memory_order_release); }
    ~MainWindowScope() { hMainWnd.store(nullptr, std::memory_order_release); }
    MainWindowScope(const MainWindowScope&) = delete;
    MainWindowScope& operator=(const MainWindowScope&) = delete;
};

}  // namespace app
