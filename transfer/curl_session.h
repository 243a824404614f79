#pragma once
// The one place that runs libcurl transfers. One session per worker run: a multi
// handle with as many easy handles as transfers may run at once, reused for
// all of the run's transfers, so connections are kept and, where a server
// offers HTTP/2, shared.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "model/manga_info.h"
#include "transfer/curl_codes.h"
#include "transfer/row_progress.h"

// One item to fetch: where its body goes, and which row hears of its progress.
class Transfer {
public:
    virtual ~Transfer() = default;
    // Readies the sink for a try (the first or a new one); false when it
    // cannot be, which fails the try with the write error.
    virtual bool Begin() = 0;
    // Takes a chunk of the body; returns the bytes taken (fewer end the try
    // with the write error).
    virtual size_t Take(const char* data, size_t size) = 0;
    // After a try libcurl calls a success: 0 to accept the body, or the code
    // of a failure (kNotAPicture).
    virtual int32_t Check() { return kCurlOk; }

    std::string url;
    int32_t row = -1;  // row key for UM_PROGRESS; -1 reports no progress
};

struct SessionOptions {
    int32_t connections = 1;  // transfers at once, and connections to one host
    int32_t retries = 0;      // further tries after a failure that may pass
    OptString userAgent;      // nullopt or empty: no User-Agent header
    std::string proxy;        // empty: libcurl's own choice (environment variables)
};

class CurlSession {
public:
    // Gives the next transfer to start, or null when there is none (more).
    using NextFn = std::function<std::unique_ptr<Transfer>()>;
    // Hears how a transfer ended: its CURLcode (kCurlWriteError after a
    // cancel) or kNotAPicture. False stops the run: the transfers still in
    // flight end without a word.
    using DoneFn = std::function<bool(std::unique_ptr<Transfer>, int32_t code)>;

    explicit CurlSession(const SessionOptions& options = {});
    ~CurlSession();
    CurlSession(const CurlSession&) = delete;
    CurlSession& operator=(const CurlSession&) = delete;

    // False when libcurl could not make its handles.
    bool Valid() const;

    // Starts transfers in the order `next` gives them, up to `connections`
    // at once, and reports each to `done` as it ends, in whatever order they
    // end. A transfer that failed for a passing reason is tried again (up to
    // `retries` times) after its wait, before any new one; only its last
    // failure is reported. Once transfers are no longer allowed (Cancel, no
    // window) every transfer in flight ends at once and is reported with the
    // write error, and a transfer waiting for a new try with its last failure.
    void Run(const NextFn& next, const DoneFn& done);

    // Runs one transfer alone; returns its code.
    int32_t Perform(Transfer& transfer);

    // One easy handle and the transfer it runs; libcurl's callbacks get it.
    struct Slot;
    void Progress(Slot& slot, int64_t expected, int64_t received);

private:
    struct Waiting;
    // False when the transfer's sink could not be readied.
    bool Start(Slot& slot, std::unique_ptr<Transfer> job, int tries, uint64_t order);
    // Takes the slot's transfer out of libcurl; returns its final code or
    // schedules a new try (then returns nothing to report).
    bool Complete(Slot& slot, int32_t code, int32_t& finalCode);
    // A fraction in [0, 1) that spreads out the waits before new tries.
    double NextJitter();
    void CancelAll(const DoneFn& done);
    void DropAll();
    long PollTimeoutMs() const;

    SessionOptions options_;
    void* multi_ = nullptr;
    std::vector<std::unique_ptr<Slot>> slots_;
    std::vector<Waiting> waiting_;
    RowProgress rows_;
    uint32_t jitterState_ = 0x2545f491u;
};
