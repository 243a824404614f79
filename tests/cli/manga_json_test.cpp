#include "cli/manga_json.h"

#include <gtest/gtest.h>

namespace {

TEST(MangaJson, RecordFieldsNullsAndFlags)
{
    MangaInfo manga;
    manga.Url = "http://host/m";
    manga.Name = u"Пример";
    manga.EngName = std::u16string(u"a") + char16_t(0xD800) + u"b";  // unpaired surrogate
    manga.JpName = u"";  // empty but present stays a string
    manga.Desc = std::string("{\\rtf1 \x7f\x80\xe9\xff}\0", 13);
    manga.DescSize = 40;
    manga.bSkipCovers = 1;
    manga.Covers.push_back(CoverInfo{"/c1.jpg", 8});
    manga.Covers.push_back(CoverInfo{std::nullopt, 0});
    manga.Chaps.resize(2);
    ChapterInfo& scanned = manga.Chaps[0];
    scanned.Name = u"Глава \U0001F600";
    scanned.Vol = 2;
    scanned.Num = 15;
    scanned.bSkip = 1;
    scanned.Pages.resize(2);
    scanned.Pages[0].bLoaded = 1;
    scanned.Pages[1].Url = "http://host/p/02.png";
    manga.Chaps[1].Url = "http://host/m/vol1/1?mature=1";

    // Bytes become the code points of the same value; dump() throws on invalid UTF-8.
    EXPECT_EQ(nlohmann::json::parse(MangaInfo_ToJson(manga, -3).dump()), nlohmann::json::parse(R"({
        "result": -3, "Url": "http://host/m", "Name": "Пример", "EngName": "a\ufffdb", "JpName": "",
        "Desc": "{\\rtf1 \u007f\u0080\u00e9\u00ff}\u0000", "DescSize": 40, "bSkipCovers": 1,
        "Covers": [{"Url": "/c1.jpg"}, {"Url": null}],
        "Chaps": [
            {"Url": null, "Name": "Глава 😀", "Vol": 2, "Num": 15, "bSkip": 1,
             "Pages": [{"Url": null, "bLoaded": 1}, {"Url": "http://host/p/02.png", "bLoaded": 0}]},
            {"Url": "http://host/m/vol1/1?mature=1", "Name": null, "Vol": 0, "Num": 0, "bSkip": 0, "Pages": []}]})"));
}

}  // namespace
