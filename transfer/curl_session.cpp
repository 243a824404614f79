#include "transfer/curl_session.h"

#include <curl/curl.h>

#include <algorithm>

#include "settings/app_settings.h"
#include "transfer/notifications.h"
#include "transfer/retry_policy.h"

struct CurlSession::Slot {
    CurlSession* session = nullptr;
    CURL* easy = nullptr;
    std::unique_ptr<Transfer> job;
    int tries = 0;  // tries of `job` so far, this one included
    uint64_t order = 0;
    RowProgress::Entry progress;
};

struct CurlSession::Waiting {
    std::unique_ptr<Transfer> job;
    int tries = 0;
    int32_t code = 0;
    uint64_t order = 0;
    std::chrono::steady_clock::time_point due;
};

namespace {

using Clock = std::chrono::steady_clock;

// How long the worker may go without looking at the run flag while nothing arrives.
constexpr long kCancelCheckMs = 50;

CURLM* Multi(void* handle)
{
    return static_cast<CURLM*>(handle);
}

size_t WriteThunk(char* data, size_t itemSize, size_t itemCount, void* slot)
{
    Transfer* job = static_cast<CurlSession::Slot*>(slot)->job.get();
    if (itemSize != 0 && itemCount > static_cast<size_t>(-1) / itemSize)
        return 0;
    return job ? job->Take(data, itemSize * itemCount) : 0;
}

// The progress callback: it ends a transfer once Cancel has lowered the run
// flag, even one that receives nothing.
int Curl_Progress(void* slotPointer, curl_off_t expectedTotal, curl_off_t receivedNow, curl_off_t, curl_off_t)
{
    if (!TransfersAllowed())
        return 1;
    auto* slot = static_cast<CurlSession::Slot*>(slotPointer);
    slot->session->Progress(*slot, expectedTotal, receivedNow);
    return 0;
}

}  // namespace

void CurlSession::Progress(Slot& slot, int64_t expected, int64_t received)
{
    rows_.Update(slot.progress, expected, received);
}

CurlSession::CurlSession(const SessionOptions& options) : options_(options), multi_(curl_multi_init())
{
    options_.connections = std::clamp(options_.connections, kMinConnections, kMaxConnections);
    options_.retries = std::max(options_.retries, 0);
    if (!multi_)
        return;
    curl_multi_setopt(Multi(multi_), CURLMOPT_MAX_HOST_CONNECTIONS, static_cast<long>(options_.connections));
    curl_multi_setopt(Multi(multi_), CURLMOPT_MAX_TOTAL_CONNECTIONS, static_cast<long>(options_.connections));
    for (int32_t i = 0; i < options_.connections; ++i) {
        auto slot = std::make_unique<Slot>();
        slot->session = this;
        if (!(slot->easy = curl_easy_init()))
            return;
        CURL* easy = slot->easy;
        curl_easy_setopt(easy, CURLOPT_PRIVATE, slot.get());
        // An HTTP error reply is never taken for an image or a reader page.
        curl_easy_setopt(easy, CURLOPT_FAILONERROR, 1L);
        curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 10L);
        curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &WriteThunk);
        curl_easy_setopt(easy, CURLOPT_WRITEDATA, slot.get());
        curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &Curl_Progress);
        curl_easy_setopt(easy, CURLOPT_XFERINFODATA, slot.get());
        // Workers run on their own threads; signals must not be used for time-outs.
        curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
        // Addresses come from web pages: a page must not make the program read a
        // local file ("file://") or speak another protocol to some other server.
#if LIBCURL_VERSION_NUM >= 0x075500
        curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
#else
        curl_easy_setopt(easy, CURLOPT_PROTOCOLS, static_cast<long>(CURLPROTO_HTTP | CURLPROTO_HTTPS));
        curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS, static_cast<long>(CURLPROTO_HTTP | CURLPROTO_HTTPS));
#endif
        if (options_.userAgent && !options_.userAgent->empty())
            curl_easy_setopt(easy, CURLOPT_USERAGENT, options_.userAgent->c_str());
        if (!options_.proxy.empty())
            curl_easy_setopt(easy, CURLOPT_PROXY, options_.proxy.c_str());
        // Parallel transfers to a server that multiplexes share its connection.
        if (options_.connections > 1)
            curl_easy_setopt(easy, CURLOPT_PIPEWAIT, 1L);
        slots_.push_back(std::move(slot));
    }
}

CurlSession::~CurlSession()
{
    DropAll();
    for (auto& slot : slots_)
        curl_easy_cleanup(slot->easy);
    if (multi_)
        curl_multi_cleanup(Multi(multi_));
}

bool CurlSession::Valid() const
{
    return multi_ && static_cast<int32_t>(slots_.size()) == options_.connections;
}

bool CurlSession::Start(Slot& slot, std::unique_ptr<Transfer> job, int tries, uint64_t order)
{
    slot.job = std::move(job);
    slot.tries = tries + 1;
    slot.order = order;
    if (!slot.job->Begin())
        return false;
    curl_easy_setopt(slot.easy, CURLOPT_URL, slot.job->url.c_str());
    rows_.Start(slot.progress, slot.job->row);
    curl_multi_add_handle(Multi(multi_), slot.easy);
    return true;
}

bool CurlSession::Complete(Slot& slot, int32_t result, int32_t& finalCode)
{
    long status = 0;
    curl_off_t retryAfter = 0;
    curl_easy_getinfo(slot.easy, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_getinfo(slot.easy, CURLINFO_RETRY_AFTER, &retryAfter);
    curl_multi_remove_handle(Multi(multi_), slot.easy);
    rows_.Finish(slot.progress);
    int32_t code = result == CURLE_ABORTED_BY_CALLBACK ? kCurlWriteError : result;
    if (code == kCurlOk)
        code = slot.job->Check();
    if (slot.tries <= options_.retries && TransfersAllowed() && Retry_IsPassing(code, status)) {
        waiting_.push_back({std::move(slot.job), slot.tries, code, slot.order,
                            Clock::now() + Retry_Delay(slot.tries, retryAfter, NextJitter())});
        return false;
    }
    finalCode = code;
    return true;
}

// A cheap xorshift spreads the new tries of parallel transfers apart; it
// need not be unpredictable.
double CurlSession::NextJitter()
{
    jitterState_ ^= jitterState_ << 13;
    jitterState_ ^= jitterState_ >> 17;
    jitterState_ ^= jitterState_ << 5;
    return static_cast<double>(jitterState_ % 1000) / 1000.0;
}

void CurlSession::CancelAll(const DoneFn& done)
{
    std::vector<Slot*> active;
    for (auto& slot : slots_)
        if (slot->job)
            active.push_back(slot.get());
    std::sort(active.begin(), active.end(), [](const Slot* a, const Slot* b) { return a->order < b->order; });
    for (Slot* slot : active) {
        curl_multi_remove_handle(Multi(multi_), slot->easy);
        rows_.Finish(slot->progress);
        done(std::move(slot->job), kCurlWriteError);
    }
    std::sort(waiting_.begin(), waiting_.end(), [](const Waiting& a, const Waiting& b) { return a.order < b.order; });
    std::vector<Waiting> waiting = std::move(waiting_);
    waiting_.clear();
    for (Waiting& entry : waiting)
        done(std::move(entry.job), entry.code);
}

void CurlSession::DropAll()
{
    for (auto& slot : slots_)
        if (slot->job) {
            curl_multi_remove_handle(Multi(multi_), slot->easy);
            rows_.Finish(slot->progress);
            slot->job.reset();
        }
    waiting_.clear();
}

long CurlSession::PollTimeoutMs() const
{
    long timeout = kCancelCheckMs;
    const Clock::time_point now = Clock::now();
    for (const Waiting& entry : waiting_) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(entry.due - now).count();
        timeout = std::min<long>(timeout, std::max<long>(static_cast<long>(left), 0));
    }
    return timeout;
}

void CurlSession::Run(const NextFn& next, const DoneFn& done)
{
    if (!Valid())
        return;
    bool more = true;
    uint64_t order = 0;
    for (;;) {
        if (!TransfersAllowed())
            return CancelAll(done);
        // Free slots take a new try that is due, the earliest item first, then new items.
        for (auto& slot : slots_) {
            if (slot->job)
                continue;
            const Clock::time_point now = Clock::now();
            auto due = waiting_.end();
            for (auto it = waiting_.begin(); it != waiting_.end(); ++it)
                if (it->due <= now && (due == waiting_.end() || it->order < due->order))
                    due = it;
            bool started = false;
            if (due != waiting_.end()) {
                Waiting entry = std::move(*due);
                waiting_.erase(due);
                started = Start(*slot, std::move(entry.job), entry.tries, entry.order);
            } else if (more) {
                std::unique_ptr<Transfer> job = next();
                if (!job) {
                    more = false;
                    break;
                }
                started = Start(*slot, std::move(job), 0, order++);
            } else {
                break;
            }
            if (!started && !done(std::move(slot->job), kCurlWriteError))
                return TransfersAllowed() ? DropAll() : CancelAll(done);
        }
        if (!TransfersAllowed())
            return CancelAll(done);
        const bool active = std::any_of(slots_.begin(), slots_.end(), [](const auto& slot) { return slot->job != nullptr; });
        if (!active && waiting_.empty() && !more)
            return;

        int running = 0;
        curl_multi_perform(Multi(multi_), &running);
        bool ended = false;
        int left = 0;
        while (CURLMsg* message = curl_multi_info_read(Multi(multi_), &left)) {
            if (message->msg != CURLMSG_DONE)
                continue;
            Slot* slot = nullptr;
            curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &slot);
            if (!slot || !slot->job)
                continue;
            ended = true;
            int32_t code = 0;
            if (!Complete(*slot, message->data.result, code))
                continue;  // waits for a new try
            if (!done(std::move(slot->job), code))
                return TransfersAllowed() ? DropAll() : CancelAll(done);
        }
        if (!ended)
            curl_multi_poll(Multi(multi_), nullptr, 0, static_cast<int>(PollTimeoutMs()), nullptr);
    }
}

namespace {

// A transfer owned by the caller, lent to Run.
class Borrowed : public Transfer {
public:
    explicit Borrowed(Transfer& owner) : owner_(owner)
    {
        url = owner.url;
        row = owner.row;
    }
    bool Begin() override { return owner_.Begin(); }
    size_t Take(const char* data, size_t size) override { return owner_.Take(data, size); }
    int32_t Check() override { return owner_.Check(); }

private:
    Transfer& owner_;
};

}  // namespace

int32_t CurlSession::Perform(Transfer& transfer)
{
    if (!Valid())
        return CURLE_FAILED_INIT;
    int32_t result = kCurlWriteError;  // what a cancel before the start leaves
    bool given = false;
    Run(
        [&]() -> std::unique_ptr<Transfer> {
            if (given)
                return nullptr;
            given = true;
            return std::make_unique<Borrowed>(transfer);
        },
        [&](std::unique_ptr<Transfer>, int32_t code) {
            result = code;
            return true;
        });
    return result;
}
