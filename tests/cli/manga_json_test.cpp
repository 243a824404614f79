#include "cli/manga_json.h"

#include <gtest/gtest.h>

namespace {

TEST(MangaJson, BytesBecomeCodePointsOfTheSameValue)
{
    const std::string bytes = {'a', '\x7f', '\x80', '\xc3', '\xff', '\0', 'z'};
    const std::string text = BytesToUtf8(bytes);
    EXPECT_EQ(text, std::string("a\x7f\xc2\x80\xc3\x83\xc3\xbf") + std::string(1, '\0') + "z");
    // And back: decoding the JSON string gives one code point per byte.
    const std::u32string decoded = [&] {
        std::u32string out;
        for (size_t i = 0; i < text.size();) {
            const auto c = static_cast<unsigned char>(text[i]);
            if (c < 0x80) {
                out += c;
                ++i;
            } else {
                out += static_cast<char32_t>(((c & 0x1F) << 6) | (static_cast<unsigned char>(text[i + 1]) & 0x3F));
                i += 2;
            }
        }
        return out;
    }();
    ASSERT_EQ(decoded.size(), bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i)
        EXPECT_EQ(decoded[i], static_cast<unsigned char>(bytes[i]));
}

TEST(MangaJson, RecordFieldsNullsAndFlags)
{
    MangaInfo manga;
    manga.Url = "http://host/m";
    manga.UrlSize = 14;
    manga.Name = u"Пример";
    manga.JpName = u"";  // empty but present stays a string
    manga.Desc = "{\\rtf1 \xe9}";
    manga.DescSize = 40;
    manga.bSkipCovers = 1;
    manga.Covers.push_back(CoverInfo{"/c1.jpg", 8});
    manga.Covers.push_back(CoverInfo{std::nullopt, 0});
    ChapterInfo scanned;
    scanned.Name = u"Глава \U0001F600";
    scanned.Vol = 2;
    scanned.Num = 15;
    scanned.bSkip = 1;
    scanned.Pages.resize(2);
    scanned.Pages[0].Url = "http://host/p/01.png";
    scanned.Pages[0].bLoaded = 1;
    scanned.Pages[1].Url = "http://host/p/02.png";
    manga.Chaps.push_back(std::move(scanned));
    ChapterInfo pending;
    pending.Url = "http://host/m/vol1/1?mature=1";
    manga.Chaps.push_back(std::move(pending));

    const nlohmann::ordered_json json = MangaInfo_ToJson(manga, -3);
    const auto parsed = nlohmann::json::parse(json.dump());  // survives a round trip as text

    EXPECT_EQ(parsed["result"], -3);
    EXPECT_EQ(parsed["Url"], "http://host/m");
    EXPECT_EQ(parsed["Name"], "Пример");
    EXPECT_TRUE(parsed["EngName"].is_null());
    EXPECT_EQ(parsed["JpName"], "");
    EXPECT_EQ(parsed["Desc"], "{\\rtf1 \xc3\xa9}");
    EXPECT_EQ(parsed["DescSize"], 40);
    EXPECT_EQ(parsed["bSkipCovers"], 1);
    ASSERT_EQ(parsed["Covers"].size(), 2u);
    EXPECT_EQ(parsed["Covers"][0]["Url"], "/c1.jpg");
    EXPECT_TRUE(parsed["Covers"][1]["Url"].is_null());
    ASSERT_EQ(parsed["Chaps"].size(), 2u);
    const auto& first = parsed["Chaps"][0];
    EXPECT_TRUE(first["Url"].is_null());
    EXPECT_EQ(first["Name"], "Глава \U0001F600");
    EXPECT_EQ(first["Vol"], 2);
    EXPECT_EQ(first["Num"], 15);
    EXPECT_EQ(first["bSkip"], 1);
    ASSERT_EQ(first["Pages"].size(), 2u);
    EXPECT_EQ(first["Pages"][0]["bLoaded"], 1);
    EXPECT_EQ(first["Pages"][1]["bLoaded"], 0);
    EXPECT_EQ(first["Pages"][1]["Url"], "http://host/p/02.png");
    const auto& second = parsed["Chaps"][1];
    EXPECT_EQ(second["Url"], "http://host/m/vol1/1?mature=1");
    EXPECT_TRUE(second["Name"].is_null());
    EXPECT_EQ(second["bSkip"], 0);
    EXPECT_TRUE(second["Pages"].empty());
}

TEST(MangaJson, UnpairedSurrogateInATitleStillGivesValidJson)
{
    MangaInfo manga;
    manga.Name = std::u16string(u"a") + char16_t(0xD800) + u"b";
    const std::string text = MangaInfo_ToJson(manga, 0).dump();
    EXPECT_TRUE(nlohmann::json::accept(text));
}

}  // namespace
