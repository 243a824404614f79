#include "parse/chapter_link.h"

#include <string>

#include "model/text_codec.h"

namespace {

bool IsLineBreak(char c) { return c == '\r' || c == '\n'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The last line holding anything but spaces and line breaks. Spaces between
// its last other byte and the first line break of the trailing run stay in.
std::string_view LastFilledLine(std::string_view text)
{
    size_t end = text.size();
    size_t i = text.size();
    while (i > 0 && (text[i - 1] == ' ' || IsLineBreak(text[i - 1]))) {
        --i;
        if (IsLineBreak(text[i]))
            end = i;
    }
    if (i == 0)
        return {};
    size_t start = i - 1;
    while (start > 0 && !IsLineBreak(text[start - 1]))
        --start;
    return text.substr(start, end - start);
}

// Skips "<name> <volume> - <chapter> " and returns what follows: the text is
// cut at the first byte that does not fit that shape once a volume digit has
// been seen. Empty when nothing is left.
std::string_view SkipNumbers(std::string_view line)
{
    enum class State { BeforeVolume, Volume, AfterDash, Chapter } state = State::BeforeVolume;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        switch (state) {
        case State::BeforeVolume:
            if (IsDigit(c))
                state = State::Volume;
            break;
        case State::Volume:
            if (c == '-')
                state = State::AfterDash;
            else if (!IsDigit(c) && c != ' ')
                return line.substr(i);
            break;
        case State::AfterDash:
            if (IsDigit(c))
                state = State::Chapter;
            break;
        case State::Chapter:
            if (!IsDigit(c) && c != ' ')
                return line.substr(i);
            break;
        }
    }
    return {};
}

bool IsContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Chapter titles are short and nearly always well-formed one- to three-byte
// UTF-8, converted here in one pass into a buffer sized once. Anything else
// goes through the shared converter, so malformed text is repaired the same
// way everywhere.
std::u16string ToUtf16(std::string_view text)
{
    std::u16string out(text.size(), u'\0');  // never more units than bytes
    size_t w = 0;
    const size_t n = text.size();
    for (size_t i = 0; i < n;) {
        const auto b = static_cast<unsigned char>(text[i]);
        if (b < 0x80) {
            out[w++] = b;
            i += 1;
        } else if (b >= 0xC2 && b < 0xE0 && i + 1 < n && IsContinuation(text[i + 1])) {
            out[w++] = static_cast<char16_t>(((b & 0x1Fu) << 6) | (text[i + 1] & 0x3Fu));
            i += 2;
        } else if (b >= 0xE0 && b < 0xF0 && i + 2 < n && IsContinuation(text[i + 1]) && IsContinuation(text[i + 2])) {
            const unsigned cp = ((b & 0x0Fu) << 12) | ((text[i + 1] & 0x3Fu) << 6) | (text[i + 2] & 0x3Fu);
            if (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))
                return Utf8ToUtf16(text);
            out[w++] = static_cast<char16_t>(cp);
            i += 3;
        } else {
            return Utf8ToUtf16(text);
        }
    }
    out.resize(w);
    return out;
}

char16_t KnownEntity(std::u16string_view name)
{
    if (name == u"&quot")
        return u'"';
    if (name == u"&nbsp")
        return u' ';
    if (name == u"&laquo")
        return u'\u00AB';
    if (name == u"&raquo")
        return u'\u00BB';
    return 0;
}

// Decodes the four entities in place; the text only ever gets shorter.
void DecodeEntities(std::u16string& text)
{
    size_t read = 0;
    size_t write = 0;
    const size_t n = text.size();
    while (read < n) {
        if (text[read] != u'&') {
            text[write++] = text[read++];
            continue;
        }
        const size_t semicolon = text.find(u';', read);
        const size_t stop = semicolon == std::u16string::npos ? n : semicolon;
        const char16_t decoded =
            semicolon == std::u16string::npos ? 0 : KnownEntity(std::u16string_view(text).substr(read, stop - read));
        if (decoded) {
            text[write++] = decoded;
            read = semicolon + 1;
            continue;
        }
        // Unknown: the run up to and including its ";" stays as the site wrote it.
        const size_t runEnd = semicolon == std::u16string::npos ? n : semicolon + 1;
        while (read < runEnd)
            text[write++] = text[read++];
    }
    text.resize(write);
}

}  // namespace

void Html_ParseChapterLink(ChapterInfo& chapter, std::string_view text)
{
    const std::string_view title = SkipNumbers(LastFilledLine(text));
    if (title.empty())
        return;
    std::u16string name = ToUtf16(title);
    if (name.find(u'&') != std::u16string::npos)
        DecodeEntities(name);
    chapter.Name = std::move(name);
}
