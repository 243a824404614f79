// The demo site must look to zumr exactly like a site of the family: the
// real parsers read its pages, and its pictures are PNGs a viewer opens.

#include <gtest/gtest.h>
#include <httplib.h>

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>

#include <set>

#include "model/text_codec.h"
#include "parse/reader_page.h"
#include "parse/title_page.h"
#include "tools/demo_site/demo_server.h"

namespace {

bool DecodesAsPng(const std::string& bytes)
{
    int width = 0, height = 0, channels = 0;
    unsigned char* pixels = stbi_load_from_memory(reinterpret_cast<const unsigned char*>(bytes.data()),
                                                  static_cast<int>(bytes.size()), &width, &height, &channels, 0);
    stbi_image_free(pixels);
    return pixels != nullptr && width > 0 && height > 0 && bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") == 0;
}

TEST(DemoSite, ServesPagesTheParsersReadAndPicturesAViewerOpens)
{
    DemoServer server({2, 2, 1, 0});
    ASSERT_TRUE(server.Start(0));
    httplib::Client client("127.0.0.1", server.Port());

    const auto title = client.Get(DemoManga::kTitlePath);
    ASSERT_TRUE(title);
    MangaInfo manga;
    manga.Url = server.MangaUrl();
    manga.UrlSize = static_cast<int32_t>(manga.Url->size() + 1);
    ASSERT_EQ(Html_ParseMangaPage(title->body, manga), 0);
    EXPECT_EQ(manga.Name, Utf8ToUtf16(DemoManga::kName));
    EXPECT_EQ(manga.EngName, Utf8ToUtf16(DemoManga::kEngName));
    EXPECT_EQ(manga.JpName, Utf8ToUtf16(DemoManga::kJpName));
    ASSERT_EQ(manga.CoverCnt(), 2);
    ASSERT_EQ(manga.ChapCnt(), 2);
    EXPECT_EQ(manga.Chaps[0].Name, u"«Тайная комната»");  // newest first, entities decoded

    // Chapter 1 uses the call form, chapter 2 the variable form; both list
    // addresses the site serves, byte for byte.
    std::set<std::string> pictures = {*server.CoverPng(1), *server.CoverPng(2)};
    for (ChapterInfo& chapter : manga.Chaps) {
        const auto reader = client.Get(chapter.Url->substr(server.Host().size()));
        ASSERT_TRUE(reader);
        EXPECT_NE(reader->body.find(chapter.Num == 1 ? "rm_h.init(" : "var pictures"), std::string::npos);
        ASSERT_EQ(Html_ParseReaderPage(reader->body, chapter), 0);
        ASSERT_EQ(chapter.PageCnt(), 2);
        for (int page = 0; page < 2; ++page) {
            const auto image = client.Get(chapter.Pages[static_cast<size_t>(page)].Url->substr(server.Host().size()));
            ASSERT_TRUE(image);
            EXPECT_EQ(image->body, *server.PagePng(chapter.Vol, chapter.Num, page));
            pictures.insert(image->body);
        }
    }
    EXPECT_EQ(pictures.size(), 6u);
    for (const std::string& png : pictures)
        EXPECT_TRUE(DecodesAsPng(png));

    // The end-to-end tests count on these to tell what was fetched.
    EXPECT_EQ(server.Counters().images, 4u);
    EXPECT_EQ(server.Counters().requests, 7u);

    // The size option the benchmarks rely on.
    const std::string big = DemoManga({1, 1, 1, 256 * 1024}).PagePng(1, 1, 0);
    EXPECT_TRUE(DecodesAsPng(big));
    EXPECT_NEAR(static_cast<double>(big.size()), 256 * 1024.0, 256 * 1024.0 * 0.1);
}

}  // namespace
