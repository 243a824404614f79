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

// One parse with the n-th allocation failing; the checks after it allocate freely.
template <typename Call>
int Failing(long n, Call call)
{
    gAllocationsLeft = n;
    const int rc = call();
    gAllocationsLeft = -1;
    return rc;
}

// Runs `parse` (n) for n = 0, 1, ... until it succeeds; returns the number of runs.
template <typename Parse>
long RunUntilComplete(Parse parse)
{
    long n = 0;
    for (int rc = 12; rc == 12 && n < kMaxRuns; ++n) {
        rc = parse(n);
        EXPECT_TRUE(rc == 0 || rc == 12) << rc;
        if (rc != 0 && rc != 12)
            break;
    }
    EXPECT_LT(n, kMaxRuns);
    return n;
}

TEST(AllocationFailure, ReaderPagesKeepTheCompletedPages)
{
    // The call list of the first breaks, so both script forms are read.
    for (const char* file : {"reader_call_broken.html", "reader_2024.html"}) {
        SCOPED_TRACE(file);
        const std::string page = ReadParseFixture(file);
        ChapterInfo full;
        ASSERT_EQ(Html_ParseReaderPage(page, full), 0);
        const long runs = RunUntilComplete([&](long n) {
            ChapterInfo chapter;
            const int rc = Failing(n, [&] { return Html_ParseReaderPage(page, chapter); });
            EXPECT_TRUE(rc != 0 || ChapterInfo_Equal(chapter, full));
            EXPECT_LE(chapter.Pages.size(), full.Pages.size());
            for (size_t i = 0; i < chapter.Pages.size() && i < full.Pages.size(); ++i)
                EXPECT_EQ(chapter.Pages[i].Url, full.Pages[i].Url);
            return rc;
        });
        EXPECT_GT(runs, static_cast<long>(full.Pages.size()));
    }
}

TEST(AllocationFailure, TitlePagesLeaveAConsistentRecord)
{
    const std::pair<const char*, std::string> pages[] = {
        {"title_full.html", "http://readmanga.example/death_note"},
        {"title_2024.html", "https://mangasite.example/chasovaya_lavka"},
    };
    for (const auto& [file, url] : pages) {
        SCOPED_TRACE(file);
        const std::string page = ReadParseFixture(file);
        const std::string& address = url;  // clang 14 captures no structured binding
        auto fresh = [&address](MangaInfo& manga) {
            manga.Url = address;
            manga.UrlSize = static_cast<int32_t>(address.size() + 1);
        };
        MangaInfo full;
        fresh(full);
        ASSERT_EQ(Html_ParseMangaPage(page, full), 0);
        const long runs = RunUntilComplete([&](long n) {
            MangaInfo manga;
            fresh(manga);
            const int rc = Failing(n, [&] { return Html_ParseMangaPage(page, manga); });
            EXPECT_TRUE(rc != 0 || MangaInfo_Equal(manga, full));
            EXPECT_TRUE(manga.Desc && manga.Desc->starts_with("{\\rtf1") && manga.Desc->ends_with("}"));
            EXPECT_GE(manga.DescSize, static_cast<int32_t>(manga.Desc.value_or("").size() + 1));
            EXPECT_LE(manga.Covers.size(), full.Covers.size());
            EXPECT_LE(manga.Chaps.size(), full.Chaps.size());
            for (size_t i = 0; i < manga.Chaps.size() && i < full.Chaps.size(); ++i) {
                EXPECT_EQ(manga.Chaps[i].Url, full.Chaps[i].Url);
                // Only the last chapter may have lost its title to the failure.
                const bool named = i + 1 < manga.Chaps.size() || manga.Chaps[i].Name;
                EXPECT_TRUE(!named || manga.Chaps[i].Name == full.Chaps[i].Name) << i;
            }
            return rc;
        });
        EXPECT_GT(runs, static_cast<long>(full.Chaps.size()));
    }
}

}  // namespace
