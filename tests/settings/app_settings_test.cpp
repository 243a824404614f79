#include "settings/app_settings.h"

#include <atomic>
#include <cstdint>
#include <thread>

#include <gtest/gtest.h>

namespace {

TEST(AppSettingsDefaults, FolderEndsWithASeparatorAndWindowUsesItsTemplate)
{
#ifdef _WIN32
    EXPECT_EQ(AppSettings_Defaults(u"C:\\Программы\\zumr").DefSavePath, u"C:\\Программы\\zumr\\");
    EXPECT_EQ(AppSettings_Defaults(u"C:\\Программы\\zumr\\").DefSavePath, u"C:\\Программы\\zumr\\");
#else
    EXPECT_EQ(AppSettings_Defaults(u"/opt/zumr").DefSavePath, u"/opt/zumr/");
    EXPECT_EQ(AppSettings_Defaults(u"/opt/zumr/").DefSavePath, u"/opt/zumr/");
#endif
    EXPECT_EQ(AppSettings_Defaults(u"").DefSavePath, u"");
    // Saved geometry is used only when its right and bottom edges lie inside
    // the screen: the default must fail that on any screen without overflowing.
    const AppSettings s = AppSettings_Defaults(u"");
    EXPECT_GT(int64_t{s.WindowX} + s.WindowW, 32767);
    EXPECT_GT(int64_t{s.WindowY} + s.WindowH, 32767);
    EXPECT_LE(int64_t{s.WindowW} + INT32_MAX / 2, INT32_MAX);
}

TEST(SettingsStore, ReadersSeeWholeUpdates)
{
    const auto state = [](int i) {
        return [i](AppSettings& s) {
            s.ColWchCH = i;
            s.BookDirName.assign(static_cast<size_t>(i % 20), u'b');
            s.ColWchNAM = i;
        };
    };
    Settings_Update(state(0));
    std::atomic<bool> stop{false};
    std::atomic<int> torn{0};
    std::thread reader([&] {
        while (!stop.load()) {
            const AppSettings s = Settings_Get();
            torn += s.ColWchCH != s.ColWchNAM || s.BookDirName.size() != static_cast<size_t>(s.ColWchCH % 20);
        }
    });
    for (int i = 1; i < 2000; ++i)
        Settings_Update(state(i));
    stop = true;
    reader.join();
    EXPECT_EQ(torn.load(), 0);
}

}  // namespace
