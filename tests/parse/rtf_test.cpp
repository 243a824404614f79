// The description writer and the reader the window shows descriptions with.

#include "parse/rtf.h"
#include "parse/rtf_reader.h"

#include <string>

#include <gtest/gtest.h>

#include "tests/parse/support.h"

namespace {

TEST(RtfAppendHtml, WritesParagraphTextTagsAndEscapes)
{
    const struct {
        std::string_view html;
        const char* written;  // what lands between "{\rtf1" and the closing brace
    } cases[] = {
        {"<p>Hello <b>world</b></p>", "Hello \\b1world\\b0\\par"},
        // Tags act outside paragraphs, their text does not.
        {"<b>x</b> y<br><em>i</em>", "\\b1\\b0\\par\\i1\\i0"},
        {"<br/><BR><P>x</P><strong>", ""},
        {"<sub>", "\\b1"},
        // Text that would read as more of a control word gets its delimiter.
        {"<p class=\"x\">a</p>b<p>c</p>", "a\\par c\\par"},
        {"<p>1<br>2 <b>3</b>45-</p>", " 1\\par 2 \\b1 3\\b0 45-\\par"},
        {"<p>x<br>-<em>y</em></p>", "x\\par -\\i1y\\i0\\par"},
        // A space right after a control word would be taken as its delimiter.
        {"<p><b>Vol:</b> 3<br> x<em>i</em>&nbsp;y</p>", "\\b1Vol:\\b0  3\\par  x\\i1i\\i0  y\\par"},
        {"<p>\xD0\xA2&nbsp;&laquo;x&raquo;&quot;&amp;</p>", "\\u1058? \\u171\"x\\u187\"\"\\par"},
        // A "&" with no ";" after it takes the rest of the fragment along.
        {"<p>x &copy rest</p><p>y</p>", "x "},
        {"<p> a   b\r\n  c\tb\n</p>", "  a b c\tb \\par"},
        {"<p>{\\b0 evil}</p>", "\\{\\\\b0 evil\\}\\par"},
        {"<p>\xF0\x9F\x98\x80!</p>", "\\u55357?!\\par"},
        // A broken sequence is one U+FFFD and swallows its bytes, even a "<".
        {"<p>\xD0</p>", "\\u65533?/p"},
        {"<p>\xC0\x80</p>", "\\u65533?\\par"},
        {"<p>\xD0\xD0</p>", "\\u65533?\\par"},
        {"<p>\x80x</p>", "\\u65533?x\\par"},  // a stray continuation byte is one
        {"<p>a\xE2\x80", "a\\u65533?"},
        {std::string_view("<p>ab\0cd</p>", 12), "ab"},
        {std::string_view(), ""},  // no data at all
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.html);
        OptString doc = std::string("{\\rtf1}");
        Rtf_AppendHtml(c.html, doc, 8);
        EXPECT_EQ(*doc, std::string("{\\rtf1") + c.written + "}");
    }
}

TEST(RtfAppend, SequenceOfPiecesGrowsTheCapacityInSteps)
{
    OptString doc;
    // An absent document is created at 1024 whatever figure is passed.
    int32_t cap = Rtf_AppendText(u"\\b1{x}", doc, 0, RtfSource::Program);
    EXPECT_EQ(cap, 1024);
    cap = Rtf_AppendText(std::u16string_view(u"\\{Я\n ~\u007F\0cd", 10), doc, cap);
    EXPECT_EQ(*doc, "{\\rtf1\\b1{x}\\\\\\{\\u1071?\\par  ~\\u127?}");
    // Every call starts outside a paragraph.
    cap = Rtf_AppendHtml("<p>open", doc, cap);
    cap = Rtf_AppendHtml("dropped<p>kept</p>", doc, cap);
    EXPECT_EQ(*doc, "{\\rtf1\\b1{x}\\\\\\{\\u1071?\\par  ~\\u127?openkept\\par}");
    EXPECT_EQ(cap, 1024);

    OptString small = std::string("{\\rtf1}");
    EXPECT_EQ(Rtf_AppendText(u"", small, 8), 11);  // the closing brace alone adds three
    EXPECT_EQ(Rtf_AppendHtml("<i>", small, 11), 11);
    EXPECT_EQ(Rtf_AppendHtml("<p>y</p>", small, 16), 1040);  // 13 bytes before paragraph text

    // Text byte k lands at 6 + k; the step comes when 13 bytes no longer fit.
    OptString big = std::string("{\\rtf1}");
    cap = Rtf_AppendText(std::u16string(1013, u'a'), big, 8);
    EXPECT_EQ(cap, 1032);
    cap = Rtf_AppendText(u"c", big, cap);
    EXPECT_EQ(cap, 2056);
    EXPECT_GE(big->capacity() + 1, 2056u);

    OptString low = std::string("{\\rtf1 0123456789}");
    EXPECT_GE(Rtf_AppendText(u"x", low, 1), static_cast<int32_t>(low->size()) + 1);
}

TEST(RtfAppendVisibleHtml, KeepsAllTextAndBreaksLinesWhereABrowserDoes)
{
    const struct {
        std::string_view html;
        const char* written;  // what lands between "{\rtf1" and the closing brace
    } cases[] = {
        // Text outside any paragraph stays; leading and trailing white space of a line goes.
        {"\n   Bare text\n   <div class=\"clearfix\"></div>\n", "Bare text\\par "},
        // <br> always ends a line; a block only ends one that holds text.
        {"<span style=\"a: &quot;b&quot;\">One!!&nbsp;</span><br><span>Two</span><div><span><br></span></div>"
         "<div><font face=\"x\">\xC2\xA9Three</font></div>",
         "One!! \\par Two\\par \\par \\u169?Three\\par "},
        {"<p> <b>Label:</b> 1 </p><p>\n<strong>S</strong> <em>e</em><i>i</i></p>",
         "\\b1 Label:\\b0  1\\par \\b1 S\\b0 \\i1  e\\i0 \\i1 i\\i0 \\par "},
        {"<br/>a<BR />b<h4>c</h4>d", "\\par a\\par b\\par c\\par d"},
        // References decode; unknown ones and a bare "&" stay as written.
        {"&amp; &lt;&gt; &#1071;&#x42f; &bogus; & &laquo;q&raquo; &mdash;", "& <> \\u1071?\\u1071? &bogus; & \\u171?q\\u187? \\u8212?"},
        // A ">" inside a quoted attribute does not end the tag; a "<" before a non-letter is text.
        {"<a title=\"x>y\" href='z'>link</a> a < b <!-- <p>hidden</p> --> c", "link a < b c"},
        // Page text cannot open a group or a control word.
        {"{\\par}", "\\{\\\\par\\}"},
        // Bad UTF-8 is one U+FFFD per byte and swallows nothing; four-byte characters are a surrogate pair.
        {"\xD0<b>x</b>\xF0\x9F\x98\x80\xEF\xBF\xBD", "\\u65533?\\b1 x\\b0 \\u55357?\\u56832?\\u65533?"},
        // A tag that never closes hides the rest.
        {"kept <span title=\"never", "kept"},
        {std::string_view("a\0b", 3), "a"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.html);
        OptString doc = std::string("{\\rtf1}");
        Rtf_AppendVisibleHtml(c.html, doc, 8);
        // The space ends "\\rtf1", which the first letter or digit would otherwise join.
        EXPECT_EQ(*doc, std::string("{\\rtf1 ") + c.written + "}");
    }
}

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
