// Input: a title page; one starting with "@" gives the manga address on its
// first line instead of the usual one.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/parse/rtf_check.h"
#include "parse/title_page.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string_view input(reinterpret_cast<const char*>(data), size);
    std::string address = "http://host.example/manga";
    if (input.starts_with("@")) {
        const size_t lineEnd = input.find('\n');
        address = std::string(input.substr(1, lineEnd == std::string_view::npos ? std::string_view::npos : lineEnd - 1));
        input = lineEnd == std::string_view::npos ? std::string_view() : input.substr(lineEnd + 1);
    }
    MangaInfo manga;
    manga.Url = address;
    manga.UrlSize = static_cast<int32_t>(address.size() + 1);

    const int rc = Html_ParseMangaPage(input, manga);
    FuzzRequire(rc == 0 || rc == 13 || rc == 69);
    if (rc == 69) {
        FuzzRequire(!manga.Desc && !manga.Name && manga.Chaps.empty() && manga.Covers.empty());
        return 0;
    }
    FuzzRequire(manga.Desc.has_value() && RtfIsOneClosedGroup(*manga.Desc));
    FuzzRequire(manga.DescSize >= static_cast<int32_t>(manga.Desc->size() + 1));
    for (const CoverInfo& cover : manga.Covers)
        FuzzRequire(cover.Url && cover.UrlSize == static_cast<int32_t>(cover.Url->size() + 1));
    for (const ChapterInfo& chapter : manga.Chaps) {
        // "?mature=1", or "&mature=1" after a query of a 2024 address.
        FuzzRequire(chapter.Url && chapter.Url->ends_with("mature=1"));
        FuzzRequire(!chapter.Name || !chapter.Name->empty());
        FuzzRequire(chapter.Pages.empty());
    }
    return 0;
}
