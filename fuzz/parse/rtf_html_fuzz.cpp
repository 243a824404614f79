// Input: one control byte (bit 0: start from no document; bit 1: the visible
// text of the sites' current layouts rather than paragraphs; the rest: extra
// capacity), then an HTML fragment, appended twice to exercise an existing document.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/parse/rtf_check.h"
#include "parse/rtf.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const std::string_view html(reinterpret_cast<const char*>(data) + 1, size - 1);
    OptString doc;
    int32_t capacity = 0;
    if (!(data[0] & 1)) {
        doc = std::string("{\\rtf1}");
        capacity = 8 + (data[0] >> 2);
    }
    for (int round = 0; round < 2; ++round) {
        const int32_t before = capacity;
        capacity = (data[0] & 2) ? Rtf_AppendVisibleHtml(html, doc, capacity) : Rtf_AppendHtml(html, doc, capacity);
        FuzzRequire(doc.has_value() && RtfIsOneClosedGroup(*doc));
        FuzzRequire(capacity >= static_cast<int32_t>(doc->size() + 1) && capacity >= before);
    }
    return 0;
}
