#pragma once
// Where the bytes of a transfer go, and what the window hears while they
// arrive. These run inside the transfer on the worker's thread.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

// A page body collected in memory. std::string keeps a zero byte after the
// data, so a parser may treat it as a zero-terminated text.
struct MemBuffer {
    std::string data;

    int32_t size() const { return static_cast<int32_t>(data.size()); }
    bool empty() const { return data.empty(); }
    void Clear() { std::string().swap(data); }
};

// A broken or hostile server must not be able to exhaust memory with one
// page: title and reader pages are a few hundred KiB at most.
inline constexpr size_t kMaxPageBytes = size_t{64} << 20;

// Write callback of the page-fetch worker; `buffer` is a MemBuffer*.
// Returns the bytes taken; anything else makes libcurl end the transfer with
// its write error (cancel, a page past kMaxPageBytes, no memory).
size_t Curl_WriteMemory(const char* data, size_t itemSize, size_t itemCount, void* buffer);

// Write callback of the download worker; `file` is the std::FILE* being written.
size_t Curl_WriteFile(const char* data, size_t itemSize, size_t itemCount, void* file);

// The UM_PROGRESS value: a whole percent while the size is known, minus the
// bytes received so far while it is not.
int32_t ProgressValue(int64_t expectedTotal, int64_t receivedNow);
