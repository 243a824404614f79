#include "cli/chapter_list.h"

#include <gtest/gtest.h>

namespace {

TEST(ChapterList, SelectsPositionsAndRangesAndNamesWhatIsWrong)
{
    const struct {
        const char* text;
        int32_t chapCnt;
        std::vector<int> chosen;  // 1-based positions
        const char* error;        // part of the error text; nullptr when accepted
    } cases[] = {
        {"1-5,8", 10, {1, 2, 3, 4, 5, 8}, nullptr},
        {" 2 - 3 , 1 ", 4, {1, 2, 3}, nullptr},
        {"2,2,1-2", 3, {1, 2}, nullptr},  // repeats are harmless
        {"  ", 5, {}, "пустой"},
        {"1,,2", 5, {}, "\"\""},
        {"0", 5, {}, "\"0\""},
        {"3-", 5, {}, "3-"},
        {"1-3,7-5,9", 9, {}, "7-5"},
        {"1-2-3", 5, {}, "1-2-3"},
        {"2x", 5, {}, "2x"},
        {"99999999999999999999999", 5, {}, "99999999999999999999999"},  // does not fit
        // Out of the list: refused once the chapter count is known, a huge
        // range before it is walked.
        {"2,40", 12, {}, "40"},
        {"1-9000000000000", 3, {}, "9000000000000"},
        {"1", 0, {}, "глав нет"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const ChapterList list = ParseChapterList(c.text);
        const ChapterSelection selection = SelectChapters(list.ranges, c.chapCnt);
        const std::string error = list.error.empty() ? selection.error : list.error;
        if (!c.error) {
            EXPECT_EQ(error, "");
            std::vector<int> chosen;
            for (size_t i = 0; i < selection.chosen.size(); ++i)
                if (selection.chosen[i])
                    chosen.push_back(static_cast<int>(i) + 1);
            EXPECT_EQ(chosen, c.chosen);
        } else {
            EXPECT_NE(error.find(c.error), std::string::npos) << error;
        }
        if (!list.error.empty()) {
            EXPECT_TRUE(list.ranges.empty());
        }
    }
}

}  // namespace
