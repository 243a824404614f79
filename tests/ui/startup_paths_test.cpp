// Where an installed program keeps its settings and downloads, and that the
// settings file it promises to create is there, readable, after exit.

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>

#include "model/text_codec.h"
#include "settings/app_settings.h"
#include "tests/support/temp_dir.h"
#include "app/startup.h"

namespace {

std::map<std::string, std::string>* gEnvironment = nullptr;

const char* FakeGetenv(const char* name)
{
    auto found = gEnvironment->find(name);
    return found == gEnvironment->end() ? nullptr : found->second.c_str();
}

app::UserFolders FoldersFor(std::map<std::string, std::string> environment)
{
    gEnvironment = &environment;
    app::UserFolders user = app::UserFolders_FromEnvironment(FakeGetenv);
    gEnvironment = nullptr;
    return user;
}

TEST(StartupPaths, UserFoldersFollowTheXdgRules)
{
    TempDir dir;
    const std::string config = (dir / "cfg").string();
    std::filesystem::create_directories(config);
    const std::string home = (dir / "home").string();

    struct Case {
        std::map<std::string, std::string> environment;
        std::string userDirs;  // written to <config>/user-dirs.dirs when not empty
        std::string configHome, downloads;
    };
    const Case cases[] = {
        {{{"HOME", home}}, "", home + "/.config", home + "/Downloads"},
        {{{"HOME", home}, {"XDG_CONFIG_HOME", "relative/cfg"}}, "", home + "/.config", home + "/Downloads"},
        {{{"HOME", home}, {"XDG_CONFIG_HOME", config}}, "# c\nXDG_DOWNLOAD_DIR=\"$HOME/Загрузки\"\n", config,
         home + "/Загрузки"},
        {{{"HOME", home}, {"XDG_CONFIG_HOME", config}}, "XDG_DOWNLOAD_DIR=\"/srv/dl\"\n", config, "/srv/dl"},
        {{{"HOME", home}, {"XDG_CONFIG_HOME", config}}, "XDG_DOWNLOAD_DIR=\"relative\"\n", config,
         home + "/Downloads"},
        {{}, "", "", ""},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(std::filesystem::path(config) / "user-dirs.dirs");
        if (!c.userDirs.empty())
            WriteFileBytes(std::filesystem::path(config) / "user-dirs.dirs", c.userDirs);
        const app::UserFolders user = FoldersFor(c.environment);
        EXPECT_EQ(Utf16ToUtf8(user.configHome), c.configHome) << c.userDirs;
        EXPECT_EQ(Utf16ToUtf8(user.downloads), c.downloads) << c.userDirs;
    }
}

// A program in its own folder keeps its settings there; an installed one
// creates them in the user's folders at exit and reads them next time.
TEST(StartupPaths, OnlyAnInstalledProgramMovesItsSettings)
{
    TempDir dir;
    const std::u16string own = Utf8ToUtf16(dir.path().string()) + u"/";
    EXPECT_FALSE(app::ProgramFolderIsInstalled(own));
    EXPECT_TRUE(app::ProgramFolderIsInstalled(u"/usr/bin/"));
    EXPECT_TRUE(app::ProgramFolderIsInstalled(u"/nonexistent-zumr-folder/"));
    const app::StartupPaths portable = app::Startup_ChoosePaths(own, false, {u"/home/u/.config", u"/home/u/Downloads"});
    EXPECT_EQ(portable.settingsPath, own + u"settings.cfg");
    EXPECT_EQ(portable.defaultSaveFolder, own);
    EXPECT_FALSE(portable.createSettings);
    // Nowhere to go without a home: the program's own folder after all.
    EXPECT_EQ(app::Startup_ChoosePaths(u"/usr/bin/", true, {}).settingsPath, u"/usr/bin/settings.cfg");

    const app::UserFolders user{Utf8ToUtf16((dir / "config").string()), Utf8ToUtf16((dir / "dl").string())};
    const app::StartupPaths paths = app::Startup_ChoosePaths(u"/usr/bin/", true, user);
    EXPECT_EQ(paths.settingsPath, user.configHome + u"/zumr/settings.cfg");
    EXPECT_TRUE(paths.createSettings);
    app::Startup_LoadSettings(paths);
    EXPECT_EQ(Settings_Get().DefSavePath, user.downloads + u"/");
    Settings_Update([](AppSettings& s) {
        s.DefSavePath = u"/m/Манга";
        s.WindowX = 17;
    });
    app::Startup_SaveSettings(paths);
    ASSERT_TRUE(std::filesystem::exists(dir / "config/zumr/settings.cfg"));
    app::Startup_LoadSettings(paths);
    EXPECT_EQ(Settings_Get().DefSavePath, u"/m/Манга");
    EXPECT_EQ(Settings_Get().WindowX, 17);
}

}  // namespace
