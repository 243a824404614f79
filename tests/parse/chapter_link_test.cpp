#include "parse/chapter_link.h"

#include <gtest/gtest.h>

namespace {

struct LinkCase {
    const char* text;
    const char16_t* name;  // nullptr: no title
};

class ChapterLinkCase : public testing::TestWithParam<LinkCase> {};

TEST_P(ChapterLinkCase, SetsTheTitle)
{
    ChapterInfo chapter;
    Html_ParseChapterLink(chapter, GetParam().text);
    if (GetParam().name == nullptr)
        EXPECT_FALSE(chapter.Name.has_value());
    else
        EXPECT_EQ(chapter.Name, std::u16string(GetParam().name));
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, ChapterLinkCase,
    testing::Values(LinkCase{"Some Manga 1 - 5 Title", u"Title"},
                    LinkCase{"Some Manga 12 - 3 10 years later", u"years later"},
                    LinkCase{"Some Manga 1 -- 5 Title", u"Title"},
                    LinkCase{"Some Manga 1 5 - 6 Title", u"Title"},
                    LinkCase{"Some Manga 1 x - 5 Title", u"x - 5 Title"},
                    LinkCase{"Manga D4 Vol 1 - 5 Title", u"Vol 1 - 5 Title"},
                    LinkCase{"Some Manga 1 - 5-extra", u"-extra"},
                    LinkCase{"Some Manga 1 - 5", nullptr},
                    LinkCase{"Some Manga 1 - 5   ", nullptr},
                    LinkCase{"No digits at all", nullptr},
                    LinkCase{"Some Manga 1 -", nullptr},
                    LinkCase{"", nullptr},
                    LinkCase{" \r\n ", nullptr}));

INSTANTIATE_TEST_SUITE_P(
    Lines, ChapterLinkCase,
    testing::Values(LinkCase{"\n    Some Manga 1 - 5 Title\n    ", u"Title"},
                    LinkCase{"Other 9 - 9 Old\n  Some Manga 1 - 5 Title", u"Title"},
                    LinkCase{"Some Manga 1 - 5 New\n   \n  ", u"New"},
                    LinkCase{"\r\n Manga\r\n 2 - 7 Title  \r\n ", u"Title  "},
                    LinkCase{"Some Manga 1 - 5 Title ", u"Title "},
                    LinkCase{"Some Manga 1 - 5\tTab", u"\tTab"},
                    LinkCase{"Тетрадь смерти 3 - 24 Погоня", u"Погоня"}));

INSTANTIATE_TEST_SUITE_P(
    Entities, ChapterLinkCase,
    testing::Values(LinkCase{"Some Manga 1 - 5 &laquo;Name&raquo;", u"«Name»"},
                    LinkCase{"Some Manga 1 - 5 A&quot;B", u"A\"B"},
                    LinkCase{"Some Manga 1 - 5 &nbsp;", u" "},
                    LinkCase{"Some Manga 1 - 5 Tom &amp; Jerry", u"Tom &amp; Jerry"},
                    LinkCase{"Some Manga 1 - 5 &#171;x", u"&#171;x"},
                    LinkCase{"Some Manga 1 - 5 Q&A", u"Q&A"},
                    LinkCase{"Some Manga 1 - 5 &quot", u"&quot"},
                    LinkCase{"Some Manga 1 - 5 &laquo;&laquo;;", u"««;"}));

TEST(ChapterLink, ReadsOnlyTheGivenBytes)
{
    const std::string text = "Some Manga 1 - 5 Title and more";
    ChapterInfo chapter;
    Html_ParseChapterLink(chapter, std::string_view(text).substr(0, 19));
    EXPECT_EQ(chapter.Name, u"Ti");
}

}  // namespace
