#pragma once
// Whether a received body is a whole picture, judged from its first and last
// bytes alone: a server that answers with an error page or cuts a picture
// short must not leave a file that later runs take for a finished page.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// How much of each end the check needs.
inline constexpr size_t kPictureHeadBytes = 512;
inline constexpr size_t kPictureTailBytes = 4096;

// True when the body is a picture to keep: a known picture signature with a
// complete structure (PNG ends with its IEND chunk, JPEG holds its
// end-of-image marker in the tail, GIF ends with its trailer, WebP's RIFF size
// matches the body), or an unknown binary signature. An empty body, a body
// whose first non-blank byte is "<" (HTML, XML) and a body of blanks are not.
// `head` is the body's first bytes (up to kPictureHeadBytes), `tail` its last
// (up to kPictureTailBytes), `size` its length.
bool Picture_IsWhole(std::string_view head, std::string_view tail, uint64_t size);

// Collects the two ends of a body as it arrives in chunks.
class PictureProbe {
public:
    void Feed(const char* data, size_t size);
    void Reset();
    bool IsWhole() const { return Picture_IsWhole(head_, tail_, size_); }

private:
    std::string head_;
    std::string tail_;
    uint64_t size_ = 0;
};
