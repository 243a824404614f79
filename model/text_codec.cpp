#include "model/text_codec.h"

#include <iterator>

#include <utf8cpp/utf8.h>

std::u16string Utf8ToUtf16(std::string_view text)
{
    std::u16string out;
    out.reserve(text.size());
    if (utf8::find_invalid(text.begin(), text.end()) == text.end()) {
        utf8::unchecked::utf8to16(text.begin(), text.end(), std::back_inserter(out));
        return out;
    }
    std::string repaired;
    repaired.reserve(text.size() + 8);
    utf8::replace_invalid(text.begin(), text.end(), std::back_inserter(repaired), 0xFFFD);
    utf8::unchecked::utf8to16(repaired.begin(), repaired.end(), std::back_inserter(out));
    return out;
}

std::string Utf16ToUtf8(std::u16string_view text)
{
    std::string out;
    out.reserve(text.size());
    auto put = std::back_inserter(out);
    for (size_t i = 0; i < text.size(); ++i) {
        const char32_t unit = text[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            const char32_t low = text[++i];
            utf8::unchecked::append(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00), put);
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            utf8::unchecked::append(0xFFFD, put);
        } else {
            utf8::unchecked::append(unit, put);
        }
    }
    return out;
}

std::u16string WidenBytes(std::string_view bytes)
{
    std::u16string out(bytes.size(), u'\0');
    for (size_t i = 0; i < bytes.size(); ++i)
        out[i] = static_cast<unsigned char>(bytes[i]);
    return out;
}
