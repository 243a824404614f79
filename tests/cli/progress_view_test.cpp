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

TEST(ProgressView, TerminalRewritesOneLiveLineAndShowsPercentOrBytes)
{
    std::ostringstream out;
    ProgressView view(out, true, TwoRows());
    const auto t0 = ProgressView::Clock::now();
    view.OnProgress(0, 42, t0 + seconds(1));
    EXPECT_EQ(out.str(), "\r\033[Kтом 1, глава 1: 0/3  42%");
    view.OnUpdate(0, 1, t0 + seconds(2));
    view.OnProgress(0, -5000, t0 + seconds(3));
    EXPECT_NE(out.str().find("\r\033[Kтом 1, глава 1: 1/3  4.9 КиБ  2.0 КиБ"), std::string::npos) << out.str();
    // Moving to another row leaves the first row's line standing.
    view.OnUpdate(1, 1, t0 + seconds(4));
    EXPECT_NE(out.str().find("\r\033[Kтом 1, глава 1: 1/3  2.0 КиБ, 2.0 КиБ/с\n"), std::string::npos) << out.str();

    EXPECT_EQ(ProgressView::FormatBytes(1023), "1023 Б");
    EXPECT_EQ(ProgressView::FormatBytes(3u << 20), "3.0 МиБ");
}

}  // namespace
