#include <gmock/gmock.h>

#include "tests/ui/window_harness.h"
#include "transfer/curl_session.h"
#include "model/text_codec.h"

namespace {

using ::testing::ElementsAre;

// Three chapters of volume 1 (20, 2 and 4 pages) and two covers, on a
// window whose list has been filled.
struct FilledList : zt::WindowHarness {
    FilledList()
    {
        Open();
        MangaInfo& m = window.Manga();
        m.Covers.resize(2);
        m.Covers[0].Url = "http://site/c/one.jpg";
        m.Covers[1].Url = "two.jpg";
        const int pages[] = {20, 2, 4};
        m.Chaps.resize(3);
        for (int i = 0; i < 3; ++i) {
            ChapterInfo& c = m.Chaps[static_cast<size_t>(i)];
            c.Vol = 1;
            c.Num = i + 1;
            for (int j = 0; j < pages[i]; ++j) {
                c.Pages.emplace_back();
                c.Pages.back().Url = "http://site/img/" + std::to_string(i) + "/p" + std::to_string(j) + ".png?t=1";
            }
        }
        m.Chaps[0].Name = u"Начало";
        m.Chaps[2].Pages[1].bLoaded = 1;
        m.Chaps[1].bSkip = 1;
        m.bSkipCovers = 1;
        window.OnNotification(UM_MANGALOADED, 0, 0);
    }
    std::vector<int32_t> Keys() const
    {
        std::vector<int32_t> keys;
        for (const zt::FakeRow& row : list.rows)
            keys.push_back(row.key);
        return keys;
    }
};

TEST(ChapterList, FillKeepsTheFlagsAndUpdatesFindTheirRows)
{
    FilledList f;
    EXPECT_THAT(f.list.Column(0), ElementsAre(u"Том: 1 Глава: 3", u"Том: 1 Глава: 2", u"Том: 1 Глава: 1", u"Коврики"));
    EXPECT_THAT(f.Keys(), ElementsAre(2, 1, 0, 3));
    EXPECT_THAT(f.list.Column(1), ElementsAre(u"", u"", u"Начало", u""));
    EXPECT_THAT(f.list.Column(2), ElementsAre(u"", u"", u"", u"0/2"));
    EXPECT_EQ(f.window.Manga().Chaps[1].bSkip.load(), 1);
    EXPECT_EQ(f.window.Manga().bSkipCovers.load(), 1);
    EXPECT_FALSE(f.list.rows[1].checked);
    EXPECT_TRUE(f.list.rows[0].checked);

    f.window.OnNotification(UM_UPDATELLW, 0, 5);
    f.window.OnNotification(UM_UPDATELLW, 3, 1);
    f.window.OnNotification(UM_PROGRESS, 1, 37);
    f.window.OnNotification(UM_PROGRESS, 2, -2048);
    f.window.OnNotification(UM_ERRORCODE, 0, -13);
    f.window.OnNotification(UM_ERRORCODE, 2, 7);
    f.window.OnNotification(UM_ERRORCODE, 1, -7);
    EXPECT_EQ(f.list.Cell(2, 2), u"5/20");
    EXPECT_EQ(f.list.Cell(3, 2), u"1/2");
    EXPECT_EQ(f.list.Cell(1, 3), u"37%");
    EXPECT_EQ(f.list.Cell(0, 3), u"2048Б");
    EXPECT_EQ(f.list.Cell(2, 4), u"обнаружена ошибка в коде HTML страницы");
    EXPECT_EQ(f.list.Cell(0, 4), Utf8ToUtf16(Curl_ErrorText(7)));
    EXPECT_NE(f.list.Cell(1, 4).find(u"-7"), std::u16string::npos);
    EXPECT_GE(f.list.ColumnWidth(4), 10);
    EXPECT_TRUE(f.view.boxes.empty());

    // Expanding the top row pushes the others down; lookups still find them.
    f.window.OnListDoubleClick(0);
    EXPECT_THAT(f.Keys(), ElementsAre(~2, 0, 1, 2, 3, 1, 0, 3));
    EXPECT_THAT(f.list.Column(0)[1], u"p0.png?t=1");
    // Page sub-rows share the keys 0-3: each notification still reaches
    // the top-level row (chapters 0, 1 and 2, the covers).
    for (int32_t key : {0, 1, 2, 3})
        f.window.OnNotification(UM_UPDATELLW, key, 1);
    EXPECT_THAT(f.list.Column(2), ElementsAre(u"1/4", u"", u"", u"", u"", u"1/2", u"1/20", u"1/2"));

    // Keys that match no row: the box, and nothing else happens.
    for (int32_t key : {4, -1, -4, 99})
        f.window.OnNotification(UM_PROGRESS, key, 1);
    ASSERT_EQ(f.view.boxes.size(), 4u);
    EXPECT_EQ(f.view.boxes[0].caption, u"Ошибка UM_UPDATELLW");
    EXPECT_EQ(f.view.boxes[0].text, u"Не удалось сопоставить структуру с таблицей!");
}

TEST(ChapterList, ChecksExpansionAndKeysWriteBackIntoTheRecord)
{
    FilledList f;
    MangaInfo& m = f.window.Manga();
    f.list.Click(1);
    f.list.Click(2);
    f.list.Click(3);
    EXPECT_EQ(m.Chaps[1].bSkip.load(), 0);
    EXPECT_EQ(m.Chaps[0].bSkip.load(), 1);
    EXPECT_EQ(m.bSkipCovers.load(), 0);

    // Chapter 2 (row 0): page 1 was on disk and shows unchecked.
    f.window.OnListDoubleClick(0);
    f.list.Click(0);  // the expanded chapter's own row still ticks it
    EXPECT_EQ(m.Chaps[2].bSkip.load(), 1);
    f.list.Click(0);
    EXPECT_EQ(m.Chaps[2].bSkip.load(), 0);
    EXPECT_FALSE(f.list.rows[2].checked);
    EXPECT_TRUE(f.list.rows[3].checked);
    f.list.Click(2);  // fetch page 1 again
    f.list.Click(3);  // treat page 2 as present
    EXPECT_EQ(m.Chaps[2].bSkip.load(), 0);  // sub-rows tick no chapter
    EXPECT_EQ(m.Chaps[2].Pages[1].bLoaded.load(), 1);  // written only on collapse
    f.window.OnListDoubleClick(0);
    EXPECT_EQ(m.Chaps[2].Pages[1].bLoaded.load(), 0);
    EXPECT_EQ(m.Chaps[2].Pages[2].bLoaded.load(), 1);
    EXPECT_THAT(f.Keys(), ElementsAre(2, 1, 0, 3));

    // Covers expand checked and collapse without reading their boxes.
    f.window.OnListDoubleClick(3);
    EXPECT_THAT(f.list.Column(0), ElementsAre(u"Том: 1 Глава: 3", u"Том: 1 Глава: 2", u"Том: 1 Глава: 1", u"Коврики",
                                              u"one.jpg", u"two.jpg"));
    f.window.OnListDoubleClick(4);  // a sub-row: nothing
    EXPECT_EQ(f.list.RowCount(), 6);
    f.window.OnListDoubleClick(3);
    EXPECT_EQ(f.list.RowCount(), 4);

    // A chapter without pages only changes its mark.
    m.Chaps[1].Pages.clear();
    f.window.OnListDoubleClick(1);
    EXPECT_THAT(f.Keys(), ElementsAre(2, ~1, 0, 3));
    f.window.OnListDoubleClick(1);
    EXPECT_THAT(f.Keys(), ElementsAre(2, 1, 0, 3));

    // Arrow keys act on the selection mark.
    f.list.selectionMark = 2;
    f.window.OnListKeyDown(ui::ListKey::Right);
    EXPECT_EQ(f.list.RowCount(), 24);
    f.list.selectionMark = 20;
    f.window.OnListKeyDown(ui::ListKey::Left);
    EXPECT_EQ(f.list.focusedRow, 2);
    f.window.OnListKeyDown(ui::ListKey::Right);
    EXPECT_EQ(f.list.RowCount(), 24);
    f.list.selectionMark = 2;
    f.window.OnListKeyDown(ui::ListKey::Left);
    EXPECT_EQ(f.list.RowCount(), 4);
    f.list.selectionMark = -1;
    f.window.OnListKeyDown(ui::ListKey::Right);
    EXPECT_EQ(f.list.RowCount(), 4);
}

TEST(ChapterList, ColumnsFromTheSettingsAndBackOnClose)
{
    zt::WindowHarness h;
    Settings_Update([](AppSettings& s) { s.ColWchCH = 120, s.ColWchNAM = 300, s.ColWchP = 60, s.ColWchL = 70; });
    h.list.failColumnAt = 3;
    h.Open();
    ASSERT_EQ(h.list.columns.size(), 3u);
    EXPECT_EQ(h.list.columns[1], std::make_pair(std::u16string(u"Название"), 300));

    zt::WindowHarness full;
    full.Open();
    EXPECT_EQ(full.list.columns[4], std::make_pair(std::u16string(), 5));
    full.list.SetColumnWidth(0, 11);
    full.list.SetColumnWidth(3, 44);
    full.window.OnClose();
    const AppSettings s = Settings_Get();
    EXPECT_EQ(std::vector<int32_t>({s.ColWchCH, s.ColWchNAM, s.ColWchP, s.ColWchL}),
              std::vector<int32_t>({11, 100, 100, 44}));
}

// The fake sizes a column to 6 pixels a character of its widest text, here
// "Том: 1 Глава: 12".
TEST(ChapterList, OnAFirstRunTheFirstFillFitsTheChapterColumn)
{
    const struct {
        const char* what;
        uint8_t saved;
        int32_t dragged;  // before the first fill; 0 for none
        int32_t width;
    } cases[] = {
        {"first run", 0, 0, 96},
        {"width saved in settings.cfg", 1, 0, 100},
        {"dragged before the first fill", 0, 70, 70},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        zt::WindowHarness h;
        Settings_Update([&c](AppSettings& s) { s.bColWchCHSaved = c.saved; });
        h.Open();
        if (c.dragged)
            h.list.SetColumnWidth(0, c.dragged);
        h.window.Manga().Chaps.resize(12);
        for (int i = 0; i < 12; ++i)
            h.window.Manga().Chaps[static_cast<size_t>(i)].Vol = 1, h.window.Manga().Chaps[static_cast<size_t>(i)].Num = i + 1;
        h.window.OnNotification(UM_MANGALOADED, 0, 0);
        EXPECT_EQ(h.list.ColumnWidth(0), c.width);
        // Only once: a later fill leaves whatever width the column has.
        h.list.SetColumnWidth(0, 100);
        h.window.List().Clear();
        h.window.OnNotification(UM_MANGALOADED, 0, 0);
        EXPECT_EQ(h.list.ColumnWidth(0), 100);
    }
}

}  // namespace
