#include "parse/chapter_link.h"

#include <gtest/gtest.h>

namespace {

TEST(ChapterLink, TakesTheTitleAfterTheNumbersOfTheLastLine)
{
    const struct {
        const char* text;
        const char16_t* name;  // nullptr: no title
    } cases[] = {
        {"Some Manga 12 - 3 10 years later", u"years later"},
        {"Some Manga 1 -- 5 Title", u"Title"},
        {"Some Manga 1 x - 5 Title", u"x - 5 Title"},
        {"Manga D4 Vol 1 - 5 Title", u"Vol 1 - 5 Title"},
        {"Some Manga 1 - 5-extra", u"-extra"},
        {"Some Manga 1 - 5   ", nullptr},
        {"No digits at all", nullptr},
        {" \r\n ", nullptr},
        {"Other 9 - 9 Old\n  Some Manga 1 - 5 Title", u"Title"},
        {"Some Manga 1 - 5 New\n   \n  ", u"New"},
        {"\r\n Manga\r\n 2 - 7 Title  \r\n ", u"Title  "},
        {"Тетрадь смерти 3 - 24 Погоня", u"Погоня"},
        {"Manga 1 - 5 \xED\xA0\x80!", u"\uFFFD!"},  // an encoded surrogate is no character
        {"Manga 1 - 5 \xE0\x9F\xBF!", u"\uFFFD!"},  // nor is an overlong form
        {"Some Manga 1 - 5 &laquo;N&raquo;&quot;&nbsp;", u"«N»\" "},
        {"Some Manga 1 - 5 Tom &amp; Jerry &#171; &quot", u"Tom &amp; Jerry &#171; &quot"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        ChapterInfo chapter;
        Html_ParseChapterLink(chapter, c.text);
        EXPECT_EQ(chapter.Name, c.name ? std::optional<std::u16string>(c.name) : std::nullopt);
    }
    ChapterInfo chapter;
    // Nothing past the end of the text is read, not even to finish a character.
    Html_ParseChapterLink(chapter, std::string_view("Some Manga 1 - 5 Ti\xD0\xAF and more").substr(0, 20));
    EXPECT_EQ(chapter.Name, u"Ti\uFFFD");
}

}  // namespace
