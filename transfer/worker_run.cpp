#include "transfer/worker_run.h"

#include "model/text_codec.h"
#include "settings/app_settings.h"
#include "transfer/notifications.h"

SessionOptions SessionOptions_FromSettings()
{
    const AppSettings settings = Settings_Get();
    SessionOptions options;
    options.connections = settings.Connections;
    options.retries = settings.Retries;
    options.userAgent = settings.UserAgent;
    options.proxy = Utf16ToUtf8(settings.Proxy);
    return options;
}

int32_t RunWorker(MangaInfo* manga, int32_t worker, const std::function<int32_t(CurlSession&)>& work)
{
    if (!manga)
        return -1;
    ++manga->BusyCnt;
    int32_t result = 0;
    {
        CurlSession session(SessionOptions_FromSettings());
        if (!session.Valid()) {
            --manga->BusyCnt;
            return -1;
        }
        result = work(session);
    }  // the handles are released before the window hears that the run is over
    --manga->BusyCnt;
    PostToMainWindow(UM_WORKERDONE, worker, result);
    return result;
}
