// The sites' 2016 and 2024 reader pages.

#include "parse/reader_page.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/parse/fixture.h"

namespace {

using Pages = std::vector<std::string>;

Pages Read(std::string_view page, int result)
{
    ChapterInfo chapter;
    EXPECT_EQ(Html_ParseReaderPage(page, chapter), result);
    Pages out;
    for (const PageInfo& p : chapter.Pages) {
        EXPECT_EQ(p.UrlSize, static_cast<int32_t>(p.Url.value_or("").size() + 1));
        out.push_back(p.Url.value_or("(none)"));
    }
    return out;
}

TEST(ReaderPageLayouts, RealLayoutsGiveEveryPageOfTheChapterInOrder)
{
    const std::string q = "?t=1716093084&u=0&h=";
    const std::string dir = "auto/47/33/50/";
    const std::string runs = "__________________-____________-1.png_res.jpg";
    const struct {
        const char* file;
        Pages pages;
    } cases[] = {
        {"reader_2016.html",
         {"http://img1.example/auto/15/03/20/01.png_res.jpg", "http://img3.example/auto/15/03/20/02.png",
          "http://img2.example/auto/15/03/20/03.png_res.jpg", "http://img1.example/auto/15/03/20/04-05.png_res.jpg",
          "http://img5.example/auto/15/03/20/notice.png"}},
        // Not the two images of rm_h.readerInit( that open the same script.
        {"reader_2024.html",
         {"https://img4.example/" + dir + "001" + runs + q + "CwDkH3Ih5mN0pQrStUvWxY",
          "https://img3.example/" + dir + "002" + runs + q + "Zx9-yW8_vU7tS6rQ5pO4nM",
          "https://img4.example/" + dir + "003" + runs + q + "a1B2c3D4e5F6g7H8i9J0kL",
          "https://img3.example/" + dir + "005.png_res.jpg" + q + "qWeRtYuIoPaSdFgHjKlZxC",
          "https://img4.example/" + dir + "018-notice.png" + q + "-_-_-_-_-_-_-_-_-_-_-_"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        EXPECT_EQ(Read(ReadParseFixture(c.file), 0), c.pages);
    }
}

std::string Script(const std::string& body) { return "<script>var a = [[1]];</script><script>" + body + "</script>"; }

TEST(ReaderPageLayouts, TheDoInitListIsReadOnlyWhenNeitherDesignedFormIsThere)
{
    const std::string doInit = "rm_h.readerDoInit([['h/','',\"p1\",1,2],['h/','x/',\"p2\",1,2]], false);";
    const struct {
        std::string page;
        int result;
        Pages pages;
    } cases[] = {
        {Script(doInit), 0, {"h/p1", "x/h/p2"}},
        // White space, either quote, escapes and more items than three.
        {Script("rm_h.readerDoInit( [ [ \"h/\" , '' , 'a\\'b' , 1 , 'extra' ] ,\n['h/','',\"c\\\\d\"]\n] );"), 0,
         {"h/a'b", "h/c\\d"}},
        {Script("rm_h.readerDoInit([], false);"), 0, {}},
        // A designed form wins, even a broken one.
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
        EXPECT_EQ(Read(c.page, c.result), c.pages);
    }
}

}  // namespace
