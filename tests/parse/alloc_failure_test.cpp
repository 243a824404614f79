// Every parser run again and again with the N-th allocation failing, for every
// N until a run completes: the record must stay whole each time.

#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "parse/reader_page.h"
#include "parse/title_page.h"
#include "tests/parse/support.h"
#include "tests/support/failing_new.h"

namespace {

// Runs `parse` on a `fresh` record with the n-th allocation failing for
// n = 0, 1, ... until it succeeds, then `check` (which allocates freely) on its
// result; gives the number of runs.
template <typename Fresh, typename Parse, typename Check>
long RunUntilComplete(Fresh fresh, Parse parse, Check check)
{
    constexpr long kMaxRuns = 20000;
    long n = 0;
    for (int rc = 12; rc == 12 && n < kMaxRuns; ++n) {
        fresh();
        gAllocationsLeft = n;
        rc = parse();
        gAllocationsLeft = -1;
        check(rc);
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
        ChapterInfo chapter;
        const long runs = RunUntilComplete([&] { chapter = {}; }, [&] { return Html_ParseReaderPage(page, chapter); }, [&](int rc) {
            EXPECT_TRUE(rc != 0 || ChapterInfo_Equal(chapter, full));
            EXPECT_LE(chapter.Pages.size(), full.Pages.size());
            for (size_t i = 0; i < chapter.Pages.size() && i < full.Pages.size(); ++i)
                EXPECT_EQ(chapter.Pages[i].Url, full.Pages[i].Url);
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
        const auto withAddress = [&](MangaInfo& manga) -> MangaInfo& {
            manga.Url = address;
            manga.UrlSize = static_cast<int32_t>(address.size() + 1);
            return manga;
        };
        MangaInfo full;
        ASSERT_EQ(Html_ParseMangaPage(page, withAddress(full)), 0);
        std::optional<MangaInfo> fresh;  // a record of its own for every run
        const long runs = RunUntilComplete([&] { withAddress(fresh.emplace()); },
                                           [&] { return Html_ParseMangaPage(page, *fresh); }, [&](int rc) {
            const MangaInfo& manga = *fresh;
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
        });
        EXPECT_GT(runs, static_cast<long>(full.Chaps.size()));
    }
}

}  // namespace
