// The manga record: its release, its byte images, merging a fresh scan into
// what was known, and the text conversions it relies on.

#include "model/manga_info.h"
#include "model/manga_merge.h"
#include "model/record_image.h"
#include "model/text_codec.h"

#include <gtest/gtest.h>

#include "tests/model/sample_record.h"

TEST(MangaRecord, FreeLeavesEverythingZeroAndChapterFreeKeepsTicksAndNumbers)
{
    MangaInfo manga;
    MangaInfo_Free(&manga);  // an empty record stays empty
    EXPECT_EQ(MangaInfo_Image(manga), MangaImage{});
    FillRich(manga);
    manga.BusyCnt = 1;
    MangaInfo_Free(&manga);
    EXPECT_EQ(MangaInfo_Image(manga), MangaImage{});
    EXPECT_EQ(manga.BusyCnt, 0);
    MangaInfo_Free(nullptr);

    FillRich(manga);
    for (ChapterInfo& chapter : manga.Chaps)
        ChapterInfo_Free(&chapter);
    ChapterInfo_Free(nullptr);
    EXPECT_EQ(Describe(manga), "http://readmanga.example/ponyo||{\\rtf1\\b1\\u1053?\\b0  \\par}|/uploads/c1.jpghttp://img.example/c2.png"
                               "|10:::|11-:::|12:::");
    EXPECT_EQ(manga.Chaps[2].Vol, 2);
}

TEST(MangaRecord, ImagesFollowTheFileLayout)
{
    constexpr int64_t kSet = -1;  // a pointer slot that must not be 0
    const auto expectFields = [](const uint8_t* image, std::initializer_list<int64_t> fields) {
        for (size_t i = 0; i < fields.size(); ++i) {
            const int64_t field = fields.begin()[i];
            EXPECT_TRUE(field == kSet ? GetLE32(image + 4 * i) != 0 : GetLE32(image + 4 * i) == field) << i;
        }
    };
    MangaInfo manga;
    FillRich(manga);
    manga.BusyCnt = 1;
    manga.Chaps[1].Vol = -1;
    expectFields(MangaInfo_Image(manga).data(), {kSet, 31, kSet, kSet, 0, kSet, 27, 2, kSet, 1, 3, kSet, 1});
    expectFields(ChapterInfo_Image(manga.Chaps[1]).data(), {0, 0, 0xFFFFFFFF, 11, 4, kSet, 1});  // no Url, no Name
    expectFields(ChapterInfo_Image(manga.Chaps[0]).data(), {kSet, 0, 1, 10, 0, 0, 0});  // no pages: null array slot
    expectFields(PageInfo_Image(manga.Chaps[1].Pages[1]).data(), {kSet, 29, 1});
}

TEST(MangaMerge, KeepsTicksPagesAndPlacesOfWhatWasKnown)
{
    MangaInfo old;
    old.Name = u"Старое";
    old.Desc = "{old}";
    old.bSkipCovers = 1;
    old.Covers.push_back({"c.jpg", 6});
    old.Chaps = {
        {"r5", u"Пять", 1, 5, {}, 1},  // never scanned, unticked
        {{}, {}, 1, 4, {{"p0", 3, 1}}, 0},  // gone from the site
        {{}, {}, 1, 3, {{"p0", 3, 1}, {"p1", 3, 0}}, 1},
        {{}, u"Два", 1, 2, {{"p0", 3, 1}}, 0},  // two chapters sharing a key
        {{}, u"Два", 1, 2, {{"p0", 3, 0}}, 0},
        {{}, {}, 1, 1, {{"p0", 3, 1}}, 0},  // renamed on the site
    };
    MangaInfo fresh;
    fresh.EngName = u"New";
    fresh.Chaps = {{"new", {}, 1, 6, {}, 1},      {"n5", u"Пять", 1, 5, {}, 1}, {"new", {}, 1, 3, {}, 1},
                   {"new", u"Два", 1, 2, {}, 1}, {"new", u"Два", 1, 2, {}, 1}, {"new", u"Первая", 1, 1, {}, 1}};

    const MergeCounts counts = MangaInfo_MergeKnown(fresh, old);
    // New chapters are ticked; chapter 5 was never scanned and takes the
    // page's address; the one gone from the site keeps its place before the
    // one that followed it; the renamed one is new. What the page did not
    // give stays, like the covers row's tick.
    EXPECT_EQ(Describe(fresh), "||{old}|c.jpg|6:new::|5-:n5:Пять:|4:::p0+|3-:::p0+p1|2::Два:p0+|2::Два:p0|1:new:Первая:|1:::p0+");
    EXPECT_EQ(counts.newChapters, (std::vector<int32_t>{0, 6}));
    EXPECT_EQ(std::make_pair(counts.knownChapters, counts.goneChapters), std::make_pair(4, 2));
    EXPECT_EQ(fresh.Name, u"Старое");
    EXPECT_EQ(fresh.EngName, u"New");
    EXPECT_EQ(fresh.bSkipCovers, 1);
}

TEST(TextCodec, ConvertsBothWaysAndReplacesWhatIsInvalid)
{
    const std::string utf8 = "Том 1: \xD0\x9D\xD0\xB0\xD1\x87\xD0\xB0\xD0\xBB\xD0\xBE \xF0\x9F\x98\x80";
    EXPECT_EQ(Utf8ToUtf16(utf8), u"Том 1: Начало \U0001F600");
    EXPECT_EQ(Utf16ToUtf8(u"Том 1: Начало \U0001F600"), utf8);
    // A stray continuation byte, a truncated sequence at the end, an encoded surrogate.
    EXPECT_EQ(Utf8ToUtf16("a\x80" "b"), u"a\uFFFDb");
    EXPECT_EQ(Utf8ToUtf16("ok\xD0"), u"ok\uFFFD");
    EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80").find(u'\uFFFD'), 0u);
    // A lone surrogate cannot be written as UTF-8.
    EXPECT_EQ(Utf16ToUtf8(std::u16string(u"x") + char16_t(0xD800) + u"y"), "x\xEF\xBF\xBDy");
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xDC00))), "\xEF\xBF\xBD");
    // Widening decodes nothing: every byte value stays.
    EXPECT_EQ(WidenBytes(std::string("h\x00\x7F\x80\xFF", 5)), (std::u16string{u'h', 0, 0x7F, 0x80, 0xFF}));
}
