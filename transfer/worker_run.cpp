#include "transfer/worker_run.h"

#include "transfer/notifications.h"

int32_t RunWorker(MangaInfo* manga, int32_t worker, const std::function<int32_t(CurlSession&)>& work)
{
    if (!manga)
        return -1;
    ++manga->BusyCnt;
    int32_t result = 0;
    {
        CurlSession session;
        if (!session.Valid()) {
            --manga->BusyCnt;
            return -1;
        }
        result = work(session);
    }  // the handle is released before the window hears that the run is over
    --manga->BusyCnt;
    PostToMainWindow(UM_WORKERDONE, worker, result);
    return result;
}
