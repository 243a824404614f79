#pragma once
// The in-memory record of one manga: titles, description, covers, chapters
// and their pages, the user's ticks and the download state.
//
// Strings that may be null are std::optional: nullopt is "no string", an empty
// value is an empty string, and the two stay different through the database file.
// The counts are the sizes of the vectors, so they can never disagree with them.

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "model/shared_value.h"

using OptString = std::optional<std::string>;        // 8-bit text: addresses, the RTF description
using OptU16String = std::optional<std::u16string>;  // UTF-16 text: titles

struct PageInfo {
    OptString Url;                 // absolute address of the page image
    int32_t UrlSize = 0;           // length of Url + 1
    SharedValue<uint8_t> bLoaded;  // 1 = the page's file is on disk
};

struct CoverInfo {
    OptString Url;  // exactly as the title page gives it, relative or absolute
    int32_t UrlSize = 0;
};

struct ChapterInfo {
    OptString Url;      // reader page; nullopt once its page list has been read
    OptU16String Name;  // chapter title, may be null
    int32_t Vol = 0;
    int32_t Num = 0;
    std::vector<PageInfo> Pages;
    SharedValue<uint8_t> bSkip;  // 1 = row unticked: not downloaded

    int32_t PageCnt() const { return static_cast<int32_t>(Pages.size()); }
};

struct MangaInfo {
    OptString Url;  // title page address
    int32_t UrlSize = 0;
    OptU16String Name;
    OptU16String EngName;
    OptU16String JpName;
    OptString Desc;  // complete RTF document
    int32_t DescSize = 0;  // capacity of the description buffer, at least its length + 1
    std::vector<CoverInfo> Covers;
    SharedValue<uint8_t> bSkipCovers;  // 1 = covers row unticked
    std::vector<ChapterInfo> Chaps;
    SharedValue<uint8_t> BusyCnt;  // workers currently using the record

    // Held while a worker publishes lists (Covers, Chaps, a chapter's Pages and
    // Url) and while another thread reads them during a worker run. Workers
    // build lists aside and swap them in under this lock, so readers never see
    // a list half filled.
    mutable std::mutex ListLock;

    MangaInfo() = default;
    MangaInfo(const MangaInfo&) = delete;
    MangaInfo& operator=(const MangaInfo&) = delete;

    int32_t CoverCnt() const { return static_cast<int32_t>(Covers.size()); }
    int32_t ChapCnt() const { return static_cast<int32_t>(Chaps.size()); }
};

// Releases what the record owns and leaves it all zero. A null record does nothing.
void MangaInfo_Free(MangaInfo* manga);

// Releases a chapter's pages, Url and Name; Vol, Num and bSkip stay.
void ChapterInfo_Free(ChapterInfo* chapter);

// Moves every field of `from` into `to` (the lock stays with each record);
// `from` is left all zero. Used to publish a record built aside.
void MangaInfo_Move(MangaInfo& to, MangaInfo& from);

// Field-by-field equality, the busy counter and the lock aside.
bool MangaInfo_Equal(const MangaInfo& a, const MangaInfo& b);
bool ChapterInfo_Equal(const ChapterInfo& a, const ChapterInfo& b);
