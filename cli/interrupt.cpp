#include "cli/interrupt.h"

#include <csignal>
#include <unistd.h>

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

}  // namespace

static_assert(std::atomic<int8_t>::is_always_lock_free, "bKeepRunning must be settable from a signal handler");

void Interrupt_Install()
{
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

bool Interrupt_Requested()
{
    return gSignals != 0;
}
