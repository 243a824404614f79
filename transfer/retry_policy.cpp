#include "transfer/retry_policy.h"

#include <curl/curl.h>

#include <algorithm>

bool Retry_IsPassing(int32_t code, long httpStatus)
{
    switch (code) {
    case kNotAPicture:
    case CURLE_COULDNT_CONNECT:
    case CURLE_OPERATION_TIMEDOUT:
    case CURLE_PARTIAL_FILE:
    case CURLE_GOT_NOTHING:
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
        return true;
    case CURLE_HTTP_RETURNED_ERROR:
        switch (httpStatus) {
        case 408:
        case 425:
        case 429:
        case 500:
        case 502:
        case 503:
        case 504:
            return true;
        default:
            return false;
        }
    default:
        return false;
    }
}

std::chrono::milliseconds Retry_Delay(int tries, int64_t retryAfterSeconds, double jitter)
{
    constexpr int64_t kMaxMs = 60000;
    if (retryAfterSeconds > 0)
        return std::chrono::milliseconds(std::min<int64_t>(retryAfterSeconds, kMaxMs / 1000) * 1000);
    const int64_t base = std::min<int64_t>(int64_t{1000} << std::clamp(tries - 1, 0, 6), kMaxMs);
    const auto extra = static_cast<int64_t>(static_cast<double>(base) * 0.1 * std::clamp(jitter, 0.0, 0.999));
    return std::chrono::milliseconds(std::min(base + extra, kMaxMs));
}
