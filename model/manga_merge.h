#pragma once
// What a fresh read of a manga's title page makes of the record saved
// earlier: the page is the truth about what the site offers now, the old
// record about what the user chose and what is already known or on disk.

#include <cstdint>
#include <vector>

#include "model/manga_info.h"

struct MergeCounts {
    std::vector<int32_t> newChapters;  // indexes into the merged Chaps, in list order
    int32_t knownChapters = 0;         // matched with a chapter of the old record
    int32_t goneChapters = 0;          // the page no longer lists them; kept all the same
};

// Takes into `fresh` (a title page just parsed) what `old` knew. Chapters are
// matched by volume, number and name, each old chapter at most once, in list
// order. A matched chapter keeps its old tick, and when its page list had
// been read, that list with its download state (its reader page is then not
// needed again). A chapter new on the page is ticked and still to be scanned.
// A chapter only the old record has keeps its place among its neighbours:
// dropping it would forget pages that are on disk. The covers row's tick
// comes from `old`; titles, description and covers from the page, except
// where the page gave none.
MergeCounts MangaInfo_MergeKnown(MangaInfo& fresh, const MangaInfo& old);
