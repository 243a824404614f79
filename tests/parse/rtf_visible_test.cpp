#include <string>

#include <gtest/gtest.h>

#include "parse/rtf.h"
#include "tests/parse/rtf_text.h"

namespace {

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

TEST(RtfAppendVisibleHtml, ShowsTheTextAndGrowsLikeTheOtherAppends)
{
    OptString doc;
    int32_t cap = Rtf_AppendVisibleHtml("<b>Лес</b> и\n<br>поле", doc, 0);
    EXPECT_EQ(cap, 1024);
    EXPECT_EQ(RtfShownText(*doc), u"Лес и\nполе");
    // Digits after a control word left by another writer stay text.
    cap = Rtf_AppendText(u"\\b1Год:\\b0\n", doc, cap, RtfSource::Program);
    cap = Rtf_AppendVisibleHtml("2014 &amp; 1 \\par", doc, cap);
    EXPECT_EQ(RtfShownText(*doc), u"Лес и\nполеГод:\n2014 & 1 \\par");
    const std::string longText(2000, 'x');
    cap = Rtf_AppendVisibleHtml(longText, doc, cap);
    EXPECT_EQ(cap, 3072);
    EXPECT_GE(cap, static_cast<int32_t>(doc->size() + 1));
}

}  // namespace
