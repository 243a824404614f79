#include "settings/cfg_text.h"

#include <cstdint>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "model/text_codec.h"

namespace {

// The buffer the primitives work on: the text and its terminating zero unit.
std::u16string Buffer(std::u16string_view text)
{
    std::u16string buffer(text);
    buffer.push_back(u'\0');
    return buffer;
}

std::string Visible(std::u16string_view text)
{
    if (!text.empty() && text.back() == u'\0')
        text.remove_suffix(1);
    return Utf16ToUtf8(text);
}

struct SectionCase {
    const char16_t* text;
    const char16_t* name;
    bool found;
    bool emptyBody;
    const char16_t* body;  // the text of [Start, End) when the body is not empty
};

TEST(CfgFindSection, FindsHeadersAndTheirBodies)
{
    const SectionCase cases[] = {
        {u"[A]\nk=1\n[B]\nj=2", u"A", true, false, u"k=1"},
        {u"[A]\nk=1\n[B]\nj=2", u"B", true, false, u"j=2"},
        {u"[A]\r\nk=1\r\n\r\n[B]\r\n", u"A", true, false, u"k=1\r\n"},
        {u"x=1\n[A] trailing ] text\nk=1", u"A", true, false, u"k=1"},
        {u"[A]\n\nk=1\n[B]", u"A", true, false, u"k=1"},  // the blank line counts as part of the header's break
        {u"[A]\n[B]\nk=1", u"A", true, true, nullptr},
        {u"[A]\r\n[B]\r\nk=1", u"A", true, true, nullptr},
        // One empty line as the whole body: empty, not "to the end of the text".
        {u"[A]\r\n\r\n[B]\r\nk=1", u"A", true, true, nullptr},
        {u"[A]\n\n\r\n[B]\nk=1", u"A", true, true, nullptr},
        // A header ending the text is a section with an empty body.
        {u"k=1\n[A]", u"A", true, true, nullptr},
        {u"k=1\n[A]\r\n", u"A", true, true, nullptr},
        {u"[a]\nk=1", u"A", false, false, nullptr},
        {u"[AB]\nk=1", u"A", false, false, nullptr},
        {u"A]\nk=1", u"A", false, false, nullptr},
        {u" [A]\nk=1", u"A", false, false, nullptr},
        {u"k=[A]\nj=1", u"A", false, false, nullptr},
        {u"[A\nk=1]\n", u"A", false, false, nullptr},
        {u"", u"A", false, false, nullptr},
    };
    for (const SectionCase& c : cases) {
        SCOPED_TRACE(Visible(c.text) + " / " + Visible(c.name));
        const std::u16string text = Buffer(c.text);
        CfgRange range{7, 3};
        EXPECT_EQ(Cfg_FindSection(text, c.name, range), c.found);
        if (!c.found) {
            EXPECT_EQ(range.Start, 0u);
            EXPECT_EQ(range.End, 3u);  // untouched
            continue;
        }
        if (c.emptyBody) {
            EXPECT_LT(range.End, range.Start);
            int64_t value = 0;
            EXPECT_FALSE(Cfg_GetInt(text, u"k", value, range));
            continue;
        }
        ASSERT_LT(range.Start, range.End);
        ASSERT_LE(range.End, text.size());
        EXPECT_EQ(Visible(std::u16string_view(text).substr(range.Start, range.End - range.Start)), Visible(c.body));
    }
}

TEST(CfgGetInt, ReadsDecimalAndHexadecimalValues)
{
    constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
    constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
    const struct {
        const char16_t* line;
        int64_t expected;
    } cases[] = {
        {u"k=x10", 16},
        {u"k=x1F", 31},
        {u"k=X1f", 31},
        {u"k=0x1F", 0},
        {u"k=-20 # comment", -20},
        {u"k=7;note", 7},
        {u"k 5", 5},
        {u"k=  +12", 12},
        {u"k=\t-3", -3},
        {u"k=12abc", 12},
        {u"k=abc", 0},
        {u"k=", 0},
        {u"k=x", 0},
        {u"k= x10", 0},
        {u"k=xFFFFFFFFF", 0xFFFFFFFF},
        {u"k=x123456789", 0x23456789},
        {u"k=x0000000000000001F", 1},  // only the first 16 characters are looked at
        {u"k=9223372036854775807", kMax},
        {u"k=99999999999999999999", kMax},
        {u"k=-9223372036854775808", kMin},
        {u"k=-99999999999999999999", kMin},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Visible(c.line));
        const std::u16string text = Buffer(c.line);
        int64_t value = -777;
        ASSERT_TRUE(Cfg_GetInt(text, u"k", value, CfgRange{}));
        EXPECT_EQ(value, c.expected);
    }
}

TEST(CfgGetString, TakesTheRestOfTheLineAfterOneSeparator)
{
    const struct {
        const char16_t* text;
        const char16_t* key;
        size_t capacity;
        bool found;
        std::u16string_view expected;
    } cases[] = {
        {u"k=value", u"k", 30, true, u"value"},
        {u"k value", u"k", 30, true, u"value"},
        {u"k = value", u"k", 30, true, u"= value"},
        {u"k=a;b # c\r\nj=1", u"k", 30, true, u"a;b # c"},
        {u"k=\nj=1", u"k", 30, true, u""},
        {u"other=1\r\nk=глава", u"k", 30, true, u"глава"},
        {u"k=abcdef", u"k", 4, true, u"abc"},
        {u"k=ab\U0001F600", u"k", 4, true, u"ab"},  // never half a surrogate pair
        {u"k=ab\U0001F600", u"k", 5, true, u"ab\U0001F600"},
        {u"K=1", u"k", 30, false, u""},
        {u" k=1", u"k", 30, false, u""},
        {u"kk=1", u"k", 30, false, u""},
        {u"# k=1", u"k", 30, false, u""},
        {u"=1", u"", 30, false, u""},
        {u"k=1\nk=2", u"k", 30, true, u"1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Visible(c.text));
        const std::u16string text = Buffer(c.text);
        std::u16string value = u"unchanged";
        EXPECT_EQ(Cfg_GetString(text, c.key, value, c.capacity, CfgRange{}), c.found);
        EXPECT_EQ(value, c.found ? std::u16string(c.expected) : u"unchanged");
    }
}

TEST(CfgRange, LookupsFollowTheSectionFoundLast)
{
    const std::u16string text = Buffer(u"top=1\n[A]\na=2\n[B]\nb=3\n");
    CfgRange range;
    int64_t value = 0;

    // Before any section is found a missing one searches the whole text.
    EXPECT_FALSE(Cfg_FindSection(text, u"NONE", range));
    EXPECT_TRUE(Cfg_GetInt(text, u"b", value, range));
    EXPECT_EQ(value, 3);

    // Inside a found section, keys of other sections are invisible.
    ASSERT_TRUE(Cfg_FindSection(text, u"A", range));
    EXPECT_TRUE(Cfg_GetInt(text, u"a", value, range));
    EXPECT_FALSE(Cfg_GetInt(text, u"b", value, range));
    EXPECT_FALSE(Cfg_GetInt(text, u"top", value, range));

    // A missing section after A searches from the top to the end of A's body.
    EXPECT_FALSE(Cfg_FindSection(text, u"NONE", range));
    EXPECT_TRUE(Cfg_GetInt(text, u"top", value, range));
    EXPECT_TRUE(Cfg_GetInt(text, u"a", value, range));
    EXPECT_FALSE(Cfg_GetInt(text, u"b", value, range));
}

TEST(CfgSet, ReplacesOnlyTheValue)
{
    const struct {
        const char16_t* before;
        const char16_t* key;
        std::u16string_view stringValue;  // empty: write the number
        int64_t number;
        const char16_t* after;
    } cases[] = {
        {u"[S]\nk=-20 # comment\nj=1", u"k", u"", 7, u"[S]\nk=7 # comment\nj=1"},
        {u"[S]\nk=5;note", u"k", u"", -123456, u"[S]\nk=-123456;note"},
        {u"[S]\nk x10\n", u"k", u"", 1, u"[S]\nk 1\n"},
        {u"[S]\nk=   # empty", u"k", u"", 4, u"[S]\nk=4   # empty"},
        {u"[S]\r\nk=123456789\r\nj=1", u"k", u"", 0, u"[S]\r\nk=0\r\nj=1"},
        {u"[S]\nk=a long old value\nj=1", u"k", u"new", 0, u"[S]\nk=new\nj=1"},
        {u"[S]\nk=old # not a comment", u"k", u"новое", 0, u"[S]\nk=новое"},
        {u"[S]\nk = spaced", u"k", u"x", 0, u"[S]\nk x"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Visible(c.before));
        std::u16string text = Buffer(c.before);
        CfgRange range;
        ASSERT_TRUE(Cfg_FindSection(text, u"S", range));
        if (c.stringValue.empty())
            Cfg_SetInt(text, c.key, c.number, range);
        else
            Cfg_SetString(text, c.key, c.stringValue, range);
        EXPECT_EQ(Visible(text), Visible(c.after));
        EXPECT_EQ(text.back(), u'\0');
        // The range still covers the whole body: a key added now goes at its end.
        Cfg_SetInt(text, u"added", 9, range);
        int64_t value = 0;
        EXPECT_TRUE(Cfg_GetInt(text, u"added", value, range));
        EXPECT_EQ(value, 9);
    }
}

TEST(CfgSet, AddsMissingKeysAtTheEndOfTheBodyInWritingOrder)
{
    const struct {
        const char16_t* before;
        const char16_t* after;
    } cases[] = {
        {u"[S]\nold=1\n[T]\nt=1", u"[S]\nold=1\nk1=1\nk2=2\n[T]\nt=1"},
        {u"[S]\r\nold=1\r\n\r\n[T]\r\n", u"[S]\r\nold=1\r\n\nk1=1\nk2=2\r\n[T]\r\n"},
        {u"[S]\nold=1", u"[S]\nold=1\nk1=1\nk2=2"},
        {u"[S]\nold=1\n", u"[S]\nold=1\n\nk1=1\nk2=2"},
        // Empty bodies: the new lines go right below the header.
        {u"[S]\n[T]\nk1=7", u"[S]\nk1=1\nk2=2\n[T]\nk1=7"},
        {u"[S]\r\n[T]", u"[S]\nk1=1\nk2=2\r\n[T]"},
        {u"[S]\r\n\r\n[T]\r\nk1=7", u"[S]\r\n\nk1=1\nk2=2\r\n[T]\r\nk1=7"},
        // A header on the last line.
        {u"x=1\n[S]", u"x=1\n[S]\nk1=1\nk2=2"},
        {u"x=1\n[S]\r\n", u"x=1\n[S]\nk1=1\nk2=2\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Visible(c.before));
        std::u16string text = Buffer(c.before);
        CfgRange range;
        ASSERT_TRUE(Cfg_FindSection(text, u"S", range));
        Cfg_SetInt(text, u"k1", 1, range);
        Cfg_SetInt(text, u"k2", 2, range);
        EXPECT_EQ(Visible(text), Visible(c.after));
        // Written keys are found again in the same pass and by a new one.
        CfgRange fresh;
        ASSERT_TRUE(Cfg_FindSection(text, u"S", fresh));
        for (const CfgRange& probe : {range, fresh}) {
            int64_t k1 = 0, k2 = 0;
            EXPECT_TRUE(Cfg_GetInt(text, u"k1", k1, probe));
            EXPECT_TRUE(Cfg_GetInt(text, u"k2", k2, probe));
            EXPECT_EQ(k1, 1);
            EXPECT_EQ(k2, 2);
        }
    }
}

TEST(CfgSet, WritesOneLineOnlyAndIgnoresEmptyKeys)
{
    std::u16string text = Buffer(u"[S]\nk=1\n[DEBUG]\nSaveBuf=0");
    CfgRange range;
    ASSERT_TRUE(Cfg_FindSection(text, u"S", range));
    Cfg_SetString(text, u"k", u"a\n[DEBUG]\nSaveBuf=1", range);
    Cfg_SetString(text, u"j", std::u16string_view(u"b\0c", 3), range);
    Cfg_SetString(text, u"", u"nothing", range);
    Cfg_SetInt(text, u"", 5, range);
    EXPECT_EQ(Visible(text), "[S]\nk=a\nj=b\n[DEBUG]\nSaveBuf=0");
}

TEST(CfgSet, WholeTextRangeStaysWhole)
{
    std::u16string text = Buffer(u"a=1\nb=2");
    CfgRange range;
    Cfg_SetInt(text, u"a", 123456, range);
    Cfg_SetInt(text, u"c", 3, range);
    EXPECT_EQ(range.Start, range.End);
    int64_t value = 0;
    EXPECT_TRUE(Cfg_GetInt(text, u"b", value, range));
    EXPECT_EQ(Visible(text), "a=123456\nb=2\nc=3");
}

TEST(CfgAddSection, AppendsOnlyMissingSections)
{
    const struct {
        const char16_t* before;
        const char16_t* after;
    } cases[] = {
        {u"", u"[S]\nk=1"},
        {u"x=1", u"x=1\n[S]\nk=1"},
        {u"x=1\r\n", u"x=1\r\n\n[S]\nk=1"},
        {u"[S]\nk=5\n[T]", u"[S]\nk=1\n[T]"},
        {u"[T]\nk=5", u"[T]\nk=5\n[S]\nk=1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Visible(c.before));
        std::u16string text = Buffer(c.before);
        CfgRange range;
        Cfg_AddSection(text, u"S", range);
        Cfg_SetInt(text, u"k", 1, range);
        EXPECT_EQ(Visible(text), Visible(c.after));
    }
}

TEST(CfgParseHex, TakesTheLow32BitsOfAtMost16Digits)
{
    EXPECT_EQ(Cfg_ParseHex(u""), 0u);
    EXPECT_EQ(Cfg_ParseHex(u"g1"), 0u);
    EXPECT_EQ(Cfg_ParseHex(u"fF"), 0xFFu);
    EXPECT_EQ(Cfg_ParseHex(u"12 34"), 0x12u);
    EXPECT_EQ(Cfg_ParseHex(u"123456789ABCDEF0"), 0x9ABCDEF0u);
    EXPECT_EQ(Cfg_ParseHex(u"00000000000000001"), 0u);
    EXPECT_EQ(Cfg_ParseHex(u"\uFF11"), 0u);  // fullwidth digit one
}

TEST(CfgCoding, ByteOrderMarkIsSkippedOnReadingAndAlwaysWritten)
{
    EXPECT_EQ(Cfg_Decode(""), std::u16string(1, u'\0'));
    EXPECT_EQ(Cfg_Decode("\xEF\xBB\xBF"), std::u16string(1, u'\0'));
    EXPECT_EQ(Cfg_Decode("\xEF\xBB\xBFk=\xD0\xB3"), Buffer(u"k=г"));
    EXPECT_EQ(Cfg_Decode("k=1"), Buffer(u"k=1"));
    EXPECT_EQ(Cfg_Decode("\xEF\xBB\xBF\xEF\xBB\xBFk"), Buffer(u"\uFEFFk"));  // only one mark is skipped
    EXPECT_EQ(Cfg_Decode("a\xFF"), Buffer(u"a\uFFFD"));

    EXPECT_EQ(Cfg_Encode(Buffer(u"")), "\xEF\xBB\xBF");
    EXPECT_EQ(Cfg_Encode(Buffer(u"k=г\r\n")), "\xEF\xBB\xBFk=\xD0\xB3\r\n");
    const std::string withNul("\xEF\xBB\xBF" "a\0b", 6);
    EXPECT_EQ(Cfg_Encode(Cfg_Decode(withNul)), withNul);
}

} // namespace
