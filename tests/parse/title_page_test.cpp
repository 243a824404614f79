// Title pages in the designed layout and in the sites' 2016 and 2024 layouts,
// in fixtures of our own written in those layouts with every trap they hold.

#include "parse/title_page.h"

#include <algorithm>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "model/text_codec.h"
#include "tests/parse/support.h"

namespace {

using Chapter = std::tuple<std::string, int32_t, int32_t, std::optional<std::u16string>>;

struct Record {
    int result = 0;
    OptU16String name, engName, jpName;
    std::string description;  // as the window shows it
    std::vector<std::string> covers;
    std::vector<Chapter> chapters;
};

// The record as read; the description's capacity goes to `descSize`.
Record Read(const std::string& address, std::string_view page, int32_t* descSize = nullptr)
{
    MangaInfo manga;
    manga.Url = address;
    manga.UrlSize = static_cast<int32_t>(address.size() + 1);
    // Braced initialisers run in order: the parse comes first.
    Record r{Html_ParseMangaPage(page, manga), manga.Name, manga.EngName, manga.JpName,
             RtfShown(manga.Desc.value_or("")), {}, {}};
    const std::string doc = manga.Desc.value_or("");
    EXPECT_TRUE(doc.starts_with("{\\rtf1") && doc.ends_with("}")) << doc;
    EXPECT_GE(manga.DescSize, static_cast<int32_t>(doc.size() + 1));
    if (descSize)
        *descSize = manga.DescSize;
    for (const CoverInfo& cover : manga.Covers) {
        EXPECT_EQ(cover.UrlSize, static_cast<int32_t>(cover.Url.value_or("").size() + 1));
        r.covers.push_back(cover.Url.value_or("(none)"));
    }
    for (const ChapterInfo& c : manga.Chaps) {
        EXPECT_TRUE(c.Pages.empty());
        r.chapters.emplace_back(c.Url.value_or("(none)"), c.Vol, c.Num, c.Name);
    }
    return r;
}

void ExpectRecord(const Record& got, const Record& want)
{
    EXPECT_EQ(std::tie(got.result, got.name, got.engName, got.jpName, got.description, got.covers),
              std::tie(want.result, want.name, want.engName, want.jpName, want.description, want.covers));
    EXPECT_THAT(got.chapters, testing::ElementsAreArray(want.chapters));
}

TEST(TitlePage, FixturesGiveWhatAPersonReadsOnThePage)
{
    const std::string full = "http://readmanga.example";
    std::vector<Chapter> fullChapters = {
        {"https://mirror.example/death_note/vol12/109?mature=1", 12, 109, u"«Эпилог»"},
        {"http://other.example/dn/vol12/108?mature=1", 12, 108, u"Конец "},
        // An absolute address anywhere later in the tag marks the link absolute.
        {"/death_note/vol11/100?mature=1", 11, 100, u"Зеркало"},
        {full + "/death_note/vol11/99?mtr=1?mature=1", 11, 99, std::nullopt},
        // (a link without href and one with a single-quoted href give nothing)
        {full + "/death_note/extra/special?mature=1", 0, 0, u"\"Спешл\" &amp; бонус"},
        {full + "/death_note/vol10/90?mature=1", 10, 90, u"Последний день  "},
        {full + "/death_note/vol10/89?mature=1", 10, 89, u"{Перелом}"},
        {full + "/death_note/vol10/89?mature=1", 10, 89, u"Дубль"},
    };
    for (int c = 300; c >= 1; --c) {
        const int v = (c - 1) / 10 + 1;
        fullChapters.emplace_back(full + "/death_note/vol" + std::to_string(v) + "/" + std::to_string(c) + "?mature=1",
                                  v, c, u"Глава " + Utf8ToUtf16(std::to_string(c)));
    }
    // The single-quoted main name comes first in the page; the double-quoted one wins.
    const Record recordFull{0, u"Тетрадь смерти", u"Death Note", u"デスノート",
        "<b>Название:</> Тетрадь смерти | Death Note | デスノート¶<b>Томов:</> 12, выпуск завершён¶"
        "Автор: <i>Ооба</>  Обата¶Жанр: «триллер»¶Год: 2003¶<b>Описание:</>¶"
        "Ягами Лайт — лучший {ученик} \\ школы.¶Он находит тетрадь смерти.¶",
        {"https://staticrm.example/uploads/pics/00/01/123_o.jpg", "/uploads/pics/00/01/124_o.jpg",
         "/uploads/pics/00/01/125_o.jpg"},
        fullChapters};

    // No "/" after the host: the whole address is put in front of relative links.
    const std::string single = "http://one.example";
    const Record recordSingle{0, u"Ванпанчмен <small>(манхва)</small>", u"One-Punch {Man}", std::nullopt,
        "<b>Название:</> Ванпанчмен <small>(манхва)</small> | One-Punch {Man} | ¶Статус: выходит¶"
        "<b>Описание:</>¶Сайтама  герой¶ради интереса.¶",
        {"/pics/1.jpg"},
        {{single + "/one_punch/vol2/15?mature=1", 2, 15, u"Удар"},
         {single + "/one_punch/vol1/2?mature=1", 1, 2, std::nullopt},
         {single + "/one_punch/vol1/1?mature=1", 1, 1, u"Начало"}}};

    const std::string site2016 = "http://mangasite.example/lunnyi_sad";
    std::vector<Chapter> chapters2016;
    for (int n = 5; n >= 1; --n)
        chapters2016.emplace_back(site2016 + "/vol1/" + std::to_string(n) + "?mature=1", 1, n, std::nullopt);
    const Record record2016{0, u"Лунный сад", u"Moon Garden", u"Tsuki no Niwa",
        "<b>Название:</> Лунный сад | Moon Garden | Tsuki no Niwa¶Информация о манге¶<b>Томов:</> 1¶"
        "<b>Просмотров:</> 48210¶<b>Жанры:</> фэнтези, драма¶<b>Автор:</> Харуно Мицу¶"
        "<b>Год выпуска:</> 2014¶<b>Описание:</>¶"
        "Старый садовник каждую ночь выходит к пруду, где отражается луна. Однажды он находит в воде чужое "
        "отражение — девочку, которой нет на берегу.¶",
        {"http://img.example/uploads/pics/00/04/101_o.jpg", "http://img.example/uploads/pics/00/04/102_o.jpg"},
        chapters2016};

    const std::string site2024 = "https://mangasite.example/chasovaya_lavka";
    const Record record2024{0, u"Часовая лавка наоборот", u"Clockshop Backwards", u"Sakasa Tokei-ya",
        "<b>Название:</> Часовая лавка наоборот | Clockshop Backwards | Sakasa Tokei-ya¶"
        "Информация о манге¶<b>Томов</> 3 выпуск завершён¶Жанры: мистика повседневность¶"
        "Издательство: Книжный Дом «Сова»¶Переводчик: Полночь¶<b>Популярность:</> 1234 место¶<b>Описание:</>¶"
        "Каждую весну в городе открывается лавка часов, которые идут назад!! ¶"
        "Продавец уверяет, что это не сказка.¶¶©Перевод: команда «Полночь»¶",
        {"https://img.example/uploads/pics/00/07/201.jpg", "https://img.example/uploads/pics/00/07/202.jpg",
         "https://img.example/uploads/pics/00/07/203.jpg?v=2&s=1"},
        {{site2024 + "/vol3/27?mature=1", 3, 27, std::nullopt},
         {site2024 + "/vol3/26?mature=1", 3, 26, std::nullopt},
         {site2024 + "/vol3/341?mature=1", 3, 341, u"Экстра"},
         {site2024 + "/vol3/23?mature=1", 3, 23, std::nullopt},
         {site2024 + "/vol2/23?mature=1", 2, 23, u"Экстра"},
         // These follow the "</div>" of the row that unfolds the hidden ones.
         {site2024 + "/vol2/22?mature=1", 2, 22, std::nullopt},
         {site2024 + "/vol1/1?mature=1", 1, 1, std::nullopt}}};

    std::string oneLine = ReadParseFixture("title_2016.html");
    std::erase(oneLine, '\n');
    const struct {
        const char* what;
        std::string address;
        std::string page;
        const Record& want;
        int32_t descSize;
    } cases[] = {
        // 1047 bytes: the second 1024 step came when 13 bytes no longer fitted in 1032.
        {"designed", full + "/death_note", ReadParseFixture("title_full.html"), recordFull, 2056},
        {"single-quoted", single, ReadParseFixture("title_single.html"), recordSingle, 1032},
        {"2016", site2016, ReadParseFixture("title_2016.html"), record2016, 2056},
        // The way such pages were saved: indentation where the line breaks were.
        {"2016 without line breaks", site2016, oneLine, record2016, 2056},
        {"2024", site2024, ReadParseFixture("title_2024.html"), record2024, 3080},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        int32_t descSize = 0;
        ExpectRecord(Read(c.address, c.page, &descSize), c.want);
        EXPECT_EQ(descSize, c.descSize);
    }
}

const std::string kList2024 = "<div class=\"chapters\" id=\"chapters-list\">";

TEST(TitlePage, EachFieldComesFromItsMarkerAndFallsBackOnlyWhereItIsAbsent)
{
    const std::string labels = "<b>Название:</> ";
    const std::string slider = "<div class=\"picture-fotorama\"><img data-src=\"no.jpg\" src=\"a.jpg\">"
                               "<img src=\"b.jpg\" data-full=''><img src=\"\"><img src='c.jpg' data-full=\"c_o.jpg\"></div>";
    const struct {
        std::string page;
        Record want;
    } cases[] = {
        {"<html><body>Nothing here</body></html>", {0, {}, {}, {}, labels + "¶<b>Описание:</>¶", {}, {}}},
        {"<span class='eng-name'>Single</span><span class=\"eng-name\">Double</span>"
         "<div class='expandable chapters-link'><a href=\"/m/vol1/1\">x</a></div>"
         "<div class=\"expandable chapters-link\"><a href=\"/m/vol2/2\">x</a></div>",
         {0, {}, u"Double", {}, labels + "Double | ¶<b>Описание:</>¶", {}, {{"http://host/m/vol2/2?mature=1", 2, 2, {}}}}},
        // A designed Japanese name and cover block win over the 2016 ones wherever they stand.
        // Names are page text: braces and backslashes in them stay text.
        {"<span class='original-name'>Orig</span><span class=\"jp-name\"> Jp\\ &amp; <i>x</i>}</span>"
         "<div style=\"display\"><a class=\"full-list-pic\" href=\"d.jpg\"></a></div>" + slider,
         {0, {}, {}, u" Jp\\ &amp; <i>x</i>}", labels + " Jp\\ &amp; <i>x</i>}¶<b>Описание:</>¶", {"d.jpg"}, {}}},
        // "ム" ends in the byte 0xA0, which is no space inside a character.
        {"<span class=\"original-name\"> Orig &amp;\n <i>x</i>&nbsp;\xC2\xA0ム </span>" + slider,
         {0, {}, {}, u"Orig & x ム", labels + "Orig & x ム¶<b>Описание:</>¶", {"a.jpg", "b.jpg", "c_o.jpg"}, {}}},
        {"<span class='original-name'></span>", {0, {}, {}, {}, labels + "¶<b>Описание:</>¶", {}, {}}},
        // The designed description block is read the designed way, even beside the 2016 one.
        {"<div class=\"manga-description\" itemprop=\"description\">new<div>inner</div>tail</div>"
         "<div class=\"manga-description\"><p>прежнее</p>cut<div>x</div></div>",
         {0, {}, {}, {}, labels + "¶<b>Описание:</>¶прежнее¶", {}, {}}},
        {"<div class=\"manga-description\" itemprop=\"description\">new<div>inner</div>tail</div>",
         {0, {}, {}, {}, labels + "¶<b>Описание:</>¶new¶inner¶tail¶", {}, {}}},
        {"<div class=\"subject-meta col-sm-7\"><h4>Инфо</h4><p><b>Год:</b> 2014</p></div>",
         {0, {}, {}, {}, labels + "¶Инфо¶<b>Год:</> 2014¶<b>Описание:</>¶", {}, {}}},
        // On a 2024 page the designed markers find look-alikes: none is used,
        // and without a heading the main name is the last one of the page.
        {"<span class=\"name\">Other name</span><span class=\"eng-name\">Eng</span>"
         "<div class=\"manga-description\"><p>A tile</p></div>"
         "<div style=\"display\"><a class=\"full-list-pic\" href=\"tile.jpg\"></a></div>"
         "<div class=\"expandable chapters-link\"><a href=\"/m/vol8/8\">8 - 8</a></div>" +
             kList2024 + "<a href=\"/m/vol1/1\">1 - 1</a></div><span class=\"name\">Last {name}</span>",
         {0, u"Last {name}", u"Eng", {}, labels + "Last {name} | Eng | ¶<b>Описание:</>¶", {},
          {{"http://host/m/vol1/1?mature=1", 1, 1, {}}}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.page);
        ExpectRecord(Read("http://host/m", c.page), c.want);
    }
    // An empty page that has no data at all reads like any page without markers.
    ExpectRecord(Read("http://host/m", std::string_view()), cases[0].want);
}

TEST(TitlePage, ChapterAddressesAreCompletedAndNumberedByTheRulesOfTheirLayout)
{
    const struct {
        bool layout2024;
        const char* href;
        Chapter chapter;
    } cases[] = {
        {false, "/manga/vol3/12?a=b", {"http://host/manga/vol3/12?a=b?mature=1", 3, 12, u"T"}},
        {false, "http://other/x/vol1/2", {"http://other/x/vol1/2?mature=1", 1, 2, u"T"}},
        {false, "https://other/x/vol1/2", {"https://other/x/vol1/2?mature=1", 1, 2, u"T"}},
        {false, "/manga/ch12", {"http://host/manga/ch12?mature=1", 0, 0, u"T"}},
        {false, "/volume-one/vol2/5", {"http://host/volume-one/vol2/5?mature=1", 0, 0, u"T"}},
        {false, "/m/vol-2/ 7x", {"http://host/m/vol-2/ 7x?mature=1", -2, 7, u"T"}},
        {false, "/m/vol99999999999/1", {"http://host/m/vol99999999999/1?mature=1", INT32_MAX, 1, u"T"}},
        {false, "", {"http://host?mature=1", 0, 0, u"T"}},
        {true, "/volleyball/vol2/5", {"http://host/volleyball/vol2/5?mature=1", 2, 5, u"T"}},
        {true, "/m/vol/3/vol2/5", {"http://host/m/vol/3/vol2/5?mature=1", 2, 5, u"T"}},
        {true, "/m/vol1/6#comm_5&amp;page=3", {"http://host/m/vol1/6?mature=1", 1, 6, u"T"}},
        {true, "/m/vol1/7?a=1&amp;b=2", {"http://host/m/vol1/7?a=1&b=2&mature=1", 1, 7, u"T"}},
        {true, "https://mirror/m/vol3/1\" title=\"http://x", {"https://mirror/m/vol3/1?mature=1", 3, 1, u"T"}},
        {true, "//cdn/m/vol4/2", {"http://cdn/m/vol4/2?mature=1", 4, 2, u"T"}},
        {true, "m/vol5/extra", {"http://host/m/vol5/extra?mature=1", 5, 0, u"T"}},
        {true, "/m/ch9", {"http://host/m/ch9?mature=1", 0, 0, u"T"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.href);
        const std::string link = std::string("<a href=\"") + c.href + "\">\n M 1 - 1 T</a>";
        const std::string page = c.layout2024 ? kList2024 + "<table><tr><td>" + link +
                                                    "</td></tr></table><div></div></div><a href=\"/m/vol9/9\">x</a>"
                                              : "<div class=\"expandable chapters-link\">" + link + "</div>";
        EXPECT_EQ(Read("http://host/manga", page).chapters, std::vector<Chapter>{c.chapter});
    }
}

TEST(TitlePage, UnclosedBlockGives13AndKeepsWhatWasFound)
{
    const std::string cover = "<div style=\"display\"><a class=\"full-list-pic\" href=\"a\"></a>";
    const std::string chapters = "<div class=\"expandable chapters-link\"><a href=\"/m/vol1/1\">x</a>";
    const struct {
        std::string page;
        size_t covers;
        size_t chapters;
    } cases[] = {
        {"<span class=\"name\"", 0, 0},
        {"<div class=\"manga-description\"><div>x", 0, 0},
        {cover + "<a class=\"full-list-pic\" href=\"b\"></div></a>", 2, 0},
        {cover + "</div>" + chapters, 1, 0},
        {chapters + "<a href=\"/m/vol1/2\"</div>", 0, 1},
        {chapters + "<a href=\"/m/vol1/2\">y</div></a>", 0, 2},
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

TEST(TitlePage, UnusableAddressGives69AndChangesNothing)
{
    const std::string page = ReadParseFixture("title_single.html");
    // The last one's size figure says the "/" is its last character.
    const std::pair<OptString, int32_t> addresses[] = {
        {std::nullopt, 0}, {"http:/", 7}, {"abcdef", 7}, {"example/", 9}, {"", 1}, {"http://host/m", 6}};
    for (const auto& [address, size] : addresses) {
        SCOPED_TRACE(address.value_or("(none)"));
        MangaInfo manga;
        MangaInfo untouched;
        manga.Url = untouched.Url = address;
        manga.UrlSize = untouched.UrlSize = size;
        EXPECT_EQ(Html_ParseMangaPage(page, manga), 69);
        EXPECT_TRUE(MangaInfo_Equal(manga, untouched));
    }
}

}  // namespace
