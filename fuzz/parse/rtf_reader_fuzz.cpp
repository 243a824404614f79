// Input: any bytes, read as a description document.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "parse/rtf_reader.h"

namespace {

void Require(bool holds)
{
    if (!holds)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view rtf(reinterpret_cast<const char*>(data), size);
    size_t units = 0;
    for (const RtfParagraph& paragraph : Rtf_Read(rtf)) {
        const RtfRun* previous = nullptr;
        for (const RtfRun& run : paragraph.runs) {
            Require(!run.text.empty());
            Require(!previous || previous->bold != run.bold || previous->italic != run.italic);
            for (const char16_t unit : run.text)
                Require(unit >= 0x20 || unit == u'\t');
            units += run.text.size();
            previous = &run;
        }
    }
    // Every shown unit costs at least one input byte.
    Require(units <= size);
    return 0;
}
