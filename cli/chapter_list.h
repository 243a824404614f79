#pragma once
// The --chapters option: list positions as scan prints them (1-based), with
// ranges: "1-5,8". The text is checked before anything is fetched; the
// positions are checked once the chapter count is known.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct ChapterRange {
    int64_t first = 0;
    int64_t last = 0;
};

struct ChapterList {
    std::vector<ChapterRange> ranges;
    std::string error;  // empty when the text is well formed
};

// Items separated by commas, each a position or "first-last" with
// first <= last; blanks around numbers are allowed. Anything else (an empty
// item, a sign, a reversed range, a number that does not fit) is an error
// naming the bad item.
ChapterList ParseChapterList(std::string_view text);

struct ChapterSelection {
    std::vector<bool> chosen;  // one per chapter, in list order
    std::string error;         // empty on success
};

// Marks the chosen chapters of a manga with `chapCnt` chapters; a position
// outside 1..chapCnt is an error.
ChapterSelection SelectChapters(const std::vector<ChapterRange>& ranges, int32_t chapCnt);
