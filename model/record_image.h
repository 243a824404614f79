#pragma once
// The fixed byte images of the four record structures, as the database file
// stores them: 32-bit little-endian integers, 32-bit pointer slots (0 = null,
// non-zero otherwise), each flag one byte followed by three zero bytes.

#include <array>
#include <cstdint>

#include "model/manga_info.h"

inline constexpr int32_t kMangaImageSize = 52;
inline constexpr int32_t kChapterImageSize = 28;
inline constexpr int32_t kPageImageSize = 12;
inline constexpr int32_t kCoverImageSize = 8;

using MangaImage = std::array<uint8_t, kMangaImageSize>;
using ChapterImage = std::array<uint8_t, kChapterImageSize>;
using PageImage = std::array<uint8_t, kPageImageSize>;
using CoverImage = std::array<uint8_t, kCoverImageSize>;

MangaImage MangaInfo_Image(const MangaInfo& manga);
ChapterImage ChapterInfo_Image(const ChapterInfo& chapter);
PageImage PageInfo_Image(const PageInfo& page);
CoverImage CoverInfo_Image(const CoverInfo& cover);

// The scalar fields of an image, as the database reader takes them back.
// Pointer slots carry no information beyond null / non-null and are not returned.
struct MangaImageFields {
    int32_t UrlSize, DescSize, CoverCnt, ChapCnt;
    uint8_t bSkipCovers, BusyCnt;
};
struct ChapterImageFields {
    int32_t Vol, Num, PageCnt;
    uint8_t bSkip;
};
struct PageImageFields {
    int32_t UrlSize;
    uint8_t bLoaded;
};

MangaImageFields MangaImage_Read(const uint8_t* image);
ChapterImageFields ChapterImage_Read(const uint8_t* image);
PageImageFields PageImage_Read(const uint8_t* image);
int32_t CoverImage_ReadUrlSize(const uint8_t* image);

// Little-endian 32-bit access used by the file format.
inline void PutLE32(uint8_t* at, uint32_t value)
{
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
    at[2] = static_cast<uint8_t>(value >> 16);
    at[3] = static_cast<uint8_t>(value >> 24);
}
inline uint32_t GetLE32(const uint8_t* at)
{
    return static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 |
           static_cast<uint32_t>(at[2]) << 16 | static_cast<uint32_t>(at[3]) << 24;
}
