#include "model/text_codec.h"

#include <gtest/gtest.h>

TEST(TextCodec, Utf8RoundTripsCyrillicAndAstralText)
{
    const std::string utf8 = "Том 1: \xD0\x9D\xD0\xB0\xD1\x87\xD0\xB0\xD0\xBB\xD0\xBE \xF0\x9F\x98\x80";
    const std::u16string wide = Utf8ToUtf16(utf8);
    EXPECT_EQ(wide, u"Том 1: Начало \U0001F600");
    EXPECT_EQ(Utf16ToUtf8(wide), utf8);
}

TEST(TextCodec, InvalidInputBecomesReplacementCharacter)
{
    // A stray continuation byte, a truncated sequence at the end, an encoded surrogate.
    EXPECT_EQ(Utf8ToUtf16("a\x80" "b"), u"a\uFFFDb");
    EXPECT_EQ(Utf8ToUtf16("ok\xD0"), u"ok\uFFFD");
    EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80").find(u'\uFFFD'), 0u);
    // A lone surrogate cannot be written as UTF-8.
    EXPECT_EQ(Utf16ToUtf8(std::u16string(u"x") + char16_t(0xD800) + u"y"), "x\xEF\xBF\xBDy");
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xDC00))), "\xEF\xBF\xBD");
}

TEST(TextCodec, WideningKeepsEveryByteValue)
{
    const std::string bytes("h\x00\x7F\x80\xFF", 5);
    const std::u16string wide = WidenBytes(bytes);
    ASSERT_EQ(wide.size(), 5u);
    EXPECT_EQ(wide[1], 0);
    EXPECT_EQ(wide[3], 0x80);
    EXPECT_EQ(wide[4], 0xFF);
}
