#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/parse/rtf_check.h"
#include "parse/chapter_link.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    ChapterInfo chapter;
    Html_ParseChapterLink(chapter, text);
    // A title is never empty and never longer than its text in UTF-16 units.
    FuzzRequire(!chapter.Name || (!chapter.Name->empty() && chapter.Name->size() <= text.size()));
    return 0;
}
