#include "transfer/picture_check.h"

#include <algorithm>
#include <array>

namespace {

bool StartsWith(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

bool EndsWith(std::string_view text, std::string_view suffix)
{
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

uint32_t LittleEndian32(std::string_view bytes, size_t at)
{
    uint32_t value = 0;
    for (size_t i = 4; i-- > 0;)
        value = value << 8 | static_cast<uint8_t>(bytes[at + i]);
    return value;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

// ISO base media files (AVIF, HEIF) name their brand in the first box.
bool IsHeifFamily(std::string_view head)
{
    static constexpr std::array<std::string_view, 10> kBrands{"avif", "avis", "heic", "heix", "heim",
                                                              "heis", "hevc", "hevx", "mif1", "msf1"};
    if (head.size() < 12 || head.substr(4, 4) != "ftyp")
        return false;
    return std::find(kBrands.begin(), kBrands.end(), head.substr(8, 4)) != kBrands.end();
}

}  // namespace

bool Picture_IsWhole(std::string_view head, std::string_view tail, uint64_t size)
{
    if (size == 0 || head.empty())
        return false;
    if (StartsWith(head, "\x89PNG\r\n\x1a\n"))
        return EndsWith(tail, std::string_view("\0\0\0\0IEND\xae\x42\x60\x82", 12));
    if (StartsWith(head, "\xff\xd8\xff"))
        return size >= 4 && tail.find("\xff\xd9") != std::string_view::npos;
    if (StartsWith(head, "GIF87a") || StartsWith(head, "GIF89a"))
        return EndsWith(tail, ";");
    if (StartsWith(head, "RIFF") && head.size() >= 12 && head.substr(8, 4) == "WEBP")
        return uint64_t{LittleEndian32(head, 4)} + 8 == size;
    if (StartsWith(head, "BM") || IsHeifFamily(head))
        return true;
    // A text reply: an error or login page, or nothing but blanks.
    std::string_view rest = head;
    if (StartsWith(rest, "\xef\xbb\xbf"))
        rest.remove_prefix(3);
    const size_t first = std::find_if_not(rest.begin(), rest.end(), IsBlank) - rest.begin();
    if (first == rest.size())
        return false;
    return rest[first] != '<';
}

void PictureProbe::Feed(const char* data, size_t size)
{
    size_ += size;
    if (head_.size() < kPictureHeadBytes)
        head_.append(data, std::min(size, kPictureHeadBytes - head_.size()));
    if (size >= kPictureTailBytes) {
        tail_.assign(data + size - kPictureTailBytes, kPictureTailBytes);
        return;
    }
    const size_t keep = std::min(tail_.size(), kPictureTailBytes - size);
    tail_.erase(0, tail_.size() - keep);
    tail_.append(data, size);
}

void PictureProbe::Reset()
{
    head_.clear();
    tail_.clear();
    size_ = 0;
}
