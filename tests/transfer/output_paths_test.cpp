#include "transfer/output_paths.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "transfer/file_names.h"
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

TEST(OutputPaths, PageAndCoverFiles)
{
    struct Case {
        bool appendName;
        bool addCount;
        int32_t vol;
        int32_t num;
        OptU16String name;
        int32_t index;
        int32_t pageCnt;
        const char* url;
        const char16_t* expected;
    };
    const Case cases[] = {
        {true, true, 2, 15, u"Начало", 2, 12, "http://h/img/03.png", u"book2/ch15-Начало/02-03.png"},
        {false, false, 2, 15, u"Начало", 2, 12, "http://h/img/03.png", u"book2/ch15/03.png"},
        {true, false, 0, 0, std::nullopt, 0, 1, "http://h/a.png", u"book0/ch0/a.png"},
        // Page numbers are padded to the digits of the page count.
        {false, true, 1, 1, std::nullopt, 8, 9, "http://h/x.jpg", u"book1/ch1/8-x.jpg"},
        {false, true, 1, 1, std::nullopt, 9, 10, "http://h/x.jpg", u"book1/ch1/09-x.jpg"},
        {false, true, 1, 1, std::nullopt, 0, 100, "http://h/x.jpg", u"book1/ch1/000-x.jpg"},
        {false, true, 1, 1, std::nullopt, 99, 100, "http://h/x.jpg", u"book1/ch1/099-x.jpg"},
        {true, false, 1, 3, u"Кто там?", 0, 1, "http://h/p.png", u"book1/ch3-Кто там'/p.png"},
        {true, false, 1, 3, u"<a|b>\"c*", 0, 1, "http://h/p.png", u"book1/ch3-'a'b''c'/p.png"},
        // Query and fragment change at every scan and are no part of the name.
        {false, false, 1, 1, std::nullopt, 0, 1, "http://h/img/01.jpg?t=1", u"book1/ch1/01.jpg"},
        {false, false, 1, 1, std::nullopt, 0, 1, "http://h/a/c.png?x=1/2#y", u"book1/ch1/c.png"},
    };
    for (const Case& c : cases) {
        // The page among others of the chapter, whose names differ from its own.
        std::vector<std::string> urls;
        for (int32_t j = 0; j < c.pageCnt; ++j)
            urls.push_back(j == c.index ? c.url : "http://h/other" + std::to_string(j) + ".gif");
        const std::vector<std::u16string> names =
            ImageFileNames(std::vector<std::string_view>(urls.begin(), urls.end()), c.addCount);
        EXPECT_EQ(PageFilePath(P(u"D:/Manga/Title"), PageNaming{u"book", u"ch", c.appendName, c.addCount}, c.vol, c.num,
                               c.name, names[static_cast<size_t>(c.index)]),
                  P(u"D:/Manga/Title/") + P(c.expected))
            << c.url;
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

TEST(OutputPaths, HostileNamesNeverLeaveTheDownloadFolder)
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
                // Three components below the folder (volume, chapter, file), none of them "." or "..".
                const std::filesystem::path parts(path.substr(save.size()));
                EXPECT_EQ(path.rfind(save, 0), 0u) << url;
                EXPECT_EQ(parts.lexically_normal(), parts) << url;
                EXPECT_EQ(std::distance(parts.begin(), parts.end()), 4) << url;
                EXPECT_EQ(path.find(u'\0'), path.npos);
            }
    EXPECT_EQ(MangaSavePath(P(u"/downloads/"), u".."), P(u"/downloads/__"));
    EXPECT_EQ(MangaSavePath(P(u"/downloads"), u"../../etc"), P(u"/downloads/.._.._etc"));
    EXPECT_EQ(MangaSavePath(P(u"/downloads"), u"Кто: там?"), P(u"/downloads/Кто_ там_"));
    EXPECT_EQ(MangaSavePath(P(u"/downloads"), std::nullopt), P(u"/downloads"));
    EXPECT_EQ(MangaSavePath(P(u"/downloads"), std::u16string(400, u'x')).size(), kMaxPathUnits - 1);
}

TEST(OutputPaths, EveryImageOfAFolderGetsAFileOfItsOwn)
{
    struct Case {
        std::vector<std::string_view> urls;
        bool numbered;
        std::vector<std::u16string> names;
    };
    const Case cases[] = {
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
    for (const Case& c : cases)
        EXPECT_EQ(ImageFileNames(c.urls, c.numbered), c.names) << c.urls[0];
}

TEST(OutputPaths, WindowsNameRules)
{
    const struct {
        std::u16string name, windows;
    } cases[] = {
        {u"ch2-..", u"ch2-''"},        {u"Глава ", u"Глава'"},        {u"a. .", u"a'''"},
        {u"CON", u"CON'"},             {u"con.png", u"con'.png"},     {u"Lpt9.tar.gz", u"Lpt9'.tar.gz"},
        {u"NUL .txt", u"NUL' .txt"},   {u"aux", u"aux'"},             {u"prn.", u"prn'"},
        {u"COM0", u"COM0"},            {u"COM10", u"COM10"},          {u"CONSOLE.png", u"CONSOLE.png"},
        {u"ACON", u"ACON"},            {u".hidden", u".hidden"},      {u"Том 1", u"Том 1"},
    };
    for (const auto& c : cases) {
        std::u16string name = c.name;
        EXPECT_EQ(ApplyWindowsNameRules(name, u'\''), c.name != c.windows);
        EXPECT_EQ(name, c.windows);
#ifdef _WIN32
        EXPECT_EQ(CleanPathComponent(c.name, u'\''), c.windows);
#else
        EXPECT_EQ(CleanPathComponent(c.name, u'\''), c.name);
#endif
    }
    // A page whose address names a device, in a chapter whose title ends in a dot.
    const std::u16string page =
        PageFilePath(P(u"/d/M"), PageNaming{u"book", u"ch", true, false}, 1, 2, u"Конец.",
                     FileNameFromUrl("http://h/i/nul.png"));
#ifdef _WIN32
    EXPECT_EQ(page, P(u"/d/M/book1/ch2-Конец'/nul'.png"));
#else
    EXPECT_EQ(page, P(u"/d/M/book1/ch2-Конец./nul.png"));
#endif
}

TEST(UrlText, ResolvesRelativeAddressesAgainstTheManga)
{
    const char* cases[][3] = {
        {"http://h:81/m/title", "/covers/c.jpg", "http://h:81/covers/c.jpg"},
        {"http://h/m/title?x=1", "c.jpg", "http://h/m/c.jpg"},
        {"http://h", "c.jpg", "http://h/c.jpg"},
        {"https://h/m", "//cdn/c.jpg", "https://cdn/c.jpg"},
        {"http://h/m", "http://other/c.jpg", "http://other/c.jpg"},
        {"http://h/m/t", "?v=2", "http://h/m/t?v=2"},
        {"not an address", "/c.jpg", "/c.jpg"},
        {"", "c.jpg", "c.jpg"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ResolveUrl(c[0], c[1]), c[2]) << c[0] << " + " << c[1];
}

}  // namespace
