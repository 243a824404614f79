#pragma once
// Brings a manga record loaded from its database file up to date with the
// site: reads its title page again and keeps what the record knew.

#include <cstdint>

#include "model/manga_info.h"
#include "model/manga_merge.h"

enum class RefreshFailure {
    None,
    NoAddress,  // the record holds no title page address
    Transfer,   // the page could not be fetched (curlCode tells why)
    Unreadable, // the page holds no manga: no name, or no chapter where there were some
};

struct TitleRefresh {
    RefreshFailure failure = RefreshFailure::None;
    int32_t curlCode = 0;  // of the title page transfer
    int parseCode = 0;     // of the title page parser
    MergeCounts counts;    // when it succeeded
};

// Fetches the title page of `manga` on the calling thread (a cancel through
// bKeepRunning ends it; hMainWnd must be set, as for any transfer) and, when
// the page is a manga's page, replaces the record with the page merged with
// what it knew (MangaInfo_MergeKnown). On any failure the record is left as
// it was. No reader page is read: the chapters still to be scanned are those
// with a Url.
TitleRefresh Curl_RefreshManga(MangaInfo& manga);
