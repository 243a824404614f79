// Every parser run again and again with the N-th allocation failing, for every
// N until a run completes: the record must stay whole each time.

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

#include <gtest/gtest.h>

#include "parse/reader_page.h"
#include "parse/title_page.h"
#include "tests/parse/fixture.h"

namespace {
std::atomic<long> gAllocationsLeft{-1};  // -1: no failure planned
}  // namespace

void* operator new(size_t size)
{
    if (gAllocationsLeft.load() >= 0 && gAllocationsLeft.fetch_sub(1) == 0)
        throw std::bad_alloc();
    if (void* block = std::malloc(size ? size : 1))
        return block;
    throw std::bad_alloc();
}

// g++ sees malloc inside a replaced operator new and free inside the matching
// delete as a mismatch once it inlines them (mingw-w64 does).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, size_t) noexcept { std::free(block); }

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
