#include "model/manga_info.h"
#include "model/record_image.h"

#include <gtest/gtest.h>

static MangaInfo& FillSmall(MangaInfo& manga)
{
    manga.Url = "http://host/m";
    manga.UrlSize = 14;
    manga.Name = u"Имя";
    manga.Desc = "{\\rtf1}";
    manga.DescSize = 1032;
    manga.Covers.push_back({"c.jpg", 6});
    manga.bSkipCovers = 1;
    ChapterInfo& chapter = manga.Chaps.emplace_back();
    chapter.Url = "http://host/m/vol2/15?mature=1";
    chapter.Vol = 2;
    chapter.Num = 15;
    chapter.bSkip = 1;
    chapter.Pages.push_back({"http://i/1.png", 15, 1});
    manga.BusyCnt = 1;
    return manga;
}

TEST(MangaRecord, FreeLeavesEverythingZero)
{
    MangaInfo manga;
    MangaInfo_Free(&manga);  // an empty record stays empty
    EXPECT_EQ(MangaInfo_Image(manga), MangaImage{});

    FillSmall(manga);
    MangaInfo_Free(&manga);
    EXPECT_EQ(MangaInfo_Image(manga), MangaImage{});
    EXPECT_EQ(manga.BusyCnt, 0);
    MangaInfo_Free(nullptr);
}

TEST(MangaRecord, ChapterFreeKeepsTicksAndNumbers)
{
    MangaInfo manga;
    ChapterInfo& chapter = FillSmall(manga).Chaps[0];
    chapter.Name = u"x";
    ChapterInfo_Free(&chapter);
    EXPECT_FALSE(chapter.Url);
    EXPECT_FALSE(chapter.Name);
    EXPECT_EQ(chapter.PageCnt(), 0);
    EXPECT_EQ(chapter.Vol, 2);
    EXPECT_EQ(chapter.Num, 15);
    EXPECT_EQ(chapter.bSkip, 1);
}

TEST(MangaRecord, ImagesFollowTheFileLayout)
{
    MangaInfo manga;
    FillSmall(manga);
    const MangaImage m = MangaInfo_Image(manga);
    EXPECT_NE(GetLE32(&m[0]), 0u);   // Url present
    EXPECT_EQ(GetLE32(&m[4]), 14u);  // UrlSize
    EXPECT_NE(GetLE32(&m[8]), 0u);   // Name present
    EXPECT_EQ(GetLE32(&m[12]), 0u);  // EngName null
    EXPECT_EQ(GetLE32(&m[16]), 0u);  // JpName null
    EXPECT_NE(GetLE32(&m[20]), 0u);  // Desc
    EXPECT_EQ(GetLE32(&m[24]), 1032u);
    EXPECT_EQ(GetLE32(&m[28]), 1u);  // CoverCnt
    EXPECT_NE(GetLE32(&m[32]), 0u);
    EXPECT_EQ(GetLE32(&m[36]), 1u);  // bSkipCovers, padding zero
    EXPECT_EQ(GetLE32(&m[40]), 1u);  // ChapCnt
    EXPECT_NE(GetLE32(&m[44]), 0u);
    EXPECT_EQ(GetLE32(&m[48]), 1u);  // BusyCnt, padding zero

    const ChapterImage c = ChapterInfo_Image(manga.Chaps[0]);
    EXPECT_NE(GetLE32(&c[0]), 0u);
    EXPECT_EQ(GetLE32(&c[4]), 0u);  // no Name
    EXPECT_EQ(GetLE32(&c[8]), 2u);
    EXPECT_EQ(GetLE32(&c[12]), 15u);
    EXPECT_EQ(GetLE32(&c[16]), 1u);
    EXPECT_NE(GetLE32(&c[20]), 0u);
    EXPECT_EQ(GetLE32(&c[24]), 1u);

    const PageImage p = PageInfo_Image(manga.Chaps[0].Pages[0]);
    EXPECT_EQ(GetLE32(&p[4]), 15u);
    EXPECT_EQ(GetLE32(&p[8]), 1u);

    ChapterInfo negative;
    negative.Vol = -1;
    EXPECT_EQ(GetLE32(&ChapterInfo_Image(negative)[8]), 0xFFFFFFFFu);
    EXPECT_EQ(ChapterInfo_Image(negative)[20], 0);  // no pages: null array slot
}
