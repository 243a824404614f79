#pragma once
// What a rich-edit control shows for a description document, by the RTF
// reading rules: a space after a control word is its delimiter, "\par" is a
// line break, "\uN?" is one UTF-16 unit with its fallback skipped, and
// formatting words show nothing.

#include <string>
#include <string_view>

inline std::u16string RtfShownText(std::string_view rtf)
{
    std::u16string out;
    auto isLetter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    for (size_t i = 0; i < rtf.size();) {
        const char c = rtf[i];
        if (c == '{' || c == '}') {
            ++i;
            continue;
        }
        if (c != '\\') {
            out.push_back(static_cast<unsigned char>(c));
            ++i;
            continue;
        }
        ++i;
        if (i < rtf.size() && !isLetter(rtf[i])) {
            out.push_back(static_cast<unsigned char>(rtf[i++]));
            continue;
        }
        std::string word;
        while (i < rtf.size() && isLetter(rtf[i]))
            word.push_back(rtf[i++]);
        long parameter = 0;
        while (i < rtf.size() && isDigit(rtf[i]))
            parameter = parameter * 10 + (rtf[i++] - '0');
        if (i < rtf.size() && rtf[i] == ' ')
            ++i;
        if (word == "par") {
            out.push_back(u'\n');
        } else if (word == "u") {
            out.push_back(static_cast<char16_t>(parameter));
            ++i;  // the fallback character
        }
    }
    return out;
}
