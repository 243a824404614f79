#include "transfer/sinks.h"

#include "tests/transfer/worker_fixture.h"
#include "transfer/curl_session.h"
#include "transfer/picture_check.h"
#include "transfer/row_progress.h"

namespace {

TEST(Sinks, ProgressIsAPercentOrTheNegatedBytesSoFar)
{
    const int64_t cases[][3] = {{0, 5000, -5000}, {0, 0, 0},        {3, 1, 33},
                                {1000, 999, 99},  {100, 150, 150}, {0, int64_t{1} << 40, -2147483647}};
    for (const auto& c : cases)
        EXPECT_EQ(ProgressValue(c[0], c[1]), c[2]) << c[0] << " " << c[1];
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
    rows.Update(b, 0, 0);     // a redirect of the last one in flight: afresh
    rows.Update(b, 0, 500);   // no size announced: bytes
    rows.Finish(b);
    rows.Start(c, 7);
    rows.Update(c, 10, 1);
    EXPECT_EQ(window.Events(), (std::vector<std::string>{"PROG 7 50", "PROG 7 50", "PROG 7 65", "PROG 7 0",
                                                         "PROG 7 -500", "PROG 7 10"}));
    ResetForWorkers(nullptr);
}

TEST(Sinks, ErrorCodeTexts)
{
    EXPECT_EQ(ErrorCodeText(kCurlHttpReturnedError), Utf8ToUtf16(Curl_ErrorText(22)));
    EXPECT_EQ(ErrorCodeText(-14), u"обнаружена ошибка в коде JS скрипта");
    EXPECT_EQ(ErrorCodeText(kNotAPicture), u"полученные данные не являются целым рисунком");
    EXPECT_EQ(ErrorCodeText(-5), u"ошибка -5");
}

// Fed in chunks of any size, the probe judges as on the whole body.
TEST(Sinks, PictureCheck)
{
    for (const bool whole : {true, false})
        for (const auto& [name, body] : whole ? WholePictures() : BrokenPictures())
            for (const size_t chunk : {size_t{1}, size_t{7}, size_t{5000}}) {
                PictureProbe probe;
                for (size_t at = 0; at < body.size(); at += chunk)
                    probe.Feed(body.data() + at, std::min(chunk, body.size() - at));
                EXPECT_EQ(probe.IsWhole(), whole) << name << " in chunks of " << chunk;
            }
    EXPECT_FALSE(PictureProbe().IsWhole());  // nothing arrived
}

struct Page : Transfer {
    bool Begin() override { return true; }
    size_t Take(const char* data, size_t size) override { return Curl_WriteMemory(data, 1, size, &buffer); }
    MemBuffer buffer;
};

// Image and page addresses come from web pages; only the web's own
// protocols may be spoken, so a page cannot have a local file copied. A
// proxy, when set, carries every request.
TEST(Sinks, OnlyHttpAndHttpsAddressesAndThroughTheProxy)
{
    RecordingWindow window;
    ResetForWorkers(&window);
    TestServer proxy;
    SessionOptions options;
    options.proxy = proxy.Url("");
    Page page;
    for (const char* address : {"file:///etc/hostname", "dict://127.0.0.1:1/x", "ftp://127.0.0.1:1/x"}) {
        page.url = address;
        EXPECT_EQ(CurlSession().Perform(page), 1) << address;  // CURLE_UNSUPPORTED_PROTOCOL
    }
    EXPECT_TRUE(page.buffer.empty());
    page.url = "http://zumr.invalid/m";
    CurlSession(options).Perform(page);
    ASSERT_EQ(proxy.Requests().size(), 1u);
    EXPECT_NE(proxy.Requests()[0].first.find("zumr.invalid"), std::string::npos) << proxy.Requests()[0].first;
    ResetForWorkers(nullptr);
}

}  // namespace
