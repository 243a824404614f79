#include "transfer/output_paths.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "model/file_io.h"
#include "tests/support/temp_dir.h"
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

PageNaming Naming(bool appendName, bool addCount)
{
    PageNaming naming;
    naming.BookDirName = u"book";
    naming.ChapDirName = u"ch";
    naming.bAppendChapName = appendName;
    naming.bAddCntToPages = addCount;
    return naming;
}

std::u16string U16(const std::filesystem::path& path)
{
    return path.u16string();
}

TEST(OutputPaths, FollowsTheDocumentedExamples)
{
    const std::u16string save = P(u"D:/Manga/Title");
    EXPECT_EQ(PageFilePath(save, Naming(true, true), 2, 15, u"Начало", 2, 12, "http://h/img/03.png"),
              P(u"D:/Manga/Title/book2/ch15-Начало/02-03.png"));
    EXPECT_EQ(PageFilePath(save, Naming(false, false), 2, 15, u"Начало", 2, 12, "http://h/img/03.png"),
              P(u"D:/Manga/Title/book2/ch15/03.png"));
    EXPECT_EQ(CoverFilePath(save, "http://h/covers/c1.jpg"), P(u"D:/Manga/Title/covers/c1.jpg"));
    // A chapter without a name gets the short folder even with names appended.
    EXPECT_EQ(PageFilePath(save, Naming(true, false), 0, 0, std::nullopt, 0, 1, "http://h/a.png"),
              P(u"D:/Manga/Title/book0/ch0/a.png"));
}

TEST(OutputPaths, PageNumbersArePaddedToTheDigitsOfThePageCount)
{
    struct Case {
        int32_t pageCnt;
        int32_t index;
        const char16_t* prefix;
    };
    const Case cases[] = {{9, 0, u"0-"},    {9, 8, u"8-"},     {10, 0, u"00-"},   {10, 9, u"09-"},
                          {100, 0, u"000-"}, {100, 99, u"099-"}, {1000, 7, u"0007-"}};
    for (const Case& c : cases) {
        const std::u16string path =
            PageFilePath(u"S", Naming(false, true), 1, 1, std::nullopt, c.index, c.pageCnt, "http://h/x.jpg");
        EXPECT_EQ(path, P(u"S/book1/ch1/") + c.prefix + u"x.jpg") << c.pageCnt << " " << c.index;
    }
}

TEST(OutputPaths, ForbiddenCharactersBecomeTheReplacement)
{
    EXPECT_EQ(PageFilePath(u"S", Naming(true, false), 1, 3, u"Кто там?", 0, 1, "http://h/p.png"),
              P(u"S/book1/ch3-Кто там'/p.png"));
    EXPECT_EQ(PageFilePath(u"S", Naming(true, false), 1, 3, u"<a|b>\"c*", 0, 1, "http://h/p.png"),
              P(u"S/book1/ch3-'a'b''c'/p.png"));

    std::u16string path = P(u"C:/x:y/z");
    EXPECT_EQ(ReplaceForbiddenChars(path, u'\''), 1);
    EXPECT_EQ(path, P(u"C:/x'y/z"));  // the drive colon stays
    path = P(u"C:/x:y/z");
    EXPECT_EQ(ReplaceForbiddenChars(path, u'_'), 1);
    EXPECT_EQ(path, P(u"C:/x_y/z"));

    path = u"a?b";
    EXPECT_EQ(ReplaceForbiddenChars(path, u'?'), 13);
    EXPECT_EQ(path, u"a?b");
    path = P(u"plain/path");
    EXPECT_EQ(ReplaceForbiddenChars(path, u'_'), 0);
    EXPECT_EQ(path, P(u"plain/path"));
}

TEST(OutputPaths, HostileNamesNeverLeaveTheDownloadFolder)
{
    const std::u16string save = P(u"/downloads/Manga");
    const std::optional<std::u16string> names[] = {u"..", u".", u"a/../../b", u"C:\\x", u"..\\..\\evil",
                                                   u"/etc/passwd", std::u16string(u"a\0b", 3)};
    const char* urls[] = {"http://h/x/..", "http://h/x/.", "http://h/x/", "http://h/a%2F..%2Fb.png",
                          "http://h/p.png?../../x", "http://h/p.png#/../y"};
    for (const auto& name : names) {
        for (const char* url : urls) {
            for (bool append : {false, true}) {
                const std::u16string path = PageFilePath(save, Naming(append, false), 1, 1, name, 0, 1, url);
                ASSERT_EQ(path.rfind(save + kPathSeparator, 0), 0u) << url;
                const std::u16string rest = path.substr(save.size() + 1);
                size_t start = 0;
                int components = 0;
                for (size_t end = 0; end <= rest.size(); ++end) {
                    if (end < rest.size() && rest[end] != kPathSeparator)
                        continue;
                    const std::u16string part = rest.substr(start, end - start);
                    EXPECT_NE(part, u"..") << url;
                    EXPECT_NE(part, u".") << url;
                    EXPECT_FALSE(part.empty()) << url;
                    EXPECT_EQ(part.find(u'\0'), std::u16string::npos);
                    ++components;
                    start = end + 1;
                }
                EXPECT_EQ(components, 3) << url;  // volume, chapter, file
            }
        }
        const std::u16string cover = CoverFilePath(save, "http://h/c/..");
        EXPECT_EQ(cover, save + P(u"/covers/''"));
    }
    EXPECT_EQ(MangaSavePath(P(u"/downloads/"), u".."), P(u"/downloads/__"));
    EXPECT_EQ(MangaSavePath(P(u"/downloads"), u"../../etc"), P(u"/downloads/.._.._etc"));
    EXPECT_EQ(MangaSavePath(P(u"/downloads"), u"Кто: там?"), P(u"/downloads/Кто_ там_"));
    EXPECT_EQ(MangaSavePath(P(u"/downloads"), std::nullopt), P(u"/downloads"));
    EXPECT_EQ(MangaSavePath(P(u"/downloads"), std::u16string(400, u'x')).size(), kMaxPathUnits - 1);
}

TEST(OutputPaths, FileNamesDropQueryAndFragment)
{
    EXPECT_EQ(FileNameFromUrl("http://h/img/01.jpg?t=1"), u"01.jpg");
    EXPECT_EQ(FileNameFromUrl("http://h/a/b.png#frag"), u"b.png");
    EXPECT_EQ(FileNameFromUrl("http://h/a/c.png?x=1/2#y"), u"c.png");
    EXPECT_EQ(FileNameFromUrl("c1.jpg"), u"c1.jpg");
    EXPECT_EQ(FileNameFromUrl("http://h/dir/"), u"'");
    EXPECT_EQ(FileNameFromUrl("http://h/" + std::string(300, 'n')).size(), kMaxPathUnits - 1);
    EXPECT_EQ(CoverFilePath(u"S", "http://h/c/c1.jpg?v=2"), P(u"S/covers/c1.jpg"));
}

TEST(OutputPaths, GetUrlComponentPicksParts)
{
    const std::u16string text = u"a/bb/c";
    const int32_t count = static_cast<int32_t>(text.size() + 1);
    char16_t part[8];
    struct Case {
        int32_t which;
        int result;
        const char16_t* part;
    };
    const Case cases[] = {{0, 0, u"a"}, {1, 2, u"bb"}, {2, 5, u"c"}, {-2, 5, u"c"}};
    for (const Case& c : cases) {
        EXPECT_EQ(GetUrlComponent(text.c_str(), count, part, 8, c.which, u'/'), c.result) << c.which;
        EXPECT_EQ(std::u16string(part), c.part) << c.which;
    }
    EXPECT_EQ(GetUrlComponent(text.c_str(), count, part, 8, 3, u'/'), -1);
    EXPECT_EQ(GetUrlComponent(text.c_str(), count, part, 8, -1, u'/'), 2);
    EXPECT_EQ(GetUrlComponent(text.c_str(), count, nullptr, 0, 1, u'/'), 2);
    EXPECT_EQ(GetUrlComponent(nullptr, 4, part, 8, 0, u'/'), -10);
    EXPECT_EQ(GetUrlComponent(text.c_str(), 0, part, 8, 0, u'/'), -10);
    EXPECT_EQ(GetUrlComponent(text.c_str(), count, part, 8, -3, u'/'), -2);

    // A separator right before the end is not counted, and leaves an empty last part.
    const std::u16string trailing = u"a/b/";
    EXPECT_EQ(GetUrlComponent(trailing.c_str(), 5, part, 8, -1, u'/'), 1);
    EXPECT_EQ(GetUrlComponent(trailing.c_str(), 5, part, 8, -2, u'/'), 4);
    EXPECT_EQ(std::u16string(part), u"");

    // The source count limits the scan; a small target is cut and says so.
    EXPECT_EQ(GetUrlComponent(text.c_str(), 4, part, 8, -2, u'/'), 2);
    EXPECT_EQ(std::u16string(part), u"bb");
    EXPECT_EQ(GetUrlComponent(u"abcdef", 7, part, 4, 0, u'/'), -3);
    EXPECT_EQ(std::u16string(part), u"abc");
}

TEST(OutputPaths, FormatWideHandlesTheConversionsInUse)
{
    std::u16string out;
    EXPECT_EQ(FormatWide(out, u"%%0.%ii-", {int64_t{3}}), 6);
    EXPECT_EQ(out, u"%0.3i-");
    FormatWide(out, out, {int64_t{7}});
    EXPECT_EQ(out, u"007-");
    FormatWide(out, u"%s/%S|%5i|%-4i|%05i|%i", {std::u16string_view(u"Том"), std::string_view("\xC3\xA9"),
                                               int64_t{42}, int64_t{42}, int64_t{-42}, int64_t{-2147483648LL}});
    EXPECT_EQ(out, u"Том/\u00C3\u00A9|   42|42  |-0042|-2147483648");
    EXPECT_EQ(FormatWide(out, u"%i", {std::u16string_view(u"x")}), -1);
    EXPECT_EQ(FormatWide(out, u"%s", {}), -1);
    EXPECT_EQ(FormatWide(out, u"%q", {int64_t{1}}), -1);
    EXPECT_EQ(FormatWide(out, u"50%", {}), -1);
}

TEST(OutputPaths, OpenFileMakePathCreatesMissingFolders)
{
    TempDir dir;
    const std::u16string deep = U16(dir / "a" / "b" / "c.bin");
    FilePtr file(OpenFileMakePath(deep, "wb"));
    ASSERT_TRUE(file);
    file.reset();
    EXPECT_TRUE(std::filesystem::is_directory(dir / "a" / "b"));

    FilePtr again(OpenFileMakePath(deep, "wb"));  // every folder exists now
    EXPECT_TRUE(again);

    WriteFileBytes(dir / "plain", "x");
    errno = 0;
    EXPECT_EQ(OpenFileMakePath(U16(dir / "plain" / "sub" / "f.bin"), "wb"), nullptr);
    EXPECT_EQ(errno, ENOTDIR);
}

TEST(OutputPaths, CurSavePathKeepsAtMost259Units)
{
    CurSavePath_Set(std::u16string(300, u'd'));
    EXPECT_EQ(CurSavePath_Get().size(), kMaxPathUnits - 1);
    CurSavePath_Set(u"short");
    EXPECT_EQ(CurSavePath_Get(), u"short");
}

TEST(UrlText, ResolvesRelativeAddressesAgainstTheManga)
{
    struct Case {
        const char* base;
        const char* reference;
        const char* expected;
    };
    const Case cases[] = {
        {"http://h:81/m/title", "/covers/c.jpg", "http://h:81/covers/c.jpg"},
        {"http://h/m/title?x=1", "c.jpg", "http://h/m/c.jpg"},
        {"http://h", "c.jpg", "http://h/c.jpg"},
        {"https://h/m", "//cdn/c.jpg", "https://cdn/c.jpg"},
        {"http://h/m", "http://other/c.jpg", "http://other/c.jpg"},
        {"http://h/m/t", "?v=2", "http://h/m/t?v=2"},
        {"not an address", "/c.jpg", "/c.jpg"},
        {"", "c.jpg", "c.jpg"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ResolveUrl(c.base, c.reference), c.expected) << c.base << " + " << c.reference;
}

}  // namespace
