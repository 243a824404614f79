#include "parse/title_page.h"

#include <string>
#include <tuple>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "model/text_codec.h"
#include "tests/parse/fixture.h"

namespace {

using Chapter = std::tuple<std::string, int32_t, int32_t, std::optional<std::u16string>>;

std::vector<Chapter> Chapters(const MangaInfo& manga)
{
    std::vector<Chapter> out;
    for (const ChapterInfo& c : manga.Chaps) {
        EXPECT_TRUE(c.Pages.empty());
        out.emplace_back(c.Url.value_or("(none)"), c.Vol, c.Num, c.Name);
    }
    return out;
}

std::vector<std::string> CoverUrls(const MangaInfo& manga)
{
    std::vector<std::string> out;
    for (const CoverInfo& cover : manga.Covers) {
        EXPECT_EQ(cover.UrlSize, static_cast<int32_t>(cover.Url.value_or("").size() + 1));
        out.push_back(cover.Url.value_or("(none)"));
    }
    return out;
}

// Fills the record: MangaInfo holds a lock and so cannot be returned.
MangaInfo& Parse(MangaInfo& manga, const std::string& address, std::string_view page, int result)
{
    manga.Url = address;
    manga.UrlSize = static_cast<int32_t>(address.size() + 1);
    EXPECT_EQ(Html_ParseMangaPage(page, manga), result);
    return manga;
}

TEST(TitlePage, FullFixturePage)
{
    MangaInfo manga;
    Parse(manga, "http://readmanga.example/death_note", ReadParseFixture("title_full.html"), 0);
    // The single-quoted main name comes first in the page; the double-quoted one wins.
    EXPECT_EQ(manga.Name, u"Тетрадь смерти");
    EXPECT_EQ(manga.EngName, u"Death Note");
    EXPECT_EQ(manga.JpName, u"デスノート");
    EXPECT_EQ(manga.Desc,
              R"({\rtf1\b1\u1053?\u1072?\u1079?\u1074?\u1072?\u1085?\u1080?\u1077?:\b0  \u1058?\u1077?\u1090?\u1088?\u1072?\u1076?\u1100? \u1089?\u1084?\u1077?\u1088?\u1090?\u1080? | Death Note | \u12487?\u12473?\u12494?\u12540?\u12488?\par)"
              R"(\b1\u1058?\u1086?\u1084?\u1086?\u1074?:\b0  12, \u1074?\u1099?\u1087?\u1091?\u1089?\u1082? \u1079?\u1072?\u1074?\u1077?\u1088?\u1096?\u1105?\u1085?\par)"
              R"(\u1040?\u1074?\u1090?\u1086?\u1088?: \i1\u1054?\u1086?\u1073?\u1072?\i0   \u1054?\u1073?\u1072?\u1090?\u1072?\par)"
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
    std::vector<Chapter> want = {
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
    // Then chapters 300 down to 1, ten to a volume.
    for (int c = 300; c >= 1; --c) {
        const int v = (c - 1) / 10 + 1;
        want.emplace_back(host + "/death_note/vol" + std::to_string(v) + "/" + std::to_string(c) + "?mature=1", v, c,
                          u"Глава " + Utf8ToUtf16(std::to_string(c)));
    }
    EXPECT_THAT(Chapters(manga), testing::ElementsAreArray(want));
}

TEST(TitlePage, SingleQuotedFixtureUnderABareHost)
{
    // No "/" after the host: the whole address is put in front of relative links.
    MangaInfo manga;
    Parse(manga, "http://one.example", ReadParseFixture("title_single.html"), 0);
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
    EXPECT_EQ(Chapters(manga), (std::vector<Chapter>{
                                   {"http://one.example/one_punch/vol2/15?mature=1", 2, 15, u"Удар"},
                                   {"http://one.example/one_punch/vol1/2?mature=1", 1, 2, std::nullopt},
                                   {"http://one.example/one_punch/vol1/1?mature=1", 1, 1, u"Начало"},
                               }));
}

TEST(TitlePage, ChapterAddressesAreCompletedAndNumbered)
{
    const struct {
        const char* href;
        Chapter chapter;
    } cases[] = {
        {"/manga/vol3/12?a=b", {"http://host/manga/vol3/12?a=b?mature=1", 3, 12, u"T"}},
        {"http://other/x/vol1/2", {"http://other/x/vol1/2?mature=1", 1, 2, u"T"}},
        {"https://other/x/vol1/2", {"https://other/x/vol1/2?mature=1", 1, 2, u"T"}},
        {"/manga/ch12", {"http://host/manga/ch12?mature=1", 0, 0, u"T"}},
        {"/volume-one/vol2/5", {"http://host/volume-one/vol2/5?mature=1", 0, 0, u"T"}},
        {"/m/vol-2/ 7x", {"http://host/m/vol-2/ 7x?mature=1", -2, 7, u"T"}},
        {"/m/vol99999999999/1", {"http://host/m/vol99999999999/1?mature=1", INT32_MAX, 1, u"T"}},
        {"", {"http://host?mature=1", 0, 0, u"T"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.href);
        const std::string page =
            std::string("<div class=\"expandable chapters-link\"><a href=\"") + c.href + "\">M 1 - 1 T</a></div>";
        MangaInfo manga;
        EXPECT_EQ(Chapters(Parse(manga, "http://host/manga", page, 0)), std::vector<Chapter>{c.chapter});
    }
}

TEST(TitlePage, DoubleQuotedMarkerWinsAndAPageWithoutMarkersHasOnlyTheLabels)
{
    MangaInfo manga;
    Parse(manga, "http://host/m",
                            "<span class='eng-name'>Single</span><span class=\"eng-name\">Double</span>"
                            "<div class='expandable chapters-link'><a href=\"/m/vol1/1\">x</a></div>"
                            "<div class=\"expandable chapters-link\"><a href=\"/m/vol2/2\">x</a></div>",
                            0);
    EXPECT_EQ(manga.EngName, u"Double");
    EXPECT_EQ(Chapters(manga), (std::vector<Chapter>{{"http://host/m/vol2/2?mature=1", 2, 2, std::nullopt}}));

    MangaInfo bare;
    Parse(bare, "http://host/m", "<html><body>Nothing here</body></html>", 0);
    EXPECT_EQ(bare.Desc, R"({\rtf1\b1\u1053?\u1072?\u1079?\u1074?\u1072?\u1085?\u1080?\u1077?:\b0  \par)"
                          R"(\b1\u1054?\u1087?\u1080?\u1089?\u1072?\u1085?\u1080?\u1077?:\b0\par})");
    EXPECT_EQ(bare.DescSize, 1032);
    EXPECT_FALSE(bare.Name || bare.EngName || bare.JpName || !bare.Covers.empty() || !bare.Chaps.empty());
}

TEST(TitlePage, UnclosedBlockGives13AndKeepsWhatWasFound)
{
    const std::string cover = "<div style=\"display\"><a class=\"full-list-pic\" href=\"a\"></a>";
    const std::string chapters = "<div class=\"expandable chapters-link\"><a href=\"/m/vol1/1\">x</a>";
    const struct {
        std::string page;
        size_t chapters;
        size_t covers;
    } cases[] = {
        {"<span class=\"name\"", 0, 0},
        {"<div class=\"manga-description\"><div>x", 0, 0},
        {cover + "<a class=\"full-list-pic\" href=\"b\"></div></a>", 0, 2},
        {cover + "</div>" + chapters, 0, 1},
        {chapters + "<a href=\"/m/vol1/2\"</div>", 1, 0},
        {chapters + "<a href=\"/m/vol1/2\">y</div></a>", 2, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.page);
        MangaInfo manga;
        Parse(manga, "http://host/m", c.page, 13);
        EXPECT_EQ(manga.Chaps.size(), c.chapters);
        EXPECT_EQ(manga.Covers.size(), c.covers);
        ASSERT_TRUE(manga.Desc.has_value());
        EXPECT_TRUE(manga.Desc->starts_with("{\\rtf1") && manga.Desc->ends_with("}"));
    }
}

TEST(TitlePage, UnusableAddressGives69AndChangesNothing)
{
    const std::string page = ReadParseFixture("title_single.html");
    // The last one's size figure says the "/" is its last character.
    const std::pair<OptString, int32_t> addresses[] = {
        {std::nullopt, 0}, {"http:/", 7}, {"abcdef", 7}, {"example/", 9}, {"", 1}, {"http://host/m", 6}};
    for (const auto& [address, size] : addresses) {
        SCOPED_TRACE(address.value_or("(none)"));
        MangaInfo manga;
        MangaInfo untouched;
        manga.Url = untouched.Url = address;
        manga.UrlSize = untouched.UrlSize = size;
        EXPECT_EQ(Html_ParseMangaPage(page, manga), 69);
        EXPECT_TRUE(MangaInfo_Equal(manga, untouched));
    }
}

}  // namespace
