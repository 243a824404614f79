#pragma once
// The ComicInfo.xml that comic-book readers take a chapter's details from.

#include <cstdint>
#include <string>

#include "model/manga_info.h"

// The document for `chapter` of `manga` with `pageCnt` pages: the series and
// its other names, the chapter's title, volume and number, the page count,
// the language, the manga's address and its description as plain text.
// Characters XML cannot carry are left out, so any record gives a
// well-formed document.
std::string ComicInfo_Build(const MangaInfo& manga, const ChapterInfo& chapter, int32_t pageCnt);
