// The demo site's pictures are PNGs a viewer opens, also at the size the
// benchmarks ask for. That the real parsers read its pages and fetch exactly
// what it serves is what the companion's end-to-end tests show.

#include <gtest/gtest.h>

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>

#include <set>

#include "tools/demo_site/demo_manga.h"

namespace {

bool DecodesAsPng(const std::string& bytes)
{
    int width = 0, height = 0, channels = 0;
    unsigned char* pixels = stbi_load_from_memory(reinterpret_cast<const unsigned char*>(bytes.data()),
                                                  static_cast<int>(bytes.size()), &width, &height, &channels, 0);
    stbi_image_free(pixels);
    return pixels != nullptr && width > 0 && height > 0 && bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") == 0;
}

TEST(DemoSite, PicturesArePngsAViewerOpens)
{
    const DemoManga manga({2, 2, 1, 0});
    std::set<std::string> pictures = {manga.CoverPng(1), manga.CoverPng(2)};
    for (const DemoChapter& chapter : manga.Chapters())
        for (int page = 0; page < 2; ++page)
            pictures.insert(manga.PagePng(chapter.Vol, chapter.Num, page));
    EXPECT_EQ(pictures.size(), 6u);  // every picture differs
    for (const std::string& png : pictures)
        EXPECT_TRUE(DecodesAsPng(png));

    const std::string big = DemoManga({1, 1, 1, 256 * 1024}).PagePng(1, 1, 0);
    EXPECT_TRUE(DecodesAsPng(big));
    EXPECT_NEAR(static_cast<double>(big.size()), 256 * 1024.0, 256 * 1024.0 * 0.1);
}

}  // namespace
