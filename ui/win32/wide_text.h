#pragma once
// UTF-16 texts as the W functions take them: wchar_t is 16 bits on Windows.
#include <string>
#include <string_view>

namespace ui::win32 {

inline const wchar_t* W(const std::u16string& text)
{
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

inline std::u16string U16(const wchar_t* text)
{
    return text ? std::u16string(reinterpret_cast<const char16_t*>(text)) : std::u16string();
}

}  // namespace ui::win32
