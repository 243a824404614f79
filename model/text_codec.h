#pragma once
// Text conversions shared by every layer: site pages and settings are UTF-8,
// titles and paths are UTF-16, addresses are 8-bit bytes as received.

#include <string>
#include <string_view>

// Invalid UTF-8 (stray, overlong or truncated sequences, encoded surrogates)
// becomes U+FFFD, the way the platform converter treats it.
std::u16string Utf8ToUtf16(std::string_view text);

// An unpaired surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);

// Each byte becomes the UTF-16 unit of the same value (the "%S" widening used
// for addresses); no decoding happens.
std::u16string WidenBytes(std::string_view bytes);
