#include "parse/rtf.h"

#include <algorithm>
#include <string>

#include "parse/rtf_writer.h"
#include "parse/text_search.h"

using rtf_detail::AppendToDocument;
using rtf_detail::FirstUnit;
using rtf_detail::RtfWriter;
using rtf_detail::SequenceLength;

namespace {

bool IsFoldedSpace(char c) { return c == ' ' || c == '\r' || c == '\n'; }

enum class ParagraphChange : uint8_t { None, Open, Close };

struct TagRule {
    std::string_view pattern;
    std::string_view written;
    ParagraphChange paragraph;
    size_t skip;  // rest of the tag name, so a closing tag is not matched twice
};

// Tried in this order at every byte inside a tag.
constexpr TagRule kTagRules[] = {
    {"p>", "", ParagraphChange::Open, 0},
    {"p ", "", ParagraphChange::Open, 0},
    {"/p>", "\\par", ParagraphChange::Close, 1},
    {"br>", "\\par", ParagraphChange::None, 1},
    {"br ", "\\par", ParagraphChange::None, 1},
    {"em>", "\\i1", ParagraphChange::None, 1},
    {"/em>", "\\i0", ParagraphChange::None, 2},
    {"b>", "\\b1", ParagraphChange::None, 0},
    {"b ", "\\b1", ParagraphChange::None, 0},
    {"/b>", "\\b0", ParagraphChange::None, 1},
};

}  // namespace

int32_t Rtf_AppendText(std::u16string_view text, OptString& rtf, int32_t capacity, RtfSource source)
{
    const size_t zero = text.find(u'\0');
    if (zero != std::u16string_view::npos)
        text = text.substr(0, zero);
    return AppendToDocument(rtf, capacity, [&](RtfWriter& out) {
        for (const char16_t unit : text) {
            out.Room(13);
            if (unit == u'\n')
                out.Put("\\par");
            else if (unit >= 0x7F)
                out.PutUnicode(unit, '?');
            else if (source == RtfSource::Page)
                out.PutFromPage(static_cast<char>(unit));
            else
                out.Put(static_cast<char>(unit));
        }
    });
}

int32_t Rtf_AppendHtml(std::string_view html, OptString& rtf, int32_t capacity)
{
    html = parse_text::UpToFirstZero(html);
    return AppendToDocument(rtf, capacity, [&](RtfWriter& out) {
        bool inTag = false;
        bool inParagraph = false;
        const size_t n = html.size();
        for (size_t i = 0; i < n; ++i) {
            const char c = html[i];
            if (c == '<') {
                inTag = true;
                continue;
            }
            if (c == '>') {
                inTag = false;
                continue;
            }
            if (inTag) {
                out.Room(4);
                const std::string_view rest = html.substr(i);
                for (const TagRule& rule : kTagRules) {
                    if (!rest.starts_with(rule.pattern))
                        continue;
                    out.Put(rule.written);
                    if (rule.paragraph == ParagraphChange::Open)
                        inParagraph = true;
                    else if (rule.paragraph == ParagraphChange::Close)
                        inParagraph = false;
                    i += rule.skip;
                    break;
                }
                continue;
            }
            if (!inParagraph)
                continue;
            out.Room(13);
            const auto byte = static_cast<unsigned char>(c);
            if (byte >= 0x80) {
                const size_t length = std::min(SequenceLength(byte), n - i);
                out.PutUnicode(FirstUnit(html.substr(i, length)), '?');
                i += length - 1;
            } else if (IsFoldedSpace(c)) {
                if (i == 0 || !IsFoldedSpace(html[i - 1]))
                    out.Put(' ');
            } else if (c == '&') {
                const size_t semicolon = html.find(';', i);
                const std::string_view entity = html.substr(i, (semicolon == std::string_view::npos ? n : semicolon) - i);
                if (entity == "&quot")
                    out.Put('"');
                else if (entity == "&nbsp")
                    out.Put(' ');
                else if (entity == "&laquo")
                    out.Put("\\u171\"");
                else if (entity == "&raquo")
                    out.Put("\\u187\"");
                if (semicolon == std::string_view::npos)
                    break;
                i = semicolon;
            } else {
                out.PutFromPage(c);
            }
        }
    });
}
