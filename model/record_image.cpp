#include "model/record_image.h"

namespace {

// The slot only says whether a string or array follows; a fixed marker keeps
// files reproducible where the address of a block would not.
constexpr uint32_t kPresent = 1;

template <typename Opt>
uint32_t Slot(const Opt& value)
{
    return value ? kPresent : 0;
}

template <typename Vector>
uint32_t ArraySlot(const Vector& items)
{
    return items.empty() ? 0 : kPresent;
}

int32_t Signed(const uint8_t* at)
{
    return static_cast<int32_t>(GetLE32(at));
}

}  // namespace

MangaImage MangaInfo_Image(const MangaInfo& manga)
{
    MangaImage image{};
    uint8_t* p = image.data();
    PutLE32(p + 0, Slot(manga.Url));
    PutLE32(p + 4, static_cast<uint32_t>(manga.UrlSize));
    PutLE32(p + 8, Slot(manga.Name));
    PutLE32(p + 12, Slot(manga.EngName));
    PutLE32(p + 16, Slot(manga.JpName));
    PutLE32(p + 20, Slot(manga.Desc));
    PutLE32(p + 24, static_cast<uint32_t>(manga.DescSize));
    PutLE32(p + 28, static_cast<uint32_t>(manga.CoverCnt()));
    PutLE32(p + 32, ArraySlot(manga.Covers));
    p[36] = manga.bSkipCovers;
    PutLE32(p + 40, static_cast<uint32_t>(manga.ChapCnt()));
    PutLE32(p + 44, ArraySlot(manga.Chaps));
    p[48] = manga.BusyCnt;
    return image;
}

ChapterImage ChapterInfo_Image(const ChapterInfo& chapter)
{
    ChapterImage image{};
    uint8_t* p = image.data();
    PutLE32(p + 0, Slot(chapter.Url));
    PutLE32(p + 4, Slot(chapter.Name));
    PutLE32(p + 8, static_cast<uint32_t>(chapter.Vol));
    PutLE32(p + 12, static_cast<uint32_t>(chapter.Num));
    PutLE32(p + 16, static_cast<uint32_t>(chapter.PageCnt()));
    PutLE32(p + 20, ArraySlot(chapter.Pages));
    p[24] = chapter.bSkip;
    return image;
}

PageImage PageInfo_Image(const PageInfo& page)
{
    PageImage image{};
    PutLE32(image.data() + 0, Slot(page.Url));
    PutLE32(image.data() + 4, static_cast<uint32_t>(page.UrlSize));
    image[8] = page.bLoaded;
    return image;
}

CoverImage CoverInfo_Image(const CoverInfo& cover)
{
    CoverImage image{};
    PutLE32(image.data() + 0, Slot(cover.Url));
    PutLE32(image.data() + 4, static_cast<uint32_t>(cover.UrlSize));
    return image;
}

MangaImageFields MangaImage_Read(const uint8_t* p)
{
    return {Signed(p + 4), Signed(p + 24), Signed(p + 28), Signed(p + 40), p[36], p[48]};
}

ChapterImageFields ChapterImage_Read(const uint8_t* p)
{
    return {Signed(p + 8), Signed(p + 12), Signed(p + 16), p[24]};
}

PageImageFields PageImage_Read(const uint8_t* p)
{
    return {Signed(p + 4), p[8]};
}

int32_t CoverImage_ReadUrlSize(const uint8_t* p)
{
    return Signed(p + 4);
}
