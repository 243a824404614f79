#include "settings/cfg_text.h"

#include <algorithm>
#include <limits>
#include <optional>

#include "model/text_codec.h"

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsLineBreak(char16_t unit)
{
    return unit == u'\r' || unit == u'\n';
}

bool IsBlank(char16_t unit)
{
    return unit == u' ' || unit == u'\t' || unit == u'\v' || unit == u'\f';
}

bool IsHighSurrogate(char16_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

// The index where new text goes "at the end of the text": before the final
// zero unit.
size_t EndOfText(std::u16string_view text)
{
    return !text.empty() && text.back() == u'\0' ? text.size() - 1 : text.size();
}

void EnsureTerminated(std::u16string& text)
{
    if (text.empty() || text.back() != u'\0')
        text.push_back(u'\0');
}

struct ValueSpan {
    size_t Begin;
    size_t End;
};

std::optional<ValueSpan> FindValue(std::u16string_view text, std::u16string_view key, const CfgRange& range,
                                   bool integer)
{
    if (key.empty() || range.End < range.Start)
        return std::nullopt;
    const size_t last = range.Start == range.End ? text.size() : std::min(range.End, text.size());
    size_t lineStart = range.Start;
    for (size_t i = range.Start; i < last; ++i) {
        const char16_t unit = text[i];
        if (IsLineBreak(unit)) {
            lineStart = i + 1;
            continue;
        }
        if ((unit != u'=' && unit != u' ') || i - lineStart != key.size() ||
            text.substr(lineStart, key.size()) != key)
            continue;
        size_t end = i + 1;
        while (end < text.size() && !IsLineBreak(text[end]) && text[end] != u'\0' &&
               !(integer && (text[end] == u';' || text[end] == u'#')))
            ++end;
        return ValueSpan{i + 1, end};
    }
    return std::nullopt;
}

std::u16string_view OneLine(std::u16string_view value)
{
    const size_t end = value.find_first_of(std::u16string_view(u"\r\n\0", 3));
    return end == std::u16string_view::npos ? value : value.substr(0, end);
}

void ReplaceOrAdd(std::u16string& text, std::u16string_view key, std::u16string_view value, CfgRange& range,
                  bool integer)
{
    if (key.empty())
        return;
    const bool wholeText = range.Start == range.End;
    if (const auto span = FindValue(text, key, range, integer)) {
        size_t oldEnd = span->End;
        if (integer)
            while (oldEnd > span->Begin && IsBlank(text[oldEnd - 1]))
                --oldEnd;
        text.replace(span->Begin, oldEnd - span->Begin, value);
        if (!wholeText && range.End >= oldEnd)
            range.End = range.End - (oldEnd - span->Begin) + value.size();
        return;
    }

    EnsureTerminated(text);
    size_t at = wholeText ? text.size() : std::min(range.End, text.size());
    at = std::min(at, EndOfText(text));
    std::u16string line;
    line.reserve(key.size() + value.size() + 2);
    line.append(u"\n").append(key).append(u"=").append(value);
    text.insert(at, line);
    if (wholeText)
        return;
    // In an empty body the range now starts at the new key line, so the key
    // just written can be found again in this pass.
    if (range.End < range.Start)
        range.Start = at + 1;
    range.End = at + line.size();
}

} // namespace

std::u16string Cfg_Decode(std::string_view bytes)
{
    if (bytes.substr(0, kByteOrderMark.size()) == kByteOrderMark)
        bytes.remove_prefix(kByteOrderMark.size());
    std::u16string text = Utf8ToUtf16(bytes);
    text.push_back(u'\0');
    return text;
}

std::string Cfg_Encode(std::u16string_view text)
{
    return std::string(kByteOrderMark) + Utf16ToUtf8(text.substr(0, EndOfText(text)));
}

bool Cfg_FindSection(std::u16string_view text, std::u16string_view name, CfgRange& range)
{
    range.Start = 0;
    const size_t size = text.size();
    size_t lineStart = 0;
    while (lineStart < size) {
        size_t lineEnd = lineStart;
        while (lineEnd < size && !IsLineBreak(text[lineEnd]))
            ++lineEnd;
        const std::u16string_view line = text.substr(lineStart, lineEnd - lineStart);
        const size_t close = line.find(u']');
        if (line.starts_with(u'[') && close != std::u16string_view::npos && line.substr(1, close - 1) == name) {
            const size_t headerBreak = lineEnd;
            size_t body = headerBreak + 1;
            if (body < size && IsLineBreak(text[body]))
                ++body;
            if (headerBreak >= size || body >= size || (body == size - 1 && text[body] == u'\0')) {
                // The header ends the text: an empty body whose new keys go
                // right after the header line.
                range.End = std::min(headerBreak, EndOfText(text));
                range.Start = range.End + 1;
                return true;
            }
            range.Start = body;
            range.End = size;
            for (size_t i = headerBreak; i + 1 < size; ++i) {
                if (IsLineBreak(text[i]) && text[i + 1] == u'[') {
                    range.End = IsLineBreak(text[i - 1]) ? i - 1 : i;
                    break;
                }
            }
            if (range.Start == range.End)
                range.Start = range.End + 1;
            return true;
        }
        lineStart = lineEnd + 1;
    }
    return false;
}

void Cfg_AddSection(std::u16string& text, std::u16string_view name, CfgRange& range)
{
    if (Cfg_FindSection(text, name, range))
        return;
    EnsureTerminated(text);
    const size_t at = EndOfText(text);
    std::u16string header;
    if (at > 0)
        header += u'\n';
    header.append(u"[").append(name).append(u"]");
    text.insert(at, header);
    range.Start = at + header.size();
    range.End = text.size();
}

bool Cfg_GetString(std::u16string_view text, std::u16string_view key, std::u16string& dest, size_t capacity,
                   const CfgRange& range)
{
    const auto span = FindValue(text, key, range, false);
    if (!span)
        return false;
    size_t length = std::min(span->End - span->Begin, capacity > 0 ? capacity - 1 : 0);
    if (length > 0 && length < span->End - span->Begin && IsHighSurrogate(text[span->Begin + length - 1]))
        --length;
    dest.assign(text.substr(span->Begin, length));
    return true;
}

bool Cfg_GetInt(std::u16string_view text, std::u16string_view key, int64_t& dest, const CfgRange& range)
{
    const auto span = FindValue(text, key, range, true);
    if (!span)
        return false;
    const std::u16string_view value = text.substr(span->Begin, span->End - span->Begin);
    if (!value.empty() && (value[0] == u'x' || value[0] == u'X'))
        dest = Cfg_ParseHex(value.substr(1));
    else
        dest = Cfg_ParseDecimal(value);
    return true;
}

void Cfg_SetString(std::u16string& text, std::u16string_view key, std::u16string_view value, CfgRange& range)
{
    ReplaceOrAdd(text, key, OneLine(value), range, false);
}

void Cfg_SetInt(std::u16string& text, std::u16string_view key, int64_t value, CfgRange& range)
{
    const std::string digits = std::to_string(value);
    ReplaceOrAdd(text, key, std::u16string(digits.begin(), digits.end()), range, true);
}

uint32_t Cfg_ParseHex(std::u16string_view text)
{
    uint32_t result = 0;
    for (size_t i = 0; i < text.size() && i < 16; ++i) {
        const char16_t unit = text[i];
        uint32_t digit;
        if (unit >= u'0' && unit <= u'9')
            digit = unit - u'0';
        else if (unit >= u'a' && unit <= u'f')
            digit = unit - u'a' + 10;
        else if (unit >= u'A' && unit <= u'F')
            digit = unit - u'A' + 10;
        else
            break;
        result = (result << 4) | digit;
    }
    return result;
}

int64_t Cfg_ParseDecimal(std::u16string_view value)
{
    size_t i = 0;
    while (i < value.size() && IsBlank(value[i]))
        ++i;
    bool negative = false;
    if (i < value.size() && (value[i] == u'+' || value[i] == u'-'))
        negative = value[i++] == u'-';
    const uint64_t limit = negative ? uint64_t{1} << 63 : static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
    uint64_t magnitude = 0;
    for (; i < value.size() && value[i] >= u'0' && value[i] <= u'9'; ++i) {
        const uint64_t digit = value[i] - u'0';
        if (magnitude > (limit - digit) / 10) {
            magnitude = limit;
            break;
        }
        magnitude = magnitude * 10 + digit;
    }
    if (!negative)
        return static_cast<int64_t>(magnitude);
    return magnitude == limit ? std::numeric_limits<int64_t>::min() : -static_cast<int64_t>(magnitude);
}
