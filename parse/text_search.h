#pragma once
// Plain substring searches over a page, bounded by positions instead of
// temporary zero bytes, so the page itself is never written.

#include <cstddef>
#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace parse_text {

inline constexpr size_t kNone = std::string_view::npos;

// Site pages are handled as zero-terminated text: nothing after a stray zero
// byte takes part in any search.
//
// An empty view may carry no data pointer at all, and the C search functions
// must never be handed one, not even for zero bytes: every search here returns
// before touching the data of an empty range.
inline std::string_view UpToFirstZero(std::string_view text)
{
    if (text.empty())
        return text;
    const void* zero = std::memchr(text.data(), 0, text.size());
    return zero ? text.substr(0, static_cast<size_t>(static_cast<const char*>(zero) - text.data())) : text;
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

// First occurrence of `needle` lying wholly inside [from, end) of `text`.
inline size_t FindIn(std::string_view text, std::string_view needle, size_t from, size_t end)
{
    if (end > text.size())
        end = text.size();
    const size_t n = needle.size();
    if (from > end || n > end - from)
        return kNone;
    if (n == 0)
        return from;
    if (n == 1)
        return FindCharIn(text, needle[0], from, end);
    const char* const base = text.data();
    const char* p = base + from;
    const char* const lastStart = base + end - n;
#if defined(__SSE2__)
    // Markers all start with "<", which a page holds every few bytes, so a
    // search on the first byte alone stops constantly. Sixteen starts at a
    // time are tested on their first and last byte together instead; only the
    // rare positions where both agree are compared in full.
    const __m128i firstByte = _mm_set1_epi8(needle[0]);
    const __m128i lastByte = _mm_set1_epi8(needle[n - 1]);
    while (lastStart - p >= 15) {
        const __m128i heads = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i tails = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + n - 1));
        unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(
            _mm_and_si128(_mm_cmpeq_epi8(heads, firstByte), _mm_cmpeq_epi8(tails, lastByte))));
        while (mask != 0) {
            const int bit = __builtin_ctz(mask);
            if (std::memcmp(p + bit + 1, needle.data() + 1, n - 2) == 0)
                return static_cast<size_t>(p + bit - base);
            mask &= mask - 1;
        }
        p += 16;
    }
#endif
    for (; p <= lastStart; ++p)
        if (p[0] == needle[0] && p[n - 1] == needle[n - 1] && std::memcmp(p, needle.data(), n) == 0)
            return static_cast<size_t>(p - base);
    return kNone;
}

inline size_t Find(std::string_view text, std::string_view needle, size_t from)
{
    return FindIn(text, needle, from, text.size());
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
