#include "transfer/title_refresh.h"

#include <string>

#include "parse/parse_results.h"
#include "parse/title_page.h"
#include "transfer/curl_session.h"
#include "transfer/page_transfer.h"
#include "transfer/worker_run.h"

TitleRefresh Curl_RefreshManga(MangaInfo& manga)
{
    TitleRefresh outcome;
    if (!manga.Url || manga.Url->empty()) {
        outcome.failure = RefreshFailure::NoAddress;
        return outcome;
    }
    CurlSession session(SessionOptions_FromSettings());
    PageTransfer page;
    page.url = *manga.Url;
    outcome.curlCode = session.Valid() ? session.Perform(page) : -1;
    // A page cut short could lose the chapters at its end; only a whole one is
    // taken.
    if (outcome.curlCode != kCurlOk) {
        outcome.failure = RefreshFailure::Transfer;
        return outcome;
    }

    MangaInfo fresh;
    fresh.Url = manga.Url;
    fresh.UrlSize = static_cast<int32_t>(manga.Url->size() + 1);
    outcome.parseCode = Html_ParseMangaPage(page.buffer.data, fresh);
    // An error page answered with success, or a page the site redesigned,
    // must not make the known chapters look gone.
    const bool lostChapters = fresh.Chaps.empty() && !manga.Chaps.empty();
    if (outcome.parseCode == kParseBadAddress || outcome.parseCode == kParseOutOfMemory || !fresh.Name ||
        lostChapters) {
        outcome.failure = RefreshFailure::Unreadable;
        return outcome;
    }
    outcome.counts = MangaInfo_MergeKnown(fresh, manga);
    std::lock_guard lock(manga.ListLock);
    MangaInfo_Move(manga, fresh);
    return outcome;
}
