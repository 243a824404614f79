#include "settings/cfg_text.h"

#include <cstdint>
#include <string>

#include <gtest/gtest.h>

#include "model/text_codec.h"

namespace {

// The buffer the primitives work on: the text and its terminating zero unit.
std::u16string Buffer(std::u16string_view text)
{
    return std::u16string(text) + u'\0';
}

std::string Visible(std::u16string_view text)
{
    if (!text.empty() && text.back() == u'\0')
        text.remove_suffix(1);
    return Utf16ToUtf8(text);
}

TEST(CfgFindSection, FindsHeadersAndTheirBodies)
{
    const struct {
        const char16_t* text;
        bool found;
        const char16_t* body;  // nullptr: an empty body
    } cases[] = {
        {u"[A]\nk=1\n[B]\nj=2", true, u"k=1"},
        {u"[A]\r\nk=1\r\n\r\n[B]\r\n", true, u"k=1\r\n"},
        {u"x=1\n[A] tail ] text\nk=1", true, u"k=1"},
        {u"[A]\n\nk=1\n[B]", true, u"k=1"},
        {u"[A]\r\n[B]\r\nk=1", true, nullptr},
        {u"[A]\r\n\r\n[B]\r\nk=1", true, nullptr},  // one empty line, not "to the end of the text"
        {u"k=1\n[A]\r\n", true, nullptr},          // a header on the last line
        {u"[a]\nk=1", false, nullptr},
        {u"[AB]\nk=1", false, nullptr},
        {u"A]\nk=1", false, nullptr},
        {u" [A]\nk=1", false, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Visible(c.text));
        const std::u16string text = Buffer(c.text);
        CfgRange range{7, 3};
        ASSERT_EQ(Cfg_FindSection(text, u"A", range), c.found);
        if (!c.found)
            EXPECT_EQ(range.Start, 0u);
        else if (!c.body)
            EXPECT_LT(range.End, range.Start);
        else
            EXPECT_EQ(Visible(std::u16string_view(text).substr(range.Start, range.End - range.Start)), Visible(c.body));
    }
}

TEST(CfgRange, LookupsFollowTheSectionFoundLast)
{
    const std::u16string text = Buffer(u"top=1\n[A]\na=2\n[B]\nb=3\n");
    CfgRange range;
    int64_t value = 0;
    EXPECT_FALSE(Cfg_FindSection(text, u"NONE", range));
    EXPECT_TRUE(Cfg_GetInt(text, u"b", value, range));  // nothing found yet: the whole text

    ASSERT_TRUE(Cfg_FindSection(text, u"A", range));
    EXPECT_TRUE(Cfg_GetInt(text, u"a", value, range));
    EXPECT_FALSE(Cfg_GetInt(text, u"b", value, range));
    EXPECT_FALSE(Cfg_GetInt(text, u"top", value, range));

    EXPECT_FALSE(Cfg_FindSection(text, u"NONE", range));  // from the top to the end of A
    EXPECT_TRUE(Cfg_GetInt(text, u"top", value, range));
    EXPECT_FALSE(Cfg_GetInt(text, u"b", value, range));
}

TEST(CfgGetString, CutsToCapacityWithoutSplittingASurrogatePair)
{
    const std::u16string text = Buffer(u"k=ab\U0001F600");
    std::u16string value;
    ASSERT_TRUE(Cfg_GetString(text, u"k", value, 4, CfgRange{}));
    EXPECT_EQ(value, u"ab");
    ASSERT_TRUE(Cfg_GetString(text, u"k", value, 5, CfgRange{}));
    EXPECT_EQ(value, u"ab\U0001F600");
    EXPECT_EQ(Cfg_ParseHex(u"00000000000000001"), 0u);  // only 16 characters are looked at
    EXPECT_EQ(Cfg_ParseHex(u"123456789ABCDEF0"), 0x9ABCDEF0u);
}

TEST(CfgSet, EditsInsideTheSectionAndKeepsTheRangeOnIt)
{
    const struct {
        const char16_t* before;
        const char16_t* after;
    } cases[] = {
        {u"[S]\nn=-20 # comment\ns=old value\n[T]", u"[S]\nn=7 # comment\ns=новое\nk=1\n[T]"},
        {u"[S]\r\nn x10;c\r\ns = v\r\n\r\n[T]\r\n", u"[S]\r\nn 7;c\r\ns новое\r\n\nk=1\r\n[T]\r\n"},
        {u"[S]\nn=123456789\ns=1", u"[S]\nn=7\ns=новое\nk=1"},
        {u"[S]\r\n[T]\r\nn=5", u"[S]\nn=7\ns=новое\nk=1\r\n[T]\r\nn=5"},
        {u"[S]\r\n\r\n[T]", u"[S]\r\n\nn=7\ns=новое\nk=1\r\n[T]"},
        {u"x=1\n[S]\r\n", u"x=1\n[S]\nn=7\ns=новое\nk=1\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Visible(c.before));
        std::u16string text = Buffer(c.before);
        CfgRange range;
        ASSERT_TRUE(Cfg_FindSection(text, u"S", range));
        Cfg_SetInt(text, u"n", 7, range);
        Cfg_SetString(text, u"s", u"новое\n[T]\nn=0", range);  // only one line is written
        Cfg_SetInt(text, u"k", 1, range);
        Cfg_SetInt(text, u"", 5, range);
        EXPECT_EQ(Visible(text), Visible(c.after));
        // The range moved with the edits: every key is found again in this pass.
        int64_t n = 0, k = 0;
        EXPECT_TRUE(Cfg_GetInt(text, u"n", n, range) && Cfg_GetInt(text, u"k", k, range));
        EXPECT_EQ(n * 10 + k, 71);
    }
}

TEST(CfgCoding, KeepsEverythingButTheTerminator)
{
    const std::string withNul("\xEF\xBB\xBF\xEF\xBB\xBF" "a\0b\r\n", 11);
    EXPECT_EQ(Cfg_Decode(withNul), Buffer(std::u16string_view(u"\uFEFFa\0b\r\n", 6)));
    EXPECT_EQ(Cfg_Encode(Cfg_Decode(withNul)), withNul);
    EXPECT_EQ(Cfg_Encode(Cfg_Decode("a\xFF")), "\xEF\xBB\xBF" "a\xEF\xBF\xBD");
}

} // namespace
