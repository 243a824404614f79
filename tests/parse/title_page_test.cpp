#include "parse/title_page.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "model/text_codec.h"
#include "tests/parse/fixture.h"

namespace {

void SetAddress(MangaInfo& manga, const std::string& url)
{
    manga.Url = url;
    manga.UrlSize = static_cast<int32_t>(url.size() + 1);
}

struct Chapter {
    std::string url;
    int32_t vol;
    int32_t num;
    std::optional<std::u16string> name;
};

void ExpectChapter(const ChapterInfo& got, const Chapter& want, size_t index)
{
    SCOPED_TRACE(testing::Message() << "chapter " << index);
    EXPECT_EQ(got.Url, want.url);
    EXPECT_EQ(got.Vol, want.vol);
    EXPECT_EQ(got.Num, want.num);
    EXPECT_EQ(got.Name, want.name);
    EXPECT_TRUE(got.Pages.empty());
    EXPECT_EQ(got.bSkip.load(), 0);
}

std::vector<std::string> CoverUrls(const MangaInfo& manga)
{
    std::vector<std::string> out;
    for (const CoverInfo& cover : manga.Covers) {
        EXPECT_EQ(cover.UrlSize, static_cast<int32_t>(cover.Url.value_or("").size() + 1));
        out.push_back(cover.Url.value_or(""));
    }
    return out;
}

// The same label pair every description starts with, for pages without a name.
constexpr const char* kBareLabels =
    R"({\rtf1\b1\u1053?\u1072?\u1079?\u1074?\u1072?\u1085?\u1080?\u1077?:\b0  \par)"
    R"(\b1\u1054?\u1087?\u1080?\u1089?\u1072?\u1085?\u1080?\u1077?:\b0\par})";

TEST(TitlePageFixture, FullPage)
{
    MangaInfo manga;
    SetAddress(manga, "http://readmanga.example/death_note");
    ASSERT_EQ(Html_ParseMangaPage(ReadParseFixture("title_full.html"), manga), 0);

    // The single-quoted main name comes first in the page; the double-quoted one wins.
    EXPECT_EQ(manga.Name, u"Тетрадь смерти");
    EXPECT_EQ(manga.EngName, u"Death Note");
    EXPECT_EQ(manga.JpName, u"デスノート");
    EXPECT_EQ(manga.Desc,
              R"({\rtf1\b1\u1053?\u1072?\u1079?\u1074?\u1072?\u1085?\u1080?\u1077?:\b0  \u1058?\u1077?\u1090?\u1088?\u1072?\u1076?\u1100? \u1089?\u1084?\u1077?\u1088?\u1090?\u1080? | Death Note | \u12487?\u12473?\u12494?\u12540?\u12488?\par)"
              R"(\b1\u1058?\u1086?\u1084?\u1086?\u1074?:\b0 12, \u1074?\u1099?\u1087?\u1091?\u1089?\u1082? \u1079?\u1072?\u1074?\u1077?\u1088?\u1096?\u1105?\u1085?\par)"
              R"(\u1040?\u1074?\u1090?\u1086?\u1088?: \i1\u1054?\u1086?\u1073?\u1072?\i0  \u1054?\u1073?\u1072?\u1090?\u1072?\par)"
              R"(\u1046?\u1072?\u1085?\u1088?: \u171"\u1090?\u1088?\u1080?\u1083?\u1083?\u1077?\u1088?\u187"\par\u1043?\u1086?\u1076?: 2003\par)"
              R"(\b1\u1054?\u1087?\u1080?\u1089?\u1072?\u1085?\u1080?\u1077?:\b0\par)"
              R"(\u1071?\u1075?\u1072?\u1084?\u1080? \u1051?\u1072?\u1081?\u1090? \u8212? \u1083?\u1091?\u1095?\u1096?\u1080?\u1081? \{\u1091?\u1095?\u1077?\u1085?\u1080?\u1082?\} \\ \u1096?\u1082?\u1086?\u1083?\u1099?.\par)"
              R"(\u1054?\u1085? \u1085?\u1072?\u1093?\u1086?\u1076?\u1080?\u1090? \u1090?\u1077?\u1090?\u1088?\u1072?\u1076?\u1100? \u1089?\u1084?\u1077?\u1088?\u1090?\u1080?.\par})");
    // 1047 bytes: the second 1024 step came when 13 bytes no longer fitted in 1032.
    EXPECT_EQ(manga.DescSize, 2056);

    EXPECT_EQ(CoverUrls(manga), (std::vector<std::string>{"https://staticrm.example/uploads/pics/00/01/123_o.jpg",
                                                          "/uploads/pics/00/01/124_o.jpg",
                                                          "/uploads/pics/00/01/125_o.jpg"}));

    const std::string host = "http://readmanga.example";
    const std::vector<Chapter> special = {
        {"https://mirror.example/death_note/vol12/109?mature=1", 12, 109, u"«Эпилог»"},
        {"http://other.example/dn/vol12/108?mature=1", 12, 108, u"Конец "},
        // An absolute address anywhere later in the tag marks the link absolute.
        {"/death_note/vol11/100?mature=1", 11, 100, u"Зеркало"},
        {host + "/death_note/vol11/99?mtr=1?mature=1", 11, 99, std::nullopt},
        // (a link without href and one with a single-quoted href give nothing)
        {host + "/death_note/extra/special?mature=1", 0, 0, u"\"Спешл\" &amp; бонус"},
        {host + "/death_note/vol10/90?mature=1", 10, 90, u"Последний день  "},
        {host + "/death_note/vol10/89?mature=1", 10, 89, u"{Перелом}"},
        {host + "/death_note/vol10/89?mature=1", 10, 89, u"Дубль"},
    };
    ASSERT_EQ(manga.Chaps.size(), special.size() + 300);
    for (size_t i = 0; i < special.size(); ++i)
        ExpectChapter(manga.Chaps[i], special[i], i);
    // Then chapters 300 down to 1, ten to a volume.
    for (int c = 300; c >= 1; --c) {
        const int v = (c - 1) / 10 + 1;
        const size_t index = special.size() + static_cast<size_t>(300 - c);
        ExpectChapter(manga.Chaps[index],
                      {host + "/death_note/vol" + std::to_string(v) + "/" + std::to_string(c) + "?mature=1", v, c,
                       u"Глава " + Utf8ToUtf16(std::to_string(c))},
                      index);
    }
}

TEST(TitlePageFixture, SingleQuotedPageUnderABareHost)
{
    MangaInfo manga;
    // No "/" after the host: the whole address is put in front of relative links.
    SetAddress(manga, "http://one.example");
    ASSERT_EQ(Html_ParseMangaPage(ReadParseFixture("title_single.html"), manga), 0);

    EXPECT_EQ(manga.Name, u"Ванпанчмен <small>(манхва)</small>");
    EXPECT_EQ(manga.EngName, u"One-Punch {Man}");
    EXPECT_FALSE(manga.JpName.has_value());
    EXPECT_EQ(manga.Desc,
              R"({\rtf1\b1\u1053?\u1072?\u1079?\u1074?\u1072?\u1085?\u1080?\u1077?:\b0  \u1042?\u1072?\u1085?\u1087?\u1072?\u1085?\u1095?\u1084?\u1077?\u1085? <small>(\u1084?\u1072?\u1085?\u1093?\u1074?\u1072?)</small> | One-Punch \{Man\} | \par)"
              R"(\u1057?\u1090?\u1072?\u1090?\u1091?\u1089?: \u1074?\u1099?\u1093?\u1086?\u1076?\u1080?\u1090?\par)"
              R"(\b1\u1054?\u1087?\u1080?\u1089?\u1072?\u1085?\u1080?\u1077?:\b0\par)"
              R"(\u1057?\u1072?\u1081?\u1090?\u1072?\u1084?\u1072?  \u1075?\u1077?\u1088?\u1086?\u1081?\par\u1088?\u1072?\u1076?\u1080? \u1080?\u1085?\u1090?\u1077?\u1088?\u1077?\u1089?\u1072?.\par})");
    EXPECT_EQ(manga.DescSize, 1032);
    EXPECT_EQ(CoverUrls(manga), std::vector<std::string>{"/pics/1.jpg"});

    const std::vector<Chapter> want = {
        {"http://one.example/one_punch/vol2/15?mature=1", 2, 15, u"Удар"},
        {"http://one.example/one_punch/vol1/2?mature=1", 1, 2, std::nullopt},
        {"http://one.example/one_punch/vol1/1?mature=1", 1, 1, u"Начало"},
    };
    ASSERT_EQ(manga.Chaps.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i)
        ExpectChapter(manga.Chaps[i], want[i], i);
}

TEST(TitlePage, PageWithoutMarkersHasOnlyTheLabels)
{
    MangaInfo manga;
    SetAddress(manga, "http://host/m");
    EXPECT_EQ(Html_ParseMangaPage("<html><body>Nothing here</body></html>", manga), 0);
    EXPECT_EQ(manga.Desc, kBareLabels);
    EXPECT_EQ(manga.DescSize, 1032);
    EXPECT_FALSE(manga.Name || manga.EngName || manga.JpName);
    EXPECT_TRUE(manga.Covers.empty());
    EXPECT_TRUE(manga.Chaps.empty());
}

struct LinkCase {
    const char* href;
    Chapter chapter;
};

class ChapterAddress : public testing::TestWithParam<LinkCase> {};

TEST_P(ChapterAddress, IsCompletedAndNumbered)
{
    MangaInfo manga;
    SetAddress(manga, "http://host/manga");
    const std::string page = std::string("<div class=\"expandable chapters-link\"><a href=\"") + GetParam().href +
                             "\">M 1 - 1 T</a></div>";
    ASSERT_EQ(Html_ParseMangaPage(page, manga), 0);
    ASSERT_EQ(manga.Chaps.size(), 1u);
    Chapter want = GetParam().chapter;
    want.name = u"T";
    ExpectChapter(manga.Chaps[0], want, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Links, ChapterAddress,
    testing::Values(LinkCase{"/manga/vol3/12", {"http://host/manga/vol3/12?mature=1", 3, 12, {}}},
                    LinkCase{"http://other/x/vol1/2", {"http://other/x/vol1/2?mature=1", 1, 2, {}}},
                    LinkCase{"https://other/x/vol1/2", {"https://other/x/vol1/2?mature=1", 1, 2, {}}},
                    LinkCase{"/manga/vol3/12?a=b", {"http://host/manga/vol3/12?a=b?mature=1", 3, 12, {}}},
                    LinkCase{"/manga/ch12", {"http://host/manga/ch12?mature=1", 0, 0, {}}},
                    LinkCase{"/manga/vol3", {"http://host/manga/vol3?mature=1", 0, 0, {}}},
                    LinkCase{"/volume-one/vol2/5", {"http://host/volume-one/vol2/5?mature=1", 0, 0, {}}},
                    LinkCase{"/m/vol-2/ 7x", {"http://host/m/vol-2/ 7x?mature=1", -2, 7, {}}},
                    LinkCase{"/m/vol99999999999/1", {"http://host/m/vol99999999999/1?mature=1", INT32_MAX, 1, {}}},
                    LinkCase{"", {"http://host?mature=1", 0, 0, {}}}));

TEST(TitlePage, DoubleQuotedMarkerWinsOverAnEarlierSingleQuotedOne)
{
    MangaInfo manga;
    SetAddress(manga, "http://host/m");
    const std::string page = "<span class='eng-name'>Single</span><span class=\"eng-name\">Double</span>"
                             "<div class='expandable chapters-link'><a href=\"/m/vol1/1\">x</a></div>"
                             "<div class=\"expandable chapters-link\"><a href=\"/m/vol2/2\">x</a></div>";
    ASSERT_EQ(Html_ParseMangaPage(page, manga), 0);
    EXPECT_EQ(manga.EngName, u"Double");
    ASSERT_EQ(manga.Chaps.size(), 1u);
    EXPECT_EQ(manga.Chaps[0].Vol, 2);
}

struct UnclosedCase {
    const char* name;
    const char* page;
    size_t chapters;
    size_t covers;
};

class UnclosedBlock : public testing::TestWithParam<UnclosedCase> {};

TEST_P(UnclosedBlock, Gives13AndKeepsWhatWasFound)
{
    MangaInfo manga;
    SetAddress(manga, "http://host/m");
    EXPECT_EQ(Html_ParseMangaPage(GetParam().page, manga), 13);
    EXPECT_EQ(manga.Chaps.size(), GetParam().chapters);
    EXPECT_EQ(manga.Covers.size(), GetParam().covers);
    ASSERT_TRUE(manga.Desc.has_value());
    EXPECT_TRUE(manga.Desc->starts_with("{\\rtf1"));
    EXPECT_TRUE(manga.Desc->ends_with("}"));
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, UnclosedBlock,
    testing::Values(
        UnclosedCase{"NameWithoutSpanEnd", "<span class=\"name\">x", 0, 0},
        UnclosedCase{"NameTagWithoutEnd", "<span class=\"name\"", 0, 0},
        UnclosedCase{"MetaWithoutDivEnd", "<div class=\"subject-meta\"><p>x</p>", 0, 0},
        UnclosedCase{"DescriptionWithoutDivEnd", "<div class=\"manga-description\"><div>x", 0, 0},
        UnclosedCase{"CoverBlockWithoutDivEnd", "<div style=\"display\"><a class=\"full-list-pic\" href=\"a\"></a>", 0,
                     0},
        UnclosedCase{"CoverLinkWithoutTagEnd", "<div style=\"display\"><a class=\"full-list-pic\" href=\"a\"</div>", 0,
                     0},
        UnclosedCase{"CoverLinkWithoutEnd",
                     "<div style=\"display\"><a class=\"full-list-pic\" href=\"a\"></a>"
                     "<a class=\"full-list-pic\" href=\"b\"></div></a>",
                     0, 2},
        UnclosedCase{"ChapterBlockWithoutDivEnd",
                     "<div style=\"display\"><a class=\"full-list-pic\" href=\"a\"></a></div>"
                     "<div class=\"expandable chapters-link\"><a href=\"/m/vol1/1\">x</a>",
                     0, 1},
        UnclosedCase{"ChapterTagWithoutEnd",
                     "<div class=\"expandable chapters-link\"><a href=\"/m/vol1/1\">x</a><a href=\"/m/vol1/2\"</div>",
                     1, 0},
        UnclosedCase{"ChapterLinkWithoutEnd",
                     "<div class=\"expandable chapters-link\"><a href=\"/m/vol1/1\">x</a><a href=\"/m/vol1/2\">y"
                     "</div></a>",
                     2, 0}),
    [](const auto& info) { return info.param.name; });

class UnusableAddress : public testing::TestWithParam<const char*> {};

TEST_P(UnusableAddress, Gives69AndChangesNothing)
{
    const std::string page = ReadParseFixture("title_single.html");
    MangaInfo manga;
    MangaInfo untouched;
    SetAddress(manga, GetParam());
    SetAddress(untouched, GetParam());
    EXPECT_EQ(Html_ParseMangaPage(page, manga), 69);
    EXPECT_TRUE(MangaInfo_Equal(manga, untouched));
}

INSTANTIATE_TEST_SUITE_P(Addresses, UnusableAddress,
                         testing::Values("http:/", "abcdef", "example/", "noslashatall", ""));

TEST(TitlePage, AbsentOrShortSizedAddressIsUnusable)
{
    MangaInfo manga;
    EXPECT_EQ(Html_ParseMangaPage("<span class=\"name\">x</span>", manga), 69);
    EXPECT_FALSE(manga.Desc.has_value());
    // The size figure says the "/" is the last character.
    manga.Url = "http://host/m";
    manga.UrlSize = 6;
    EXPECT_EQ(Html_ParseMangaPage("<span class=\"name\">x</span>", manga), 69);
    EXPECT_FALSE(manga.Name.has_value());
}

}  // namespace
