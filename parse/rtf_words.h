#pragma once
// The vocabulary of the description's RTF reader: the control words it acts
// on, and the 8-bit code pages its \'hh bytes are read in.

#include <cstdint>
#include <string_view>

namespace rtf_detail {

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

// The word named `name`, or null for a word the reader ignores.
const Word* FindWord(std::string_view name);

// One byte of text in Windows-1251 (`cp1251`) or Windows-1252.
char16_t DecodeByte(unsigned char byte, bool cp1251);

}  // namespace rtf_detail
