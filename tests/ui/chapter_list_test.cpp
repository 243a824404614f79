#include <gmock/gmock.h>

#include "model/text_codec.h"
#include "tests/ui/window_harness.h"
#include "transfer/curl_session.h"

namespace {

using ::testing::ElementsAre;

// Three chapters of volume 1 (20, 2 and 4 pages) and two covers, on a
// window whose list has been filled.
struct FilledList : zt::WindowHarness {
    FilledList()
    {
        Open();
        MangaInfo& m = window.Manga();
        m.Covers = {{"http://site/c/one.jpg", 22}, {"two.jpg", 8}};
        const int pages[] = {20, 2, 4};
        m.Chaps.resize(3);
        for (int i = 0; i < 3; ++i) {
            ChapterInfo& c = m.Chaps[static_cast<size_t>(i)];
            c.Vol = 1;
            c.Num = i + 1;
            for (int j = 0; j < pages[i]; ++j)
                c.Pages.push_back({"http://site/img/" + std::to_string(i) + "/p" + std::to_string(j) + ".png?t=1", 0, 0});
        }
        m.Chaps[0].Name = u"Начало";
        m.Chaps[2].Pages[1].bLoaded = 1;
        m.Chaps[1].bSkip = 1;
        m.bSkipCovers = 1;
        window.OnNotification(UM_MANGALOADED, 0, 0);
    }
};

TEST(ChapterList, FillKeepsTheFlagsAndUpdatesFindTheirRows)
{
    FilledList f;
    EXPECT_THAT(f.list.Column(0), ElementsAre(u"Том: 1 Глава: 3", u"Том: 1 Глава: 2", u"Том: 1 Глава: 1", u"Коврики"));
    EXPECT_THAT(f.list.Keys(), ElementsAre(2, 1, 0, 3));
    EXPECT_THAT(f.list.Column(1), ElementsAre(u"", u"", u"Начало", u""));
    EXPECT_THAT(f.list.Column(2), ElementsAre(u"", u"", u"", u"0/2"));
    EXPECT_EQ(f.list.columns[4], std::make_pair(std::u16string(), 5));  // widened by its first error
    EXPECT_EQ(f.window.Manga().Chaps[1].bSkip.load(), 1);
    EXPECT_EQ(f.window.Manga().bSkipCovers.load(), 1);
    EXPECT_FALSE(f.list.rows[1].checked);
    EXPECT_TRUE(f.list.rows[0].checked);

    const struct {
        uint32_t message;
        int32_t key, value, row, column;
        std::u16string text;
    } updates[] = {
        {UM_UPDATELLW, 0, 5, 2, 2, u"5/20"},
        {UM_UPDATELLW, 3, 1, 3, 2, u"1/2"},
        {UM_PROGRESS, 1, 37, 1, 3, u"37%"},
        {UM_PROGRESS, 2, -2048, 0, 3, u"2048Б"},
        {UM_ERRORCODE, 0, -13, 2, 4, u"обнаружена ошибка в коде HTML страницы"},
        {UM_ERRORCODE, 2, 7, 0, 4, Utf8ToUtf16(Curl_ErrorText(7))},
    };
    for (const auto& u : updates) {
        f.window.OnNotification(u.message, u.key, u.value);
        EXPECT_EQ(f.list.Cell(u.row, u.column), u.text);
    }
    f.window.OnNotification(UM_ERRORCODE, 1, -7);
    EXPECT_NE(f.list.Cell(1, 4).find(u"-7"), std::u16string::npos);
    EXPECT_GE(f.list.ColumnWidth(4), 10);
    EXPECT_TRUE(f.view.boxes.empty());

    // Expanding the top row pushes the others down; page sub-rows share the
    // keys 0-3, and each notification still reaches its top-level row.
    f.window.OnListDoubleClick(0);
    EXPECT_THAT(f.list.Keys(), ElementsAre(~2, 0, 1, 2, 3, 1, 0, 3));
    EXPECT_THAT(f.list.Column(0)[1], u"p0.png?t=1");
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
    for (int32_t row : {1, 2, 3})
        f.list.Click(row);
    EXPECT_EQ(m.Chaps[1].bSkip.load(), 0);
    EXPECT_EQ(m.Chaps[0].bSkip.load(), 1);
    EXPECT_EQ(m.bSkipCovers.load(), 0);

    // Chapter 2 (row 0): page 1 was on disk and shows unchecked.
    f.window.OnListDoubleClick(0);
    f.list.Click(0);  // the expanded chapter's own row still ticks it
    EXPECT_EQ(m.Chaps[2].bSkip.load(), 1);
    f.list.Click(0);
    EXPECT_FALSE(f.list.rows[2].checked);
    EXPECT_TRUE(f.list.rows[3].checked);
    f.list.Click(2);  // fetch page 1 again
    f.list.Click(3);  // treat page 2 as present
    EXPECT_EQ(m.Chaps[2].bSkip.load(), 0);  // sub-rows tick no chapter
    EXPECT_EQ(m.Chaps[2].Pages[1].bLoaded.load(), 1);  // written only on collapse
    f.window.OnListDoubleClick(0);
    EXPECT_EQ(m.Chaps[2].Pages[1].bLoaded.load(), 0);
    EXPECT_EQ(m.Chaps[2].Pages[2].bLoaded.load(), 1);
    EXPECT_THAT(f.list.Keys(), ElementsAre(2, 1, 0, 3));

    // Covers expand checked and collapse without reading their boxes; a
    // sub-row does not expand.
    f.window.OnListDoubleClick(3);
    EXPECT_THAT(f.list.Column(0), ElementsAre(u"Том: 1 Глава: 3", u"Том: 1 Глава: 2", u"Том: 1 Глава: 1", u"Коврики",
                                              u"one.jpg", u"two.jpg"));
    f.window.OnListDoubleClick(4);
    EXPECT_EQ(f.list.RowCount(), 6);
    f.window.OnListDoubleClick(3);
    EXPECT_EQ(f.list.RowCount(), 4);

    // Arrow keys act on the selection mark: Left on a sub-row focuses its
    // chapter, Right on an expanded row and either with no mark do nothing.
    const struct {
        int32_t mark;
        ui::ListKey key;
        int32_t rows, focused;
    } keys[] = {{2, ui::ListKey::Right, 24, -1}, {20, ui::ListKey::Left, 24, 2}, {2, ui::ListKey::Right, 24, 2},
                {2, ui::ListKey::Left, 4, 2},    {-1, ui::ListKey::Right, 4, 2}};
    for (const auto& k : keys) {
        f.list.selectionMark = k.mark;
        f.window.OnListKeyDown(k.key);
        EXPECT_EQ(f.list.RowCount(), k.rows) << k.mark;
        EXPECT_EQ(f.list.focusedRow, k.focused) << k.mark;
    }
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
