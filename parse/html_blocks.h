#pragma once
// Markers and elements of a site page, found by plain substring search.

#include <cstdint>
#include <string_view>

#include "parse/text_search.h"

namespace html_blocks {

using parse_text::kNone;

// Sites write their attributes with either quote; the double-quoted form wins
// wherever it appears, even after a single-quoted one.
struct Marker {
    std::string_view doubleQuoted;
    std::string_view singleQuoted;
};

struct Found {
    size_t at = kNone;
    size_t length = 0;
    explicit operator bool() const { return at != kNone; }
    size_t end() const { return at + length; }
};

// The first occurrence inside [from, end) of the page.
Found FindMarker(std::string_view page, const Marker& marker, size_t from = 0, size_t end = kNone);

// The last occurrence inside [from, end).
Found FindLastMarker(std::string_view page, const Marker& marker, size_t from, size_t end);

// The "</div>" that closes a div whose content starts at `contentStart`,
// counting the divs opened and closed inside it; kNone when it never closes.
size_t MatchingDivClose(std::string_view page, size_t contentStart);

// The content of the div whose opening tag starts at `tagStart`: from after
// that tag's ">" to its matching "</div>". False when either is missing.
bool DivContent(std::string_view page, size_t tagStart, size_t& start, size_t& end);

// The next tag in [from, end) that starts with `opening` ("<a", "<img"),
// from its "<" to its ">". Unclosed: the tag has no ">" before `end`.
enum class TagScan : uint8_t { Done, Found, Unclosed };
TagScan NextTag(std::string_view page, std::string_view opening, size_t from, size_t end, size_t& start,
                size_t& tagEnd);

}  // namespace html_blocks
