#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/parse/rtf_check.h"
#include "parse/reader_page.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view page(reinterpret_cast<const char*>(data), size);
    ChapterInfo chapter;
    const int rc = Html_ParseReaderPage(page, chapter);
    FuzzRequire(rc == 0 || rc == 1 || rc == 3 || rc == 14);
    for (const PageInfo& p : chapter.Pages) {
        FuzzRequire(p.Url && p.UrlSize == static_cast<int32_t>(p.Url->size() + 1));
        FuzzRequire(p.Url->size() <= page.size());
    }
    return 0;
}
