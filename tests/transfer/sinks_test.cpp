#include "transfer/sinks.h"

#include <gtest/gtest.h>

#include "model/text_codec.h"
#include "transfer/curl_session.h"
#include "transfer/notifications.h"

namespace {

struct DummyWindow : MainWindowLink {
    void Post(uint32_t, int32_t, int32_t) override {}
    void ShowBox(std::u16string_view, std::u16string_view) override {}
};

TEST(Sinks, ProgressIsAPercentOrTheNegatedBytesSoFar)
{
    const int64_t cases[][3] = {{0, 5000, -5000}, {0, 0, 0},        {3, 1, 33},
                                {1000, 999, 99},  {100, 150, 150}, {0, int64_t{1} << 40, -2147483647}};
    for (const auto& c : cases)
        EXPECT_EQ(ProgressValue(c[0], c[1]), c[2]) << c[0] << " " << c[1];
}

TEST(Sinks, ErrorCodeTextsOfCurlAndOfUnknownParserCodes)
{
    EXPECT_EQ(ErrorCodeText(kCurlHttpReturnedError), Utf8ToUtf16(Curl_ErrorText(22)));
    EXPECT_EQ(ErrorCodeText(-14), u"обнаружена ошибка в коде JS скрипта");
    EXPECT_EQ(ErrorCodeText(-5), u"ошибка -5");
}

// Image and page addresses come from web pages; only the web's own
// protocols may be spoken, so a page cannot have a local file copied.
TEST(Sinks, OnlyHttpAndHttpsAddressesAreFetched)
{
    struct Page : Transfer {
        bool Begin() override { return true; }
        size_t Take(const char* data, size_t size) override { return Curl_WriteMemory(data, 1, size, &buffer); }
        MemBuffer buffer;
    } page;
    CurlSession session;
    DummyWindow window;
    hMainWnd = &window;
    for (const char* address : {"file:///etc/hostname", "dict://127.0.0.1:1/x", "ftp://127.0.0.1:1/x"}) {
        page.url = address;
        EXPECT_EQ(session.Perform(page), 1) << address;  // CURLE_UNSUPPORTED_PROTOCOL
    }
    hMainWnd = nullptr;
    EXPECT_TRUE(page.buffer.empty());
}

}  // namespace
