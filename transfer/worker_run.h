#pragma once
// What both workers do around their own work: mark the record busy, make the
// run's libcurl session from the settings, and tell the window when the run
// is over.

#include <cstdint>
#include <functional>

#include "model/manga_info.h"
#include "transfer/curl_session.h"

// wParam of UM_WORKERDONE.
inline constexpr int32_t kPageFetchWorker = 0;
inline constexpr int32_t kDownloadWorker = 1;

// The session options the settings give: Connections, Retries, Proxy, UserAgent.
SessionOptions SessionOptions_FromSettings();

// Runs `work` with the record's BusyCnt raised and posts UM_WORKERDONE
// (worker, result) after lowering it. Returns the result of `work`, or -1 with
// nothing posted when there is no record or libcurl could not make its handles.
int32_t RunWorker(MangaInfo* manga, int32_t worker, const std::function<int32_t(CurlSession&)>& work);
