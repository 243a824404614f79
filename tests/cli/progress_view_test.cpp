#include "cli/progress_view.h"

#include <gtest/gtest.h>

#include <sstream>

#include "transfer/notifications.h"

namespace {

using Clock = ProgressView::Clock;

ProgressRows TwoRows()
{
    // Row 0 is a chapter of 3 pages; row 1 (= ChapCnt) is the covers row.
    ProgressRows rows;
    rows.label = [](int32_t row) { return row == 0 ? std::string("том 1, глава 1") : std::string("обложки"); };
    rows.total = [](int32_t row) { return row == 0 ? 3 : 2; };
    rows.itemBytes = [](int32_t, int32_t) -> uint64_t { return 2048; };
    rows.itemName = [](int32_t row) { return std::string(row == 0 ? "стр." : "обложка"); };
    return rows;
}

TEST(ProgressView, PlainOutputHasOneLinePerRowAndErrorsInRussian)
{
    std::ostringstream out;
    ProgressView view(out, false, TwoRows());
    const Clock::time_point t0 = Clock::now();
    view.OnUpdate(1, 1, t0);  // a cover found on disk: no bytes counted
    view.OnProgress(1, 50, t0);
    view.OnProgress(1, 100, t0 + std::chrono::milliseconds(500));
    view.OnUpdate(1, 2, t0 + std::chrono::seconds(1));
    view.OnProgress(0, -300, t0 + std::chrono::seconds(1));
    view.OnError(0, 22);
    view.OnUpdate(0, 1, t0 + std::chrono::seconds(1));
    view.OnError(0, 0);  // a success report of the debug switch is no error
    view.OnProgress(0, 10, t0 + std::chrono::seconds(2));
    view.OnError(0, -14);
    view.Finish(t0 + std::chrono::seconds(3));

    const std::string text = out.str();
    EXPECT_EQ(text.find('\r'), std::string::npos) << "no terminal control in plain output";
    EXPECT_NE(text.find("обложки: 2/2  2.0 КиБ, 2.0 КиБ/с\n"), std::string::npos) << text;
    EXPECT_NE(text.find("том 1, глава 1: стр. 1: "), std::string::npos) << text;
    EXPECT_NE(text.find("(22)\n"), std::string::npos);
    EXPECT_NE(text.find("том 1, глава 1: стр. 2: обнаружена ошибка в коде JS скрипта (-14)\n"), std::string::npos)
        << text;
    EXPECT_NE(text.find("том 1, глава 1: 1/3\n"), std::string::npos) << text;
    EXPECT_EQ(view.Errors(), 2);
    EXPECT_EQ(view.BytesTransferred(), 2048u);
}

TEST(ProgressView, TerminalRewritesOneLiveLineAndShowsPercentOrBytes)
{
    std::ostringstream out;
    ProgressView view(out, true, TwoRows());
    const Clock::time_point t0 = Clock::now();
    view.OnProgress(0, 42, t0 + std::chrono::seconds(1));
    EXPECT_NE(out.str().find("\r\033[Kтом 1, глава 1: 0/3  42%"), std::string::npos) << out.str();
    view.OnUpdate(0, 1, t0 + std::chrono::seconds(2));
    view.OnProgress(0, -5000, t0 + std::chrono::seconds(3));
    EXPECT_NE(out.str().find("0/3  42%"), std::string::npos);
    EXPECT_NE(out.str().find("1/3  4.9 КиБ  2.0 КиБ"), std::string::npos) << out.str();
    // Moving to another row leaves the first row's line standing.
    view.OnUpdate(1, 1, t0 + std::chrono::seconds(4));
    EXPECT_NE(out.str().find("\r\033[Kтом 1, глава 1: 1/3  2.0 КиБ, 2.0 КиБ/с\n"), std::string::npos) << out.str();
}

TEST(ProgressView, Units)
{
    EXPECT_EQ(ProgressView::FormatBytes(0), "0 Б");
    EXPECT_EQ(ProgressView::FormatBytes(1023), "1023 Б");
    EXPECT_EQ(ProgressView::FormatBytes(1536), "1.5 КиБ");
    EXPECT_EQ(ProgressView::FormatBytes(3u << 20), "3.0 МиБ");
    EXPECT_EQ(ProgressView::FormatRate(-5), "0 Б/с");
}

}  // namespace
