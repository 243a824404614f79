// Every parser run again and again with the N-th allocation failing, for every
// N until a run completes: the record must stay whole each time.

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

#include <gtest/gtest.h>

#include "parse/reader_page.h"
#include "parse/rtf.h"
#include "parse/title_page.h"
#include "tests/parse/fixture.h"

namespace {
std::atomic<long> gAllocationsLeft{-1};  // -1: no failure planned

class FailingAllocations {
public:
    explicit FailingAllocations(long succeeding) { gAllocationsLeft = succeeding; }
    ~FailingAllocations() { gAllocationsLeft = -1; }
    FailingAllocations(const FailingAllocations&) = delete;
    FailingAllocations& operator=(const FailingAllocations&) = delete;
};
}  // namespace

void* operator new(size_t size)
{
    if (gAllocationsLeft.load() >= 0 && gAllocationsLeft.fetch_sub(1) == 0)
        throw std::bad_alloc();
    if (void* block = std::malloc(size ? size : 1))
        return block;
    throw std::bad_alloc();
}

void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, size_t) noexcept { std::free(block); }

namespace {

constexpr long kMaxRuns = 20000;

TEST(AllocationFailure, ReaderPageKeepsTheCompletedPages)
{
    for (const char* file : {"reader_call.html", "reader_var.html", "reader_call_broken.html"}) {
        SCOPED_TRACE(file);
        const std::string page = ReadParseFixture(file);
        ChapterInfo full;
        ASSERT_EQ(Html_ParseReaderPage(page, full), 0);
        long failures = 0;
        for (long n = 0; n < kMaxRuns; ++n) {
            ChapterInfo chapter;
            int rc;
            {
                FailingAllocations fail(n);
                rc = Html_ParseReaderPage(page, chapter);
            }
            if (rc == 0) {
                EXPECT_TRUE(ChapterInfo_Equal(chapter, full));
                break;
            }
            ++failures;
            ASSERT_EQ(rc, 12);
            ASSERT_LT(chapter.Pages.size(), full.Pages.size());
            for (size_t i = 0; i < chapter.Pages.size(); ++i) {
                EXPECT_EQ(chapter.Pages[i].Url, full.Pages[i].Url);
                EXPECT_EQ(chapter.Pages[i].UrlSize, full.Pages[i].UrlSize);
            }
        }
        EXPECT_GE(failures, static_cast<long>(full.Pages.size()));
    }
}

TEST(AllocationFailure, TitlePageLeavesAConsistentRecord)
{
    const std::string page = ReadParseFixture("title_full.html");
    const std::string address = "http://readmanga.example/death_note";
    MangaInfo full;
    full.Url = address;
    full.UrlSize = static_cast<int32_t>(address.size() + 1);
    ASSERT_EQ(Html_ParseMangaPage(page, full), 0);

    long failures = 0;
    for (long n = 0; n < kMaxRuns; ++n) {
        MangaInfo manga;
        manga.Url = address;
        manga.UrlSize = full.UrlSize;
        int rc;
        {
            FailingAllocations fail(n);
            rc = Html_ParseMangaPage(page, manga);
        }
        if (rc == 0) {
            EXPECT_TRUE(MangaInfo_Equal(manga, full));
            break;
        }
        ++failures;
        ASSERT_EQ(rc, 12) << n;
        ASSERT_TRUE(manga.Desc.has_value());
        EXPECT_TRUE(manga.Desc->starts_with("{\\rtf1"));
        EXPECT_TRUE(manga.Desc->ends_with("}"));
        EXPECT_GE(manga.DescSize, static_cast<int32_t>(manga.Desc->size() + 1));
        for (const auto& [got, want] : {std::pair{&manga.Name, &full.Name}, std::pair{&manga.EngName, &full.EngName},
                                        std::pair{&manga.JpName, &full.JpName}})
            EXPECT_TRUE(!got->has_value() || *got == *want);
        ASSERT_LE(manga.Covers.size(), full.Covers.size());
        for (size_t i = 0; i < manga.Covers.size(); ++i)
            EXPECT_EQ(manga.Covers[i].Url, full.Covers[i].Url);
        ASSERT_LE(manga.Chaps.size(), full.Chaps.size());
        for (size_t i = 0; i < manga.Chaps.size(); ++i) {
            const ChapterInfo& got = manga.Chaps[i];
            const ChapterInfo& want = full.Chaps[i];
            EXPECT_EQ(got.Url, want.Url);
            EXPECT_EQ(got.Vol, want.Vol);
            EXPECT_EQ(got.Num, want.Num);
            // Only the last chapter may have lost its title to the failure.
            if (i + 1 < manga.Chaps.size() || got.Name) {
                EXPECT_EQ(got.Name, want.Name) << i;
            }
        }
    }
    EXPECT_GT(failures, static_cast<long>(full.Chaps.size()));
    EXPECT_LT(failures, kMaxRuns);
}

TEST(AllocationFailure, DescriptionIsLeftAsItWas)
{
    OptString doc = std::string("{\\rtf1 kept}");
    {
        FailingAllocations fail(0);
        EXPECT_THROW(Rtf_AppendHtml("<p>" + std::string(3000, 'x'), doc, 13), std::bad_alloc);
    }
    EXPECT_EQ(doc, "{\\rtf1 kept}");
    OptString absent;
    {
        FailingAllocations fail(0);
        EXPECT_THROW(Rtf_AppendText(u"x", absent, 0), std::bad_alloc);
    }
    EXPECT_FALSE(absent.has_value());
}

}  // namespace
