// The database file: what Save writes comes back equal; files cut short, bit-flipped or written by
// someone else load safely: never past a block, never a huge allocation, with a telling result.

#include "model/manga_db.h"
#include "model/record_image.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <set>
#include <vector>
#ifndef _WIN32
#include <sys/resource.h>
#endif

#include "tests/model/sample_record.h"
#include "tests/support/temp_dir.h"

namespace {

std::string Chunk(const std::string& tag, const std::string& payload)
{
    uint8_t length[4];
    PutLE32(length, static_cast<uint32_t>(payload.size()));
    return tag + std::string(reinterpret_cast<char*>(length), 4) + payload + '\0';
}

std::string MangaChunk(int32_t coverCnt, int32_t chapCnt, uint8_t busy = 0)
{
    MangaImage image{};
    PutLE32(&image[28], static_cast<uint32_t>(coverCnt));
    PutLE32(&image[40], static_cast<uint32_t>(chapCnt));
    image[48] = busy;
    return Chunk("MNGA", std::string(image.begin(), image.end()));
}

std::string ChapterChunk(int32_t pageCnt)
{
    ChapterImage image{};
    PutLE32(&image[16], static_cast<uint32_t>(pageCnt));
    return Chunk("CHAP", std::string(image.begin(), image.end()));
}

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
    for (size_t at = 0; at + 8 <= bytes.size(); at = chunks.back().End())
        chunks.push_back({bytes.substr(at, 4), at, GetLE32(reinterpret_cast<const uint8_t*>(bytes.data() + at + 4))});
    return chunks;
}

}  // namespace

TEST(MangaDb, RecordsComeBackEqualResaveIdenticallyAndKeepTheLayout)
{
    TempDir dir;
    MangaInfo saved;
    FillRich(saved);
    // A long chapter takes the file well past any one read of the loader.
    ChapterInfo& longChapter = saved.Chaps.emplace_back();
    for (int j = 0; j < 3000; ++j) {
        const std::string url = "http://img.example/long/" + std::to_string(j) + ".png";
        longChapter.Pages.push_back({url, static_cast<int32_t>(url.size() + 1), 1});
    }
    // A UTF-16 name: on Windows only the wide file functions can open it.
    const std::u16string path = (dir.path() / u"Рыбка.zdb").u16string();
    ASSERT_EQ(MangaDB_Save(saved, path), 0);
    ASSERT_GT(std::filesystem::file_size(dir.path() / u"Рыбка.zdb"), 2u << 16);
    MangaInfo loaded;
    ASSERT_EQ(MangaDB_Load(loaded, path), kMangaDbOk);
    EXPECT_TRUE(MangaInfo_Equal(saved, loaded));  // null and empty strings stay apart

    // Saving over the file (a rename onto an existing name) drifts nothing and leaves nothing.
    const std::string before = ReadFileBytes(dir.path() / u"Рыбка.zdb");
    ASSERT_EQ(MangaDB_Save(loaded, path), 0);
    EXPECT_TRUE(ReadFileBytes(dir.path() / u"Рыбка.zdb") == before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);

    // A save that fails leaves the previous file as it was, and no temporary file.
    for (int i = 0; i < 200; ++i)
        loaded.Chaps.emplace_back().Url = "http://readmanga.example/ponyo/vol9/" + std::to_string(i);
    // The folder cannot take a temporary file: a file stands where it should be.
    EXPECT_NE(MangaDB_Save(loaded, path + u"/inside.zdb"), 0);
#ifndef _WIN32
    // A file size limit makes the disk "full" after a few bytes, as a real one would.
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit tiny = old;
    tiny.rlim_cur = 100;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tiny), 0);
    const int result = MangaDB_Save(loaded, path);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(result, EFBIG);
#endif
    EXPECT_TRUE(ReadFileBytes(dir.path() / u"Рыбка.zdb") == before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1) << "a temporary file was left";

    MangaInfo none;
    EXPECT_EQ(MangaDB_Load(none, (dir / "none.zdb").u16string()), ENOENT);

    // The smallest file: MNGA and the address.
    MangaInfo manga;
    manga.Url = "abc";
    manga.UrlSize = 4;
    ASSERT_EQ(MangaDB_Save(manga, (dir / "abc.zdb").u16string()), 0);
    const std::string bytes = ReadFileBytes(dir / "abc.zdb");
    ASSERT_EQ(bytes.size(), 73u);
    EXPECT_NE(GetLE32(reinterpret_cast<const uint8_t*>(bytes.data()) + 8), 0u);  // non-null Url slot
    std::string image(52, '\0');
    image[4] = 4;  // UrlSize
    EXPECT_EQ(bytes.substr(0, 8) + bytes.substr(12), std::string("MNGA\x34\0\0\0", 8) + image.substr(4) + '\0' +
                                                          std::string("_URL\x03\0\0\0abc\0", 12));
}

TEST(MangaDbDamage, EveryCutAndFlippedLengthLoadsSafely)
{
    TempDir dir;
    MangaInfo rich;
    FillRich(rich);
    ASSERT_EQ(MangaDB_Save(rich, (dir / "s.zdb").u16string()), 0);
    const std::string full = ReadFileBytes(dir / "s.zdb");
    const std::vector<ChunkSpan> chunks = Chunks(full);
    ASSERT_EQ(chunks.back().End(), full.size());
    size_t lastPage = 0;
    for (const ChunkSpan& chunk : chunks)
        lastPage = chunk.tag == "PAGS" ? chunk.start : lastPage;

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
            EXPECT_EQ(result, kMangaDbMissingChapters);  // missing chapters outweigh missing covers
        } else {
            EXPECT_EQ(result, kMangaDbOk);  // only the last page's address can be missing
        }
        // Whatever was read is complete in itself.
        for (const ChapterInfo& chapter : manga.Chaps)
            for (const PageInfo& page : chapter.Pages)
                EXPECT_TRUE(!page.Url || page.Url->rfind("http://img.example/p/", 0) == 0);
    }

    // Flipped length bits are rejected or read safely.
    const std::set<int> known = {kMangaDbOk, kMangaDbBadTerminator, kMangaDbMissingCovers, kMangaDbMissingChapters,
                                 kMangaDbDamaged};
    for (const ChunkSpan& chunk : chunks) {
        for (int bit = 0; bit < 32; ++bit) {
            std::string bytes = full;
            bytes[chunk.start + 4 + bit / 8] ^= static_cast<char>(1 << (bit % 8));
            MangaInfo manga;
            const int result = MangaDB_LoadBytes(manga, bytes);
            EXPECT_TRUE(known.count(result)) << chunk.tag << " bit " << bit << " gave " << result;
            EXPECT_TRUE(chunk.tag != "MNGA" || result == kMangaDbDamaged) << bit;
        }
    }
}

TEST(MangaDbDamage, HostileHeadersAndChunks)
{
    const std::string page = Chunk("PAGS", std::string(kPageImageSize, '\0'));
    const std::string cover = Chunk("COVR", std::string(kCoverImageSize, '\0'));
    const auto url = [](const char* text) { return Chunk("_URL", text); };
    const struct {
        const char* what;
        std::string bytes;
        int result;
        const char* record = nullptr;  // what Describe must give, where it matters
    } cases[] = {
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
        {"unknown chunk skipped by its length", MangaChunk(0, 0) + Chunk("ZZZZ", "\x05\x06") + url("u"), kMangaDbOk, "u|||"},
        {"non-zero terminator after a string", MangaChunk(0, 0) + std::string("_URL\x01\0\0\0u\x07", 10) + Chunk("NAMR", "ab"),
         kMangaDbBadTerminator, "u|||"},
        {"chapter cut before its pages", MangaChunk(0, 1) + ChapterChunk(2) + page, kMangaDbMissingChapters},
        {"a string twice: the later one", MangaChunk(0, 0) + url("a") + url("bc"), kMangaDbOk, "bc|||"},
        {"covers missing alone", MangaChunk(2, 1) + ChapterChunk(0) + cover, kMangaDbMissingCovers, "|||[]|0:::"},
        {"what was read stays; a busy mark does not",
         MangaChunk(0, 2, 3) + url("http://h/m") + ChapterChunk(0) + Chunk("NAM_", std::string("\x10\x04", 2)),
         kMangaDbMissingChapters, "http://h/m||||0::А:"},
        // One cover and one chapter of one page announced, each followed by one
        // more of its kind whose strings must not land anywhere.
        {"structures beyond their counts",
         MangaChunk(1, 1) + url("http://h/m") + Chunk("NAM_", std::string("J\0", 2)) + cover + url("c1") + cover +
             url("c2") + ChapterChunk(1) + url("r1") + page + url("p1") + page + url("p2") + page + ChapterChunk(1) +
             url("r2") + Chunk("NAM_", std::string("X\0", 2)) + page + url("q1") + Chunk("DESC", "{d}"),
         kMangaDbOk, "http://h/m|J|{d}|c1|0:r1::p1"},
    };
    for (const auto& c : cases) {
        MangaInfo manga;
        manga.BusyCnt = 1;  // as a worker left it: loading must not leave the record marked busy
        EXPECT_EQ(MangaDB_LoadBytes(manga, c.bytes), c.result) << c.what;
        EXPECT_TRUE(c.result == kMangaDbNotDatabase || c.result == kMangaDbDamaged || manga.BusyCnt == 0) << c.what;
        EXPECT_LE(manga.Covers.capacity(), c.bytes.size()) << c.what;
        EXPECT_LE(manga.Chaps.capacity(), c.bytes.size()) << c.what;
        EXPECT_TRUE(!manga.Url || manga.UrlSize == static_cast<int32_t>(manga.Url->size() + 1)) << c.what;
        EXPECT_TRUE(!c.record || Describe(manga) == c.record) << c.what << ": " << Describe(manga);
    }
}
