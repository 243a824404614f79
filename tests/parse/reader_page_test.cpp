// Reader pages in the designed script forms and in the sites' 2016 and 2024
// layouts.

#include "parse/reader_page.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/parse/support.h"

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

TEST(ReaderPage, FixturePagesGiveEveryImageInOrder)
{
    const std::string q = "?t=1716093084&u=0&h=";
    const std::string dir = "https://img4.example/auto/47/33/50/";
    const std::string dir3 = "https://img3.example/auto/47/33/50/";
    const std::string runs = "__________________-____________-1.png_res.jpg";
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
        {"reader_2016.html",
         {"http://img1.example/auto/15/03/20/01.png_res.jpg", "http://img3.example/auto/15/03/20/02.png",
          "http://img2.example/auto/15/03/20/03.png_res.jpg", "http://img1.example/auto/15/03/20/04-05.png_res.jpg",
          "http://img5.example/auto/15/03/20/notice.png"}},
        // Not the two images of rm_h.readerInit( that open the same script.
        {"reader_2024.html",
         {dir + "001" + runs + q + "CwDkH3Ih5mN0pQrStUvWxY", dir3 + "002" + runs + q + "Zx9-yW8_vU7tS6rQ5pO4nM",
          dir + "003" + runs + q + "a1B2c3D4e5F6g7H8i9J0kL", dir3 + "005.png_res.jpg" + q + "qWeRtYuIoPaSdFgHjKlZxC",
          dir + "018-notice.png" + q + "-_-_-_-_-_-_-_-_-_-_-_"}},
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
std::string Script(const std::string& body) { return "<script>var a = [[1]];</script><script>" + body + "</script>"; }

TEST(ReaderPage, ScriptEdgesGiveTheirResultAndThePagesSoFar)
{
    const std::string doInit = "rm_h.readerDoInit([['h/','',\"p1\",1,2],['h/','x/',\"p2\",1,2]], false);";
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
        {Script("var pictures = [{url:\"http://s/1.png\",w:1},{url: \"b.png\",w:1}];"), 0,
         {"http://s/1.png", "\"b.png"}},
        {Script("var pictures = null;"), 3, {}},
        {Script("var pictures = [{url:\"a.png\",w:1}]") + "<p>;</p>", 14, {}},
        {Script("var pictures = [{url:\"a.png\",w:1},{url:\"b.png\"}];"), 14, {"a.png"}},
        {Script("var pictures = [url:;"), 14, {}},
        // The sites' readerDoInit list is read only when neither designed form is there.
        {Script(doInit), 0, {"h/p1", "x/h/p2"}},
        // White space, either quote, escapes and more items than three.
        {Script("rm_h.readerDoInit( [ [ \"h/\" , '' , 'a\\'b' , 1 , 'extra' ] ,\n['h/','',\"c\\\\d\"]\n] );"), 0,
         {"h/a'b", "h/c\\d"}},
        {Script("rm_h.readerDoInit([], false);"), 0, {}},
        {Script("rm_h.init( [['a','h/',\"1\",1,1]], 0);" + doInit), 0, {"h/a1"}},
        {Script("var pictures = [{url:\"v.png\",w:1}];") + Script(doInit), 0, {"v.png"}},
        {Script("rm_h.initReaderSider(); rm_h.readerInit( 0,[['h/','',\"other\",1,1]]);"), 1, {}},
        // A broken list keeps the pages read before the fault.
        {Script("rm_h.readerDoInit([['h/','',\"p1\",1,2],['h/',5,\"p2\",1,2]]);"), 14, {"h/p1"}},
        {Script("rm_h.readerDoInit([['h/','',\"p1\",1,2],['h/','']]);"), 14, {"h/p1"}},
        {Script("rm_h.readerDoInit([['h/','',\"p1\",1,2]") + "]]);", 14, {"h/p1"}},
        {Script("rm_h.readerDoInit([['h/','',\"p1") + "\",1,2]]);", 14, {}},
        {Script("rm_h.readerDoInit({});"), 14, {}},
        {Script("rm_h.readerDoInit([[") + std::string(1, '\0') + "'h/','',\"p\",1]])</script>", 14, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.page);
        ChapterInfo chapter;
        EXPECT_EQ(Html_ParseReaderPage(c.page, chapter), c.result);
        EXPECT_EQ(Addresses(chapter), c.pages);
    }
}

}  // namespace
