#include "parse/reader_page.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/parse/fixture.h"

namespace {

using Pages = std::vector<std::string>;

Pages Addresses(const ChapterInfo& chapter)
{
    Pages out;
    for (const PageInfo& page : chapter.Pages) {
        EXPECT_EQ(page.UrlSize, static_cast<int32_t>(page.Url.value_or("").size() + 1));
        out.push_back(page.Url.value_or("(none)"));
    }
    return out;
}

TEST(ReaderPage, FixturePagesGiveEveryImage)
{
    const struct {
        const char* file;
        Pages pages;
    } cases[] = {
        // Earlier script blocks and a call outside any script are passed over.
        {"reader_call.html",
         {"https://img2.example/auto/15/02/01.png_res.jpg", "https://img2.example/auto/15/02/02.png?t=1",
          "https://img3.example/abs/03.jpg"}},
        {"reader_var.html",
         {"https://h1.example/manga/opm/vol1/1/01.jpg", "https://h1.example/manga/opm/vol1/1/02.jpg",
          "https://h1.example/manga/opm/vol1/1/03.jpg"}},
        // The call list breaks at its third entry; the variable adds its own.
        {"reader_call_broken.html",
         {"http://img.example/a/01.jpg", "http://img.example/a/02.jpg", "http://alt.example/b/01.jpg",
          "http://alt.example/b/02.jpg"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string page = ReadParseFixture(c.file);
        ChapterInfo chapter;
        EXPECT_EQ(Html_ParseReaderPage(page, chapter), 0);
        EXPECT_EQ(Addresses(chapter), c.pages);
        // A second parse appends to the pages already there.
        EXPECT_EQ(Html_ParseReaderPage(page, chapter), 0);
        EXPECT_EQ(chapter.Pages.size(), 2 * c.pages.size());
    }
}

std::string Call(const std::string& list) { return "<script>rm_h.init( " + list + ", 0, false);</script>"; }
std::string Var(const std::string& body) { return "<script>var x = 1;</script><script>" + body + "</script>"; }

TEST(ReaderPage, ScriptEdgesGiveTheirResultAndThePagesSoFar)
{
    const struct {
        std::string page;
        int result;
        Pages pages;
    } cases[] = {
        {Call("[['','http://srv/',\"p/01.png\",8,9],['x1','http://srv/',\"p/02.png\",8,9]]"), 0,
         {"http://srv/p/01.png", "http://srv/x1p/02.png"}},
        // A "],['" after the list's "]]" is not a further entry.
        {Call("[['a','h/',\"1\",1,1]]") + "<p>],['z','h/',\"9\",1,1]</p>", 0, {"h/a1"}},
        {Call("[['a','h/',\"1\",1,1], ['b','h/',\"2\",1,1]]"), 0, {"h/a1"}},
        {Call("[['a','h/',\"1\",1,1],['b','h/',\"2\",1,1],['c','h/'-\"3\",1,1]]"), 1, {"h/a1", "h/b2"}},
        {"<script>rm_h.init([['a','h/',\"1\",1,1]])", 1, {}},
        {std::string("<script>rm_h.init([['a','h/',\"1\",1,1]]") + '\0' + ")</script>", 1, {}},
        {Var("var pictures = [{url:\"http://s/1.png\",w:1},{url: \"b.png\",w:1}];"), 0,
         {"http://s/1.png", "\"b.png"}},
        {Var("var pictures = null;"), 3, {}},
        {Var("var pictures = [{url:\"a.png\",w:1}]") + "<p>;</p>", 14, {}},
        {Var("var pictures = [{url:\"a.png\",w:1},{url:\"b.png\"}];"), 14, {"a.png"}},
        {Var("var pictures = [url:;"), 14, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.page);
        ChapterInfo chapter;
        EXPECT_EQ(Html_ParseReaderPage(c.page, chapter), c.result);
        EXPECT_EQ(Addresses(chapter), c.pages);
    }
}

}  // namespace
