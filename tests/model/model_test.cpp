// The manga record: its release, its byte images, merging a fresh scan into
// what was known and the text conversions it relies on; and the database file:
// what Save writes comes back equal; files cut short, bit-flipped or written by
// someone else load safely: never past a block, never a huge allocation, with a
// telling result.

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <set>
#include <string>
#include <vector>
#ifndef _WIN32
#include <sys/resource.h>
#endif

#include "model/manga_db.h"
#include "model/manga_info.h"
#include "model/manga_merge.h"
#include "model/record_image.h"
#include "model/text_codec.h"
#include "tests/support/temp_dir.h"

namespace {

// Cyrillic titles, a null and an empty title, covers, a chapter still to be
// scanned beside scanned ones, and every flag in both states.
void FillRich(MangaInfo& manga)
{
    manga.Url = "http://readmanga.example/ponyo";
    manga.UrlSize = static_cast<int32_t>(manga.Url->size() + 1);
    manga.Name = u"Рыбка Поньо на утёсе";
    manga.EngName = u"";
    manga.Desc = "{\\rtf1\\b1\\u1053?\\b0  \\par}";
    manga.DescSize = static_cast<int32_t>(manga.Desc->size() + 1);
    manga.Covers.push_back({"/uploads/c1.jpg", 16});
    manga.Covers.push_back({"http://img.example/c2.png", 26});
    manga.bSkipCovers = 1;
    for (int i = 0; i < 3; ++i) {
        ChapterInfo& chapter = manga.Chaps.emplace_back();
        chapter.Vol = 1 + i / 2;
        chapter.Num = 10 + i;
        chapter.bSkip = static_cast<uint8_t>(i == 1);
        if (i == 0) {
            chapter.Url = "http://readmanga.example/ponyo/vol1/10?mature=1";
            continue;  // still to be scanned: no pages yet
        }
        chapter.Name = i == 2 ? OptU16String(u"Глава «Море»") : std::nullopt;
        for (int j = 0; j < 4; ++j) {
            // Appended piece by piece: mingw g++ 12 at -O3 misreads a + chain as an overlapping copy.
            std::string url = "http://img.example/p/";
            url.append(std::to_string(i)).append("/").append(std::to_string(j)).append(".png");
            chapter.Pages.push_back({url, static_cast<int32_t>(url.size() + 1), static_cast<uint8_t>(j % 2)});
        }
    }
}

// "Url|JpName|Desc|cover urls|<Num>[-]:<Url>:<Name>:<page url>[+]...|...",
// with - for an unticked chapter and + for a page on disk.
std::string Describe(const MangaInfo& manga)
{
    std::string text = manga.Url.value_or("") + "|" + Utf16ToUtf8(manga.JpName.value_or(u"")) + "|" +
                       manga.Desc.value_or("") + "|";
    for (const CoverInfo& cover : manga.Covers)
        text += cover.Url.value_or("[]");
    for (const ChapterInfo& chapter : manga.Chaps) {
        text += "|" + std::to_string(chapter.Num) + (chapter.bSkip ? "-:" : ":") + chapter.Url.value_or("") + ":" +
                Utf16ToUtf8(chapter.Name.value_or(u"")) + ":";
        for (const PageInfo& page : chapter.Pages)
            text += page.Url.value_or("") + (page.bLoaded ? "+" : "");
    }
    return text;
}

std::string Chunk(const std::string& tag, const std::string& payload)
{
    uint8_t length[4];
    PutLE32(length, static_cast<uint32_t>(payload.size()));
    return tag + std::string(reinterpret_cast<char*>(length), 4) + payload + '\0';
}

// An image of zeros with the given 32-bit fields set at their offsets.
std::string ImageChunk(const char* tag, size_t size, std::initializer_list<std::pair<size_t, int32_t>> fields)
{
    std::string image(size, '\0');
    for (const auto& [at, value] : fields)
        PutLE32(reinterpret_cast<uint8_t*>(image.data() + at), static_cast<uint32_t>(value));
    return Chunk(tag, image);
}

std::string MangaChunk(int32_t coverCnt, int32_t chapCnt, int32_t busy = 0)
{
    return ImageChunk("MNGA", kMangaImageSize, {{28, coverCnt}, {40, chapCnt}, {48, busy}});
}

std::string ChapterChunk(int32_t pageCnt) { return ImageChunk("CHAP", kChapterImageSize, {{16, pageCnt}}); }

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

TEST(MangaRecord, FreeLeavesEverythingZeroAndChapterFreeKeepsTicksAndNumbers)
{
    MangaInfo manga;
    MangaInfo_Free(&manga);  // an empty record stays empty
    EXPECT_EQ(MangaInfo_Image(manga), MangaImage{});
    FillRich(manga);
    manga.JpName = std::u16string(1, u'J');
    manga.BusyCnt = 1;
    MangaInfo_Free(&manga);
    EXPECT_EQ(MangaInfo_Image(manga), MangaImage{});  // the busy counter included
    MangaInfo_Free(nullptr);

    FillRich(manga);
    for (ChapterInfo& chapter : manga.Chaps)
        ChapterInfo_Free(&chapter);
    ChapterInfo_Free(nullptr);
    EXPECT_EQ(Describe(manga), "http://readmanga.example/ponyo||{\\rtf1\\b1\\u1053?\\b0  \\par}|/uploads/c1.jpghttp://img.example/c2.png"
                               "|10:::|11-:::|12:::");
    EXPECT_EQ(manga.Chaps[2].Vol, 2);
}

TEST(MangaRecord, ImagesFollowTheFileLayout)
{
    constexpr int64_t kSet = -1;  // a pointer slot that must not be 0
    const auto expectFields = [](const uint8_t* image, std::initializer_list<int64_t> fields) {
        for (size_t i = 0; i < fields.size(); ++i) {
            const int64_t field = fields.begin()[i];
            EXPECT_TRUE(field == kSet ? GetLE32(image + 4 * i) != 0 : GetLE32(image + 4 * i) == field) << i;
        }
    };
    MangaInfo manga;
    FillRich(manga);
    manga.BusyCnt = 1;
    manga.Chaps[1].Vol = -1;
    expectFields(MangaInfo_Image(manga).data(), {kSet, 31, kSet, kSet, 0, kSet, 27, 2, kSet, 1, 3, kSet, 1});
    expectFields(ChapterInfo_Image(manga.Chaps[1]).data(), {0, 0, 0xFFFFFFFF, 11, 4, kSet, 1});  // no Url, no Name
    expectFields(ChapterInfo_Image(manga.Chaps[0]).data(), {kSet, 0, 1, 10, 0, 0, 0});  // no pages: null array slot
    expectFields(PageInfo_Image(manga.Chaps[1].Pages[1]).data(), {kSet, 29, 1});
}

TEST(MangaMerge, KeepsTicksPagesAndPlacesOfWhatWasKnown)
{
    MangaInfo old;
    old.Name = u"Старое";
    old.Desc = "{old}";
    old.bSkipCovers = 1;
    old.Covers.push_back({"c.jpg", 6});
    old.Chaps = {
        {"r5", u"Пять", 1, 5, {}, 1},  // never scanned, unticked
        {{}, {}, 1, 4, {{"p0", 3, 1}}, 0},  // gone from the site
        {{}, {}, 1, 3, {{"p0", 3, 1}, {"p1", 3, 0}}, 1},
        {{}, u"Два", 1, 2, {{"p0", 3, 1}}, 0},  // two chapters sharing a key
        {{}, u"Два", 1, 2, {{"p0", 3, 0}}, 0},
        {{}, {}, 1, 1, {{"p0", 3, 1}}, 0},  // renamed on the site
    };
    MangaInfo fresh;
    fresh.EngName = u"New";
    fresh.Chaps = {{"new", {}, 1, 6, {}, 1},      {"n5", u"Пять", 1, 5, {}, 1}, {"new", {}, 1, 3, {}, 1},
                   {"new", u"Два", 1, 2, {}, 1}, {"new", u"Два", 1, 2, {}, 1}, {"new", u"Первая", 1, 1, {}, 1}};

    const MergeCounts counts = MangaInfo_MergeKnown(fresh, old);
    // New chapters are ticked; chapter 5 was never scanned and takes the
    // page's address; the one gone from the site keeps its place before the
    // one that followed it; the renamed one is new. What the page did not
    // give stays, like the covers row's tick.
    EXPECT_EQ(Describe(fresh), "||{old}|c.jpg|6:new::|5-:n5:Пять:|4:::p0+|3-:::p0+p1|2::Два:p0+|2::Два:p0|1:new:Первая:|1:::p0+");
    EXPECT_EQ(counts.newChapters, (std::vector<int32_t>{0, 6}));
    EXPECT_EQ(std::make_pair(counts.knownChapters, counts.goneChapters), std::make_pair(4, 2));
    EXPECT_EQ(fresh.Name, u"Старое");
    EXPECT_EQ(fresh.EngName, u"New");
    EXPECT_EQ(fresh.bSkipCovers, 1);
}

TEST(TextCodec, ConvertsBothWaysAndReplacesWhatIsInvalid)
{
    const std::string utf8 = "Том 1: \xD0\x9D\xD0\xB0\xD1\x87\xD0\xB0\xD0\xBB\xD0\xBE \xF0\x9F\x98\x80";
    EXPECT_EQ(Utf8ToUtf16(utf8), u"Том 1: Начало \U0001F600");
    EXPECT_EQ(Utf16ToUtf8(u"Том 1: Начало \U0001F600"), utf8);
    // A stray continuation byte, a truncated sequence at the end, an encoded surrogate.
    EXPECT_EQ(Utf8ToUtf16("a\x80" "b"), u"a\uFFFDb");
    EXPECT_EQ(Utf8ToUtf16("ok\xD0"), u"ok\uFFFD");
    EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80").find(u'\uFFFD'), 0u);
    // A lone surrogate cannot be written as UTF-8.
    EXPECT_EQ(Utf16ToUtf8(std::u16string(u"x") + char16_t(0xD800) + u"y"), "x\xEF\xBF\xBDy");
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xDC00))), "\xEF\xBF\xBD");
    // Widening decodes nothing: every byte value stays.
    EXPECT_EQ(WidenBytes(std::string("h\x00\x7F\x80\xFF", 5)), (std::u16string{u'h', 0, 0x7F, 0x80, 0xFF}));
}

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

    // The smallest file: MNGA (a non-null Url slot, UrlSize 4) and the address.
    MangaInfo manga;
    manga.Url = "abc";
    manga.UrlSize = 4;
    ASSERT_EQ(MangaDB_Save(manga, (dir / "abc.zdb").u16string()), 0);
    std::string bytes = ReadFileBytes(dir / "abc.zdb");
    ASSERT_EQ(bytes.size(), 73u);
    EXPECT_NE(bytes.substr(8, 4), std::string(4, '\0'));
    EXPECT_EQ(bytes.replace(8, 4, 4, '\0'),
              Chunk("MNGA", std::string("\0\0\0\0\x04", 5) + std::string(47, '\0')) + Chunk("_URL", "abc"));
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
