// Database files that were cut short, bit-flipped or written by someone else
// must load safely: never past a block, never a huge allocation, and a result
// that tells the caller what happened.

#include "model/manga_db.h"
#include "model/record_image.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "tests/support/temp_dir.h"

namespace {

struct ChunkSpan {
    std::string tag;
    size_t start;   // first byte of the tag
    size_t length;  // payload length
    size_t End() const { return start + 8 + length + 1; }
};

// An independent walk over a well-formed file, to know where each chunk lies.
std::vector<ChunkSpan> Chunks(const std::string& bytes)
{
    std::vector<ChunkSpan> chunks;
    for (size_t at = 0; at + 8 <= bytes.size();) {
        const size_t length = GetLE32(reinterpret_cast<const uint8_t*>(bytes.data() + at + 4));
        chunks.push_back({bytes.substr(at, 4), at, length});
        at += 8 + length + 1;
    }
    return chunks;
}

std::string SavedSample()
{
    MangaInfo manga;
    manga.Url = "http://host/m";
    manga.UrlSize = 14;
    manga.Name = u"Манга";
    manga.Desc = "{\\rtf1 x}";
    manga.DescSize = 10;
    manga.Covers.push_back({"c1.jpg", 7});
    manga.Covers.push_back({"c2.jpg", 7});
    for (int i = 0; i < 3; ++i) {
        ChapterInfo& chapter = manga.Chaps.emplace_back();
        chapter.Name = u"Глава";
        chapter.Vol = 1;
        chapter.Num = i;
        for (int j = 0; j < 3; ++j) {
            // Appended piece by piece: mingw g++ 12 at -O3 misreads the + chain as an overlapping copy.
            std::string url = "http://i/";
            url.append(std::to_string(i)).append("/").append(std::to_string(j));
            chapter.Pages.push_back({url, 12, 1});
        }
    }
    TempDir dir;
    const auto path = dir / "s.zdb";
    EXPECT_EQ(MangaDB_Save(manga, path.u16string()), 0);
    return ReadFileBytes(path);
}

std::string MangaChunk(int32_t coverCnt, int32_t chapCnt, uint8_t busy = 0)
{
    MangaImage image{};
    PutLE32(&image[28], static_cast<uint32_t>(coverCnt));
    PutLE32(&image[40], static_cast<uint32_t>(chapCnt));
    image[48] = busy;
    return std::string("MNGA\x34\0\0\0", 8) + std::string(image.begin(), image.end()) + '\0';
}

std::string Chunk(const std::string& tag, const std::string& payload)
{
    uint8_t length[4];
    PutLE32(length, static_cast<uint32_t>(payload.size()));
    return tag + std::string(reinterpret_cast<char*>(length), 4) + payload + '\0';
}

std::string ChapterChunk(int32_t pageCnt)
{
    ChapterImage image{};
    PutLE32(&image[16], static_cast<uint32_t>(pageCnt));
    return Chunk("CHAP", std::string(image.begin(), image.end()));
}

}  // namespace

TEST(MangaDbDamage, EveryTruncationLoadsSafelyWithItsCode)
{
    const std::string full = SavedSample();
    const std::vector<ChunkSpan> chunks = Chunks(full);
    ASSERT_EQ(chunks.back().End(), full.size());

    size_t lastPage = 0;
    for (const ChunkSpan& chunk : chunks) {
        if (chunk.tag == "PAGS")
            lastPage = chunk.start;
    }

    for (size_t cut = 0; cut <= full.size(); ++cut) {
        SCOPED_TRACE("cut at " + std::to_string(cut));
        MangaInfo manga;
        const int result = MangaDB_LoadBytes(manga, std::string_view(full).substr(0, cut));

        bool atBoundary = cut == full.size();  // the cut falls between chunks or on a terminator
        for (const ChunkSpan& chunk : chunks)
            atBoundary |= cut == chunk.start || cut == chunk.End() - 1;

        if (cut < 4) {
            EXPECT_EQ(result, kMangaDbNotDatabase);
            EXPECT_TRUE(MangaInfo_Equal(manga, MangaInfo{}));
        } else if (!atBoundary || cut < chunks[0].End() - 1) {
            EXPECT_EQ(result, kMangaDbDamaged);
        } else if (cut <= lastPage) {
            // Missing chapters outweigh missing covers.
            EXPECT_EQ(result, kMangaDbMissingChapters);
        } else {
            EXPECT_EQ(result, kMangaDbOk);  // only the last page's address can be missing
        }
        // Whatever was read is complete in itself.
        for (const ChapterInfo& chapter : manga.Chaps)
            for (const PageInfo& page : chapter.Pages)
                if (page.Url) {
                    EXPECT_EQ(page.Url->rfind("http://i/", 0), 0u);
                }
    }
}

TEST(MangaDbDamage, FlippedLengthBitsAreRejectedOrReadSafely)
{
    const std::string full = SavedSample();
    const std::set<int> known = {kMangaDbOk, kMangaDbBadTerminator, kMangaDbMissingCovers, kMangaDbMissingChapters,
                                 kMangaDbDamaged};
    for (const ChunkSpan& chunk : Chunks(full)) {
        for (int bit = 0; bit < 32; ++bit) {
            std::string bytes = full;
            bytes[chunk.start + 4 + bit / 8] ^= static_cast<char>(1 << (bit % 8));
            MangaInfo manga;
            const int result = MangaDB_LoadBytes(manga, bytes);
            EXPECT_TRUE(known.count(result)) << chunk.tag << " bit " << bit << " gave " << result;
            if (chunk.tag == "MNGA") {
                EXPECT_EQ(result, kMangaDbDamaged);
            }
        }
    }
}

TEST(MangaDbDamage, HostileHeadersAndChunks)
{
    struct Case {
        const char* what;
        std::string bytes;
        int result;
    };
    const std::string pageImage(kPageImageSize, '\0');
    const Case cases[] = {
        {"empty file", "", kMangaDbNotDatabase},
        {"not a database", "PK\x03\x04 some zip", kMangaDbNotDatabase},
        {"MNGA without length", "MNGA\x34", kMangaDbDamaged},
        {"MNGA of the wrong size", Chunk("MNGA", std::string(51, '\0')), kMangaDbDamaged},
        {"negative cover count", MangaChunk(-1, 0), kMangaDbDamaged},
        {"negative page count", MangaChunk(0, 1) + ChapterChunk(-5), kMangaDbDamaged},
        {"counts no file could hold", MangaChunk(0x7FFFFFFF, 0x7FFFFFFF), kMangaDbMissingChapters},
        {"cover count only", MangaChunk(1000000, 0), kMangaDbMissingCovers},
        {"page count no file could hold", MangaChunk(0, 1) + ChapterChunk(0x7FFFFFFF), kMangaDbMissingChapters},
        {"string past the end", MangaChunk(0, 0) + "_URL\xFF\xFF\xFF\x7F" "abc", kMangaDbDamaged},
        {"cover of the wrong size", MangaChunk(1, 0) + Chunk("COVR", "1234567"), kMangaDbDamaged},
        {"page of the wrong size", MangaChunk(0, 1) + ChapterChunk(1) + Chunk("PAGS", "x"), kMangaDbDamaged},
        {"unknown chunk skipped by its length", MangaChunk(0, 0) + Chunk("ZZZZ", "\x05\x06") + Chunk("_URL", "u"),
         kMangaDbOk},
        {"non-zero terminator after a string", MangaChunk(0, 0) + std::string("_URL\x01\0\0\0u\x07", 10) + Chunk("NAMR", "ab"),
         kMangaDbBadTerminator},
        {"chapter cut before its pages", MangaChunk(0, 1) + ChapterChunk(2) + Chunk("PAGS", pageImage),
         kMangaDbMissingChapters},
    };
    for (const Case& c : cases) {
        MangaInfo manga;
        EXPECT_EQ(MangaDB_LoadBytes(manga, c.bytes), c.result) << c.what;
        EXPECT_LE(manga.Covers.capacity(), c.bytes.size()) << c.what;
        EXPECT_LE(manga.Chaps.capacity(), c.bytes.size()) << c.what;
    }
}

TEST(MangaDbDamage, WhatWasReadStaysAndBusyCounterIsCleared)
{
    const std::string bytes = MangaChunk(0, 2, /*busy=*/3) + Chunk("_URL", "http://h/m") + ChapterChunk(0) +
                              Chunk("NAM_", std::string("\x10\x04", 2));
    MangaInfo manga;
    manga.BusyCnt = 1;  // as a worker left it: loading must not leave the record marked busy
    EXPECT_EQ(MangaDB_LoadBytes(manga, bytes), kMangaDbMissingChapters);
    EXPECT_EQ(manga.BusyCnt, 0);
    EXPECT_EQ(manga.Url, "http://h/m");
    ASSERT_EQ(manga.ChapCnt(), 1);
    EXPECT_EQ(manga.Chaps[0].Name, u"А");
}

TEST(MangaDbDamage, StructuresBeyondTheirCountsAreSkippedWithTheirStrings)
{
    const std::string page = Chunk("PAGS", std::string(kPageImageSize, '\0'));
    const std::string cover = Chunk("COVR", std::string(kCoverImageSize, '\0'));
    // One cover and one chapter of one page announced; each comes with one
    // more of its kind, whose strings must not land anywhere.
    const std::string bytes = MangaChunk(1, 1) + Chunk("_URL", "http://h/m") + Chunk("NAM_", std::string("J\0", 2)) +
                              cover + Chunk("_URL", "c1") + cover + Chunk("_URL", "c2") + ChapterChunk(1) +
                              Chunk("_URL", "http://h/r1") + page + Chunk("_URL", "p1") + page + Chunk("_URL", "p2") +
                              page + ChapterChunk(1) + Chunk("_URL", "http://h/r2") + Chunk("NAM_", std::string("X\0", 2)) +
                              page + Chunk("_URL", "q1") + Chunk("DESC", "{\\rtf1 d}");
    MangaInfo manga;
    EXPECT_EQ(MangaDB_LoadBytes(manga, bytes), kMangaDbOk);
    EXPECT_EQ(manga.Url, "http://h/m");
    EXPECT_EQ(manga.JpName, u"J");
    EXPECT_EQ(manga.Desc, "{\\rtf1 d}");
    ASSERT_EQ(manga.CoverCnt(), 1);
    EXPECT_EQ(manga.Covers[0].Url, "c1");
    ASSERT_EQ(manga.ChapCnt(), 1);
    EXPECT_EQ(manga.Chaps[0].Url, "http://h/r1");
    ASSERT_EQ(manga.Chaps[0].PageCnt(), 1);
    EXPECT_EQ(manga.Chaps[0].Pages[0].Url, "p1");
}

TEST(MangaDbDamage, MissingCoversAloneGiveTheirOwnCode)
{
    const std::string bytes = MangaChunk(2, 1) + ChapterChunk(0) + Chunk("COVR", std::string(kCoverImageSize, '\0'));
    MangaInfo manga;
    EXPECT_EQ(MangaDB_LoadBytes(manga, bytes), kMangaDbMissingCovers);
    EXPECT_EQ(manga.CoverCnt(), 1);
    EXPECT_EQ(manga.ChapCnt(), 1);
}
