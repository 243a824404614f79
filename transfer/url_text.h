#pragma once
// Addresses as the sites give them.

#include <cstdint>
#include <string>
#include <string_view>

// Resolves `reference` against `base` the way a browser does for the common
// forms: an absolute address stays as it is; "//host/x" takes the base's
// scheme; "/x" takes the base's scheme and host; "?q" replaces the base's
// query; anything else is taken relative to the base's folder. With no usable
// base (no scheme and host), the reference is returned unchanged.
std::string ResolveUrl(std::string_view base, std::string_view reference);

// True when an address names nothing to fetch: empty once the fragment is
// dropped. Resolved against a page, such an address would give that page.
bool UrlIsEmpty(std::string_view url);

// One separator-delimited part of a UTF-16 text. `sourceCount` is how many
// units may be examined, terminator included; `targetCount` is the target's
// capacity, terminator included. which >= 0: the part after the which-th
// separator; -1: only count separators; -2: the last part. Returns the part's
// start, the count for -1, -10 without a source, -2 for a bad `which`, -1 when
// there are fewer separators, -3 when the part had to be cut to fit.
int GetUrlComponent(const char16_t* source, int32_t sourceCount, char16_t* target, int32_t targetCount,
                    int32_t which, char16_t separator);
