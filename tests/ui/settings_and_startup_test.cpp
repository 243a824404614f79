#include <gmock/gmock.h>

#include "model/text_codec.h"
#include "settings/app_settings.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/fake_views.h"
#include "transfer/name_rules.h"
#include "ui/resources.h"
#include "ui/settings_dialog.h"
#include "app/startup.h"

namespace {

using namespace ui;
using namespace app;

TEST(SettingsDialog, ShowsCleansCutsAndStoresOnlyOnOk)
{
    AppSettings start = AppSettings_Defaults(u"/base/");
    start.bAddCntToPages = 1, start.Retries = 3, start.Proxy = u"socks5h://p:1080";
    Settings_Set(start);
    zt::FakeSettingsDialogView view;
    SettingsDialog dialog;
    dialog.OnInit(view);
    EXPECT_EQ(view.texts[kIdDefSavePath], u"/base/");
    EXPECT_EQ(view.texts[kIdCoversDirName], u"covers");
    EXPECT_EQ(view.texts[kIdUserAgent], u"");
    EXPECT_EQ(std::vector<std::u16string>({view.texts[kIdConnections], view.texts[kIdRetries], view.texts[kIdProxy]}),
              std::vector<std::u16string>({u"1", u"3", u"socks5h://p:1080"}));
    EXPECT_EQ(view.checks, (std::map<int, bool>{{kIdAppendChapName, true}, {kIdAddCntToPages, true}, {kIdRevScan, false},
                                                {kIdMakeCbz, false}}));

    // Cleaned whenever the focus leaves one of the boxes; numbers are held
    // to their ranges.
    const struct {
        int id;
        const char16_t* typed;
        const char16_t* shown;
    } boxes[] = {
        {kIdChapDirName, u"глава:", u"глава_"}, {kIdUserAgent, u"a:b", u"a:b"}, {kIdConnections, u" 12 ", u"8"},
        {kIdConnections, u"0", u"1"}, {kIdConnections, u"x", u"1"}, {kIdRetries, u"-4", u"0"},
        {kIdRetries, u"99999999999999999999", u"10"}, {kIdRetries, u"7 раз", u"7"},
        {kIdProxy, u" http://p:3128\t", u"http://p:3128"},
    };
    for (const auto& box : boxes) {
        view.texts[box.id] = box.typed;
        dialog.OnEditLostFocus(box.id);
        EXPECT_EQ(view.texts[box.id], box.shown) << Utf16ToUtf8(box.typed);
    }

    view.texts[kIdBookDirName] = u"том";
    view.checks[kIdAppendChapName] = false;
    dialog.OnCommand(kIdCancel);
    EXPECT_EQ(view.closedWith, 0);
    EXPECT_EQ(Settings_Get().ChapDirName, u"ch");
    EXPECT_EQ(Settings_Get().bAppendChapName, 1);

    SettingsDialog again;
    again.OnInit(view);
    view.folders = {std::nullopt, u"/chosen"};
    again.OnCommand(kIdDefSavePathBrowse);
    EXPECT_EQ(view.texts[kIdDefSavePath], u"/base/");
    again.OnCommand(kIdDefSavePathBrowse);
    view.texts[kIdCoversDirName] = std::u16string(40, u'п');
    view.texts[kIdConnections] = u"4", view.texts[kIdRetries] = u"11", view.texts[kIdProxy] = u" ";
    view.checks = {{kIdMakeCbz, true}};
    again.OnCommand(kIdOk);
    EXPECT_EQ(again.Result(), 1);
    const AppSettings s = Settings_Get();
    EXPECT_EQ(s.DefSavePath, u"/chosen");
    EXPECT_EQ(s.CoversDirName, std::u16string(29, u'п'));
    EXPECT_EQ(std::vector<int>({s.bAppendChapName, s.bAddCntToPages, s.bRevScan, s.bMakeCbz, s.Connections, s.Retries}),
              std::vector<int>({0, 0, 0, 1, 4, 10}));
    EXPECT_EQ(s.Proxy, u"");

    // Each check box lands in its own setting.
    for (const int id : {kIdAppendChapName, kIdAddCntToPages, kIdRevScan, kIdMakeCbz}) {
        SettingsDialog one;
        one.OnInit(view);
        view.checks = {{id, true}};
        one.OnCommand(kIdOk);
        const AppSettings t = Settings_Get();
        EXPECT_EQ(std::vector<int>({t.bAppendChapName, t.bAddCntToPages, t.bRevScan, t.bMakeCbz}),
                  std::vector<int>({id == kIdAppendChapName, id == kIdAddCntToPages, id == kIdRevScan, id == kIdMakeCbz}));
    }
}

TEST(Startup, FolderSettingsPathAndWritingBackOnlyAnExistingFile)
{
    EXPECT_EQ(ProgramFolderFromPath(u"D:\\a\\b\\c.exe", u'\\'), u"D:\\a\\b\\");
    EXPECT_EQ(ProgramFolderFromPath(u"zumr.exe", u'\\'), u"");
    EXPECT_EQ(Startup_Paths(u"C:\\Tools\\m\\").settingsPath, u"C:\\Tools\\m\\settings.cfg");
    const std::u16string self = ProgramFolderOfExecutable();
    ASSERT_FALSE(self.empty());
    EXPECT_EQ(self.back(), kPathSeparator);

    TempDir dir;
    const StartupPaths paths = Startup_Paths(dir.path().u16string() + kPathSeparator);
    Startup_LoadSettings(paths);
    EXPECT_EQ(Settings_Get().DefSavePath, paths.programFolder);
    Settings_Update([](AppSettings& s) { s.WindowX = 77; });
    Startup_SaveSettings(paths);
    EXPECT_FALSE(std::filesystem::exists(dir / "settings.cfg"));

    WriteFileBytes(dir / "settings.cfg", "\xEF\xBB\xBF[MWINDOW]\nWindowX=5\n");
    Startup_LoadSettings(paths);
    EXPECT_EQ(Settings_Get().WindowX, 5);
    Settings_Update([](AppSettings& s) { s.WindowX = 77; s.WindowW = 640; s.WindowH = 480; });
    Startup_SaveSettings(paths);
    Startup_LoadSettings(paths);
    EXPECT_EQ(std::vector<int32_t>({Settings_Get().WindowX, Settings_Get().WindowW, Settings_Get().WindowH}),
              std::vector<int32_t>({77, 640, 480}));
}

// The window loads its texts by id; an id the table lacks gives no text.
TEST(Resources, StringsByNumber)
{
    EXPECT_EQ(LoadStr(kStrChapterRow), u"Том: %i Глава: %i");
    EXPECT_TRUE(LoadStr(12).empty());
}

}  // namespace
