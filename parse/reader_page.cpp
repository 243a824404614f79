#include "parse/reader_page.h"

#include <climits>
#include <new>
#include <string>

#include "parse/parse_results.h"
#include "parse/text_search.h"

using parse_text::Find;
using parse_text::FindCharIn;
using parse_text::FindIn;
using parse_text::kNone;

namespace {

struct ScriptBlock {
    size_t start = kNone;  // at "<script"
    size_t end = kNone;    // at the "</script>" that closes it
    explicit operator bool() const { return start != kNone; }
};

// The first script block whose text holds `wanted`.
ScriptBlock FindScriptWith(std::string_view page, std::string_view wanted)
{
    size_t from = 0;
    for (;;) {
        const size_t open = Find(page, "<script", from);
        if (open == kNone)
            return {};
        const size_t close = Find(page, "</script>", open);
        if (close == kNone)
            return {};
        if (FindIn(page, wanted, open, close) != kNone)
            return {open, close};
        from = close;
    }
}

int32_t SizeWithZero(size_t length)
{
    return length >= static_cast<size_t>(INT32_MAX) ? INT32_MAX : static_cast<int32_t>(length + 1);
}

// The page is appended whole or not at all.
void AppendPage(ChapterInfo& chapter, std::string url)
{
    PageInfo page;
    page.UrlSize = SizeWithZero(url.size());
    page.Url = std::move(url);
    chapter.Pages.push_back(std::move(page));
}

// rm_h.init([['part1','part2',"part3",w,h],['...]], ...): each address is
// part two, part one, part three. False when the list is not usable; the
// pages read before the fault stay.
bool ReadCallForm(std::string_view page, ChapterInfo& chapter)
{
    const ScriptBlock block = FindScriptWith(page, "rm_h.init(");
    if (!block)
        return false;
    // The list may run past the script's end; only its start must lie inside.
    const size_t open = Find(page, "[['", block.start);
    const size_t listEnd = Find(page, "]]", block.start);
    if (open == kNone || listEnd == kNone)
        return false;
    size_t entry = open + 3;
    while (entry < listEnd) {
        const size_t firstEnd = Find(page, "','", entry);
        if (firstEnd == kNone)
            return false;
        const size_t secondEnd = Find(page, "',\"", firstEnd + 3);
        if (secondEnd == kNone)
            return false;
        const size_t thirdEnd = Find(page, "\",", secondEnd + 3);
        if (thirdEnd == kNone)
            return false;
        const std::string_view first = page.substr(entry, firstEnd - entry);
        const std::string_view second = page.substr(firstEnd + 3, secondEnd - firstEnd - 3);
        const std::string_view third = page.substr(secondEnd + 3, thirdEnd - secondEnd - 3);
        std::string url;
        url.reserve(first.size() + second.size() + third.size());
        url.append(second).append(first).append(third);
        AppendPage(chapter, std::move(url));

        const size_t afterComma = thirdEnd + 2;
        const size_t next = Find(page, "],['", afterComma);
        if (next == kNone)
            return Find(page, "]]", afterComma) != kNone;
        entry = next + 4;
    }
    return true;
}

// var pictures = [{url:"...",w:..,h:..},...];
int ReadVariableForm(std::string_view page, ChapterInfo& chapter)
{
    const ScriptBlock block = FindScriptWith(page, "var pictures");
    if (!block)
        return kParseNoList;
    const size_t listStart = FindIn(page, "var pictures", block.start, block.end);
    const size_t listEnd = FindCharIn(page, ';', listStart, block.end);
    if (listEnd == kNone)
        return kParseBrokenScript;
    const size_t bracket = FindCharIn(page, '[', listStart, listEnd);
    if (bracket == kNone)
        return kParseNoBracket;
    size_t pos = bracket;
    for (;;) {
        const size_t key = FindIn(page, "url:", pos, listEnd);
        if (key == kNone)
            return kParseOk;
        // The one character after "url:" is taken to be the opening quote.
        const size_t start = key + 5;
        const size_t end = FindIn(page, "\",", start, listEnd);
        if (end == kNone)
            return kParseBrokenScript;
        AppendPage(chapter, std::string(page.substr(start, end - start)));
        pos = end;
    }
}

}  // namespace

int Html_ParseReaderPage(std::string_view page, ChapterInfo& chapter)
{
    page = parse_text::UpToFirstZero(page);
    try {
        if (ReadCallForm(page, chapter))
            return kParseOk;
        return ReadVariableForm(page, chapter);
    } catch (const std::bad_alloc&) {
        return kParseOutOfMemory;
    }
}
