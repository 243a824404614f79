#include "cli/progress_view.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

using std::chrono::seconds;

// Row 0 is a chapter of 3 pages; row 1 is the covers row.
ProgressRows TwoRows()
{
    ProgressRows rows;
    rows.label = [](int32_t row) { return std::string(row == 0 ? "том 1, глава 1" : "обложки"); };
    rows.total = [](int32_t row) { return row == 0 ? 3 : 2; };
    rows.itemBytes = [](int32_t, int32_t) -> uint64_t { return 2048; };
    rows.itemName = [](int32_t row) { return std::string(row == 0 ? "стр." : "обложка"); };
    return rows;
}

TEST(ProgressView, PlainOutputHasOneLinePerRowAndErrorsInRussian)
{
    std::ostringstream out;
    ProgressView view(out, false, TwoRows());
    const auto t0 = ProgressView::Clock::now();
    view.OnUpdate(1, 1, t0);  // a cover found on disk: no bytes counted
    view.OnProgress(1, 50, t0);
    view.OnUpdate(1, 2, t0 + seconds(1));
    view.OnProgress(0, -300, t0 + seconds(1));
    view.OnUpdate(0, 1, t0 + seconds(1));
    view.OnError(0, 0);  // the debug switch reports successes too: no error
    view.OnProgress(0, 10, t0 + seconds(2));
    view.OnError(0, -14);
    view.Finish(t0 + seconds(3));

    EXPECT_EQ(out.str(),
              "обложки: 2/2  2.0 КиБ, 2.0 КиБ/с\n"
              "том 1, глава 1: стр. 2: обнаружена ошибка в коде JS скрипта (-14)\n"
              "том 1, глава 1: 1/3  2.0 КиБ\n");
    EXPECT_EQ(view.Errors(), 1);
    EXPECT_EQ(view.BytesTransferred(), 4096u);
}

// The live block: every row in flight, then the overall line; a finished row
// stands above it.
TEST(ProgressView, TerminalShowsEveryRowInFlightAndTheOverallLine)
{
    std::ostringstream out;
    ProgressRows rows = TwoRows();
    rows.itemsTotal = 5;
    ProgressView view(out, true, rows);
    const auto t0 = ProgressView::Clock::now();
    view.OnProgress(0, 42, t0 + seconds(1));
    EXPECT_EQ(out.str(), "том 1, глава 1: 0/3  42%\nвсего: 0/5 картинок, 0 Б");
    out.str("");
    view.OnProgress(1, -5000, t0 + seconds(2));  // parallel: both rows in flight
    view.OnUpdate(0, 1, t0 + seconds(3));
    EXPECT_EQ(out.str(), "\r\033[1A\033[Jтом 1, глава 1: 0/3  42%\nобложки: 0/2  4.9 КиБ\n"
                         "всего: 0/5 картинок, 0 Б"
                         "\r\033[2A\033[Jтом 1, глава 1: 1/3  2.0 КиБ, 1.0 КиБ/с\nобложки: 0/2  4.9 КиБ\n"
                         "всего: 1/5 картинок, 2.0 КиБ, 1.0 КиБ/с, осталось 0:08");
    out.str("");
    view.OnUpdate(1, 2, t0 + seconds(4));  // the covers are done: their line stands
    EXPECT_EQ(out.str(), "\r\033[2A\033[Jобложки: 2/2  2.0 КиБ, 1.0 КиБ/с\n"
                         "том 1, глава 1: 1/3  2.0 КиБ, 1.0 КиБ/с\nвсего: 3/5 картинок, 4.0 КиБ, 1.3 КиБ/с, осталось 0:03");
    out.str("");
    view.Finish(t0 + seconds(5));
    EXPECT_EQ(out.str(), "\r\033[1A\033[Jтом 1, глава 1: 1/3  2.0 КиБ, 1.0 КиБ/с\n");

    EXPECT_EQ(ProgressView::FormatBytes(1023), "1023 Б");
    EXPECT_EQ(ProgressView::FormatBytes(3u << 20), "3.0 МиБ");
    EXPECT_EQ(ProgressView::FormatDuration(3725.4), "1:02:05");
}

}  // namespace
