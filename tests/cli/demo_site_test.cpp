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

bool DecodesAsPng(const std::string& bytes, int& width, int& height)
{
    int channels = 0;
    unsigned char* pixels = stbi_load_from_memory(reinterpret_cast<const unsigned char*>(bytes.data()),
                                                  static_cast<int>(bytes.size()), &width, &height, &channels, 0);
    stbi_image_free(pixels);
    return pixels != nullptr && bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") == 0;
}

TEST(DemoSite, PicturesAreValidPngsOfTheirOwnAndStable)
{
    const DemoManga manga({3, 3, 2, 0});
    std::set<std::string> distinct;
    for (const DemoChapter& chapter : manga.Chapters()) {
        for (int page = 0; page < 3; ++page) {
            const std::string png = manga.PagePng(chapter.Vol, chapter.Num, page);
            int width = 0, height = 0;
            ASSERT_TRUE(DecodesAsPng(png, width, height)) << chapter.Num << "/" << page;
            EXPECT_GT(width, 0);
            EXPECT_GT(height, 0);
            EXPECT_EQ(png, manga.PagePng(chapter.Vol, chapter.Num, page));
            distinct.insert(png);
        }
    }
    EXPECT_EQ(distinct.size(), 9u);

    for (const int kib : {16, 256}) {
        const DemoManga big({1, 1, 1, kib * 1024});
        const std::string png = big.PagePng(1, 1, 0);
        int width = 0, height = 0;
        EXPECT_TRUE(DecodesAsPng(png, width, height));
        EXPECT_NEAR(static_cast<double>(png.size()), kib * 1024.0, kib * 1024.0 * 0.1) << kib;
    }
}

TEST(DemoSite, ServesPagesTheParsersReadAndCountsRequests)
{
    DemoServer server({2, 2, 1, 0});
    ASSERT_TRUE(server.Start(0));
    httplib::Client client("127.0.0.1", server.Port());

    const auto title = client.Get(DemoManga::kTitlePath);
    ASSERT_TRUE(title);
    ASSERT_EQ(title->status, 200);
    MangaInfo manga;
    manga.Url = server.MangaUrl();
    manga.UrlSize = static_cast<int32_t>(manga.Url->size() + 1);
    ASSERT_EQ(Html_ParseMangaPage(title->body, manga), 0);
    EXPECT_EQ(manga.Name, Utf8ToUtf16(DemoManga::kName));
    EXPECT_EQ(manga.EngName, Utf8ToUtf16(DemoManga::kEngName));
    EXPECT_EQ(manga.JpName, Utf8ToUtf16(DemoManga::kJpName));
    ASSERT_EQ(manga.CoverCnt(), 2);
    EXPECT_EQ(manga.Covers[0].Url, server.Host() + DemoManga::CoverPath(1));
    EXPECT_EQ(manga.Covers[1].Url, DemoManga::CoverPath(2));
    ASSERT_EQ(manga.ChapCnt(), 2);
    EXPECT_EQ(manga.Chaps[0].Vol, 2);  // newest first
    EXPECT_EQ(manga.Chaps[0].Num, 2);
    EXPECT_EQ(manga.Chaps[0].Name, u"«Тайная комната»");
    EXPECT_EQ(manga.Chaps[1].Vol, 1);
    EXPECT_EQ(manga.Chaps[1].Name, u"Начало");

    // Chapter 1 uses the call form, chapter 2 the variable form; both list
    // addresses the site serves, byte for byte.
    for (ChapterInfo& chapter : manga.Chaps) {
        const std::string path = chapter.Url->substr(server.Host().size());
        const auto reader = client.Get(path);
        ASSERT_TRUE(reader);
        EXPECT_NE(reader->body.find(chapter.Num == 1 ? "rm_h.init(" : "var pictures"), std::string::npos);
        ASSERT_EQ(Html_ParseReaderPage(reader->body, chapter), 0);
        ASSERT_EQ(chapter.PageCnt(), 2);
        const std::string second = chapter.Pages[1].Url->substr(server.Host().size());
        const auto image = client.Get(second);
        ASSERT_TRUE(image);
        EXPECT_EQ(image->body, *server.PagePng(chapter.Vol, chapter.Num, 1)) << second;
    }

    for (const char* missing : {"/img/1/1/03.png", "/img/2/1/01.png", "/zumr_demo/vol1/2", "/covers/zumr_demo_3.png"}) {
        const auto reply = client.Get(missing);
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->status, 404) << missing;
    }
    const DemoCounters counters = server.Counters();
    EXPECT_EQ(counters.titlePages, 1u);
    EXPECT_EQ(counters.readerPages, 2u);
    EXPECT_EQ(counters.images, 2u);
    EXPECT_EQ(counters.notFound, 4u);
    EXPECT_EQ(counters.requests, 9u);
    ASSERT_TRUE(client.Get("/stats"));
    EXPECT_EQ(server.Counters().requests, 9u);  // asking for the numbers is not counted
}

}  // namespace
