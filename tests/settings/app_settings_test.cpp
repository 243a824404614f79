#include "settings/app_settings.h"

#include <atomic>
#include <thread>

#include <gtest/gtest.h>

namespace {

TEST(AppSettingsDefaults, ProgramFolderEndsWithASeparator)
{
    EXPECT_EQ(AppSettings_Defaults(u"/opt/zumr").DefSavePath, u"/opt/zumr/");
    EXPECT_EQ(AppSettings_Defaults(u"/opt/zumr/").DefSavePath, u"/opt/zumr/");
    EXPECT_EQ(AppSettings_Defaults(u"").DefSavePath, u"");

    const AppSettings s = AppSettings_Defaults(u"/opt/zumr/");
    EXPECT_EQ(s.BookDirName, u"book");
    EXPECT_EQ(s.ChapDirName, u"ch");
    EXPECT_EQ(s.CoversDirName, u"covers");
    EXPECT_EQ(s.bAppendChapName, 1);
    EXPECT_EQ(s.bAddCntToPages, 0);
    EXPECT_EQ(s.bRevScan, 0);
    EXPECT_FALSE(s.UserAgent.has_value());
    EXPECT_EQ(s.SaveBuf, 0);
    EXPECT_EQ(s.ColWchCH, 100);
    EXPECT_EQ(s.ColWchL, 100);
}

TEST(AppSettingsDefaults, WindowGeometryFallsBackToTheTemplate)
{
    // The window takes saved geometry only when its right and bottom edges lie
    // strictly inside the screen; the default must fail that for any real
    // screen without overflowing when a saved position is added.
    const AppSettings s = AppSettings_Defaults(u"");
    const int64_t largestScreen = 32767;
    EXPECT_GE(int64_t{s.WindowX} + s.WindowW, largestScreen);
    EXPECT_GE(int64_t{s.WindowY} + s.WindowH, largestScreen);
    EXPECT_LE(int64_t{s.WindowW} + INT32_MAX / 2, INT32_MAX);
}

TEST(SettingsStore, ReadersSeeWholeUpdates)
{
    Settings_Set(AppSettings_Defaults(u""));
    std::atomic<bool> stop{false};
    std::atomic<int> torn{0};
    std::thread reader([&] {
        while (!stop.load()) {
            const AppSettings s = Settings_Get();
            if (s.ColWchCH != s.ColWchNAM || s.BookDirName.size() != static_cast<size_t>(s.ColWchCH % 20))
                ++torn;
        }
    });
    for (int i = 0; i < 2000; ++i) {
        Settings_Update([i](AppSettings& s) {
            s.ColWchCH = i;
            s.BookDirName.assign(static_cast<size_t>(i % 20), u'b');
            s.ColWchNAM = i;
        });
    }
    stop = true;
    reader.join();
    EXPECT_EQ(torn.load(), 0);
    EXPECT_EQ(Settings_Get().ColWchNAM, 1999);
    Settings_Set(AppSettings_Defaults(u""));
}

} // namespace
