#include "transfer/curl_codes.h"

#include <curl/curl.h>

std::string Curl_ErrorText(int32_t code)
{
    return curl_easy_strerror(static_cast<CURLcode>(code));
}
