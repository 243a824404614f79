#include "transfer/sinks.h"

#include <gtest/gtest.h>

#include "model/text_codec.h"
#include "transfer/curl_session.h"
#include "transfer/notifications.h"

namespace {

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

}  // namespace
