// The sites' 2016 and 2024 title pages, in fixtures of our own written in
// their layouts with every trap those layouts hold.

#include "parse/title_page.h"

#include <algorithm>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/parse/fixture.h"
#include "tests/parse/rtf_text.h"

namespace {

using Chapter = std::tuple<std::string, int32_t, int32_t, std::optional<std::u16string>>;

struct Record {
    int result = 0;
    OptU16String name, engName, jpName;
    std::u16string description;  // as the rich-edit control shows it
    std::vector<std::string> covers;
    std::vector<Chapter> chapters;
};

Record Read(const std::string& address, std::string_view page)
{
    MangaInfo manga;
    manga.Url = address;
    manga.UrlSize = static_cast<int32_t>(address.size() + 1);
    Record r;
    r.result = Html_ParseMangaPage(page, manga);
    r.name = manga.Name;
    r.engName = manga.EngName;
    r.jpName = manga.JpName;
    r.description = RtfShownText(manga.Desc.value_or(""));
    EXPECT_TRUE(manga.Desc && manga.Desc->starts_with("{\\rtf1") && manga.Desc->ends_with("}"));
    EXPECT_GE(manga.DescSize, static_cast<int32_t>(manga.Desc.value_or("").size() + 1));
    for (const CoverInfo& cover : manga.Covers) {
        EXPECT_EQ(cover.UrlSize, static_cast<int32_t>(cover.Url.value_or("").size() + 1));
        r.covers.push_back(cover.Url.value_or("(none)"));
    }
    for (const ChapterInfo& c : manga.Chaps)
        r.chapters.emplace_back(c.Url.value_or("(none)"), c.Vol, c.Num, c.Name);
    return r;
}

std::string WithoutLineBreaks(std::string page)
{
    std::erase(page, '\n');
    return page;
}

TEST(TitlePageLayouts, RealLayoutsGiveWhatAPersonReadsOnThePage)
{
    const std::string site2016 = "http://mangasite.example/lunnyi_sad";
    const std::u16string description2016 =
        u"Название: Лунный сад | Moon Garden | Tsuki no Niwa\n"
        u"Информация о манге\nТомов: 1\nПросмотров: 48210\nЖанры: фэнтези, драма\nАвтор: Харуно Мицу\n"
        u"Год выпуска: 2014\n"
        u"Описание:\n"
        u"Старый садовник каждую ночь выходит к пруду, где отражается луна. Однажды он находит в воде чужое "
        u"отражение — девочку, которой нет на берегу.\n";
    std::vector<Chapter> chapters2016;
    for (int n = 5; n >= 1; --n)
        chapters2016.emplace_back(site2016 + "/vol1/" + std::to_string(n) + "?mature=1", 1, n, std::nullopt);
    const Record record2016{0,
                            u"Лунный сад",
                            u"Moon Garden",
                            u"Tsuki no Niwa",
                            description2016,
                            {"http://img.example/uploads/pics/00/04/101_o.jpg",
                             "http://img.example/uploads/pics/00/04/102_o.jpg"},
                            chapters2016};

    const std::string site2024 = "https://mangasite.example/chasovaya_lavka";
    const Record record2024{
        0,
        u"Часовая лавка наоборот",
        u"Clockshop Backwards",
        u"Sakasa Tokei-ya",
        u"Название: Часовая лавка наоборот | Clockshop Backwards | Sakasa Tokei-ya\n"
        u"Информация о манге\nТомов 3 выпуск завершён\nЖанры: мистика повседневность\n"
        u"Издательство: Книжный Дом «Сова»\nПереводчик: Полночь\nПопулярность: 1234 место\n"
        u"Описание:\n"
        u"Каждую весну в городе открывается лавка часов, которые идут назад!! \n"
        u"Продавец уверяет, что это не сказка.\n\n©Перевод: команда «Полночь»\n",
        {"https://img.example/uploads/pics/00/07/201.jpg", "https://img.example/uploads/pics/00/07/202.jpg",
         "https://img.example/uploads/pics/00/07/203.jpg?v=2&s=1"},
        {
            {site2024 + "/vol3/27?mature=1", 3, 27, std::nullopt},
            {site2024 + "/vol3/26?mature=1", 3, 26, std::nullopt},
            {site2024 + "/vol3/341?mature=1", 3, 341, u"Экстра"},
            {site2024 + "/vol3/23?mature=1", 3, 23, std::nullopt},
            {site2024 + "/vol2/23?mature=1", 2, 23, u"Экстра"},
            // These follow the "</div>" of the row that unfolds the hidden ones.
            {site2024 + "/vol2/22?mature=1", 2, 22, std::nullopt},
            {site2024 + "/vol1/1?mature=1", 1, 1, std::nullopt},
        }};

    const struct {
        const char* what;
        std::string address;
        std::string page;
        const Record& want;
    } cases[] = {
        {"2016", site2016, ReadParseFixture("title_2016.html"), record2016},
        // The way such pages were saved: indentation where the line breaks were.
        {"2016 without line breaks", site2016, WithoutLineBreaks(ReadParseFixture("title_2016.html")), record2016},
        {"2024", site2024, ReadParseFixture("title_2024.html"), record2024},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Record got = Read(c.address, c.page);
        EXPECT_EQ(got.result, c.want.result);
        EXPECT_EQ(got.name, c.want.name);
        EXPECT_EQ(got.engName, c.want.engName);
        EXPECT_EQ(got.jpName, c.want.jpName);
        EXPECT_EQ(got.description, c.want.description);
        EXPECT_EQ(got.covers, c.want.covers);
        EXPECT_THAT(got.chapters, testing::ElementsAreArray(c.want.chapters));
    }
}

const std::string kList2024 = "<div class=\"chapters\" id=\"chapters-list\">";

TEST(TitlePageLayouts, EachFieldFallsBackOnlyWhereItsDesignedMarkerIsAbsent)
{
    const std::string slider = "<div class=\"picture-fotorama\"><img data-src=\"no.jpg\" src=\"a.jpg\">"
                               "<img src=\"b.jpg\" data-full=''><img src=\"\"><img src='c.jpg' data-full=\"c_o.jpg\"></div>";
    const struct {
        std::string page;
        OptU16String jpName;
        std::vector<std::string> covers;
        std::u16string descriptionEnd;
    } cases[] = {
        // A designed Japanese name and cover block win over the 2016 ones wherever they stand.
        {"<span class='original-name'>Orig</span><span class=\"jp-name\"> Jp &amp; <i>x</i></span>"
         "<div style=\"display\"><a class=\"full-list-pic\" href=\"d.jpg\"></a></div>" + slider,
         u" Jp &amp; <i>x</i>", {"d.jpg"}, u"Описание:\n"},
        // "ム" ends in the byte 0xA0, which is no space inside a character.
        {"<span class=\"original-name\"> Orig &amp;\n <i>x</i>&nbsp;\xC2\xA0ム </span>" + slider, u"Orig & x ム",
         {"a.jpg", "b.jpg", "c_o.jpg"}, u"Описание:\n"},
        {"<span class='original-name'></span>", std::nullopt, {}, u"Описание:\n"},
        // The designed description block is read the designed way, even beside the 2016 one.
        {"<div class=\"manga-description\" itemprop=\"description\">new<div>inner</div>tail</div>"
         "<div class=\"manga-description\"><p>прежнее</p>cut<div>x</div></div>",
         std::nullopt, {}, u"Описание:\nпрежнее\n"},
        {"<div class=\"manga-description\" itemprop=\"description\">new<div>inner</div>tail</div>", std::nullopt, {},
         u"Описание:\nnew\ninner\ntail"},
        {"<div class=\"subject-meta col-sm-7\"><h4>Инфо</h4><p><b>Год:</b> 2014</p></div>", std::nullopt, {},
         u"\nИнфо\nГод: 2014\nОписание:\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.page);
        const Record got = Read("http://host/m", c.page);
        EXPECT_EQ(got.result, 0);
        EXPECT_EQ(got.jpName, c.jpName);
        EXPECT_EQ(got.covers, c.covers);
        EXPECT_TRUE(got.description.ends_with(c.descriptionEnd)) << testing::PrintToString(got.description);
    }
}

TEST(TitlePageLayouts, The2024ListTakesAddressesAsTheyAreWritten)
{
    const struct {
        const char* href;
        Chapter chapter;
    } cases[] = {
        {"/volleyball/vol2/5", {"https://host/volleyball/vol2/5?mature=1", 2, 5, std::nullopt}},
        {"/m/vol1/6#comm_5&amp;page=3", {"https://host/m/vol1/6?mature=1", 1, 6, std::nullopt}},
        {"/m/vol1/7?a=1&amp;b=2", {"https://host/m/vol1/7?a=1&b=2&mature=1", 1, 7, std::nullopt}},
        {"https://mirror/m/vol3/1\" title=\"http://x", {"https://mirror/m/vol3/1?mature=1", 3, 1, std::nullopt}},
        {"//cdn/m/vol4/2", {"https://cdn/m/vol4/2?mature=1", 4, 2, std::nullopt}},
        {"m/vol5/extra", {"https://host/m/vol5/extra?mature=1", 5, 0, std::nullopt}},
        {"/m/ch9", {"https://host/m/ch9?mature=1", 0, 0, std::nullopt}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.href);
        const std::string page = kList2024 + "<table><tr><td><a href=\"" + c.href + "\">\n  1 - 1\n</a>" +
                                 "</td></tr></table><div></div></div><a href=\"/m/vol9/9\">outside</a>";
        EXPECT_EQ(Read("https://host/m", page).chapters, std::vector<Chapter>{c.chapter});
    }
}

TEST(TitlePageLayouts, A2024PageIsReadWhollyInItsLayout)
{
    // The designed markers on a 2024 page find look-alikes: none of them is used.
    const std::string page =
        "<span class=\"name\">Other name</span><span class=\"eng-name\">Eng</span>"
        "<div class=\"manga-description\"><p>A tile</p></div>"
        "<div style=\"display\"><a class=\"full-list-pic\" href=\"tile.jpg\"></a></div>"
        "<div class=\"expandable chapters-link\"><a href=\"/m/vol8/8\">8 - 8</a></div>" +
        kList2024 + "<a href=\"/m/vol1/1\">1 - 1</a></div><span class=\"name\">Last name</span>";
    const Record got = Read("https://host/m", page);
    EXPECT_EQ(got.result, 0);
    // Without a heading the main name is the last one of the page.
    EXPECT_EQ(got.name, u"Last name");
    EXPECT_EQ(got.engName, u"Eng");
    EXPECT_EQ(got.description, u"Название: Last name | Eng | \nОписание:\n");
    EXPECT_TRUE(got.covers.empty());
    EXPECT_EQ(got.chapters, (std::vector<Chapter>{{"https://host/m/vol1/1?mature=1", 1, 1, std::nullopt}}));
}

TEST(TitlePageLayouts, UnclosedBlocksOfTheRealLayoutsGive13AndKeepWhatWasRead)
{
    const struct {
        std::string page;
        size_t covers;
        size_t chapters;
    } cases[] = {
        {"<span class='original-name'>never closed", 0, 0},
        {"<div class=\"subject-meta col-sm-7\"><div></div>", 0, 0},
        {"<div class=\"manga-description\" itemprop=\"description\">text<div>", 0, 0},
        {"<div class=\"picture-fotorama\"><img src=\"a.jpg\"><div>", 0, 0},
        {"<div class=\"picture-fotorama\"><img src=\"a.jpg\"><img src=\"b.jpg\"</div>", 1, 0},
        {"<div class=\"picture-fotorama\"><img src=\"a.jpg\"></div>" + kList2024 +
             "<a href=\"/m/vol1/2\">1 - 2</a><div class=\"expand\"></div><a href=\"/m/vol1/1\">",
         1, 0},
        {kList2024 + "<a href=\"/m/vol1/2\">1 - 2</a><a href=\"/m/vol1/1\">1 - 1</div>", 0, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.page);
        const Record got = Read("https://host/m", c.page);
        EXPECT_EQ(got.result, 13);
        EXPECT_EQ(got.covers.size(), c.covers);
        EXPECT_EQ(got.chapters.size(), c.chapters);
    }
}

}  // namespace
