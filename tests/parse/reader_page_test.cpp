#include "parse/reader_page.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/parse/fixture.h"

namespace {

std::vector<std::string> Addresses(const ChapterInfo& chapter)
{
    std::vector<std::string> out;
    for (const PageInfo& page : chapter.Pages) {
        EXPECT_TRUE(page.Url.has_value());
        EXPECT_EQ(page.UrlSize, static_cast<int32_t>(page.Url.value_or("").size() + 1));
        EXPECT_EQ(page.bLoaded.load(), 0);
        out.push_back(page.Url.value_or(""));
    }
    return out;
}

using Pages = std::vector<std::string>;

struct FixtureCase {
    const char* file;
    Pages pages;
};

class ReaderFixture : public testing::TestWithParam<FixtureCase> {};

TEST_P(ReaderFixture, ReadsEveryImage)
{
    ChapterInfo chapter;
    EXPECT_EQ(Html_ParseReaderPage(ReadParseFixture(GetParam().file), chapter), 0);
    EXPECT_EQ(Addresses(chapter), GetParam().pages);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, ReaderFixture,
    testing::Values(
        // Earlier script blocks and a call outside any script are passed over.
        FixtureCase{"reader_call.html",
                    {"https://img2.example/auto/15/02/01.png_res.jpg", "https://img2.example/auto/15/02/02.png?t=1",
                     "https://img3.example/abs/03.jpg"}},
        FixtureCase{"reader_var.html",
                    {"https://h1.example/manga/opm/vol1/1/01.jpg", "https://h1.example/manga/opm/vol1/1/02.jpg",
                     "https://h1.example/manga/opm/vol1/1/03.jpg"}},
        // The call list breaks at its third entry; the variable adds its own.
        FixtureCase{"reader_call_broken.html",
                    {"http://img.example/a/01.jpg", "http://img.example/a/02.jpg", "http://alt.example/b/01.jpg",
                     "http://alt.example/b/02.jpg"}}));

struct InlineCase {
    const char* name;
    std::string page;
    int result;
    Pages pages;
};

class ReaderInline : public testing::TestWithParam<InlineCase> {};

TEST_P(ReaderInline, GivesResultAndPages)
{
    ChapterInfo chapter;
    EXPECT_EQ(Html_ParseReaderPage(GetParam().page, chapter), GetParam().result);
    EXPECT_EQ(Addresses(chapter), GetParam().pages);
}

std::string Call(const std::string& list) { return "<script>rm_h.init( " + list + ", 0, false);</script>"; }

INSTANTIATE_TEST_SUITE_P(
    CallForm, ReaderInline,
    testing::Values(
        InlineCase{"EmptyPartOne", Call("[['','http://srv/',\"p/01.png\",800,1200]]"), 0, {"http://srv/p/01.png"}},
        InlineCase{"PartsInOrderTwoOneThree", Call("[['x1','http://srv/',\"p/01.png\",800,1200]]"), 0,
                   {"http://srv/x1p/01.png"}},
        InlineCase{"EntriesPastTheFirstBracketsAreNotRead",
                   Call("[['a','h/',\"1\",1,1]]") + "<script>[['b','h/',\"2\",1,1],['c','h/',\"3\",1,1]]</script>", 0,
                   {"h/a1"}},
        InlineCase{"LaterEntryMarkerAfterTheListEnds",
                   Call("[['a','h/',\"1\",1,1]]") + "<p>],['z','h/',\"9\",1,1]</p>", 0, {"h/a1"}},
        InlineCase{"SpaceBetweenEntriesEndsTheList", Call("[['a','h/',\"1\",1,1], ['b','h/',\"2\",1,1]]"), 0,
                   {"h/a1"}},
        InlineCase{"BrokenThirdEntryWithoutVariable",
                   Call("[['a','h/',\"1\",1,1],['b','h/',\"2\",1,1],['c','h/'-\"3\",1,1]]"), 1, {"h/a1", "h/b2"}},
        InlineCase{"NoClosingBracketsAfterLastEntry", Call("[['a]]','h/',\"1\",1,1]"), 1, {"h/a]]1"}},
        InlineCase{"NoBracketsAnywhere", "<script>rm_h.init([['a','h/',\"1\",1,1]</script>", 1, {}},
        InlineCase{"CallOutsideAScriptIsIgnored",
                   "<div>rm_h.init([['a','h/',\"1\",1,1]])</div><script>x</script>", 1, {}},
        InlineCase{"UnclosedScriptIsIgnored", "<script>rm_h.init([['a','h/',\"1\",1,1]])", 1, {}},
        InlineCase{"ListEndBeforeListStart", "<script>x]]; rm_h.init([['a','h/',\"1\",1,1]])</script>", 0, {}},
        InlineCase{"StopsAtAZeroByte", std::string("<script>rm_h.init([['a','h/',\"1\",1,1]]") + '\0' + ")</script>", 1,
                   {}}),
    [](const auto& info) { return info.param.name; });

std::string Var(const std::string& body) { return "<script>var x = 1;</script><script>" + body + "</script>"; }

INSTANTIATE_TEST_SUITE_P(
    VariableForm, ReaderInline,
    testing::Values(
        InlineCase{"TwoAddresses", Var("var pictures = [{url:\"http://s/1.png\",w:1},{url:\"http://s/2.png\",w:1}];"),
                   0, {"http://s/1.png", "http://s/2.png"}},
        InlineCase{"SpaceAfterColonKeepsTheQuote", Var("var pictures = [{url: \"a.png\",w:1}];"), 0, {"\"a.png"}},
        InlineCase{"NoAddresses", Var("var pictures = [];"), 0, {}},
        InlineCase{"NoBracket", Var("var pictures = null;"), 3, {}},
        InlineCase{"NoSemicolonInTheBlock", Var("var pictures = [{url:\"a.png\",w:1}]") + "<p>;</p>", 14, {}},
        InlineCase{"AddressWithoutClosingQuoteComma", Var("var pictures = [{url:\"a.png\",w:1},{url:\"b.png\"}];"),
                   14, {"a.png"}},
        InlineCase{"KeyAtTheVeryEnd", Var("var pictures = [url:;"), 14, {}},
        InlineCase{"AddressEndsInsideTheList", Var("var pictures = [{url:\"a.png\"}];\",x"), 14, {}},
        InlineCase{"NoScriptAtAll", "<html><body>nothing</body></html>", 1, {}}),
    [](const auto& info) { return info.param.name; });

TEST(ReaderPage, AppendsToPagesAlreadyThere)
{
    const std::string page = ReadParseFixture("reader_var.html");
    ChapterInfo chapter;
    ASSERT_EQ(Html_ParseReaderPage(page, chapter), 0);
    ASSERT_EQ(Html_ParseReaderPage(page, chapter), 0);
    const Pages pages = Addresses(chapter);
    ASSERT_EQ(pages.size(), 6u);
    EXPECT_EQ(Pages(pages.begin(), pages.begin() + 3), Pages(pages.begin() + 3, pages.end()));
}

}  // namespace
