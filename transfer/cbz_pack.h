#pragma once
// Packing a downloaded chapter into one .cbz file beside its folder, the form
// comic-book readers and e-readers take.

#include <cstdint>
#include <string>
#include <vector>

#include "model/manga_info.h"

// What a chapter's archive holds: its pictures in page order, each under its
// file name on disk, then ComicInfo.xml.
struct CbzContent {
    std::vector<std::u16string> pagePaths;
    std::string comicInfo;
};

// Writes `cbzPath` from `content` unless an archive there already holds
// exactly these entries (names, order, sizes, checksums). Returns 0 when the
// archive is current, or the errno of what failed; a failure leaves no
// partial archive.
int Cbz_Write(const std::u16string& cbzPath, const CbzContent& content);

// The download worker's step after a chapter's pages: with bMakeCbz on, a
// ticked chapter whose pages are all on disk gets "<chapter folder>.cbz"
// (written again only when its pages changed). A chapter that cannot be
// packed gets UM_ERRORCODE (its index, Cbz_ErrorCode(errno), notifications.h).
// Returns 0 or the code posted.
int32_t Cbz_PackChapter(const MangaInfo& manga, int32_t chapterIndex);
