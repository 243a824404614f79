#pragma once
// The growing RTF document shared by the description writers: the nominal
// capacity steps of the description buffer, the all-or-nothing append, and
// the UTF-8 reading both HTML converters use.

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <limits>
#include <new>
#include <string>
#include <string_view>

#include "model/manga_info.h"

namespace rtf_detail {

inline constexpr int64_t kGrowStep = 1024;
inline constexpr std::string_view kDocumentStart = "{\\rtf1";

// Writes into a document whose closing brace has been taken off, keeping the
// nominal capacity the way the description buffer has always grown.
class RtfWriter {
public:
    RtfWriter(std::string& doc, int64_t capacity) : doc_(doc), capacity_(capacity), tail_(ControlWordTail()) {}

    // Makes sure `margin` more bytes fit before the next piece is written.
    void Room(int64_t margin) { GrowIfShort(margin, kGrowStep); }

    void Put(char c)
    {
        DelimitBefore(c);
        doc_.push_back(c);
    }
    void Put(std::string_view text)
    {
        if (!text.empty())
            DelimitBefore(text.front());
        doc_.append(text);
        tail_ = ControlWordTail();
    }

    // The space that ends a control word: a reader takes it and shows nothing.
    void PutDelimiter()
    {
        tail_ = Tail::None;
        doc_.push_back(' ');
    }

    void PutFromPage(char c)
    {
        DelimitBefore(c);
        if (c == '\\' || c == '{' || c == '}')
            doc_.push_back('\\');
        doc_.push_back(c);
    }

    void PutUnicode(char16_t unit, char fallback)
    {
        char digits[8];
        const auto [end, ec] = std::to_chars(digits, digits + sizeof digits, static_cast<unsigned>(unit));
        (void)ec;  // five digits always fit
        tail_ = Tail::None;
        doc_.append("\\u");
        doc_.append(digits, end);
        doc_.push_back(fallback);
    }

    // True when the document so far ends in a control word with no delimiter
    // yet (such as "\\par"), so that a letter or digit written next would
    // become part of it. Control words are short: only a few bytes are looked at.
    bool EndsInControlWord() const
    {
        auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
        auto isLetter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
        const size_t stop = doc_.size() > 48 ? doc_.size() - 48 : 0;
        size_t i = doc_.size();
        while (i > stop && isDigit(doc_[i - 1]))
            --i;
        if (i > stop && doc_[i - 1] == '-')
            --i;
        const size_t wordEnd = i;
        while (i > stop && isLetter(doc_[i - 1]))
            --i;
        if (i == wordEnd || i == stop || doc_[i - 1] != '\\')
            return false;
        size_t backslashes = 0;
        while (i > stop && doc_[i - 1] == '\\') {
            ++backslashes;
            --i;
        }
        return backslashes % 2 == 1;
    }

    void Close()
    {
        tail_ = Tail::None;
        GrowIfShort(2, 3);
        doc_.push_back('}');
    }

    int32_t Capacity() const
    {
        return static_cast<int32_t>(std::min<int64_t>(capacity_, std::numeric_limits<int32_t>::max()));
    }

private:
    // How the document ends: in a control word's letters ("\\par"), in its
    // number ("\\b0"), or otherwise.
    enum class Tail : uint8_t { None, Letters, Number };

    Tail ControlWordTail() const
    {
        if (!EndsInControlWord())
            return Tail::None;
        const char last = doc_.back();
        return last >= '0' && last <= '9' ? Tail::Number : Tail::Letters;
    }

    // Control words are written without a delimiter, so text that would read
    // as more of the word (a letter or digit after "\\par", a digit after
    // "\\b0") would vanish into it, and a space right after one is taken as
    // its delimiter and never shown ("Томов:\\b0 3" reads "Томов:3"). Such
    // text gets the one space a reader takes as the word's end first.
    // Anything else follows as is.
    void DelimitBefore(char next)
    {
        const Tail tail = tail_;
        tail_ = Tail::None;
        const bool digit = next >= '0' && next <= '9';
        const bool letter = (next >= 'a' && next <= 'z') || (next >= 'A' && next <= 'Z');
        if ((tail == Tail::Letters && (letter || digit || next == '-')) || (tail == Tail::Number && digit) ||
            (tail != Tail::None && next == ' '))
            doc_.push_back(' ');
    }

    void GrowIfShort(int64_t margin, int64_t step)
    {
        if (static_cast<int64_t>(doc_.size()) + margin < capacity_)
            return;
        capacity_ += step;
        // The nominal capacity counts the terminating zero, std::string does not.
        if (static_cast<uint64_t>(capacity_ - 1) > doc_.capacity())
            doc_.reserve(static_cast<size_t>(capacity_ - 1));
    }

    std::string& doc_;
    int64_t capacity_;
    Tail tail_;
};

// Opens the document for appending, runs `body`, closes it again. A failed
// allocation puts the document back as it was: shrinking and re-adding the one
// byte taken off never allocates.
template <typename Body>
inline int32_t AppendToDocument(OptString& rtf, int32_t capacity, Body&& body)
{
    const bool created = !rtf.has_value();
    size_t keptSize = 0;
    char lastByte = 0;
    try {
        int64_t nominal;
        if (created) {
            rtf.emplace();
            nominal = kGrowStep;
            rtf->reserve(static_cast<size_t>(nominal - 1));
            rtf->append(kDocumentStart);
        } else {
            keptSize = rtf->size();
            nominal = std::max<int64_t>(capacity, static_cast<int64_t>(keptSize) + 1);
            // The next byte goes where the closing brace stands now.
            if (keptSize > 0) {
                lastByte = rtf->back();
                rtf->pop_back();
            }
        }
        RtfWriter writer(*rtf, nominal);
        body(writer);
        writer.Close();
        return writer.Capacity();
    } catch (const std::bad_alloc&) {
        if (created) {
            rtf.reset();
        } else if (keptSize > 0) {
            rtf->resize(keptSize - 1);
            rtf->push_back(lastByte);
        }
        throw;
    }
}

// Length of the UTF-8 sequence a byte of 0x80 or above starts: its count of
// leading one-bits, 1 for a stray continuation byte.
inline size_t SequenceLength(unsigned char lead)
{
    size_t ones = 0;
    while (ones < 8 && (lead & (0x80u >> ones)))
        ++ones;
    return ones < 2 ? 1 : ones;
}

// The code point of one whole UTF-8 sequence; anything malformed is U+FFFD.
inline char32_t DecodeSequence(std::string_view seq)
{
    constexpr char32_t kBad = 0xFFFD;
    const auto lead = static_cast<unsigned char>(seq[0]);
    const size_t want = SequenceLength(lead);
    if (want < 2 || want > 4 || seq.size() != want)
        return kBad;
    char32_t cp = lead & (0x7Fu >> want);
    for (size_t i = 1; i < want; ++i) {
        const auto b = static_cast<unsigned char>(seq[i]);
        if ((b & 0xC0) != 0x80)
            return kBad;
        cp = (cp << 6) | (b & 0x3Fu);
    }
    static constexpr char32_t kSmallest[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kSmallest[want] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return kBad;
    return cp;
}

// The first UTF-16 unit of one UTF-8 sequence; anything malformed is U+FFFD.
inline char16_t FirstUnit(std::string_view seq)
{
    const char32_t cp = DecodeSequence(seq);
    if (cp >= 0x10000)
        return static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
    return static_cast<char16_t>(cp);
}

}  // namespace rtf_detail
