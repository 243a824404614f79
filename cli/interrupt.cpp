#include "cli/interrupt.h"

#include <csignal>
#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "transfer/notifications.h"

namespace {

volatile std::sig_atomic_t gSignals = 0;

void OnStopSignal(int)
{
    if (gSignals != 0)
        _exit(130);
    gSignals = 1;
    // A lock-free atomic store is safe in a signal handler.
    bKeepRunning.store(0, std::memory_order_release);
}

#ifdef _WIN32
// The console calls this on a thread of its own; returning TRUE keeps the
// process alive so the worker can end and the state reached be saved.
BOOL WINAPI OnConsoleEvent(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT)
        return FALSE;
    OnStopSignal(0);
    return TRUE;
}
#endif

}  // namespace

static_assert(std::atomic<int8_t>::is_always_lock_free, "bKeepRunning must be settable from a signal handler");

void Interrupt_Install()
{
#ifdef _WIN32
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
#else
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
#endif
}

bool Interrupt_Requested()
{
    return gSignals != 0;
}
