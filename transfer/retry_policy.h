#pragma once
// Which failed transfers are worth another try, and how long to wait first.

#include <chrono>
#include <cstdint>

#include "transfer/curl_codes.h"

// A failure that may pass: no connection, a reset, a time-out, a body cut
// short, a body that is not a whole picture, or an HTTP status of 408, 425,
// 429, 500, 502, 503 or 504. `httpStatus` is the reply's status, 0 for none.
bool Retry_IsPassing(int32_t code, long httpStatus);

// The wait before try number `tries` + 1 (tries >= 1 made so far): the
// server's Retry-After when it gave one (at most a minute), otherwise 1 s,
// 2 s, 4 s ... (at most a minute), each with up to a tenth more at random so
// that many clients do not come back at the same instant. `jitter` is any
// number in [0, 1).
std::chrono::milliseconds Retry_Delay(int tries, int64_t retryAfterSeconds, double jitter);
