#pragma once
// Checks shared by the parser fuzzers.

#include <cstdlib>
#include <string_view>

// Stops the run so libFuzzer records the input.
inline void FuzzRequire(bool holds)
{
    if (!holds)
        std::abort();
}

// The document opens with "{\rtf1" and its only unescaped closing brace is the
// last byte: nothing taken from a page can end it early or open a group.
inline bool RtfIsOneClosedGroup(std::string_view doc)
{
    if (!doc.starts_with("{\\rtf1") || !doc.ends_with("}"))
        return false;
    int depth = 0;
    for (size_t i = 0; i < doc.size(); ++i) {
        if (doc[i] == '\\') {
            ++i;
        } else if (doc[i] == '{') {
            if (++depth > 1)
                return false;
        } else if (doc[i] == '}') {
            if (--depth == 0 && i + 1 != doc.size())
                return false;
        }
    }
    return depth == 0;
}
