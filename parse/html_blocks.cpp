#include "parse/html_blocks.h"

namespace html_blocks {

using parse_text::FindIn;

Found FindMarker(std::string_view page, const Marker& marker, size_t from, size_t end)
{
    if (size_t at = FindIn(page, marker.doubleQuoted, from, end); at != kNone)
        return {at, marker.doubleQuoted.size()};
    if (size_t at = FindIn(page, marker.singleQuoted, from, end); at != kNone)
        return {at, marker.singleQuoted.size()};
    return {};
}

Found FindLastMarker(std::string_view page, const Marker& marker, size_t from, size_t end)
{
    for (const std::string_view text : {marker.doubleQuoted, marker.singleQuoted}) {
        size_t last = kNone;
        for (size_t at = FindIn(page, text, from, end); at != kNone; at = FindIn(page, text, at + 1, end))
            last = at;
        if (last != kNone)
            return {last, text.size()};
    }
    return {};
}

size_t MatchingDivClose(std::string_view page, size_t contentStart)
{
    // Both searches only move forward, so the walk reads the block once.
    parse_text::ForwardFinder opens(page, "<div", page.size());
    parse_text::ForwardFinder closes(page, "</div>", page.size());
    size_t depth = 1;
    size_t pos = contentStart;
    for (;;) {
        const size_t close = closes.From(pos);
        if (close == kNone)
            return kNone;
        const size_t open = opens.From(pos);
        if (open != kNone && open < close) {
            // "<divider>" is not a div.
            const char next = open + 4 < page.size() ? page[open + 4] : '\0';
            if (next == ' ' || next == '>' || next == '/' || next == '\t' || next == '\n' || next == '\r')
                ++depth;
            pos = open + 4;
            continue;
        }
        if (--depth == 0)
            return close;
        pos = close + 6;
    }
}

bool DivContent(std::string_view page, size_t tagStart, size_t& start, size_t& end)
{
    const size_t tagEnd = parse_text::FindCharIn(page, '>', tagStart, page.size());
    if (tagEnd == kNone)
        return false;
    start = tagEnd + 1;
    end = MatchingDivClose(page, start);
    return end != kNone;
}

TagScan NextTag(std::string_view page, std::string_view opening, size_t from, size_t end, size_t& start,
                size_t& tagEnd)
{
    start = FindIn(page, opening, from, end);
    if (start == kNone)
        return TagScan::Done;
    tagEnd = parse_text::FindCharIn(page, '>', start, end);
    return tagEnd == kNone ? TagScan::Unclosed : TagScan::Found;
}

}  // namespace html_blocks
