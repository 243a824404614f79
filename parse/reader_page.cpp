#include "parse/reader_page.h"

#include <algorithm>
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

// The first script block whose text holds `wanted`. Of each block only the
// first occurrence at or after its start needs checking: if that one runs
// past the block's end, every later one does too. The occurrences are found
// in one forward pass, so the page is not read once per block.
ScriptBlock FindScriptWith(std::string_view page, std::string_view wanted)
{
    parse_text::ForwardFinder hits(page, wanted, page.size());
    // A page without the text at all, the usual case for the forms a page
    // does not use, is settled by that one pass.
    if (hits.From(0) == kNone)
        return {};
    size_t from = 0;
    for (;;) {
        const size_t open = Find(page, "<script", from);
        if (open == kNone)
            return {};
        const size_t close = Find(page, "</script>", open);
        if (close == kNone)
            return {};
        const size_t hit = hits.From(open);
        if (hit == kNone)
            return {};
        if (hit + wanted.size() <= close)
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
// part two, part one, part three. The pages read before a fault stay.
enum class CallForm : uint8_t { Absent, Unusable, Read };

CallForm ReadCallForm(std::string_view page, ChapterInfo& chapter)
{
    const ScriptBlock block = FindScriptWith(page, "rm_h.init(");
    if (!block)
        return CallForm::Absent;
    // The list may run past the script's end; only its start must lie inside.
    const size_t open = Find(page, "[['", block.start);
    const size_t listEnd = Find(page, "]]", block.start);
    if (open == kNone || listEnd == kNone)
        return CallForm::Unusable;
    size_t entry = open + 3;
    while (entry < listEnd) {
        const size_t firstEnd = Find(page, "','", entry);
        if (firstEnd == kNone)
            return CallForm::Unusable;
        const size_t secondEnd = Find(page, "',\"", firstEnd + 3);
        if (secondEnd == kNone)
            return CallForm::Unusable;
        const size_t thirdEnd = Find(page, "\",", secondEnd + 3);
        if (thirdEnd == kNone)
            return CallForm::Unusable;
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
            return Find(page, "]]", afterComma) != kNone ? CallForm::Read : CallForm::Unusable;
        entry = next + 4;
    }
    return CallForm::Read;
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

// rm_h.readerDoInit([['https://host/','',"path?query",w,h],...], ...): the
// 2024 form. The same script block opens with rm_h.readerInit( and a list of
// images from elsewhere, so only the list that follows this call counts. The
// list is read as the script literal it is: either quote, white space between
// items, backslash escapes; an address is still part two, one and three.
class ScriptList {
public:
    ScriptList(std::string_view page, size_t from, size_t end) : page_(page), pos_(from), end_(end) {}

    bool Take(char wanted)
    {
        SkipWhite();
        if (pos_ < end_ && page_[pos_] == wanted) {
            ++pos_;
            return true;
        }
        return false;
    }

    // One item of an entry: a quoted string or a bare value such as a
    // number. A string without escapes is left where it stands in the page;
    // one with escapes is unescaped into `scratch`. False at a malformed item.
    bool Item(std::string& scratch, std::string_view& text, bool& quoted)
    {
        SkipWhite();
        quoted = pos_ < end_ && (page_[pos_] == '\'' || page_[pos_] == '"');
        if (!quoted) {
            const size_t start = pos_;
            while (pos_ < end_ && page_[pos_] != ',' && page_[pos_] != ']' && page_[pos_] != '[')
                ++pos_;
            text = page_.substr(start, pos_ - start);
            return pos_ > start && pos_ < end_;
        }
        const char quote = page_[pos_++];
        bool escaped = false;
        for (;;) {
            // The next backslash is remembered, so a list without any is
            // searched for one only once.
            if (backslash_ != kNone && backslash_ < pos_)
                backslash_ = FindCharIn(page_, '\\', pos_, end_);
            const size_t close = FindCharIn(page_, quote, pos_, end_);
            if (close == kNone)
                return false;
            if (backslash_ == kNone || backslash_ > close) {
                if (escaped) {
                    scratch.append(page_.substr(pos_, close - pos_));
                    text = scratch;
                } else {
                    text = page_.substr(pos_, close - pos_);
                }
                pos_ = close + 1;
                return true;
            }
            if (!escaped)
                scratch.clear();
            escaped = true;
            scratch.append(page_.substr(pos_, backslash_ - pos_));
            if (backslash_ + 1 >= end_)
                return false;
            scratch.push_back(page_[backslash_ + 1]);
            pos_ = backslash_ + 2;
        }
    }

private:
    void SkipWhite()
    {
        while (pos_ < end_ && (page_[pos_] == ' ' || page_[pos_] == '\t' || page_[pos_] == '\r' || page_[pos_] == '\n'))
            ++pos_;
    }

    std::string_view page_;
    size_t pos_;
    size_t end_;
    size_t backslash_ = 0;  // the next "\\" at or after some earlier position; kNone: no more
};

int ReadDoInitForm(std::string_view page, ChapterInfo& chapter)
{
    constexpr std::string_view kCall = "rm_h.readerDoInit(";
    const ScriptBlock block = FindScriptWith(page, kCall);
    if (!block)
        return kParseNoList;
    ScriptList list(page, FindIn(page, kCall, block.start, block.end) + kCall.size(), block.end);
    if (!list.Take('['))
        return kParseBrokenScript;
    if (list.Take(']'))
        return kParseOk;
    std::string scratch[4];
    std::string_view parts[3];
    do {
        if (!list.Take('['))
            return kParseBrokenScript;
        size_t count = 0;
        do {
            bool quoted = false;
            std::string_view item;
            if (!list.Item(scratch[std::min<size_t>(count, 3)], item, quoted) || (count < 3 && !quoted))
                return kParseBrokenScript;
            if (count < 3)
                parts[count] = item;
            ++count;
        } while (list.Take(','));
        if (count < 3 || !list.Take(']'))
            return kParseBrokenScript;
        std::string url;
        url.reserve(parts[0].size() + parts[1].size() + parts[2].size());
        url.append(parts[1]).append(parts[0]).append(parts[2]);
        AppendPage(chapter, std::move(url));
    } while (list.Take(','));
    return list.Take(']') ? kParseOk : kParseBrokenScript;
}

}  // namespace

int Html_ParseReaderPage(std::string_view page, ChapterInfo& chapter)
{
    page = parse_text::UpToFirstZero(page);
    try {
        const CallForm call = ReadCallForm(page, chapter);
        if (call == CallForm::Read)
            return kParseOk;
        const int result = ReadVariableForm(page, chapter);
        // Only a page with neither designed form is read as the sites' 2024 page.
        if (result == kParseNoList && call == CallForm::Absent)
            return ReadDoInitForm(page, chapter);
        return result;
    } catch (const std::bad_alloc&) {
        return kParseOutOfMemory;
    }
}
