#pragma once
// Runs one worker on its own thread while the calling (main) thread drains
// the notifications, the way the window's message loop does.

#include <chrono>
#include <cstdint>
#include <functional>

#include "cli/cli_window.h"
#include "model/manga_info.h"

using WorkerProc = int32_t (*)(MangaInfo*);

// `handle` sees every notification in order (boxes as kCliBoxShown); `tick`
// runs at least every `tickEvery`. Returns the worker's result. The window
// must be hMainWnd for the whole run.
int32_t RunWorker(WorkerProc worker, MangaInfo& manga, CliWindow& window,
                  const std::function<void(const Notification&)>& handle, const std::function<void()>& tick,
                  std::chrono::milliseconds tickEvery = std::chrono::milliseconds(100));
