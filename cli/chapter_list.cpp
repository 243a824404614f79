#include "cli/chapter_list.h"

#include <charconv>

namespace {

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

// A whole unsigned decimal number, or -1.
int64_t Number(std::string_view text)
{
    text = Trim(text);
    if (text.empty() || text.front() < '0' || text.front() > '9')
        return -1;
    int64_t value = 0;
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || stop != end)
        return -1;
    return value;
}

}  // namespace

ChapterList ParseChapterList(std::string_view text)
{
    ChapterList list;
    if (Trim(text).empty()) {
        list.error = "пустой список глав";
        return list;
    }
    size_t start = 0;
    for (;;) {
        size_t comma = text.find(',', start);
        const bool lastItem = comma == std::string_view::npos;
        if (lastItem)
            comma = text.size();
        const std::string_view item = text.substr(start, comma - start);
        const size_t dash = item.find('-');
        ChapterRange range;
        if (dash == std::string_view::npos) {
            range.first = range.last = Number(item);
        } else {
            range.first = Number(item.substr(0, dash));
            range.last = Number(item.substr(dash + 1));
        }
        if (range.first < 1 || range.last < 1 || range.first > range.last) {
            list.ranges.clear();
            list.error = "неверный элемент списка глав \"" + std::string(Trim(item)) + "\"";
            return list;
        }
        list.ranges.push_back(range);
        if (lastItem)
            return list;
        start = comma + 1;
    }
}

ChapterSelection SelectChapters(const std::vector<ChapterRange>& ranges, int32_t chapCnt)
{
    ChapterSelection selection;
    selection.chosen.assign(static_cast<size_t>(chapCnt > 0 ? chapCnt : 0), false);
    for (const ChapterRange& range : ranges) {
        if (range.last > chapCnt) {
            selection.error = "номер главы " + std::to_string(range.last) + " за концом списка (" +
                              (chapCnt > 0 ? "1-" + std::to_string(chapCnt) : std::string("глав нет")) + ")";
            return selection;
        }
        for (int64_t position = range.first; position <= range.last; ++position)
            selection.chosen[static_cast<size_t>(position - 1)] = true;
    }
    return selection;
}
