#pragma once
// Result codes of the page parsers. The page-fetch worker acts on them, and
// the window shows their negated values as a chapter's error.

inline constexpr int kParseOk = 0;
inline constexpr int kParseNoList = 1;         // reader page: no usable image list
inline constexpr int kParseNoBracket = 3;      // reader page: variable form without "["
inline constexpr int kParseOutOfMemory = 12;   // an allocation failed
inline constexpr int kParseUnclosed = 13;      // title page: a block's closing text is missing
inline constexpr int kParseBrokenScript = 14;  // reader page: broken script text
inline constexpr int kParseBadAddress = 69;    // title page: the manga address is unusable
