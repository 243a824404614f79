// Every parser run again and again with the N-th allocation failing, for every
// N until a run completes: the record must stay whole each time.

#include <string>

#include <gtest/gtest.h>

#include "parse/reader_page.h"
#include "parse/title_page.h"
#include "tests/parse/fixture.h"
#include "tests/support/failing_new.h"

namespace {

constexpr long kMaxRuns = 20000;

TEST(AllocationFailure, ReaderPageKeepsTheCompletedPages)
{
    // The call list of this page breaks, so both script forms are read.
    const std::string page = ReadParseFixture("reader_call_broken.html");
    ChapterInfo full;
    ASSERT_EQ(Html_ParseReaderPage(page, full), 0);
    long n = 0;
    for (int rc = 12; rc == 12 && n < kMaxRuns; ++n) {
        ChapterInfo chapter;
        gAllocationsLeft = n;
        rc = Html_ParseReaderPage(page, chapter);
        gAllocationsLeft = -1;
        if (rc == 0) {
            EXPECT_TRUE(ChapterInfo_Equal(chapter, full));
        }
        ASSERT_TRUE(rc == 0 || rc == 12) << rc;
        ASSERT_LE(chapter.Pages.size(), full.Pages.size());
        for (size_t i = 0; i < chapter.Pages.size(); ++i)
            EXPECT_EQ(chapter.Pages[i].Url, full.Pages[i].Url);
    }
    EXPECT_GT(n, static_cast<long>(full.Pages.size()));
}

TEST(AllocationFailure, TitlePageLeavesAConsistentRecord)
{
    const std::string page = ReadParseFixture("title_full.html");
    const std::string address = "http://readmanga.example/death_note";
    MangaInfo full;
    full.Url = address;
    full.UrlSize = static_cast<int32_t>(address.size() + 1);
    ASSERT_EQ(Html_ParseMangaPage(page, full), 0);
    long n = 0;
    for (int rc = 12; rc == 12 && n < kMaxRuns; ++n) {
        MangaInfo manga;
        manga.Url = address;
        manga.UrlSize = full.UrlSize;
        gAllocationsLeft = n;
        rc = Html_ParseMangaPage(page, manga);
        gAllocationsLeft = -1;
        if (rc == 0) {
            EXPECT_TRUE(MangaInfo_Equal(manga, full));
        }
        ASSERT_TRUE(rc == 0 || rc == 12) << rc;
        ASSERT_TRUE(manga.Desc.has_value());
        EXPECT_TRUE(manga.Desc->starts_with("{\\rtf1") && manga.Desc->ends_with("}"));
        EXPECT_GE(manga.DescSize, static_cast<int32_t>(manga.Desc->size() + 1));
        ASSERT_LE(manga.Covers.size(), full.Covers.size());
        ASSERT_LE(manga.Chaps.size(), full.Chaps.size());
        for (size_t i = 0; i < manga.Chaps.size(); ++i) {
            EXPECT_EQ(manga.Chaps[i].Url, full.Chaps[i].Url);
            // Only the last chapter may have lost its title to the failure.
            if (i + 1 < manga.Chaps.size() || manga.Chaps[i].Name) {
                EXPECT_EQ(manga.Chaps[i].Name, full.Chaps[i].Name) << i;
            }
        }
    }
    EXPECT_GT(n, static_cast<long>(full.Chaps.size()));
    EXPECT_LT(n, kMaxRuns);
}

}  // namespace

namespace {

TEST(AllocationFailure, The2024PagesLeaveWholeRecords)
{
    const std::string title = ReadParseFixture("title_2024.html");
    const std::string reader = ReadParseFixture("reader_2024.html");
    const std::string address = "https://mangasite.example/chasovaya_lavka";
    MangaInfo fullManga;
    fullManga.Url = address;
    fullManga.UrlSize = static_cast<int32_t>(address.size() + 1);
    ASSERT_EQ(Html_ParseMangaPage(title, fullManga), 0);
    ChapterInfo fullChapter;
    ASSERT_EQ(Html_ParseReaderPage(reader, fullChapter), 0);
    int titleRc = 12, readerRc = 12;
    for (long n = 0; (titleRc == 12 || readerRc == 12) && n < kMaxRuns; ++n) {
        MangaInfo manga;
        manga.Url = address;
        manga.UrlSize = fullManga.UrlSize;
        ChapterInfo chapter;
        gAllocationsLeft = n;
        titleRc = Html_ParseMangaPage(title, manga);
        gAllocationsLeft = n;
        readerRc = Html_ParseReaderPage(reader, chapter);
        gAllocationsLeft = -1;
        ASSERT_TRUE((titleRc == 0 || titleRc == 12) && (readerRc == 0 || readerRc == 12)) << titleRc << readerRc;
        if (titleRc == 0) {
            EXPECT_TRUE(MangaInfo_Equal(manga, fullManga));
        }
        ASSERT_TRUE(manga.Desc.has_value());
        EXPECT_TRUE(manga.Desc->starts_with("{\\rtf1") && manga.Desc->ends_with("}"));
        ASSERT_LE(chapter.Pages.size(), fullChapter.Pages.size());
        for (size_t i = 0; i < chapter.Pages.size(); ++i)
            EXPECT_EQ(chapter.Pages[i].Url, fullChapter.Pages[i].Url);
    }
    EXPECT_EQ(titleRc, 0);
    EXPECT_EQ(readerRc, 0);
}

}  // namespace
