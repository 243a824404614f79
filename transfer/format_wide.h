#pragma once
// printf-style formatting into UTF-16 text, for the names of downloaded files
// and the texts of the window's cells.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

// One argument of FormatWide: a number for %i/%d/%u, UTF-16 text for %s,
// 8-bit text for %S (each byte widened to the unit of the same value).
using FormatArg = std::variant<int64_t, std::u16string_view, std::string_view>;

// printf-style formatting into UTF-16 with the flags "-" and "0", a width
// and a precision. Returns the number of units written into `target`, or -1
// when a conversion is unknown or its argument is missing or of another kind
// (`target` then holds what was formatted up to there).
int FormatWide(std::u16string& target, std::u16string_view format, std::initializer_list<FormatArg> args);
