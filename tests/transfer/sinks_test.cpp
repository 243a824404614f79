#include "transfer/sinks.h"

#include <gtest/gtest.h>

#include "model/file_io.h"
#include "tests/transfer/recording_window.h"
#include "transfer/curl_session.h"
#include "transfer/notifications.h"

namespace {

class SinkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        hMainWnd = &window;
        bKeepRunning = 1;
    }
    void TearDown() override
    {
        hMainWnd = nullptr;
        bKeepRunning = 1;
    }
    RecordingWindow window;
};

TEST_F(SinkTest, MemorySinkAppendsChunksAndKeepsATerminator)
{
    MemBuffer buffer;
    EXPECT_EQ(Curl_WriteMemory("ab", 1, 2, &buffer), 2u);
    EXPECT_EQ(Curl_WriteMemory("cd", 2, 1, &buffer), 2u);
    EXPECT_EQ(buffer.size(), 4);
    EXPECT_EQ(buffer.data, "abcd");
    EXPECT_EQ(buffer.data.c_str()[4], '\0');
    buffer.Clear();
    EXPECT_TRUE(buffer.empty());
}

TEST_F(SinkTest, SinksRefuseDataAfterCancelOrWithoutWindow)
{
    MemBuffer buffer;
    FilePtr file(std::tmpfile());
    ASSERT_TRUE(file);
    for (int round = 0; round < 2; ++round) {
        if (round == 0)
            bKeepRunning = 0;
        else
            hMainWnd = nullptr;
        EXPECT_EQ(Curl_WriteMemory("ab", 1, 2, &buffer), 0u);
        EXPECT_EQ(Curl_WriteFile("ab", 1, 2, file.get()), 0u);
        EXPECT_EQ(Curl_Progress(nullptr, 0, 0), 1);
        bKeepRunning = 1;
        hMainWnd = &window;
    }
    EXPECT_TRUE(buffer.empty());
    EXPECT_EQ(std::ftell(file.get()), 0);
    EXPECT_EQ(Curl_WriteFile("ab", 1, 2, file.get()), 2u);
    EXPECT_TRUE(window.Progress().empty());
}

TEST_F(SinkTest, MemorySinkStopsAtThePageLimit)
{
    MemBuffer buffer;
    buffer.data.assign(kMaxPageBytes - 2, 'x');
    EXPECT_EQ(Curl_WriteMemory("abc", 1, 3, &buffer), 0u);
    EXPECT_EQ(buffer.data.size(), kMaxPageBytes - 2);
    EXPECT_EQ(Curl_WriteMemory("ab", 1, 2, &buffer), 2u);
    EXPECT_EQ(buffer.data.size(), kMaxPageBytes);
    EXPECT_EQ(Curl_WriteMemory("a", 1, 1, &buffer), 0u);
    // An item count whose product with the size overflows is refused, not wrapped.
    MemBuffer small;
    EXPECT_EQ(Curl_WriteMemory("a", size_t{1} << 33, size_t{1} << 33, &small), 0u);
    EXPECT_TRUE(small.empty());
}

TEST_F(SinkTest, ProgressValues)
{
    struct Case {
        int64_t total;
        int64_t now;
        int32_t value;
    };
    const Case cases[] = {{0, 5000, -5000}, {0, 1024, -1024}, {0, 0, 0},         {3, 1, 33},
                          {1000, 999, 99},  {100, 150, 150},  {0, int64_t{1} << 40, -2147483647}};
    for (const Case& c : cases)
        EXPECT_EQ(ProgressValue(c.total, c.now), c.value) << c.total << " " << c.now;
}

TEST_F(SinkTest, ProgressPostsTheRowKeyReadAtEachCall)
{
    int32_t key = 4;
    EXPECT_EQ(Curl_Progress(&key, 3, 1), 0);
    key = 5;
    EXPECT_EQ(Curl_Progress(&key, 0, 7), 0);
    EXPECT_EQ(Curl_Progress(nullptr, 10, 5), 0);  // the title page reports nothing
    const std::vector<std::pair<int32_t, int32_t>> expected{{4, 33}, {5, -7}};
    EXPECT_EQ(window.Progress(), expected);
}

TEST(ErrorCodeTextTest, ParserCodesHaveTheirTextsAndCurlCodesCurlsOwn)
{
    EXPECT_EQ(ErrorCodeText(-1), u"блок не найден");
    EXPECT_EQ(ErrorCodeText(-14), u"обнаружена ошибка в коде JS скрипта");
    EXPECT_EQ(ErrorCodeText(-69), u"ошибки в БД. Скорей всего факт повреждения памяти программы");
    EXPECT_EQ(ErrorCodeText(kCurlHttpReturnedError), Utf8ToUtf16(Curl_ErrorText(22)));
    EXPECT_FALSE(ErrorCodeText(0).empty());
    EXPECT_EQ(ErrorCodeText(-5), u"ошибка -5");
}

}  // namespace
