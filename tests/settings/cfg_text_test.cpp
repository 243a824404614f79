#include "settings/cfg_text.h"

#include <cstdint>
#include <string>

#include <gtest/gtest.h>

#include "model/text_codec.h"

namespace {

// The buffer the primitives work on: the text and its terminating zero unit.
std::u16string Buffer(std::u16string_view text) { return std::u16string(text) + u'\0'; }

TEST(CfgFindSection, FindsHeadersAndTheirBodies)
{
    const struct {
        const char16_t* text;
        bool found;
        const char16_t* body;  // nullptr: an empty body
    } cases[] = {
        {u"[A]\r\nk=1\r\n\r\n[B]\r\n", true, u"k=1\r\n"},
        {u"x=1\n[A] tail ] text\n\nk=1\n[B]", true, u"k=1"},
        {u"[A]\r\n\r\n[B]\r\nk=1", true, nullptr},  // one empty line, not "to the end of the text"
        {u"[a]\nk=1", false, nullptr},
        {u"[AB]\nk=1", false, nullptr},
        {u" [A]\nk=1", false, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Utf16ToUtf8(c.text));
        const std::u16string text = Buffer(c.text);
        CfgRange range{7, 3};
        ASSERT_EQ(Cfg_FindSection(text, u"A", range), c.found);
        if (!c.found)
            EXPECT_EQ(range.Start, 0u);
        else if (!c.body)
            EXPECT_LT(range.End, range.Start);
        else
            EXPECT_EQ(text.substr(range.Start, range.End - range.Start), c.body);
    }
}

// Read and save of whole files cover the usual edits; these are the edges
// only a direct call reaches.
TEST(CfgSet, WritesOneLineAndKeepsTheRangeOnTheSection)
{
    std::u16string text = Buffer(u"[S]\r\ns = v\r\n\r\n[T]\r\nn=5");
    CfgRange range;
    ASSERT_TRUE(Cfg_FindSection(text, u"S", range));
    Cfg_SetString(text, u"s", u"новое\n[T]\nn=0", range);
    Cfg_SetInt(text, u"n", 7, range);
    Cfg_SetInt(text, u"", 5, range);
    EXPECT_EQ(text, Buffer(u"[S]\r\ns новое\r\n\nn=7\r\n[T]\r\nn=5"));
    int64_t n = 0;
    EXPECT_TRUE(Cfg_GetInt(text, u"n", n, range));
    EXPECT_EQ(n, 7);
}

TEST(CfgCoding, KeepsEverythingButTheTerminator)
{
    const std::string withNul("\xEF\xBB\xBF\xEF\xBB\xBF" "a\0b\r\n", 11);
    EXPECT_EQ(Cfg_Decode(withNul), Buffer(std::u16string_view(u"\uFEFFa\0b\r\n", 6)));
    EXPECT_EQ(Cfg_Encode(Cfg_Decode(withNul)), withNul);
    EXPECT_EQ(Cfg_Encode(Cfg_Decode("a\xFF")), "\xEF\xBB\xBF" "a\xEF\xBF\xBD");
}

}  // namespace
