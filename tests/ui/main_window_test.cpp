#include <gmock/gmock.h>

#include <filesystem>

#include "model/manga_db.h"
#include "model/text_codec.h"
#include "tests/support/temp_dir.h"
#include "tests/transfer/worker_fixture.h"
#include "tests/ui/window_harness.h"
#include "transfer/download_layout.h"
#include "transfer/name_rules.h"

namespace {

using ::testing::ElementsAre;
using zt::WindowHarness;
namespace fs = std::filesystem;

std::u16string Folder(const TempDir& dir, const std::string& name = "")
{
    return (dir.path() / name).u16string() + kPathSeparator;
}

// The whole road: scan, rows, untick, download, files exactly as served.
TEST(MainWindowRun, ScanThenDownloadWithTheButtonsOfEachState)
{
    TempDir dir;
    TestServer site;
    const auto served = ServeManga(site, 3, 2);
    WindowHarness h(Folder(dir));
    h.Open();
    EXPECT_EQ(h.view.Buttons(), "+--");
    EXPECT_EQ(h.view.ControlText(ui::kIdSavePath), Folder(dir));
    EXPECT_EQ(h.list.columns.size(), 5u);

    h.view.SetControlText(ui::kIdUrl, Utf8ToUtf16(site.Url("/m")));
    h.window.OnCommand(ui::kIdOk);
    EXPECT_EQ(h.view.Buttons(), "--+");
    ASSERT_TRUE(h.PumpUntil([&] { return h.Idle(); }));
    EXPECT_EQ(h.view.Buttons(), "++-");
    // The site lists the newest chapter first, so it is chapter 0 and the
    // last row above the covers.
    EXPECT_THAT(h.list.Column(0), ElementsAre(u"Том: 1 Глава: 1", u"Том: 1 Глава: 2", u"Том: 1 Глава: 3", u"Коврики"));
    EXPECT_THAT(h.list.Column(1), ElementsAre(u"Первая", u"", u"Кто там?", u""));
    EXPECT_THAT(h.list.Column(2), ElementsAre(u"0/2", u"0/2", u"0/2", u"0/1"));
    EXPECT_EQ(h.view.ControlText(ui::kIdSavePath), Folder(dir) + u"Manga");
    EXPECT_EQ(h.view.description.rfind("{\\rtf", 0), 0u);

    h.list.Click(1);  // chapter 2 stays out
    EXPECT_EQ(h.window.Manga().Chaps[1].bSkip.load(), 1);
    h.window.OnCommand(ui::kIdStart);
    EXPECT_EQ(h.view.Buttons(), "--+");
    ASSERT_TRUE(h.PumpUntil([&] { return h.Idle(); }));
    EXPECT_EQ(h.view.Buttons(), "++-");
    EXPECT_THAT(h.list.Column(2), ElementsAre(u"2/2", u"0/2", u"2/2", u"1/1"));
    const fs::path manga = dir.path() / "Manga";
    EXPECT_THAT(FilesBelow(manga), ElementsAre("book1/ch1-Первая/1.png", "book1/ch1-Первая/2.png",
                                               "book1/ch3-Кто там'/1.png", "book1/ch3-Кто там'/2.png",
                                               "covers/c1.png"));
    EXPECT_TRUE(ReadFileBytes(manga / PathFromUtf8("book1/ch1-Первая/2.png")) == served.at("/img/1/2.png"));
    EXPECT_TRUE(ReadFileBytes(manga / PathFromUtf8("book1/ch3-Кто там'/1.png")) == served.at("/img/3/1.png"));
    EXPECT_TRUE(ReadFileBytes(manga / "covers/c1.png") == served.at("/c/c1.png"));

    // A second scan empties the list before it fills it again.
    h.window.OnCommand(ui::kIdOk);
    EXPECT_EQ(h.list.RowCount(), 0);
    ASSERT_TRUE(h.PumpUntil([&] { return h.Idle(); }));
    EXPECT_EQ(h.list.RowCount(), 4);
}

TEST(MainWindowCommands, ThreadThatCannotStartIsReportedAndTheButtonsComeBack)
{
    WindowHarness h;
    h.Open();
    h.view.threadsFail = true;
    h.view.SetControlText(ui::kIdUrl, u"http://127.0.0.1:1/m");
    h.window.OnCommand(ui::kIdOk);
    ASSERT_EQ(h.view.boxes.size(), 1u);
    EXPECT_EQ(h.view.boxes[0].icon, ui::BoxIcon::Error);
    EXPECT_EQ(h.view.Buttons(), "++-");
}

// Rows of the button table that a whole run passes too quickly to see.
TEST(MainWindowCommands, ButtonsWhileAWorkerStillHoldsTheRecord)
{
    WindowHarness h;
    h.Open();
    h.view.EnableControl(ui::kIdOk, false);  // as OK leaves them
    h.view.EnableControl(ui::kIdCancel, true);
    ++h.window.Manga().BusyCnt;
    h.window.OnNotification(UM_MANGALOADED, 0, 0);  // scanning, manga shown
    EXPECT_EQ(h.view.Buttons(), "-++");
    h.window.OnNotification(UM_WORKERDONE, 1, 0);  // another worker is still busy
    EXPECT_EQ(h.view.Buttons(), "+++");
    --h.window.Manga().BusyCnt;
    h.window.OnNotification(UM_WORKERDONE, 0, 0);
    EXPECT_EQ(h.view.Buttons(), "++-");
}

TEST(MainWindowCommands, BrowseAsksForTheDefaultFolderOnlyWithoutAManga)
{
    WindowHarness h(u"/progs/");
    h.Open();
    h.view.folders = {std::nullopt, u"/picked", u"/other"};
    h.window.OnCommand(ui::kIdBrowse);  // cancelled
    EXPECT_EQ(h.view.ControlText(ui::kIdSavePath), u"/progs/");
    h.view.answers = {ui::BoxAnswer::Yes};
    h.window.OnCommand(ui::kIdBrowse);
    EXPECT_EQ(h.view.folderAskedAt.back(), u"/progs/");
    ASSERT_EQ(h.view.boxes.size(), 1u);
    EXPECT_EQ(h.view.boxes[0].caption, u"Вопрос");
    EXPECT_EQ(h.view.boxes[0].buttons, ui::BoxButtons::YesNo);
    EXPECT_EQ(Settings_Get().DefSavePath, u"/picked");

    h.window.Manga().Url = "http://site/m";
    h.window.OnCommand(ui::kIdBrowse);
    EXPECT_EQ(h.view.ControlText(ui::kIdSavePath), u"/other");
    EXPECT_EQ(h.view.boxes.size(), 1u);
    EXPECT_EQ(Settings_Get().DefSavePath, u"/picked");
}

TEST(MainWindowCommands, SavePathOfALoadedMangaFromTheDefaultFolder)
{
    const std::u16string sep(1, kPathSeparator);
    const std::u16string root = sep + u"m";
    for (const std::u16string& def : {root + sep, root}) {
        WindowHarness h(def);
        h.Open();
        h.window.Manga().Name = u"При?мер:";
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

void FillSample(MangaInfo& manga)
{
    manga.Url = "http://site/m";
    manga.Name = u"Пример";
    manga.Covers.resize(2);
    manga.Covers[0].Url = "/c/a.jpg";
    manga.Covers[1].Url = "/c/b.jpg";
    manga.bSkipCovers = 1;
    manga.Chaps.resize(3);
    for (int i = 0; i < 3; ++i) {
        ChapterInfo& c = manga.Chaps[static_cast<size_t>(i)];
        c.Vol = 1;
        c.Num = i + 1;
        c.Pages.resize(static_cast<size_t>(i + 1));
        for (auto& page : c.Pages)
            page.Url = "http://site/p.png";
    }
    manga.Chaps[1].bSkip = 1;
    manga.Chaps[2].Url = "http://site/m/vol1/3";  // not scanned yet
    manga.Chaps[2].Pages.clear();
}

TEST(MainWindowCommands, SaveAndLoadTheDatabaseWithTheBoxesOfEachFailure)
{
    TempDir dir;
    WindowHarness h(Folder(dir));
    h.Open();
    FillSample(h.window.Manga());
    const std::u16string folder = (dir.path() / u"Пример").u16string();
    h.view.SetControlText(ui::kIdSavePath, folder);

    h.window.OnCommand(ui::kCmdSaveDb);  // the folder does not exist yet
    ASSERT_EQ(h.view.boxes.size(), 1u);
    EXPECT_EQ(h.view.boxes[0].icon, ui::BoxIcon::Error);
    EXPECT_FALSE(fs::exists(dir.path() / u"Пример"));

    fs::create_directories(dir.path() / u"Пример");
    h.window.OnCommand(ui::kCmdSaveDb);
    EXPECT_EQ(h.view.boxes.size(), 1u);
    const fs::path file = dir.path() / u"Пример" / u"Пример.zdb";
    ASSERT_TRUE(fs::exists(file));

    // A name that is no single component still lands in the box's folder.
    h.window.Manga().Name = u"../../x";
    h.window.OnCommand(ui::kCmdSaveDb);
    EXPECT_TRUE(fs::exists(dir.path() / u"Пример" / u".._.._x.zdb"));
    h.window.Manga().Name = u"Пример";

    // START's thread has begun but its worker has not yet taken the record.
    h.view.holdThreads = true;
    h.window.OnCommand(ui::kIdStart);
    h.window.OnCommand(ui::kCmdSaveDb);
    h.window.OnCommand(ui::kCmdLoadDb);
    bKeepRunning = 0;
    std::thread(std::move(h.view.held.at(0))).join();
    bKeepRunning = 1;
    ASSERT_EQ(h.view.boxes.size(), 3u);
    EXPECT_EQ(h.view.boxes[1].caption, u"Уведомление");
    EXPECT_EQ(h.view.boxes[2].caption, u"Уведомление");
    EXPECT_TRUE(h.view.fileAskedAt.empty());
    EXPECT_EQ(h.window.Manga().ChapCnt(), 3);

    WindowHarness fresh(Folder(dir));
    fresh.Open();
    fresh.view.files = {std::nullopt, file.u16string()};
    fresh.window.OnCommand(ui::kCmdLoadDb);  // cancelled: nothing changes
    EXPECT_TRUE(fresh.list.rows.empty());
    fresh.window.OnCommand(ui::kCmdLoadDb);
    EXPECT_EQ(fresh.view.fileAskedAt[0], Folder(dir));
    EXPECT_TRUE(fresh.view.boxes.empty());
    EXPECT_THAT(fresh.list.Column(2), ElementsAre(u"", u"0/2", u"0/1", u"0/2"));
    std::vector<bool> checks;
    for (const zt::FakeRow& row : fresh.list.rows)
        checks.push_back(row.checked);
    EXPECT_THAT(checks, ElementsAre(true, false, true, false));
    EXPECT_EQ(fresh.window.Manga().Chaps[1].bSkip.load(), 1);
    EXPECT_EQ(fresh.view.Buttons(), "++-");

    // A damaged file: the problem is named, then what was read is shown.
    std::string bytes = ReadFileBytes(file);
    WriteFileBytes(dir / "cut.zdb", bytes.substr(0, bytes.size() - 10));
    WriteFileBytes(dir / "foreign.zdb", "not a database");
    fresh.view.files = {(dir / "cut.zdb").u16string(), (dir / "foreign.zdb").u16string(),
                        (dir / "missing.zdb").u16string()};
    for (int i = 0; i < 3; ++i)
        fresh.window.OnCommand(ui::kCmdLoadDb);
    ASSERT_EQ(fresh.view.boxes.size(), 3u);
    for (const zt::AskedBox& box : fresh.view.boxes) {
        EXPECT_EQ(box.caption, u"Предупреждение");
        EXPECT_EQ(box.icon, ui::BoxIcon::Warning);
    }
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
        Settings_Update([&c](AppSettings& s) {
            s.WindowX = c.x, s.WindowY = c.y, s.WindowW = c.w, s.WindowH = c.h;
        });
        const ui::Rect templ = h.view.window;
        const ui::Rect listBefore = *h.view.ControlRect(ui::kIdChapterList);
        h.Open();
        const ui::Rect expected = c.restored ? ui::Rect{c.x, c.y, c.x + c.w, c.y + c.h} : templ;
        EXPECT_EQ(h.view.window, expected) << c.x;
        EXPECT_EQ(h.view.ControlRect(ui::kIdChapterList)->Width(),
                  listBefore.Width() + expected.Width() - templ.Width());
    }

    WindowHarness h;
    h.Open();
    auto snapshot = [&h] {
        std::map<int, ui::Rect> rects;
        for (const auto& [id, control] : h.view.controls)
            rects[id] = control.rect;
        return rects;
    };
    // How each control follows the frame is the windows' own tests' matter.
    ui::Rect frame = h.view.window;
    frame.right += 100;
    frame.bottom += 50;
    h.window.OnSizing(frame);
    const auto after = snapshot();
    EXPECT_EQ(Settings_Get().WindowW, frame.Width());

    // Dragged far too small, nothing goes below zero; back to its size,
    // every control is where it was.
    h.window.OnSizing(ui::Rect{0, 0, 10, 10});
    for (const auto& [id, rect] : snapshot())
        EXPECT_TRUE(rect.Width() >= 0 && rect.Height() >= 0) << id;
    h.window.OnSizing(frame);
    EXPECT_EQ(snapshot(), after);
}

}  // namespace
