#include <gmock/gmock.h>

#include <filesystem>

#include "model/manga_db.h"
#include "model/text_codec.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/window_harness.h"
#include "transfer/download_layout.h"
#include "transfer/name_rules.h"

namespace {

using ::testing::ElementsAre;
using zt::WindowHarness;
namespace fs = std::filesystem;

std::u16string Folder(const TempDir& dir)
{
    return dir.path().u16string() + kPathSeparator;
}

// Rows of the button table that a whole run passes too quickly to see; the
// runs themselves are the Qt and Win32 windows' end-to-end tests.
TEST(MainWindowCommands, ButtonsWhileAWorkerStillHoldsTheRecord)
{
    WindowHarness h;
    h.Open();
    h.view.EnableControl(ui::kIdOk, false);  // as OK leaves them
    h.view.EnableControl(ui::kIdCancel, true);
    ++h.window.Manga().BusyCnt;
    h.window.OnNotification(UM_MANGALOADED, 0, 0);  // scanning, manga shown
    EXPECT_EQ(h.view.Buttons(), "-++");
    h.window.OnNotification(app::kWorkerThreadEnded, 0, 0);  // a worker's thread ends after its last word
    EXPECT_EQ(h.view.Buttons(), "-++");
    h.window.OnNotification(UM_WORKERDONE, 1, 0);  // another worker is still busy
    EXPECT_EQ(h.view.Buttons(), "+++");
    --h.window.Manga().BusyCnt;
    h.window.OnNotification(UM_WORKERDONE, 0, 0);
    EXPECT_EQ(h.view.Buttons(), "++-");

    // OK empties the list first; a thread that cannot start is reported and
    // gives the buttons back.
    h.view.threadsFail = true;
    ASSERT_EQ(h.list.RowCount(), 1);
    h.view.SetControlText(ui::kIdUrl, u"http://127.0.0.1:1/m");
    h.window.OnCommand(ui::kIdOk);
    EXPECT_EQ(h.list.RowCount(), 0);
    ASSERT_EQ(h.view.boxes.size(), 1u);
    EXPECT_EQ(h.view.boxes[0].icon, ui::BoxIcon::Error);
    EXPECT_EQ(h.view.Buttons(), "++-");
}

TEST(MainWindowCommands, SavePathOfALoadedMangaFromTheDefaultFolder)
{
    const std::u16string sep(1, kPathSeparator);
    const std::u16string root = sep + u"m";
    for (const std::u16string& def : {root + sep, root}) {
        WindowHarness h(def);
        h.Open();
        h.window.Manga().Name = u"При?мер:";
        h.window.OnCommand(ui::kIdBrowse);  // cancelled: nothing changes
        EXPECT_EQ(h.view.ControlText(ui::kIdSavePath), Settings_Get().DefSavePath);
        h.window.OnNotification(UM_MANGALOADED, 0, 0);
        EXPECT_EQ(h.view.ControlText(ui::kIdSavePath), root + sep + u"При_мер_");
        EXPECT_EQ(CurSavePath_Get(), h.view.ControlText(ui::kIdSavePath));
        EXPECT_EQ(h.view.description, "");
        // START during a scan only takes the folder.
        ++h.window.Manga().BusyCnt;
        h.view.SetControlText(ui::kIdSavePath, u"/elsewhere");
        h.window.OnCommand(ui::kIdStart);
        EXPECT_EQ(CurSavePath_Get(), u"/elsewhere");
        EXPECT_EQ(h.view.Buttons(), "++-");
        --h.window.Manga().BusyCnt;
    }
}

TEST(MainWindowCommands, SaveAndLoadTheDatabaseWithTheBoxesOfEachFailure)
{
    TempDir dir;
    WindowHarness h(Folder(dir));
    h.Open();
    MangaInfo& manga = h.window.Manga();
    manga.Url = "http://site/m";
    manga.Name = u"Пример";
    manga.Covers.resize(2);
    manga.bSkipCovers = 1;
    manga.Chaps.resize(3);
    for (int i = 0; i < 3; ++i) {
        manga.Chaps[static_cast<size_t>(i)].Num = i + 1;
        manga.Chaps[static_cast<size_t>(i)].Pages.resize(static_cast<size_t>(i + 1), PageInfo{"http://site/p.png", 18, 0});
    }
    manga.Chaps[1].bSkip = 1;
    manga.Chaps[2].Url = "http://site/m/vol1/3";  // not scanned yet
    manga.Chaps[2].Pages.clear();
    const fs::path folder = dir.path() / u"Пример";
    h.view.SetControlText(ui::kIdSavePath, folder.u16string());

    h.window.OnCommand(ui::kCmdSaveDb);  // the folder does not exist yet
    ASSERT_EQ(h.view.boxes.size(), 1u);
    EXPECT_EQ(h.view.boxes[0].icon, ui::BoxIcon::Error);
    EXPECT_FALSE(fs::exists(folder));
    fs::create_directories(folder);
    h.window.OnCommand(ui::kCmdSaveDb);
    EXPECT_EQ(h.view.boxes.size(), 1u);
    const fs::path file = folder / u"Пример.zdb";
    ASSERT_TRUE(fs::exists(file));

    // START's thread has begun but its worker has not yet taken the record.
    h.view.holdThreads = true;
    h.window.OnCommand(ui::kIdStart);
    h.window.OnCommand(ui::kCmdSaveDb);
    h.window.OnCommand(ui::kCmdLoadDb);
    bKeepRunning = 0;
    std::thread(std::move(h.view.held.at(0))).join();
    bKeepRunning = 1;
    ASSERT_EQ(h.view.boxes.size(), 3u);
    EXPECT_EQ(h.view.boxes[2].caption, u"Уведомление");
    EXPECT_TRUE(h.view.fileAskedAt.empty());

    WindowHarness fresh(Folder(dir));
    fresh.Open();
    std::string bytes = ReadFileBytes(file);
    WriteFileBytes(dir / "cut.zdb", bytes.substr(0, bytes.size() - 10));
    WriteFileBytes(dir / "foreign.zdb", "not a database");
    fresh.view.files = {std::nullopt, file.u16string(), (dir / "cut.zdb").u16string(),
                        (dir / "foreign.zdb").u16string(), (dir / "missing.zdb").u16string()};
    fresh.window.OnCommand(ui::kCmdLoadDb);  // cancelled: nothing changes
    EXPECT_TRUE(fresh.list.rows.empty());
    fresh.window.OnCommand(ui::kCmdLoadDb);
    EXPECT_EQ(fresh.view.fileAskedAt[0], Folder(dir));
    EXPECT_TRUE(fresh.view.boxes.empty());
    // Only the chapters whose page list was read show a count.
    EXPECT_THAT(fresh.list.Column(2), ElementsAre(u"", u"0/2", u"0/1", u"0/2"));
    EXPECT_FALSE(fresh.list.rows[1].checked);

    // A damaged file: the problem is named, then what was read is shown.
    for (int i = 0; i < 3; ++i)
        fresh.window.OnCommand(ui::kCmdLoadDb);
    ASSERT_EQ(fresh.view.boxes.size(), 3u);
    for (const zt::AskedBox& box : fresh.view.boxes)
        EXPECT_EQ(box.icon, ui::BoxIcon::Warning);
    EXPECT_NE(fresh.view.boxes[0].text.find(u"повреждён"), std::u16string::npos);
    EXPECT_NE(fresh.view.boxes[1].text.find(u"не является"), std::u16string::npos);
    EXPECT_NE(fresh.view.boxes[2].text.find(u"ошибка 2"), std::u16string::npos);
    EXPECT_THAT(fresh.list.Column(0), ElementsAre(u"Коврики"));
}

// Geometry restore: the saved window is taken only when it lies inside the
// screen; the layout always starts from the template's size.
TEST(MainWindowGeometry, RestoreAndSizingRule)
{
    struct Case {
        int32_t x, y, w, h;
        bool restored;
    };
    const Case cases[] = {{100, 50, 800, 600, true},  {1120, 50, 800, 600, false}, {-32000, -32000, 160, 28, false},
                          {10, 10, 0, 600, false},     {0, 0, 1919, 1079, true},    {2147483000, 0, 1000, 10, false}};
    for (const Case& c : cases) {
        WindowHarness h;
        Settings_Update([&c](AppSettings& s) { s.WindowX = c.x, s.WindowY = c.y, s.WindowW = c.w, s.WindowH = c.h; });
        const ui::Rect templ = h.view.window;
        const ui::Rect listBefore = *h.view.ControlRect(ui::kIdChapterList);
        h.Open();
        const ui::Rect expected = c.restored ? ui::Rect{c.x, c.y, c.x + c.w, c.y + c.h} : templ;
        EXPECT_EQ(h.view.window, expected) << c.x;
        EXPECT_EQ(h.view.ControlRect(ui::kIdChapterList)->Width(),
                  listBefore.Width() + expected.Width() - templ.Width());
    }

    // How each control follows the frame is the windows' own tests' matter.
    // Dragged far too small, nothing goes below zero; back to its size,
    // every control is where it was.
    WindowHarness h;
    h.Open();
    ui::Rect frame = h.view.window;
    frame.right += 100;
    frame.bottom += 50;
    h.window.OnSizing(frame);
    const auto after = h.view.controls;
    EXPECT_EQ(Settings_Get().WindowW, frame.Width());
    h.window.OnSizing(ui::Rect{0, 0, 10, 10});
    for (const auto& [id, control] : h.view.controls)
        EXPECT_TRUE(control.rect.Width() >= 0 && control.rect.Height() >= 0) << id;
    h.window.OnSizing(frame);
    for (const auto& [id, control] : h.view.controls)
        EXPECT_EQ(control.rect, after.at(id).rect) << id;
}

}  // namespace
