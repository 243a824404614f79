#include "settings/settings_file.h"

#include <atomic>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <sys/resource.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

const std::string kBom = "\xEF\xBB\xBF";

class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        static std::atomic<int> counter{0};
        folder_ = fs::temp_directory_path() /
                  ("zumr_settings_" + std::to_string(getpid()) + "_" + std::to_string(counter++));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        path_ = (folder_ / "settings.cfg").u16string();
    }
    void TearDown() override { fs::remove_all(folder_); }

    void Write(const std::string& bytes) const
    {
        std::ofstream(fs::path(path_), std::ios::binary) << bytes;
    }
    std::string Read() const
    {
        std::ifstream in{fs::path(path_), std::ios::binary};
        return {std::istreambuf_iterator<char>(in), {}};
    }
    size_t FilesInFolder() const
    {
        return static_cast<size_t>(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()));
    }
    AppSettings Loaded(const std::string& bytes) const
    {
        Write(bytes);
        AppSettings settings = AppSettings_Defaults(u"/prog/");
        Cfg_Load(path_, settings);
        return settings;
    }

    fs::path folder_;
    std::u16string path_;
};

void ExpectDefaultsExceptWindowXAndRevScan(const AppSettings& s)
{
    const AppSettings d = AppSettings_Defaults(u"/prog/");
    EXPECT_EQ(s.DefSavePath, d.DefSavePath);
    EXPECT_EQ(s.BookDirName, d.BookDirName);
    EXPECT_EQ(s.ChapDirName, d.ChapDirName);
    EXPECT_EQ(s.CoversDirName, d.CoversDirName);
    EXPECT_EQ(s.bAppendChapName, d.bAppendChapName);
    EXPECT_EQ(s.bAddCntToPages, d.bAddCntToPages);
    EXPECT_EQ(s.UserAgent, d.UserAgent);
    EXPECT_EQ(s.WindowY, d.WindowY);
    EXPECT_EQ(s.WindowW, d.WindowW);
    EXPECT_EQ(s.WindowH, d.WindowH);
    EXPECT_EQ(s.ColWchCH, d.ColWchCH);
    EXPECT_EQ(s.ColWchNAM, d.ColWchNAM);
    EXPECT_EQ(s.ColWchP, d.ColWchP);
    EXPECT_EQ(s.ColWchL, d.ColWchL);
    EXPECT_EQ(s.SaveBuf, d.SaveBuf);
}

TEST_F(SettingsFile, FourLineFileSetsOnlyItsTwoKeys)
{
    for (const char* bytes : {"[CONFIG]\nbRevScan=1\n[MWINDOW]\nWindowX=5\n",
                              "\xEF\xBB\xBF[CONFIG]\r\nbRevScan=1\r\n[MWINDOW]\r\nWindowX=5",
                              "[CONFIG]\rbRevScan 1\r[MWINDOW]\rWindowX 5\r"}) {
        const AppSettings s = Loaded(bytes);
        EXPECT_EQ(s.bRevScan, 1);
        EXPECT_EQ(s.WindowX, 5);
        ExpectDefaultsExceptWindowXAndRevScan(s);
    }
}

TEST_F(SettingsFile, ValuesAreConvertedToTheirFields)
{
    const AppSettings s = Loaded(
        "[CONFIG]\n"
        "DefSavePath=" + std::string(300, 'p') + "\n"
        "BookDirName=" + std::string(40, 'b') + "\n"
        "ChapDirName=\xD0\xB3\xD0\xBB\xD0\xB0\xD0\xB2\xD0\xB0\n"
        "CoversDirName = c\n"
        "bAppendChapName=0\n"
        "bAddCntToPages=x10\n"
        "bRevScan=-20 # comment\n"
        "UserAgent=Agent\t\xD0\xB3 \xC3\xA9\x01\xF0\x9F\x98\x80 end\n"
        "[MWINDOW]\n"
        "WindowX=4294967297\n"
        "WindowY=xFFFFFFFF\n"
        "WindowH=0x1F\n"
        "WindowW=x1F\n"
        "[CHAPSLIST]\n"
        "ColWchCH=-1\n"
        "ColWchNAM=abc\n"
        "[DEBUG]\n"
        "SaveBuf=257\n");
    EXPECT_EQ(s.DefSavePath, std::u16string(259, u'p'));
    EXPECT_EQ(s.BookDirName, std::u16string(29, u'b'));
    EXPECT_EQ(s.ChapDirName, u"глава");
    EXPECT_EQ(s.CoversDirName, u"= c");
    EXPECT_EQ(s.bAppendChapName, 0);
    EXPECT_EQ(s.bAddCntToPages, 1);
    EXPECT_EQ(s.bRevScan, 1);
    EXPECT_EQ(s.UserAgent, std::string("Agent\t? \xE9?? end"));
    EXPECT_EQ(s.WindowX, 1);
    EXPECT_EQ(s.WindowY, -1);
    EXPECT_EQ(s.WindowH, 0);
    EXPECT_EQ(s.WindowW, 31);
    EXPECT_EQ(s.ColWchCH, -1);
    EXPECT_EQ(s.ColWchNAM, 0);
    EXPECT_EQ(s.ColWchP, 100);
    EXPECT_EQ(s.SaveBuf, 1);

    // SaveBuf keeps only the low 8 bits; an empty UserAgent means none.
    const AppSettings t = Loaded("[CONFIG]\nUserAgent=\n[DEBUG]\nSaveBuf=256\n");
    EXPECT_EQ(t.SaveBuf, 0);
    EXPECT_FALSE(t.UserAgent.has_value());
}

TEST_F(SettingsFile, MissingOrUnreadableFileKeepsDefaults)
{
    AppSettings s = AppSettings_Defaults(u"/prog/");
    Cfg_Load(path_, s);
    fs::create_directory(fs::path(path_));  // a folder where the file should be
    Cfg_Load(path_, s);
    ExpectDefaultsExceptWindowXAndRevScan(s);
    EXPECT_EQ(s.WindowX, 0);
    EXPECT_EQ(s.bRevScan, 0);
}

TEST_F(SettingsFile, SavingKeepsForeignLinesAndReplacesOwnValues)
{
    const std::string before =
        "# zumr settings\r\n"
        "[CONFIG]\r\n"
        "DefSavePath=D:\\Manga\\Library\\\r\n"
        "; folder names\r\n"
        "BookDirName=volume\r\n"
        "ChapDirName=\xD0\xB3\xD0\xBB\xD0\xB0\xD0\xB2\xD0\xB0\r\n"
        "CoversDirName=covers\r\n"
        "bAppendChapName=1\r\n"
        "bAddCntToPages x10\r\n"
        "bRevScan=0 # newest first\r\n"
        "UserAgent=Mozilla/5.0 \xD0\xA2\r\n"
        "Proxy=none\r\n"
        "\r\n"
        "[MWINDOW]\r\n"
        "WindowX=10\r\n"
        "WindowY=20\r\n"
        "WindowH=600 ; outer height\r\n"
        "WindowW=800\r\n"
        "[EXTRA]\r\n"
        "Whatever=1\r\n"
        "[CHAPSLIST]\r\n"
        "ColWchCH=120\r\n"
        "ColWchNAM=300\r\n"
        "ColWchP=60\r\n"
        "ColWchL=90\r\n"
        "[DEBUG]\r\n"
        "SaveBuf=257\r\n";
    AppSettings s = Loaded(kBom + before);
    EXPECT_EQ(s.UserAgent, std::string("Mozilla/5.0 ?"));
    s.DefSavePath = u"E:\\M\\";
    s.BookDirName = u"том";
    s.bRevScan = 1;
    s.WindowX = -5;
    s.WindowH = 1234567;
    s.ColWchL = 7;
    s.UserAgent = "changed";
    s.SaveBuf = 0;
    Cfg_Save(path_, s);

    std::string after = before;
    const auto replace = [&after](const std::string& from, const std::string& to) {
        const size_t at = after.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        after.replace(at, from.size(), to);
    };
    replace("D:\\Manga\\Library\\", "E:\\M\\");
    replace("volume", "\xD1\x82\xD0\xBE\xD0\xBC");
    replace("bAddCntToPages x10", "bAddCntToPages 1");
    replace("bRevScan=0 #", "bRevScan=1 #");
    replace("WindowX=10", "WindowX=-5");
    replace("WindowH=600 ;", "WindowH=1234567 ;");
    replace("ColWchL=90", "ColWchL=7");
    EXPECT_EQ(Read(), kBom + after);
    EXPECT_EQ(FilesInFolder(), 1u);

    // Saving what was just loaded changes nothing.
    AppSettings again = AppSettings_Defaults(u"/prog/");
    Cfg_Load(path_, again);
    Cfg_Save(path_, again);
    EXPECT_EQ(Read(), kBom + after);
}

TEST_F(SettingsFile, SavingShapesTheFileAsExpected)
{
    AppSettings s = AppSettings_Defaults(u"/prog/");
    s.ChapDirName = u"глава";
    const std::string config = "DefSavePath=/prog/\nBookDirName=book\nChapDirName=\xD0\xB3\xD0\xBB\xD0\xB0\xD0\xB2\xD0\xB0\n"
                               "CoversDirName=covers\nbAppendChapName=1\nbAddCntToPages=0\nbRevScan=0";
    const std::string window = "WindowX=0\nWindowY=0\nWindowW=65536\nWindowH=65536";
    const std::string columns = "ColWchCH=100\nColWchNAM=100\nColWchP=100\nColWchL=100";
    const struct {
        const char* name;
        std::string before;
        std::string after;
    } cases[] = {
        {"empty file", "", kBom + "[CONFIG]\n" + config + "\n[MWINDOW]\n" + window + "\n[CHAPSLIST]\n" + columns},
        {"only a mark", kBom, kBom + "[CONFIG]\n" + config + "\n[MWINDOW]\n" + window + "\n[CHAPSLIST]\n" + columns},
        {"no mark, no CHAPSLIST",
         "; mine\n[CONFIG]\n" + config + "\n[MWINDOW]\n" + window + "\nUnknown=1\n",
         kBom + "; mine\n[CONFIG]\n" + config + "\n[MWINDOW]\n" + window + "\nUnknown=1\n\n[CHAPSLIST]\n" + columns},
        {"shorter values",
         "[CONFIG]\nDefSavePath=" + std::string(200, 'x') + "\nBookDirName=a-much-longer-name\n[MWINDOW]\nWindowX=123456789\n"
         "[CHAPSLIST]\nColWchL=-2147483648",
         kBom + "[CONFIG]\nDefSavePath=/prog/\nBookDirName=book\nChapDirName=\xD0\xB3\xD0\xBB\xD0\xB0\xD0\xB2\xD0\xB0\n"
                "CoversDirName=covers\nbAppendChapName=1\nbAddCntToPages=0\nbRevScan=0\n[MWINDOW]\nWindowX=0\n"
                "WindowY=0\nWindowW=65536\nWindowH=65536\n[CHAPSLIST]\nColWchL=100\nColWchCH=100\nColWchNAM=100\nColWchP=100"},
        {"header on the last line", "[CONFIG]", kBom + "[CONFIG]\n" + config + "\n[MWINDOW]\n" + window + "\n[CHAPSLIST]\n" + columns},
        {"body of one empty line",
         "[CONFIG]\r\n\r\n[MWINDOW]\r\n" + window + "\r\n[CHAPSLIST]\r\n" + columns + "\r\n",
         kBom + "[CONFIG]\r\n\n" + config + "\r\n[MWINDOW]\r\n" + window + "\r\n[CHAPSLIST]\r\n" + columns + "\r\n"},
        {"debug and user agent untouched",
         "[CONFIG]\nUserAgent=x\n" + config + "\n[DEBUG]\nSaveBuf=1\n[MWINDOW]\n" + window + "\n[CHAPSLIST]\n" + columns,
         kBom + "[CONFIG]\nUserAgent=x\n" + config + "\n[DEBUG]\nSaveBuf=1\n[MWINDOW]\n" + window + "\n[CHAPSLIST]\n" + columns},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Write(c.before);
        Cfg_Save(path_, s);
        EXPECT_EQ(Read(), c.after);
        // What was written reads back as what was saved.
        AppSettings back = AppSettings_Defaults(u"/elsewhere/");
        back.ChapDirName = u"x";
        Cfg_Load(path_, back);
        EXPECT_EQ(back.DefSavePath, s.DefSavePath);
        EXPECT_EQ(back.ChapDirName, s.ChapDirName);
        EXPECT_EQ(back.WindowW, s.WindowW);
        EXPECT_EQ(back.ColWchL, s.ColWchL);
    }
}

TEST_F(SettingsFile, OneEmptyLineBodyDoesNotReadLaterSections)
{
    const AppSettings s = Loaded("[CONFIG]\r\n\r\n[OTHER]\r\nbRevScan=1\r\nBookDirName=other\r\n");
    EXPECT_EQ(s.bRevScan, 0);
    EXPECT_EQ(s.BookDirName, u"book");
}

TEST_F(SettingsFile, NoFileMeansNoFileAfterSaving)
{
    Cfg_Save(path_, AppSettings_Defaults(u"/prog/"));
    EXPECT_FALSE(fs::exists(fs::path(path_)));
    EXPECT_EQ(FilesInFolder(), 0u);

    Cfg_Save((folder_ / "missing" / "settings.cfg").u16string(), AppSettings_Defaults(u"/prog/"));
    EXPECT_EQ(FilesInFolder(), 0u);
}

TEST_F(SettingsFile, FailedWriteLeavesTheOldFileWhole)
{
    const std::string before = "[CONFIG]\nBookDirName=keep\n";
    Write(before);
    AppSettings s = AppSettings_Defaults(u"/prog/");
    s.DefSavePath = std::u16string(4000, u'p');

    // A file-size limit below the new content makes the write fail part way.
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    Cfg_Save(path_, s);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(Read(), before);
    EXPECT_EQ(FilesInFolder(), 1u);  // no temporary file left behind
}

TEST_F(SettingsFile, SavingKeepsPermissionsAndLinks)
{
    const fs::path real = folder_ / "real.cfg";
    std::ofstream(real, std::ios::binary) << "[CONFIG]\nbRevScan=0\n";
    fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::replace);
    fs::create_symlink(real, fs::path(path_));

    AppSettings s = AppSettings_Defaults(u"/prog/");
    s.bRevScan = 1;
    Cfg_Save(path_, s);

    EXPECT_TRUE(fs::is_symlink(fs::path(path_)));
    EXPECT_EQ(fs::status(real).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
    AppSettings back = AppSettings_Defaults(u"/prog/");
    Cfg_Load(real.u16string(), back);
    EXPECT_EQ(back.bRevScan, 1);
}

TEST_F(SettingsFile, ProcessWideRecordIsLoadedAndSaved)
{
    Write("[CONFIG]\nBookDirName=vol\n");
    Settings_Set(AppSettings_Defaults(u"/prog/"));
    Cfg_Load(path_);
    EXPECT_EQ(Settings_Get().BookDirName, u"vol");
    Settings_Update([](AppSettings& s) { s.ColWchP = 42; });
    Cfg_Save(path_);
    AppSettings back = AppSettings_Defaults(u"/prog/");
    Cfg_Load(path_, back);
    EXPECT_EQ(back.BookDirName, u"vol");
    EXPECT_EQ(back.ColWchP, 42);
    Settings_Set(AppSettings_Defaults(u""));
}

} // namespace
