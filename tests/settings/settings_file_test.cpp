#include "settings/settings_file.h"

#include <csignal>
#include <filesystem>
#include <functional>

#ifndef _WIN32
#include <sys/resource.h>
#endif

#include <gtest/gtest.h>

#include "model/text_codec.h"
#include "settings/cfg_text.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

const std::string kBom = "\xEF\xBB\xBF";

// The buffer the primitives work on: the text and its terminating zero unit.
std::u16string Buffer(std::u16string_view text) { return std::u16string(text) + u'\0'; }

TEST(CfgFindSection, FindsHeadersAndTheirBodies)
{
    const struct {
        const char16_t* text;
        const char16_t* body;  // nullptr: not found; u"": an empty body
    } cases[] = {
        {u"[A]\r\nk=1\r\n\r\n[B]\r\n", u"k=1\r\n"},
        {u"x=1\n[A] tail ] text\n\nk=1\n[B]", u"k=1"},
        {u"[A]\r\n\r\n[B]\r\nk=1", u""},  // one empty line, not "to the end of the text"
        {u"[a]\nk=1", nullptr}, {u"[AB]\nk=1", nullptr}, {u" [A]\nk=1", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Utf16ToUtf8(c.text));
        const std::u16string text = Buffer(c.text);
        CfgRange range{7, 3};
        ASSERT_EQ(Cfg_FindSection(text, u"A", range), c.body != nullptr);
        if (!c.body)
            EXPECT_EQ(range.Start, 0u);
        else if (!*c.body)
            EXPECT_LT(range.End, range.Start);
        else
            EXPECT_EQ(text.substr(range.Start, range.End - range.Start), c.body);
    }
}

// Read and save of whole files cover the usual edits; these are the edges
// only a direct call reaches.
TEST(CfgSet, WritesOneLineAndKeepsTheRangeOnTheSection)
{
    std::u16string text = Buffer(u"[S]\r\ns = v\r\n\r\n[T]\r\nn=5");
    CfgRange range;
    ASSERT_TRUE(Cfg_FindSection(text, u"S", range));
    Cfg_SetString(text, u"s", u"новое\n[T]\nn=0", range);
    Cfg_SetInt(text, u"n", 7, range);
    Cfg_SetInt(text, u"", 5, range);
    EXPECT_EQ(text, Buffer(u"[S]\r\ns новое\r\n\nn=7\r\n[T]\r\nn=5"));
    int64_t n = 0;
    EXPECT_TRUE(Cfg_GetInt(text, u"n", n, range));
    EXPECT_EQ(n, 7);
}

// Every field in one line, so a comparison also shows fields that changed
// when they should not have.
std::string Describe(const AppSettings& s)
{
    std::string out = Utf16ToUtf8(s.DefSavePath + u"|" + s.BookDirName + u"|" + s.ChapDirName + u"|" +
                                  s.CoversDirName + u"|" + s.Proxy);
    for (int64_t v : {int64_t{s.bAppendChapName}, int64_t{s.bAddCntToPages}, int64_t{s.bRevScan}, int64_t{s.Connections},
                      int64_t{s.Retries}, int64_t{s.bMakeCbz}, int64_t{s.WindowX}, int64_t{s.WindowY},
                      int64_t{s.WindowW}, int64_t{s.WindowH}, int64_t{s.ColWchCH}, int64_t{s.ColWchNAM},
                      int64_t{s.ColWchP}, int64_t{s.ColWchL}, int64_t{s.bColWchCHSaved}, int64_t{s.SaveBuf}})
        out.append("|").append(std::to_string(v));
    return out.append("|").append(s.UserAgent.value_or("(none)"));
}

class SettingsFile : public ::testing::Test {
protected:
    SettingsFile() { fs::create_directory(folder_); }
    size_t FilesInFolder() const
    {
        return static_cast<size_t>(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()));
    }

    TempDir temp_;
    const fs::path folder_ = temp_.path() / u"настройки";  // on Windows only the wide file functions reach it
    const fs::path file_ = folder_ / "settings.cfg";
    const std::u16string path_ = file_.u16string();
};

TEST_F(SettingsFile, LoadingSetsFoundKeysAndKeepsDefaultsForTheRest)
{
    const struct {
        std::string bytes;
        std::function<void(AppSettings&)> expect;
    } cases[] = {
        {kBom + "[CONFIG]\rbRevScan 1\r[MWINDOW]\rWindowX 5", [](AppSettings& s) { s.bRevScan = 1, s.WindowX = 5; }},
        {"bRevScan=1\nColWchP=3", [](AppSettings& s) { s.bRevScan = 1, s.ColWchP = 3; }},  // no sections: a flat list
        // No CHAPSLIST: its keys are looked for from the top to the end of
        // MWINDOW; keys far into a long file are found.
        {"[CONFIG]\nColWchP=3\n# " + std::string(70000, 'x') + "\n[MWINDOW]\nWindowX=5\n[X]\nColWchL=4",
         [](AppSettings& s) { s.ColWchP = 3, s.WindowX = 5; }},
        {"[CONFIG]\nbAddCntToPages=x10\nbAppendChapName=0x1F\n[MWINDOW]\nWindowW=x1F\nWindowX=-20 # c\n"
         "WindowY=xFFFFFFFF\nWindowH=4294967297\n[CHAPSLIST]\nColWchL=abc\nColWchCH=x0000000000000000F\n"
         "[DEBUG]\nSaveBuf=257",
         [](AppSettings& s) {
             s.bAddCntToPages = 1, s.bAppendChapName = 0, s.WindowW = 31, s.WindowX = -20, s.WindowY = -1;
             s.WindowH = 1, s.ColWchL = 0, s.ColWchCH = 0, s.bColWchCHSaved = 1, s.SaveBuf = 1;
         }},
        {"[CONFIG]\r\nDefSavePath=" + std::string(300, 'p') + "\r\nBookDirName=" + std::string(28, 'b') +
             "\xF0\x9F\x98\x80\r\nChapDirName=\xD0\xB3\xD0\xBB\xD0\xB0\xD0\xB2\xD0\xB0\r\nCoversDirName = c\r\n[DEBUG]\r\nSaveBuf=256",
         [](AppSettings& s) {
             s.DefSavePath.assign(259, u'p'), s.BookDirName.assign(28, u'b'), s.ChapDirName = u"глава";
             s.CoversDirName = u"= c";
         }},
        {"[CONFIG]\nUserAgent=Agent\t\xD0\xB3 \xC3\xA9\x01\xF0\x9F\x98\x80 end",
         [](AppSettings& s) { s.UserAgent = "Agent\t? \xE9?? end"; }},
        // Out of range reads as the nearest allowed value, judged before the
        // cut to 32 bits; unknown keys change nothing.
        {"[CONFIG]\nUserAgent=\nConnections=0\nRetries=11 # more\nProxy=socks5h://127.0.0.1:9050\nbMakeCbz=2\nThreads=4",
         [](AppSettings& s) { s.Connections = 1, s.Retries = 10, s.Proxy = u"socks5h://127.0.0.1:9050", s.bMakeCbz = 1; }},
        {"[CONFIG]\nConnections=4294967297\nRetries=-4294967295\n", [](AppSettings& s) { s.Connections = 8; }},
        {"[CONFIG]\nConnections=x4\nRetries=3\nProxy=" + std::string(600, 'h'),
         [](AppSettings& s) { s.Connections = 4, s.Retries = 3, s.Proxy.assign(511, u'h'); }},
        {"[CONFIG]\r\n\r\n[OTHER]\r\nbRevScan=1\r\n", [](AppSettings&) {}},  // a body of one empty line
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes.substr(0, 100));
        WriteFileBytes(file_, c.bytes);
        AppSettings loaded = AppSettings_Defaults(u"/prog/"), expected = loaded;
        Cfg_Load(path_, loaded);
        c.expect(expected);
        EXPECT_EQ(Describe(loaded), Describe(expected));
    }

    AppSettings untouched = AppSettings_Defaults(u"/prog/");
    fs::remove(file_), Cfg_Load(path_, untouched);
    fs::create_directory(file_), Cfg_Load(path_, untouched);  // unreadable: a folder in its place
    EXPECT_EQ(Describe(untouched), Describe(AppSettings_Defaults(u"/prog/")));
}

TEST_F(SettingsFile, SavingRewritesOwnValuesAndKeepsEverythingElse)
{
    AppSettings s = AppSettings_Defaults(u"/prog/");
    s.ChapDirName = u"глава", s.bRevScan = 1, s.WindowX = -5, s.WindowW = 800, s.WindowH = 600;
    s.UserAgent = "never written", s.SaveBuf = 1;
    const std::string config = "DefSavePath=/prog/\nBookDirName=book\nChapDirName=\xD0\xB3\xD0\xBB\xD0\xB0\xD0\xB2\xD0\xB0\n"
                               "CoversDirName=covers\nbAppendChapName=1\nbAddCntToPages=0\nbRevScan=1";
    const std::string window = "WindowX=-5\nWindowY=0\nWindowW=800\nWindowH=600";
    const std::string columns = "ColWchCH=100\nColWchNAM=100\nColWchP=100\nColWchL=100";
    const std::string rest = "\n[MWINDOW]\n" + window + "\n[CHAPSLIST]\n" + columns;
    const std::string filled = "[CONFIG]\n" + config + rest;
    const struct {
        const char* name;
        std::string before;
        std::string after;
        void (*change)(AppSettings&) = nullptr;
    } cases[] = {
        // The keys added later stay out of a file that never used them.
        {"empty file", "", kBom + filled},
        {"header on the last line", "[CONFIG]", kBom + filled},
        {"foreign lines, no mark, no CHAPSLIST",
         "# mine\r\n[CONFIG]\r\nDefSavePath=D:\\Manga\\Library\\\r\n; names\r\nBookDirName x10\r\nUserAgent=ua\r\n"
         "bRevScan=0 # newest first\r\nMirror=none\r\n\r\n[MWINDOW]\r\nWindowH=600 ; outer\r\n[EXTRA]\r\nk=1\r\n"
         "[DEBUG]\r\nSaveBuf=0\r\n",
         kBom + "# mine\r\n[CONFIG]\r\nDefSavePath=/prog/\r\n; names\r\nBookDirName book\r\nUserAgent=ua\r\n"
                "bRevScan=1 # newest first\r\nMirror=none\r\n\nChapDirName=\xD0\xB3\xD0\xBB\xD0\xB0\xD0\xB2\xD0\xB0\n"
                "CoversDirName=covers\nbAppendChapName=1\nbAddCntToPages=0\r\n[MWINDOW]\r\nWindowH=600 ; outer\n"
                "WindowX=-5\nWindowY=0\nWindowW=800\r\n[EXTRA]\r\nk=1\r\n[DEBUG]\r\nSaveBuf=0\r\n\n[CHAPSLIST]\n" +
                columns},
        {"shorter values",
         "[CONFIG]\nDefSavePath=" + std::string(200, 'x') + "\n" + config.substr(config.find("BookDirName")) +
             "\n[MWINDOW]\n" + window + "\n[CHAPSLIST]\nColWchCH=-2147483648\nColWchNAM=100\nColWchP=100\nColWchL=100",
         kBom + filled},
        // Only the first mark is the file's; a NUL byte is a character; bad
        // UTF-8 becomes U+FFFD; a long file is kept whole.
        {"odd bytes", kBom + kBom + std::string("#a\0b\xFF", 6) + std::string(70000, 'x') + "\r\n" + filled,
         kBom + kBom + std::string("#a\0b\xEF\xBF\xBD", 8) + std::string(70000, 'x') + "\r\n" + filled},
        {"body of one empty line", "[CONFIG]\r\n\r\n[MWINDOW]\r\n" + window + "\r\n[CHAPSLIST]\r\n" + columns,
         kBom + "[CONFIG]\r\n\n" + config + "\r\n[MWINDOW]\r\n" + window + "\r\n[CHAPSLIST]\r\n" + columns},
        // Once in the file they are written back, defaults included.
        {"later keys in the file", "[CONFIG]\nProxy=http://old:3128\nConnections=4 ; fast\nbMakeCbz=1",
         kBom + "[CONFIG]\nProxy=\nConnections=1 ; fast\nbMakeCbz=0\n" + config + rest},
        {"later keys off their defaults", "", kBom + "[CONFIG]\n" + config +
         "\nConnections=8\nRetries=10\nProxy=http://user@proxy:3128\nbMakeCbz=1" + rest,
         [](AppSettings& t) { t.Connections = 8, t.Retries = 10, t.Proxy = u"http://user@proxy:3128", t.bMakeCbz = 1; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFileBytes(file_, c.before);
        AppSettings saved = s;
        if (c.change)
            c.change(saved);
        Cfg_Save(path_, saved);
        EXPECT_EQ(ReadFileBytes(file_), c.after);
        EXPECT_EQ(FilesInFolder(), 1u);
        if (!c.before.empty())
            continue;
        AppSettings loaded = AppSettings_Defaults(u"/prog/");  // what was written reads back as it was
        Cfg_Load(path_, loaded);
        saved.UserAgent.reset(), saved.SaveBuf = 0, saved.bColWchCHSaved = loaded.bColWchCHSaved;
        EXPECT_EQ(Describe(loaded), Describe(saved));
    }
}

TEST_F(SettingsFile, SavingNeverCreatesTheFileAndAFailedWriteKeepsTheOldOne)
{
    AppSettings s = AppSettings_Defaults(u"/prog/");
    Cfg_Save(path_, s);
    Cfg_Save((folder_ / "missing" / "settings.cfg").u16string(), s);
    EXPECT_EQ(FilesInFolder(), 0u);

#ifndef _WIN32  // POSIX permissions, links and size limits
    // A file-size limit below the new content makes the write fail part way.
    const fs::path real = folder_ / "real.cfg";
    const std::string before = "[CONFIG]\nbRevScan=0\n";
    WriteFileBytes(real, before);
    fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::replace);
    fs::create_symlink(real, file_);
    s.DefSavePath.assign(4000, u'p');
    rlimit old{}, small{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    small = old, small.rlim_cur = 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    Cfg_Save(path_, s);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(ReadFileBytes(real), before);
    EXPECT_EQ(FilesInFolder(), 2u);  // no temporary file left behind

    // A save that succeeds replaces the file the link points to, not the link.
    Settings_Update([](AppSettings& t) { t.bRevScan = 1; });
    Cfg_Save(path_);
    Settings_Set(AppSettings_Defaults(u""));
    Cfg_Load(path_);
    EXPECT_EQ(Settings_Get().bRevScan, 1);
    EXPECT_TRUE(fs::is_symlink(file_));
    EXPECT_EQ(fs::status(real).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
#endif
}

} // namespace
