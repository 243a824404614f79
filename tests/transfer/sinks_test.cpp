// What the transfers are made of: progress values, error texts, the
// whole-picture check, the waits before a new try, and the session's limits.

#include "transfer/sinks.h"

#include "tests/transfer/worker_fixture.h"
#include "transfer/page_transfer.h"
#include "transfer/picture_check.h"
#include "transfer/retry_policy.h"
#include "transfer/row_progress.h"

namespace {

TEST(Sinks, ProgressValuesErrorTextsAndWaitsBeforeANewTry)
{
    const int64_t progress[][3] = {{0, 5000, -5000}, {0, 0, 0},       {3, 1, 33},
                                   {1000, 999, 99},  {100, 150, 150}, {0, int64_t{1} << 40, -2147483647}};
    for (const auto& c : progress)
        EXPECT_EQ(ProgressValue(c[0], c[1]), c[2]) << c[0] << " " << c[1];
    EXPECT_EQ(ErrorCodeText(kCurlHttpReturnedError), Utf8ToUtf16(Curl_ErrorText(22)));
    EXPECT_EQ(ErrorCodeText(-14), u"обнаружена ошибка в коде JS скрипта");
    EXPECT_EQ(ErrorCodeText(kNotAPicture), u"полученные данные не являются целым рисунком");
    EXPECT_EQ(ErrorCodeText(-5), u"ошибка -5");
    // (tries so far, Retry-After, jitter, milliseconds): the server's word, else doubling, a minute at most.
    const std::tuple<int, int64_t, double, int64_t> waits[] = {{1, 0, 0, 1000},   {3, 0, 0.5, 4200}, {30, 0, 0.99, 60000},
                                                               {1, 2, 0.9, 2000}, {4, 7, 0, 7000},  {1, 600, 0, 60000}};
    for (const auto& [tries, retryAfter, jitter, ms] : waits)
        EXPECT_EQ(Retry_Delay(tries, retryAfter, jitter).count(), ms) << tries << " " << retryAfter;
}

// Parallel transfers of one row report together and never make its cell run
// backwards; a row that had none in flight starts afresh.
TEST(Sinks, RowProgressOfParallelTransfers)
{
    RecordingWindow window;
    window.keepProgress = true;
    ResetForWorkers(&window);
    RowProgress rows;
    RowProgress::Entry a, b, c;
    rows.Start(a, 7);
    rows.Update(a, 100, 50);
    rows.Start(b, 7);
    rows.Update(b, 100, 0);   // 50 of 200: held at 50
    rows.Update(b, 100, 80);  // 130 of 200
    rows.Finish(a);
    rows.Update(b, 0, 0);    // a redirect of the last one in flight: afresh
    rows.Update(b, 0, 500);  // no size announced: bytes
    rows.Finish(b);
    rows.Start(c, 7);
    rows.Update(c, 10, 1);
    EXPECT_EQ(window.Events(), (std::vector<std::string>{"PROG 7 50", "PROG 7 50", "PROG 7 65", "PROG 7 0", "PROG 7 -500", "PROG 7 10"}));
    ResetForWorkers(nullptr);
}

// Pictures of every kind the check knows, whole and cut short, and text
// replies; fed in chunks of any size, the probe judges as on the whole body.
TEST(Sinks, PictureCheck)
{
    const std::string filler = ImageBytes("/p").substr(0, 3000), webp = "WEBPVP8 " + filler;
    const auto le32 = [](size_t n) { return std::string{char(n), char(n >> 8), char(n >> 16), char(n >> 24)}; };
    const std::vector<std::pair<std::string, std::string>> whole{
        {"png", "\x89PNG\r\n\x1a\n" + filler + std::string("\0\0\0\0IEND\xae\x42\x60\x82", 12)},
        {"jpeg", "\xff\xd8\xff\xe0" + filler + "\xff\xd9"},
        {"gif", "GIF89a" + filler + ";"},
        {"webp", "RIFF" + le32(webp.size()) + webp},
        {"bmp", "BM" + filler},
        {"avif", std::string("\0\0\0\x1c" "ftypavif", 12) + filler},
        {"unknown binary", ImageBytes("/x")}};
    std::vector<std::pair<std::string, std::string>> broken{{"html", " \r\n<!DOCTYPE html><html><body>404</body></html>"},
                                                            {"xml after a BOM", "\xef\xbb\xbf<?xml version=\"1.0\"?><Error/>"},
                                                            {"empty", ""},
                                                            {"blanks", std::string(600, ' ')}};
    for (size_t i = 0; i < 4; ++i)
        broken.emplace_back(whole[i].first + " cut short", whole[i].second.substr(0, whole[i].second.size() - 40));
    for (const bool isWhole : {true, false})
        for (const auto& [name, body] : isWhole ? whole : broken)
            for (const size_t chunk : {size_t{1}, size_t{7}, size_t{5000}}) {
                PictureProbe probe;
                for (size_t at = 0; at < body.size(); at += chunk)
                    probe.Feed(body.data() + at, std::min(chunk, body.size() - at));
                EXPECT_EQ(probe.IsWhole(), isWhole) << name << " in chunks of " << chunk;
            }
}

// Image and page addresses come from web pages; only the web's own
// protocols may be spoken, so a page cannot have a local file copied. A
// proxy, when set, carries every request.
TEST(Sinks, OnlyHttpAndHttpsAddressesAndThroughTheProxy)
{
    RecordingWindow window;
    ResetForWorkers(&window);
    TestServer proxy;
    PageTransfer page;
    for (const char* address : {"file:///etc/hostname", "dict://127.0.0.1:1/x", "ftp://127.0.0.1:1/x"}) {
        page.url = address;
        EXPECT_EQ(CurlSession().Perform(page), 1) << address;  // CURLE_UNSUPPORTED_PROTOCOL
    }
    EXPECT_TRUE(page.buffer.empty());
    page.url = "http://zumr.invalid/m";
    CurlSession(SessionOptions{1, 0, std::nullopt, proxy.Url("")}).Perform(page);
    ASSERT_EQ(proxy.Requests().size(), 1u);
    EXPECT_NE(proxy.Requests()[0].first.find("zumr.invalid"), std::string::npos) << proxy.Requests()[0].first;
    ResetForWorkers(nullptr);
}

}  // namespace
