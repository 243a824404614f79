#include <string>

#include "parse/html_text.h"
#include "parse/rtf.h"
#include "parse/rtf_writer.h"
#include "parse/text_search.h"

using rtf_detail::AppendToDocument;
using rtf_detail::DecodeSequence;
using rtf_detail::RtfWriter;

namespace {

enum class TagKind : uint8_t { Other, LineBreak, Block, BoldOn, BoldOff, ItalicOn, ItalicOff };

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsAsciiAlnum(char c) { return IsAsciiLetter(c) || (c >= '0' && c <= '9'); }
bool IsWhite(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

// Elements that start on a line of their own.
constexpr std::string_view kBlocks[] = {"p",  "div", "h1", "h2", "h3", "h4",    "h5",         "h6",
                                        "li", "ul",  "ol", "tr", "table", "blockquote", "pre", "hr",
                                        "dl", "dt",  "dd", "section", "article", "header", "footer"};

// `tag` is the text between "<" and ">".
TagKind Classify(std::string_view tag)
{
    const bool closing = !tag.empty() && tag[0] == '/';
    size_t i = closing ? 1 : 0;
    std::string name;
    for (; i < tag.size() && IsAsciiAlnum(tag[i]) && name.size() < 12; ++i)
        name.push_back(static_cast<char>(tag[i] | 0x20));
    if (name == "br")
        return TagKind::LineBreak;
    if (name == "b" || name == "strong")
        return closing ? TagKind::BoldOff : TagKind::BoldOn;
    if (name == "i" || name == "em")
        return closing ? TagKind::ItalicOff : TagKind::ItalicOn;
    for (const std::string_view block : kBlocks)
        if (name == block)
            return TagKind::Block;
    return TagKind::Other;
}

// Where the tag opened at html[at] ("<") ends: its ">", or the end of a
// comment. Quoted attribute values may hold ">". kNone when it never ends.
size_t TagEnd(std::string_view html, size_t at)
{
    if (html.substr(at, 4) == "<!--") {
        const size_t close = parse_text::Find(html, "-->", at + 4);
        return close == parse_text::kNone ? close : close + 2;
    }
    char quote = 0;
    char lastSeen = 0;  // last byte other than white space, outside quotes
    for (size_t i = at + 1; i < html.size(); ++i) {
        const char c = html[i];
        if (quote) {
            if (c == quote)
                quote = 0;
            continue;
        }
        if (c == '>')
            return i;
        if ((c == '"' || c == '\'') && lastSeen == '=')
            quote = c;
        if (!IsWhite(c))
            lastSeen = c;
    }
    return parse_text::kNone;
}

class VisibleWriter {
public:
    // A document that ends in a control word ("\\par" after a label) gets
    // its delimiter before the first byte of this fragment.
    explicit VisibleWriter(RtfWriter& out) : out_(out), needsDelimiter_(out.EndsInControlWord()) {}

    void Space()
    {
        if (lineHasText_)
            pendingSpace_ = true;
    }

    void Ascii(char c)
    {
        BeforeText();
        Room();
        out_.PutFromPage(c);
    }

    void CodePoint(char32_t cp)
    {
        if (cp < 0x80) {
            Ascii(static_cast<char>(cp));
            return;
        }
        BeforeText();
        if (cp == 0xA0) {  // no-break space: a space that does not fold
            Room();
            out_.Put(' ');
            return;
        }
        if (cp >= 0x10000) {
            Room();
            out_.PutUnicode(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)), '?');
            cp = 0xDC00 + ((cp - 0x10000) & 0x3FF);
        }
        Room();
        out_.PutUnicode(static_cast<char16_t>(cp), '?');
    }

    void Tag(TagKind kind)
    {
        switch (kind) {
        case TagKind::LineBreak:
            EndLine();
            break;
        case TagKind::Block:
            if (lineHasText_)
                EndLine();
            break;
        case TagKind::BoldOn:
            Control("\\b1 ");
            break;
        case TagKind::BoldOff:
            Control("\\b0 ");
            break;
        case TagKind::ItalicOn:
            Control("\\i1 ");
            break;
        case TagKind::ItalicOff:
            Control("\\i0 ");
            break;
        case TagKind::Other:
            break;
        }
    }

private:
    // Room for one piece of at most 13 bytes, after any delimiter still owed.
    void Room()
    {
        out_.Room(13);
        if (needsDelimiter_) {
            out_.PutDelimiter();
            needsDelimiter_ = false;
            out_.Room(13);
        }
    }

    void BeforeText()
    {
        if (pendingSpace_) {
            Room();
            out_.Put(' ');
        }
        pendingSpace_ = false;
        lineHasText_ = true;
    }

    void EndLine()
    {
        Control("\\par ");
        lineHasText_ = false;
        pendingSpace_ = false;
    }

    void Control(std::string_view word)
    {
        Room();
        out_.Put(word);
    }

    RtfWriter& out_;
    bool needsDelimiter_;
    bool lineHasText_ = false;
    bool pendingSpace_ = false;
};

}  // namespace

int32_t Rtf_AppendVisibleHtml(std::string_view html, OptString& rtf, int32_t capacity)
{
    html = parse_text::UpToFirstZero(html);
    return AppendToDocument(rtf, capacity, [&](RtfWriter& out) {
        VisibleWriter text(out);
        const size_t n = html.size();
        for (size_t i = 0; i < n;) {
            const char c = html[i];
            const auto byte = static_cast<unsigned char>(c);
            if (c == '<' && i + 1 < n && (IsAsciiLetter(html[i + 1]) || html[i + 1] == '/' || html[i + 1] == '!')) {
                const size_t end = TagEnd(html, i);
                if (end == parse_text::kNone)
                    return;  // a tag left open hides the rest, as in a browser
                text.Tag(Classify(html.substr(i + 1, end - i - 1)));
                i = end + 1;
            } else if (c == '&') {
                const auto entity = Html_ReadEntity(html, i);
                text.CodePoint(entity ? entity->codePoint : U'&');
                i += entity ? entity->length : 1;
            } else if (IsWhite(c)) {
                text.Space();
                ++i;
            } else if (byte >= 0x80) {
                // Only a whole, well-formed sequence is read as one; anything
                // else is one U+FFFD per byte, so no "<" is ever swallowed.
                const size_t want = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
                const std::string_view seq = html.substr(i, want);
                const char32_t cp = want > 1 && seq.size() == want ? DecodeSequence(seq) : U'\uFFFD';
                const bool whole = cp != U'\uFFFD' || seq == "\xEF\xBF\xBD";
                text.CodePoint(cp);
                i += whole ? want : 1;
            } else {
                text.Ascii(c);
                ++i;
            }
        }
    });
}
