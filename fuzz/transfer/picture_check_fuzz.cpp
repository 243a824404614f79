// Any bytes as a received body, arriving in chunks whose sizes the first byte
// chooses: the check must stay inside the body's two ends and judge the same
// whatever the chunks, and the same as on the whole body at once.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "transfer/picture_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const size_t chunk = size_t{data[0]} * 17 + 1;
    const std::string_view body(reinterpret_cast<const char*>(data) + 1, size - 1);
    PictureProbe probe;
    for (size_t at = 0; at < body.size(); at += chunk)
        probe.Feed(body.data() + at, std::min(chunk, body.size() - at));
    const bool whole = Picture_IsWhole(body.substr(0, kPictureHeadBytes),
                                       body.substr(body.size() - std::min(body.size(), kPictureTailBytes)), body.size());
    if (probe.IsWhole() != whole)
        std::abort();
    return 0;
}
