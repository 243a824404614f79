#include "transfer/curl_session.h"

#include <curl/curl.h>

#include "transfer/notifications.h"

namespace {

CURL* Easy(void* handle)
{
    return static_cast<CURL*>(handle);
}

size_t WriteMemoryThunk(char* data, size_t itemSize, size_t itemCount, void* buffer)
{
    return Curl_WriteMemory(data, itemSize, itemCount, buffer);
}

size_t WriteFileThunk(char* data, size_t itemSize, size_t itemCount, void* file)
{
    return Curl_WriteFile(data, itemSize, itemCount, file);
}

int ProgressThunk(void* rowKey, curl_off_t expectedTotal, curl_off_t receivedNow, curl_off_t, curl_off_t)
{
    return Curl_Progress(static_cast<const int32_t*>(rowKey), expectedTotal, receivedNow);
}

}  // namespace

std::string Curl_ErrorText(int32_t code)
{
    return curl_easy_strerror(static_cast<CURLcode>(code));
}

CurlSession::CurlSession() : handle_(curl_easy_init())
{
    if (!handle_)
        return;
    CURL* easy = Easy(handle_);
    curl_easy_setopt(easy, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &ProgressThunk);
    curl_easy_setopt(easy, CURLOPT_XFERINFODATA, nullptr);
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
}

CurlSession::~CurlSession()
{
    if (handle_)
        curl_easy_cleanup(Easy(handle_));
}

void CurlSession::SetUserAgent(const OptString& userAgent)
{
    if (handle_ && userAgent && !userAgent->empty())
        curl_easy_setopt(Easy(handle_), CURLOPT_USERAGENT, userAgent->c_str());
}

void CurlSession::UseMemorySink(MemBuffer* buffer)
{
    if (!handle_)
        return;
    curl_easy_setopt(Easy(handle_), CURLOPT_WRITEFUNCTION, &WriteMemoryThunk);
    curl_easy_setopt(Easy(handle_), CURLOPT_WRITEDATA, static_cast<void*>(buffer));
}

void CurlSession::UseFileSink(std::FILE* file)
{
    if (!handle_)
        return;
    curl_easy_setopt(Easy(handle_), CURLOPT_WRITEFUNCTION, &WriteFileThunk);
    curl_easy_setopt(Easy(handle_), CURLOPT_WRITEDATA, static_cast<void*>(file));
}

void CurlSession::SetProgressKey(const int32_t* rowKey)
{
    if (handle_)
        curl_easy_setopt(Easy(handle_), CURLOPT_XFERINFODATA, const_cast<int32_t*>(rowKey));
}

int32_t CurlSession::Perform(const std::string& url)
{
    if (!handle_)
        return CURLE_FAILED_INIT;
    curl_easy_setopt(Easy(handle_), CURLOPT_URL, url.c_str());
    const CURLcode code = curl_easy_perform(Easy(handle_));
    if (code == CURLE_ABORTED_BY_CALLBACK)
        return kCurlWriteError;  // only a cancel makes the progress callback abort
    return code;
}
