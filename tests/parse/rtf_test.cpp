#include "parse/rtf.h"

#include <string>

#include <gtest/gtest.h>

namespace {

struct HtmlCase {
    const char* html;
    const char* written;  // what lands between "{\rtf1" and the closing brace
};

class RtfHtmlCase : public testing::TestWithParam<HtmlCase> {};

TEST_P(RtfHtmlCase, AppendsToAnEmptyDocument)
{
    OptString doc = std::string("{\\rtf1}");
    Rtf_AppendHtml(GetParam().html, doc, 8);
    EXPECT_EQ(*doc, std::string("{\\rtf1") + GetParam().written + "}");
}

INSTANTIATE_TEST_SUITE_P(
    Tags, RtfHtmlCase,
    testing::Values(HtmlCase{"<p>Hello <b>world</b></p>", "Hello \\b1world\\b0\\par"},
                    HtmlCase{"<p><em>i</em></p>", "\\i1i\\i0\\par"},
                    // Tags act outside paragraphs, their text does not.
                    HtmlCase{"<b>x</b> y<br>", "\\b1\\b0\\par"},
                    HtmlCase{"<em>i</em>", "\\i1\\i0"},
                    HtmlCase{"<br/>", ""},
                    HtmlCase{"<br />", "\\par"},
                    HtmlCase{"<BR><P>x</P>", ""},
                    HtmlCase{"<sub>", "\\b1"},
                    HtmlCase{"</sub>", "\\b1"},
                    HtmlCase{"<strong><i>", ""},
                    HtmlCase{"<p class=\"x\">a</p>", "a\\par"},
                    HtmlCase{"<p>a</p>b<p>c</p>", "a\\parc\\par"}));

INSTANTIATE_TEST_SUITE_P(
    Text, RtfHtmlCase,
    testing::Values(HtmlCase{"<p>\xD0\xA2\xD0\xBE\xD0\xBC&nbsp;1</p>", "\\u1058?\\u1086?\\u1084? 1\\par"},
                    HtmlCase{"<p>&laquo;x&raquo;</p>", "\\u171\"x\\u187\"\\par"},
                    HtmlCase{"<p>&quot;q&quot;</p>", "\"q\"\\par"},
                    HtmlCase{"<p>a &amp; b</p>", "a  b\\par"},
                    // A "&" with no ";" after it takes the rest of the fragment along.
                    HtmlCase{"<p>x &copy rest</p><p>y</p>", "x "},
                    HtmlCase{"<p>a   b</p>", "a b\\par"},
                    HtmlCase{"<p>a\r\n  b\n</p>", "a b \\par"},
                    HtmlCase{"<p>a\tb</p>", "a\tb\\par"},
                    HtmlCase{"<p> a</p>", " a\\par"},
                    // Braces and backslashes from the site are escaped.
                    HtmlCase{"<p>{\\b0 evil}</p>", "\\{\\\\b0 evil\\}\\par"},
                    HtmlCase{"<p>\xF0\x9F\x98\x80!</p>", "\\u55357?!\\par"},
                    HtmlCase{"<p>\xE2\x80\x94</p>", "\\u8212?\\par"},
                    // A broken sequence is one U+FFFD and swallows its bytes, even a "<".
                    HtmlCase{"<p>\xD0</p>", "\\u65533?/p"},
                    HtmlCase{"<p>\xBFz</p>", "\\u65533?z\\par"},
                    HtmlCase{"<p>\xC0\x80</p>", "\\u65533?\\par"},
                    HtmlCase{"<p>a\xE2\x80", "a\\u65533?"}));

TEST(RtfAppendHtml, EveryCallStartsOutsideAParagraph)
{
    OptString doc = std::string("{\\rtf1}");
    int32_t cap = Rtf_AppendHtml("<p>open", doc, 8);
    cap = Rtf_AppendHtml("dropped<p>kept</p>", doc, cap);
    EXPECT_EQ(*doc, "{\\rtf1openkept\\par}");
    EXPECT_EQ(cap, 1032);
}

TEST(RtfAppendHtml, StopsAtAZeroByte)
{
    OptString doc = std::string("{\\rtf1}");
    Rtf_AppendHtml(std::string_view("<p>ab\0cd</p>", 12), doc, 8);
    EXPECT_EQ(*doc, "{\\rtf1ab}");
}

TEST(RtfAppendText, WritesLineFeedsAsParagraphsAndEscapesTheRest)
{
    OptString doc = std::string("{\\rtf1}");
    Rtf_AppendText(u"Ab\nЯ\u007E\u007F\uFFFF", doc, 8);
    EXPECT_EQ(*doc, "{\\rtf1Ab\\par\\u1071?~\\u127?\\u65535?}");
}

TEST(RtfAppendText, EscapesPageTextButNotProgramText)
{
    OptString doc = std::string("{\\rtf1}");
    int32_t cap = Rtf_AppendText(u"\\b1{x}", doc, 8, RtfSource::Program);
    Rtf_AppendText(u"\\b1{x}", doc, cap, RtfSource::Page);
    EXPECT_EQ(*doc, "{\\rtf1\\b1{x}\\\\b1\\{x\\}}");
}

TEST(RtfAppendText, EndsAtAZeroUnit)
{
    OptString doc = std::string("{\\rtf1}");
    Rtf_AppendText(std::u16string_view(u"ab\0cd", 5), doc, 8);
    EXPECT_EQ(*doc, "{\\rtf1ab}");
}

TEST(RtfCapacity, FirstCharacterRaisesEightTo1032)
{
    OptString doc = std::string("{\\rtf1}");
    EXPECT_EQ(Rtf_AppendText(u"x", doc, 8), 1032);
    OptString html = std::string("{\\rtf1}");
    EXPECT_EQ(Rtf_AppendHtml("<p>" + std::string(300, 'y') + "</p>", html, 8), 1032);
}

TEST(RtfCapacity, ClosingBraceAloneAddsThree)
{
    OptString doc = std::string("{\\rtf1}");
    EXPECT_EQ(Rtf_AppendText(u"", doc, 8), 11);
    EXPECT_EQ(*doc, "{\\rtf1}");
    // Room enough for the brace: nothing grows.
    EXPECT_EQ(Rtf_AppendHtml("<i>", doc, 11), 11);
}

TEST(RtfCapacity, GrowsByStepsNotPerWrite)
{
    // Text byte k is written at position 6 + k; the step comes when 13 bytes
    // no longer fit, at position 1019, and again at 2043.
    OptString doc = std::string("{\\rtf1}");
    int32_t cap = Rtf_AppendText(std::u16string(1012, u'a'), doc, 8);
    EXPECT_EQ(cap, 1032);
    cap = Rtf_AppendText(u"b", doc, cap);  // the "b" lands at 1018
    EXPECT_EQ(cap, 1032);
    cap = Rtf_AppendText(u"c", doc, cap);  // the "c" lands at 1019
    EXPECT_EQ(cap, 2056);
    EXPECT_EQ(doc->size(), 1021u);
    EXPECT_GE(doc->capacity() + 1, 2056u);
}

TEST(RtfCapacity, CreatesAnAbsentDocument)
{
    OptString doc;
    EXPECT_EQ(Rtf_AppendText(u"Я", doc, 0), 1024);
    EXPECT_EQ(*doc, "{\\rtf1\\u1071?}");
    OptString html;
    EXPECT_EQ(Rtf_AppendHtml("", html, 77), 1024);
    EXPECT_EQ(*html, "{\\rtf1}");
}

TEST(RtfCapacity, AFigureBelowTheDocumentIsRaised)
{
    OptString doc = std::string("{\\rtf1 0123456789}");
    const int32_t cap = Rtf_AppendText(u"x", doc, 1);
    EXPECT_EQ(*doc, "{\\rtf1 0123456789x}");
    EXPECT_GE(cap, static_cast<int32_t>(doc->size()) + 1);
}

}  // namespace
