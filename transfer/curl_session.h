#pragma once
// The one place that talks to libcurl. A later Windows build loads the
// library at run time, so nothing else includes its header.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "model/manga_info.h"
#include "transfer/sinks.h"

// CURLcode values the workers look at.
inline constexpr int32_t kCurlOk = 0;
inline constexpr int32_t kCurlUrlMalformat = 3;          // CURLE_URL_MALFORMAT
inline constexpr int32_t kCurlWriteError = 23;          // CURLE_WRITE_ERROR
inline constexpr int32_t kCurlHttpReturnedError = 22;   // CURLE_HTTP_RETURNED_ERROR
inline constexpr int32_t kCurlAbortedByCallback = 42;   // CURLE_ABORTED_BY_CALLBACK

// libcurl's own text for a CURLcode.
std::string Curl_ErrorText(int32_t code);

// One easy handle for one worker run, reused for all of the run's transfers.
// Every transfer fails on HTTP error replies (so an error page is never taken
// for an image or a reader page), follows up to 10 redirects, and reports
// progress so that a cancel ends it even while no data arrives.
class CurlSession {
public:
    CurlSession();
    ~CurlSession();
    CurlSession(const CurlSession&) = delete;
    CurlSession& operator=(const CurlSession&) = delete;

    // False when libcurl could not make a handle.
    bool Valid() const { return handle_ != nullptr; }

    // nullopt or an empty text leaves the header out.
    void SetUserAgent(const OptString& userAgent);

    // The next transfers collect their body in `buffer`.
    void UseMemorySink(MemBuffer* buffer);
    // The next transfers write their body into `file`.
    void UseFileSink(std::FILE* file);
    // Row key for UM_PROGRESS, read at each report; null = report nothing.
    void SetProgressKey(const int32_t* rowKey);

    // Fetches `url`; returns the CURLcode. A transfer that a cancel ended,
    // whichever callback noticed it first, returns the write error.
    int32_t Perform(const std::string& url);

private:
    void* handle_ = nullptr;
};
