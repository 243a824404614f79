#include "cli/chapter_list.h"

#include <gtest/gtest.h>

namespace {

struct ListCase {
    const char* text;
    int32_t chapCnt;
    std::vector<int> chosen;  // 1-based positions expected; empty with `error`
    bool syntaxError;
    bool rangeError;
};

std::vector<int> Positions(const std::vector<bool>& chosen)
{
    std::vector<int> positions;
    for (size_t i = 0; i < chosen.size(); ++i)
        if (chosen[i])
            positions.push_back(static_cast<int>(i) + 1);
    return positions;
}

TEST(ChapterList, SelectsPositionsAndRanges)
{
    const ListCase cases[] = {
        {"1-5,8", 10, {1, 2, 3, 4, 5, 8}, false, false},
        {"3", 3, {3}, false, false},
        {" 2 - 3 , 1 ", 4, {1, 2, 3}, false, false},
        {"2,2,1-2", 3, {1, 2}, false, false},  // repeats are harmless
        {"4-4", 4, {4}, false, false},
        {"", 5, {}, true, false},
        {"  ", 5, {}, true, false},
        {"1,,2", 5, {}, true, false},
        {"1,", 5, {}, true, false},
        {"0", 5, {}, true, false},
        {"-3", 5, {}, true, false},
        {"3-", 5, {}, true, false},
        {"5-2", 5, {}, true, false},
        {"+2", 5, {}, true, false},
        {"1-2-3", 5, {}, true, false},
        {"abc", 5, {}, true, false},
        {"2x", 5, {}, true, false},
        {"99999999999999999999999", 5, {}, true, false},  // does not fit
        {"6", 5, {}, false, true},
        {"4-9", 5, {}, false, true},
        {"1", 0, {}, false, true},
    };
    for (const ListCase& c : cases) {
        SCOPED_TRACE(c.text);
        const ChapterList list = ParseChapterList(c.text);
        EXPECT_EQ(!list.error.empty(), c.syntaxError) << list.error;
        if (c.syntaxError) {
            EXPECT_TRUE(list.ranges.empty());
            continue;
        }
        const ChapterSelection selection = SelectChapters(list.ranges, c.chapCnt);
        EXPECT_EQ(!selection.error.empty(), c.rangeError) << selection.error;
        ASSERT_EQ(selection.chosen.size(), static_cast<size_t>(c.chapCnt));
        if (!c.rangeError) {
            EXPECT_EQ(Positions(selection.chosen), c.chosen);
        }
    }
}

TEST(ChapterList, ErrorNamesTheBadItem)
{
    EXPECT_NE(ParseChapterList("1-3,7-5,9").error.find("7-5"), std::string::npos);
    EXPECT_NE(SelectChapters(ParseChapterList("2,40").ranges, 12).error.find("40"), std::string::npos);
}

TEST(ChapterList, HugeRangeIsCheckedBeforeAnythingIsMarked)
{
    // A range far past the end must be refused without walking it.
    const ChapterSelection selection = SelectChapters(ParseChapterList("1-9000000000000").ranges, 3);
    EXPECT_FALSE(selection.error.empty());
}

}  // namespace
