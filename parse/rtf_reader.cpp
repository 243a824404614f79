#include "parse/rtf_reader.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>

namespace {

// Deeper groups are skipped whole: no real description nests anywhere near
// this, and the group stack stays small whatever the file holds.
constexpr size_t kMaxDepth = 1000;

enum class Action : uint8_t {
    Destination,  // the group holds no text to show
    Break,        // ends the paragraph
    Bold,
    Italic,
    Plain,
    Unicode,
    FallbackCount,
    CodePage,
    Binary,
    Char,  // stands for one character
};

struct Word {
    std::string_view name;
    Action action;
    char16_t unit = 0;
};

// Sorted by name for the binary search.
constexpr Word kWords[] = {
    {"aftncn", Action::Destination},
    {"aftnsep", Action::Destination},
    {"aftnsepc", Action::Destination},
    {"annotation", Action::Destination},
    {"ansicpg", Action::CodePage},
    {"atnauthor", Action::Destination},
    {"atnid", Action::Destination},
    {"author", Action::Destination},
    {"b", Action::Bold},
    {"bin", Action::Binary},
    {"bkmkend", Action::Destination},
    {"bkmkstart", Action::Destination},
    {"bullet", Action::Char, u'\u2022'},
    {"buptim", Action::Destination},
    {"colorschememapping", Action::Destination},
    {"colortbl", Action::Destination},
    {"comment", Action::Destination},
    {"company", Action::Destination},
    {"creatim", Action::Destination},
    {"datastore", Action::Destination},
    {"doccomm", Action::Destination},
    {"docvar", Action::Destination},
    {"emdash", Action::Char, u'\u2014'},
    {"emspace", Action::Char, u'\u2003'},
    {"endash", Action::Char, u'\u2013'},
    {"enspace", Action::Char, u'\u2002'},
    {"falt", Action::Destination},
    {"filetbl", Action::Destination},
    {"fldinst", Action::Destination},
    {"fonttbl", Action::Destination},
    {"footer", Action::Destination},
    {"footerf", Action::Destination},
    {"footerl", Action::Destination},
    {"footerr", Action::Destination},
    {"footnote", Action::Destination},
    {"ftncn", Action::Destination},
    {"ftnsep", Action::Destination},
    {"ftnsepc", Action::Destination},
    {"generator", Action::Destination},
    {"header", Action::Destination},
    {"headerf", Action::Destination},
    {"headerl", Action::Destination},
    {"headerr", Action::Destination},
    {"i", Action::Italic},
    {"info", Action::Destination},
    {"keywords", Action::Destination},
    {"latentstyles", Action::Destination},
    {"ldblquote", Action::Char, u'\u201C'},
    {"line", Action::Break},
    {"listoverridetable", Action::Destination},
    {"listtable", Action::Destination},
    {"lquote", Action::Char, u'\u2018'},
    {"nonshppict", Action::Destination},
    {"objdata", Action::Destination},
    {"object", Action::Destination},
    {"operator", Action::Destination},
    {"page", Action::Break},
    {"par", Action::Break},
    {"pgdsctbl", Action::Destination},
    {"pict", Action::Destination},
    {"plain", Action::Plain},
    {"printim", Action::Destination},
    {"qmspace", Action::Char, u'\u2005'},
    {"rdblquote", Action::Char, u'\u201D'},
    {"revtbl", Action::Destination},
    {"revtim", Action::Destination},
    {"rquote", Action::Char, u'\u2019'},
    {"rsidtbl", Action::Destination},
    {"sect", Action::Break},
    {"stylesheet", Action::Destination},
    {"subject", Action::Destination},
    {"tab", Action::Char, u'\t'},
    {"tc", Action::Destination},
    {"template", Action::Destination},
    {"themedata", Action::Destination},
    {"title", Action::Destination},
    {"txe", Action::Destination},
    {"u", Action::Unicode},
    {"uc", Action::FallbackCount},
    {"xe", Action::Destination},
    {"xmlnstbl", Action::Destination},
    {"zwj", Action::Char, u'\u200D'},
    {"zwnj", Action::Char, u'\u200C'},
};

constexpr bool ByName(const Word& a, const Word& b) { return a.name < b.name; }
static_assert(std::is_sorted(std::begin(kWords), std::end(kWords), ByName));

const Word* FindWord(std::string_view name)
{
    const Word key{name, Action::Char};
    const Word* it = std::lower_bound(std::begin(kWords), std::end(kWords), key, ByName);
    return it != std::end(kWords) && it->name == name ? it : nullptr;
}

// Windows-1252 bytes 0x80-0x9F; the rest of the upper half is Latin-1. The
// five undefined bytes keep their own value, as the platform converter does.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// Windows-1251 bytes 0x80-0xBF; 0xC0-0xFF are А-я in order.
constexpr std::array<char16_t, 64> kCp1251High = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409,
    0x2039, 0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0,
    0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB,
    0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6,
    0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
};

char16_t DecodeByte(unsigned char byte, bool cp1251)
{
    if (byte < 0x80)
        return byte;
    if (cp1251)
        return byte >= 0xC0 ? static_cast<char16_t>(0x0410 + (byte - 0xC0)) : kCp1251High[byte - 0x80];
    return byte < 0xA0 ? kCp1252High[byte - 0x80] : byte;
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A control word's letters are lower-case only, so "\parText" is "\par" and
// "Text": our writer puts no delimiter after its control words.
bool IsWordLetter(char c) { return c >= 'a' && c <= 'z'; }

struct GroupState {
    bool bold = false;
    bool italic = false;
    bool skip = false;  // inside a destination whose text is not shown
    int32_t fallbackCount = 1;
};

class Reader {
public:
    explicit Reader(std::string_view rtf) : in_(rtf)
    {
        const size_t start = in_.find_first_not_of(" \t\r\n");
        endsWithOuterGroup_ = start != std::string_view::npos && in_.substr(start).starts_with("{\\rtf");
        if (endsWithOuterGroup_)
            pos_ = start;
        stack_.emplace_back();
    }

    std::vector<RtfParagraph> Read()
    {
        while (pos_ < in_.size() && !done_) {
            const char c = in_[pos_++];
            if (c == '{')
                OpenGroup();
            else if (c == '}')
                CloseGroup();
            else if (c == '\\')
                ControlSequence();
            else if (c != '\r' && c != '\n')
                TextByte(static_cast<unsigned char>(c));
        }
        if (!paragraph_.runs.empty())
            paragraphs_.push_back(std::move(paragraph_));
        return std::move(paragraphs_);
    }

private:
    GroupState& State() { return stack_.back(); }
    bool Skipping() const { return overDeep_ > 0 || stack_.back().skip; }

    // A fallback character of the last \u stands in for it; any character,
    // control word or symbol counts as one, a brace ends the fallback.
    bool TakeFallback()
    {
        if (fallbackLeft_ == 0)
            return false;
        --fallbackLeft_;
        return true;
    }

    void OpenGroup()
    {
        fallbackLeft_ = 0;
        if (overDeep_ > 0 || stack_.size() > kMaxDepth)
            ++overDeep_;
        else
            stack_.push_back(stack_.back());
    }

    void CloseGroup()
    {
        fallbackLeft_ = 0;
        if (overDeep_ > 0) {
            --overDeep_;
            return;
        }
        if (stack_.size() == 1)
            return;  // a stray brace in a document without the header
        stack_.pop_back();
        done_ = endsWithOuterGroup_ && stack_.size() == 1;
    }

    void TextByte(unsigned char byte)
    {
        if (!TakeFallback() && !Skipping())
            Emit(DecodeByte(byte, cp1251_));
    }

    void ControlSequence()
    {
        if (pos_ >= in_.size())
            return;
        const char c = in_[pos_];
        if (IsWordLetter(c)) {
            ControlWord();
            return;
        }
        ++pos_;
        if (c == '\'') {
            // Up to two hex digits; a cut or malformed escape shows nothing.
            int value = 0;
            int digits = 0;
            while (digits < 2 && pos_ < in_.size() && HexValue(in_[pos_]) >= 0) {
                value = value * 16 + HexValue(in_[pos_++]);
                ++digits;
            }
            if (!TakeFallback() && !Skipping() && digits == 2)
                Emit(DecodeByte(static_cast<unsigned char>(value), cp1251_));
            return;
        }
        if (TakeFallback())
            return;
        if (c == '*') {
            State().skip = true;
            return;
        }
        if (Skipping())
            return;
        switch (c) {
        case '\\':
        case '{':
        case '}':
            Emit(static_cast<char16_t>(c));
            break;
        case '~':
            Emit(u'\u00A0');
            break;
        case '_':
            Emit(u'\u2011');
            break;
        case '\r':
        case '\n':
            EndParagraph();
            break;
        default:
            break;  // "\-" optional hyphen, index marks, anything unknown
        }
    }

    void ControlWord()
    {
        const size_t nameStart = pos_;
        while (pos_ < in_.size() && IsWordLetter(in_[pos_]))
            ++pos_;
        const std::string_view name = in_.substr(nameStart, pos_ - nameStart);

        bool hasParam = false;
        int64_t param = 0;
        bool negative = false;
        if (pos_ + 1 < in_.size() && in_[pos_] == '-' && IsDigit(in_[pos_ + 1])) {
            negative = true;
            ++pos_;
        }
        constexpr int64_t kParamLimit = std::numeric_limits<int32_t>::max();
        while (pos_ < in_.size() && IsDigit(in_[pos_])) {
            hasParam = true;
            param = std::min(param * 10 + (in_[pos_++] - '0'), kParamLimit);
        }
        if (negative)
            param = -param;
        if (pos_ < in_.size() && in_[pos_] == ' ')
            ++pos_;

        const Word* word = FindWord(name);
        if (word && word->action == Action::Binary) {
            // The data may hold any byte, braces included.
            const auto length = static_cast<size_t>(std::max<int64_t>(param, 0));
            pos_ += std::min(length, in_.size() - pos_);
        }
        if (TakeFallback() || !word)
            return;
        if (word->action == Action::Destination) {
            State().skip = true;
            return;
        }
        if (Skipping())
            return;
        switch (word->action) {
        case Action::Break:
            EndParagraph();
            break;
        case Action::Bold:
            State().bold = !hasParam || param != 0;
            break;
        case Action::Italic:
            State().italic = !hasParam || param != 0;
            break;
        case Action::Plain:
            State().bold = false;
            State().italic = false;
            break;
        case Action::Unicode:
            if (hasParam) {
                // Readers write units above 32767 as negative numbers.
                const int64_t unit = param < 0 ? param + 65536 : param;
                Emit(unit >= 0 && unit <= 0xFFFF ? static_cast<char16_t>(unit) : u'\uFFFD');
                fallbackLeft_ = State().fallbackCount;
            }
            break;
        case Action::FallbackCount:
            if (hasParam)
                State().fallbackCount = static_cast<int32_t>(std::max<int64_t>(param, 0));
            break;
        case Action::CodePage:
            cp1251_ = hasParam && param == 1251;
            break;
        case Action::Char:
            Emit(word->unit);
            break;
        case Action::Destination:
        case Action::Binary:
            break;
        }
    }

    // Control characters other than the tab have no place in shown text; line
    // structure comes only from paragraph breaks.
    void Emit(char16_t unit)
    {
        if (unit < 0x20 && unit != u'\t')
            return;
        const GroupState& state = State();
        std::vector<RtfRun>& runs = paragraph_.runs;
        if (runs.empty() || runs.back().bold != state.bold || runs.back().italic != state.italic)
            runs.push_back(RtfRun{{}, state.bold, state.italic});
        runs.back().text.push_back(unit);
    }

    void EndParagraph()
    {
        paragraphs_.push_back(std::move(paragraph_));
        paragraph_ = {};
    }

    std::string_view in_;
    size_t pos_ = 0;
    bool endsWithOuterGroup_ = false;
    bool done_ = false;
    bool cp1251_ = false;
    int64_t fallbackLeft_ = 0;
    size_t overDeep_ = 0;
    std::vector<GroupState> stack_;
    RtfParagraph paragraph_;
    std::vector<RtfParagraph> paragraphs_;
};

}  // namespace

std::vector<RtfParagraph> Rtf_Read(std::string_view rtf) { return Reader(rtf).Read(); }
