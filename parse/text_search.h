#pragma once
// Plain substring searches over a page, bounded by positions instead of
// temporary zero bytes, so the page itself is never written.

#include <cstddef>
#include <cstring>
#include <string.h>
#include <string_view>

namespace parse_text {

inline constexpr size_t kNone = std::string_view::npos;

// Site pages are handled as zero-terminated text: nothing after a stray zero
// byte takes part in any search.
inline std::string_view UpToFirstZero(std::string_view text)
{
    const void* zero = std::memchr(text.data(), 0, text.size());
    return zero ? text.substr(0, static_cast<size_t>(static_cast<const char*>(zero) - text.data())) : text;
}

// First occurrence of `needle` lying wholly inside [from, end) of `text`.
inline size_t FindIn(std::string_view text, std::string_view needle, size_t from, size_t end)
{
    if (end > text.size())
        end = text.size();
    if (from > end || needle.size() > end - from)
        return kNone;
    if (needle.empty())
        return from;
    // memmem skips ahead on mismatches; a memchr on "<" would stop at every tag.
    const void* hit = memmem(text.data() + from, end - from, needle.data(), needle.size());
    return hit ? static_cast<size_t>(static_cast<const char*>(hit) - text.data()) : kNone;
}

inline size_t Find(std::string_view text, std::string_view needle, size_t from)
{
    return FindIn(text, needle, from, text.size());
}

inline size_t FindCharIn(std::string_view text, char wanted, size_t from, size_t end)
{
    if (end > text.size())
        end = text.size();
    if (from >= end)
        return kNone;
    const void* hit = std::memchr(text.data() + from, wanted, end - from);
    return hit ? static_cast<size_t>(static_cast<const char*>(hit) - text.data()) : kNone;
}

// The same needle searched again and again from positions that only move
// forward. While the new start has not passed the last hit, that hit is still
// the first one, so a run of starts before one far-away hit scans it only once.
class ForwardFinder {
public:
    ForwardFinder(std::string_view text, std::string_view needle, size_t end)
        : text_(text), needle_(needle), end_(end)
    {
    }

    size_t From(size_t from)
    {
        if (searched_ && from >= lastFrom_ && (lastHit_ == kNone || from <= lastHit_))
            return lastHit_;
        searched_ = true;
        lastFrom_ = from;
        lastHit_ = FindIn(text_, needle_, from, end_);
        return lastHit_;
    }

private:
    std::string_view text_;
    std::string_view needle_;
    size_t end_;
    bool searched_ = false;
    size_t lastFrom_ = 0;
    size_t lastHit_ = kNone;
};

}  // namespace parse_text
