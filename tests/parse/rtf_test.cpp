#include "parse/rtf.h"

#include <string>

#include <gtest/gtest.h>

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
    EXPECT_EQ(Rtf_AppendHtml("<p>y</p>", small, 8), 1032);

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

}  // namespace
