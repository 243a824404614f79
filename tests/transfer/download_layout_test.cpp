#include "transfer/download_layout.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "transfer/file_names.h"
#include "transfer/name_rules.h"
#include "transfer/url_text.h"

namespace {

// Expected paths are written with "/"; this swaps in the platform's separator.
std::u16string P(std::u16string text)
{
    for (char16_t& c : text)
        if (c == u'/')
            c = kPathSeparator;
    return text;
}

TEST(DownloadLayout, PageAndCoverFiles)
{
    // Append the name, volume, number, name, address, path below the manga's folder.
    const std::tuple<bool, int32_t, int32_t, OptU16String, const char*, const char16_t*> cases[] = {
        {true, 2, 15, u"Начало", "http://h/img/03.png", u"book2/ch15-Начало/03.png"},
        {false, 2, 15, u"Начало", "http://h/img/03.png", u"book2/ch15/03.png"},
        {true, 0, 0, std::nullopt, "http://h/a.png", u"book0/ch0/a.png"},
        {true, 1, 3, u"Кто там?", "http://h/p.png", u"book1/ch3-Кто там'/p.png"},
        {true, 1, 3, u"<a|b>\"c*", "http://h/p.png", u"book1/ch3-'a'b''c'/p.png"},
        // Query and fragment change at every scan and are no part of the name.
        {false, 1, 1, std::nullopt, "http://h/img/01.jpg?t=1", u"book1/ch1/01.jpg"},
        {false, 1, 1, std::nullopt, "http://h/a/c.png?x=1/2#y", u"book1/ch1/c.png"},
    };
    for (const auto& [appendName, vol, num, name, url, expected] : cases) {
        const PageNaming naming{u"book", u"ch", appendName, false};
        const std::u16string path = PageFilePath(P(u"D:/Manga/Title"), naming, vol, num, name, FileNameFromUrl(url));
        EXPECT_EQ(path, P(u"D:/Manga/Title/") + P(expected)) << url;
        EXPECT_EQ(ChapterFolderPath(P(u"D:/Manga/Title"), naming, vol, num, name) + kPathSeparator,
                  path.substr(0, path.rfind(kPathSeparator) + 1));
    }
    // Page numbers are padded to the digits of the page count: page index, page count, name.
    const std::tuple<size_t, size_t, std::u16string> numbered[] = {
        {2, 12, u"02-x.jpg"}, {8, 9, u"8-x.jpg"}, {9, 10, u"09-x.jpg"}, {0, 100, u"000-x.jpg"}, {99, 100, u"099-x.jpg"}};
    for (const auto& [index, count, name] : numbered) {
        std::vector<PageInfo> pages(count);
        for (size_t j = 0; j < count; ++j)
            pages[j].Url = j == index ? "http://h/x.jpg" : "http://h/o" + std::to_string(j) + ".gif";
        EXPECT_EQ(PageFileNames(pages, true)[index], name);
    }

    const std::pair<const char*, const char16_t*> covers[] = {
        {"http://h/covers/c1.jpg", u"c1.jpg"}, {"http://h/c/c1.jpg?v=2", u"c1.jpg"}, {"http://h/a/b.png#frag", u"b.png"},
        {"c1.jpg", u"c1.jpg"},                 {"http://h/dir/", u"'"},              {"http://h/c/..", u"''"}};
    for (const auto& [url, name] : covers)
        EXPECT_EQ(CoverFilePath(u"S", CoverFileNames({{url, 0}})[0]), P(u"S/covers/") + name) << url;
    EXPECT_EQ(FileNameFromUrl("http://h/" + std::string(300, 'n')).size(), kMaxPathUnits - 1);
    CurSavePath_Set(std::u16string(300, u'd'));
    EXPECT_EQ(CurSavePath_Get().size(), kMaxPathUnits - 1);
}

TEST(DownloadLayout, HostileNamesNeverLeaveTheDownloadFolder)
{
    const std::u16string save = P(u"/downloads/Manga");
    const OptU16String names[] = {u"..",          u".", u"a/../../b", u"C:\\x", u"..\\..\\evil",
                                  u"/etc/passwd", std::u16string(u"a\0b", 3)};
    const char* urls[] = {"http://h/x/..", "http://h/x/.", "http://h/x/", "http://h/a%2F..%2Fb.png",
                          "http://h/p.png?../../x", "http://h/p.png#/../y"};
    for (const OptU16String& name : names)
        for (const char* url : urls)
            for (bool append : {false, true}) {
                const std::u16string path =
                    PageFilePath(save, PageNaming{u"..", u"ch", append, false}, 1, 1, name, FileNameFromUrl(url));
                // Volume, chapter and file below the folder, none of them "." or "..".
                const std::filesystem::path parts(path.substr(save.size()));
                EXPECT_EQ(path.rfind(save, 0), 0u) << url;
                EXPECT_EQ(parts.lexically_normal(), parts) << url;
                EXPECT_EQ(std::distance(parts.begin(), parts.end()), 4) << url;
                EXPECT_EQ(path.find(u'\0'), path.npos);
            }
    const std::pair<OptU16String, std::u16string> mangas[] = {
        {u"..", u"/downloads/__"}, {u"../../etc", u"/downloads/.._.._etc"}, {u"Кто: там?", u"/downloads/Кто_ там_"}};
    for (const auto& [name, path] : mangas) {
        EXPECT_EQ(MangaSavePath(P(u"/downloads/"), name), P(path));
        EXPECT_EQ(MangaSavePath(P(u"/downloads"), name), P(path));
    }
    EXPECT_EQ(MangaSavePath(P(u"/downloads"), std::nullopt), P(u"/downloads"));
    EXPECT_EQ(MangaSavePath(P(u"/downloads"), std::u16string(400, u'x')).size(), kMaxPathUnits - 1);
}

TEST(DownloadLayout, EveryImageOfAFolderGetsAFileOfItsOwn)
{
    const struct { std::vector<std::string_view> urls; bool numbered; std::vector<std::u16string> names; } cases[] = {
        // Names that differ stay as they are, whatever their queries.
        {{"http://h/a.png?t=1", "http://h/b.png?t=1"}, false, {u"a.png", u"b.png"}},
        // Names that would merge keep their cleaned query, also with a "/" in it.
        {{"http://h/get.php?p=1", "http://h/get.php?p=2#f", "http://h/c.png?t=9"}, false,
         {u"get.php'p=1", u"get.php'p=2", u"c.png"}},
        {{"http://h/x/img?f=a/b.png", "http://h/y/img?f=c/b.png"}, false, {u"img'f=a'b.png", u"img'f=c'b.png"}},
        // Page numbers alone keep names apart.
        {{"http://h/get.php?p=1", "http://h/get.php?p=2"}, true, {u"0-get.php", u"1-get.php"}},
        // Still equal: equal addresses, names made equal by cleaning. The first keeps its name.
        {{"http://h/a.png", "http://h/a.png#2", "http://h/a.png"}, false, {u"a.png", u"1-a.png", u"2-a.png"}},
        {{"http://h/a<b.png", "http://h/a>b.png"}, false, {u"a'b.png", u"1-a'b.png"}},
        // A name nobody shares keeps it, even against a query kept elsewhere.
        {{"http://h/get.php?p=1", "http://h/get.php'p=1", "http://h/get.php?p=2"}, false,
         {u"0-get.php'p=1", u"get.php'p=1", u"get.php'p=2"}},
        // Nothing to fetch, no name.
        {{"", "#top", "http://h/a.png", ""}, false, {u"", u"", u"a.png", u""}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ImageFileNames(c.urls, c.numbered), c.names) << c.urls[0];
}

TEST(DownloadLayout, WindowsNameRules)
{
    const std::pair<std::u16string, std::u16string> cases[] = {
        {u"ch2-..", u"ch2-''"}, {u"Глава ", u"Глава'"},        {u"a. .", u"a'''"},    {u"CON", u"CON'"},
        {u"con.png", u"con'.png"}, {u"Lpt9.tar.gz", u"Lpt9'.tar.gz"}, {u"NUL .txt", u"NUL' .txt"}, {u"aux", u"aux'"},
        {u"prn.", u"prn'"},     {u"COM0", u"COM0"},            {u"COM10", u"COM10"},  {u"CONSOLE.png", u"CONSOLE.png"},
        {u"ACON", u"ACON"},     {u".hidden", u".hidden"},      {u"Том 1", u"Том 1"},
    };
    const bool windows = kPathSeparator == u'\\';
    for (const auto& [given, expected] : cases) {
        std::u16string name = given;
        EXPECT_EQ(ApplyWindowsNameRules(name, u'\''), given != expected);
        EXPECT_EQ(name, expected);
        EXPECT_EQ(CleanPathComponent(given, u'\''), windows ? expected : given);
    }
    // A page whose address names a device, in a chapter whose title ends in a dot.
    EXPECT_EQ(PageFilePath(P(u"/d/M"), PageNaming{u"book", u"ch", true, false}, 1, 2, u"Конец.",
                           FileNameFromUrl("http://h/i/nul.png")),
              P(windows ? u"/d/M/book1/ch2-Конец'/nul'.png" : u"/d/M/book1/ch2-Конец./nul.png"));
}

TEST(UrlText, ResolvesRelativeAddressesAgainstTheManga)
{
    const char* cases[][3] = {
        {"http://h:81/m/title", "/covers/c.jpg", "http://h:81/covers/c.jpg"}, {"http://h", "c.jpg", "http://h/c.jpg"},
        {"http://h/m/title?x=1", "c.jpg", "http://h/m/c.jpg"}, {"https://h/m", "//cdn/c.jpg", "https://cdn/c.jpg"},
        {"http://h/m", "http://other/c.jpg", "http://other/c.jpg"}, {"http://h/m/t", "?v=2", "http://h/m/t?v=2"},
        {"not an address", "/c.jpg", "/c.jpg"},                    {"", "c.jpg", "c.jpg"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ResolveUrl(c[0], c[1]), c[2]) << c[0] << " + " << c[1];
}

}  // namespace
