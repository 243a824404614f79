#include "parse/rtf_reader.h"

#include <string>

#include <gtest/gtest.h>

#include "tests/parse/rtf_render.h"

namespace {

RtfRun Plain(std::u16string text) { return {std::move(text), false, false}; }

TEST(RtfRead, ReadsControlWordsGroupsAndEscapes)
{
    const struct {
        std::string_view rtf;
        std::string shown;
    } cases[] = {
        {"", ""},
        {"{\\rtf1}", ""},
        {"{\\rtf1\\par}", "¶"},
        {"{\\rtf1 a\\par}", "a¶"},
        {"{\\rtf1 a\\par\\par}", "a¶¶"},
        {"{\\rtf1 a\\line b\\sect c\\page d\\\ne\\\r\nf}", "a¶b¶c¶d¶e¶f¶"},
        // Letters end a parameter, upper-case letters end a word.
        {"{\\rtf1\\b1bold\\b0 not\\parB}", "<b>bold</>not¶B¶"},
        {"{\\rtf1\\b a{\\i b{\\plain c}d}e\\par f}", "<b>a</><bi>b</>c<bi>d</><b>e</>¶<b>f</>¶"},
        {"{\\rtf1\\i x\\i0 y\\b-1 z\\b0\\pard w}", "<i>x</>y<b>z</>w¶"},
        {"{\\rtf1\\fs24 a\\cf-2  b\\qc\\f0c\\u x}", "a bcx¶"},
        // Unicode escapes: negative numbers, fallbacks per \uc (scoped by
        // groups, ended by a brace, a control word or \'hh counting as one).
        {"{\\rtf1\\u1071?\\u-64465?\\u1071 ?\\u70000?}", "ЯЯЯ\xEF\xBF\xBD¶"},
        {"{\\rtf1\\uc2\\u1071ab c{\\uc0\\u1071?}\\u1071\\'c0\\par!}", "Я cЯ?Я!¶"},
        {"{\\rtf1\\uc3\\u1071{x}y\\u1071\\u1072??z}", "ЯxyЯz¶"},
        {"{\\rtf1\\'e9\\'80\\'4x\\'}", "é€x¶"},
        {"{\\rtf1\\ansi\\ansicpg1251\\'c0\\'e1\\'a8\\'b9\xFF}", "АбЁ№я¶"},
        {"{\\rtf1 \\\\\\{\\}a\\~b\\-c\\_d\\tab e\\emdash\\ldblquote\\rdblquote}", "\\{}a\xC2\xA0" "bc\xE2\x80\x91" "d\te—“”¶"},
        {"{\\rtf1 a\\u0?\\u10?\\'0d\x01" "b\r\nc}", "abc¶"},
        // Destinations are skipped whole, braces in \bin data included.
        {"{\\rtf1{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red0;}{\\*\\generator x;}{\\info{\\title T}}"
         "a{\\*\\foo b{c}\\}}{\\pict\\bin3 }}}x}b\\bin-5 c}",
         "abc¶"},
        {"{\\rtf1 a{\\header h\\par}\\uc1\\u1071\\bin2 {}b}", "aЯb¶"},
        // The document ends where its outer group closes; a missing brace or a
        // cut escape ends it at the input's end.
        {"\r\n {\\rtf1 a}b", "a¶"},
        {"{\\rtf1 a}}b{", "a¶"},
        {"{\\rtf1 a{\\b b", "a<b>b</>¶"},
        {"{\\rtf1 a\\", "a¶"},
        {"{\\rtf1 a\\'4", "a¶"},
        {"{\\rtf1 a\\u1071", "aЯ¶"},
        {"{\\rtf1 a\\b-", "a<b>-</>¶"},
        {"{\\rtf1 a\\bin1000", "a¶"},
        // Without the header: the body of a document, stray braces ignored.
        {"plain \\b bold}\\b0 x{y\\par z", "plain <b>bold</>xy¶z¶"},
        {"{a}b", "ab¶"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rtf);
        EXPECT_EQ(RtfShown(c.rtf), c.shown);
    }
}

TEST(RtfRead, SurrogatesAndNestingDepthAreKeptAsWrittenAndBounded)
{
    // Units go into the text as written, a lone one included.
    const auto runs = Rtf_Read("{\\rtf1\\u55357?\\u56832?\\u-8192?}");
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0], RtfParagraph{{Plain(u"\U0001F600\xE000")}});
    EXPECT_EQ(Rtf_Read("{\\rtf1 \\u55357?}")[0].runs[0].text, std::u16string(1, char16_t(0xD83D)));

    const auto nested = [](size_t depth) {
        return "{\\rtf1" + std::string(depth, '{') + "\\b x" + std::string(depth, '}') + "y}";
    };
    EXPECT_EQ(RtfShown(nested(900)), "<b>x</>y¶");
    // Past the cap a group is skipped, and its closing braces still match.
    EXPECT_EQ(RtfShown(nested(5000)), "y¶");
    EXPECT_EQ(RtfShown(std::string(200000, '{') + "x"), "");
}

}  // namespace
