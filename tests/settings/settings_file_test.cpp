#include "settings/settings_file.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#ifndef _WIN32
#include <sys/resource.h>
#include <unistd.h>
#endif

#include <gtest/gtest.h>

#include "model/text_codec.h"

namespace fs = std::filesystem;

namespace {

const std::string kBom = "\xEF\xBB\xBF";

// Every field in one line, so a comparison also shows fields that changed
// when they should not have.
std::string Describe(const AppSettings& s)
{
    std::string out = Utf16ToUtf8(s.DefSavePath + u"|" + s.BookDirName + u"|" + s.ChapDirName + u"|" + s.CoversDirName);
    for (int64_t v : {int64_t{s.bAppendChapName}, int64_t{s.bAddCntToPages}, int64_t{s.bRevScan}, int64_t{s.WindowX},
                      int64_t{s.WindowY}, int64_t{s.WindowW}, int64_t{s.WindowH}, int64_t{s.ColWchCH},
                      int64_t{s.ColWchNAM}, int64_t{s.ColWchP}, int64_t{s.ColWchL}, int64_t{s.bColWchCHSaved}, int64_t{s.SaveBuf}})
        out.append("|").append(std::to_string(v));
    return out.append("|").append(s.UserAgent.value_or("(none)"));
}

class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        // A Cyrillic folder: on Windows only the wide file functions reach it.
        folder_ = fs::temp_directory_path() / (u"настройки_zumr_" + fs::path(std::to_string(getpid())).u16string());
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    void Write(const std::string& bytes) const { std::ofstream(file(), std::ios::binary) << bytes; }
    std::string Read() const
    {
        std::ifstream in{file(), std::ios::binary};
        return {std::istreambuf_iterator<char>(in), {}};
    }
    size_t FilesInFolder() const
    {
        return static_cast<size_t>(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()));
    }
    fs::path file() const { return folder_ / "settings.cfg"; }
    std::u16string path() const { return file().u16string(); }

    fs::path folder_;
};

TEST_F(SettingsFile, LoadingSetsFoundKeysAndKeepsDefaultsForTheRest)
{
    const struct {
        std::string bytes;
        std::function<void(AppSettings&)> expect;
    } cases[] = {
        {kBom + "[CONFIG]\rbRevScan 1\r[MWINDOW]\rWindowX 5", [](AppSettings& s) { s.bRevScan = 1, s.WindowX = 5; }},
        {"bRevScan=1\nColWchP=3", [](AppSettings& s) { s.bRevScan = 1, s.ColWchP = 3; }},  // no sections: a flat list
        // No CHAPSLIST: its keys are looked for from the top to the end of MWINDOW.
        {"[CONFIG]\nColWchP=3\n[MWINDOW]\nWindowX=5\n[X]\nColWchL=4",
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
        {"[CONFIG]\nUserAgent=\n", [](AppSettings&) {}},
        {"[CONFIG]\r\n\r\n[OTHER]\r\nbRevScan=1\r\n", [](AppSettings&) {}},  // a body of one empty line
        // Keys far into a long file are found.
        {"# " + std::string(70000, 'x') + "\n[MWINDOW]\nWindowX=5", [](AppSettings& s) { s.WindowX = 5; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        Write(c.bytes);
        AppSettings loaded = AppSettings_Defaults(u"/prog/");
        Cfg_Load(path(), loaded);
        AppSettings expected = AppSettings_Defaults(u"/prog/");
        c.expect(expected);
        EXPECT_EQ(Describe(loaded), Describe(expected));
    }

    fs::remove(file());
    AppSettings untouched = AppSettings_Defaults(u"/prog/");
    Cfg_Load(path(), untouched);
    fs::create_directory(file());  // unreadable: a folder in its place
    Cfg_Load(path(), untouched);
    EXPECT_EQ(Describe(untouched), Describe(AppSettings_Defaults(u"/prog/")));
}

TEST_F(SettingsFile, SavingRewritesOwnValuesAndKeepsEverythingElse)
{
    AppSettings s = AppSettings_Defaults(u"/prog/");
    s.ChapDirName = u"глава";
    s.bRevScan = 1;
    s.WindowX = -5;
    s.WindowW = 800;
    s.WindowH = 600;
    s.UserAgent = "never written";
    s.SaveBuf = 1;
    const std::string config = "DefSavePath=/prog/\nBookDirName=book\nChapDirName=\xD0\xB3\xD0\xBB\xD0\xB0\xD0\xB2\xD0\xB0\n"
                               "CoversDirName=covers\nbAppendChapName=1\nbAddCntToPages=0\nbRevScan=1";
    const std::string window = "WindowX=-5\nWindowY=0\nWindowW=800\nWindowH=600";
    const std::string columns = "ColWchCH=100\nColWchNAM=100\nColWchP=100\nColWchL=100";
    const std::string filled = "[CONFIG]\n" + config + "\n[MWINDOW]\n" + window + "\n[CHAPSLIST]\n" + columns;
    const struct {
        const char* name;
        std::string before;
        std::string after;
    } cases[] = {
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
        {"a long file kept whole", kBom + "# " + std::string(70000, 'x') + "\n" + filled,
         kBom + "# " + std::string(70000, 'x') + "\n" + filled},
        {"body of one empty line", "[CONFIG]\r\n\r\n[MWINDOW]\r\n" + window + "\r\n[CHAPSLIST]\r\n" + columns,
         kBom + "[CONFIG]\r\n\n" + config + "\r\n[MWINDOW]\r\n" + window + "\r\n[CHAPSLIST]\r\n" + columns},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Write(c.before);
        Cfg_Save(path(), s);
        EXPECT_EQ(Read(), c.after);
        EXPECT_EQ(FilesInFolder(), 1u);
    }
}

TEST_F(SettingsFile, SavingNeverCreatesTheFileAndAFailedWriteKeepsTheOldOne)
{
    AppSettings s = AppSettings_Defaults(u"/prog/");
    Cfg_Save(path(), s);
    Cfg_Save((folder_ / "missing" / "settings.cfg").u16string(), s);
    EXPECT_EQ(FilesInFolder(), 0u);

#ifndef _WIN32
    // A file-size limit below the new content makes the write fail part way.
    const std::string before = "[CONFIG]\nBookDirName=keep\n";
    Write(before);
    s.DefSavePath.assign(4000, u'p');
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    Cfg_Save(path(), s);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(Read(), before);
    EXPECT_EQ(FilesInFolder(), 1u);  // no temporary file left behind
#endif
}

#ifndef _WIN32  // POSIX permissions and symbolic links
TEST_F(SettingsFile, SavingKeepsPermissionsAndLinks)
{
    const fs::path real = folder_ / "real.cfg";
    std::ofstream(real) << "[CONFIG]\nbRevScan=0\n";
    fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::replace);
    fs::create_symlink(real, file());
    Settings_Update([](AppSettings& s) { s.bRevScan = 1; });
    Cfg_Save(path());
    Settings_Set(AppSettings_Defaults(u""));
    Cfg_Load(path());
    EXPECT_EQ(Settings_Get().bRevScan, 1);
    EXPECT_TRUE(fs::is_symlink(file()));
    EXPECT_EQ(fs::status(real).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
}
#endif

} // namespace
