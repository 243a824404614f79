#include "parse/rtf_reader.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "parse/rtf_words.h"

namespace {

using rtf_detail::Action;
using rtf_detail::DecodeByte;
using rtf_detail::FindWord;
using rtf_detail::Word;

// Deeper groups are skipped whole: no real description nests anywhere near
// this, and the group stack stays small whatever the file holds.
constexpr size_t kMaxDepth = 1000;

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
