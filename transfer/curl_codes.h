#pragma once
// The CURLcode values the workers look at, and libcurl's own texts for them.

#include <cstdint>
#include <string>

inline constexpr int32_t kCurlOk = 0;
inline constexpr int32_t kCurlUrlMalformat = 3;          // CURLE_URL_MALFORMAT
inline constexpr int32_t kCurlWriteError = 23;          // CURLE_WRITE_ERROR
inline constexpr int32_t kCurlHttpReturnedError = 22;   // CURLE_HTTP_RETURNED_ERROR
inline constexpr int32_t kCurlAbortedByCallback = 42;   // CURLE_ABORTED_BY_CALLBACK

// Not a libcurl code: a body that arrived but is not a whole picture. Posted
// in UM_ERRORCODE like the reader parser's negated codes.
inline constexpr int32_t kNotAPicture = -20;

// libcurl's own text for a CURLcode.
std::string Curl_ErrorText(int32_t code);
