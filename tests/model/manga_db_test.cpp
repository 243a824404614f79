#include "model/manga_db.h"
#include "model/record_image.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#ifndef _WIN32
#include <sys/resource.h>
#endif

#include "tests/support/temp_dir.h"

namespace {

std::u16string U16(const std::filesystem::path& path)
{
    return path.u16string();
}

// Cyrillic titles, a null and an empty title, covers, chapters still to be
// scanned next to scanned ones, and every flag in both states.
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
            PageInfo& page = chapter.Pages.emplace_back();
            page.Url = "http://img.example/p/" + std::to_string(i) + "/" + std::to_string(j) + ".png";
            page.UrlSize = static_cast<int32_t>(page.Url->size() + 1);
            page.bLoaded = static_cast<uint8_t>(j % 2);
        }
    }
}

}  // namespace

TEST(MangaDb, RichRecordComesBackEqual)
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
    const std::u16string path = U16(dir.path() / u"Рыбка.zdb");
#ifdef _WIN32
    EXPECT_NE(path.find(u'\\'), path.npos);
#endif
    ASSERT_EQ(MangaDB_Save(saved, path), 0);
    ASSERT_GT(std::filesystem::file_size(dir.path() / u"Рыбка.zdb"), 2u << 16);

    MangaInfo loaded;
    ASSERT_EQ(MangaDB_Load(loaded, path), kMangaDbOk);
    EXPECT_TRUE(MangaInfo_Equal(saved, loaded));
    ASSERT_TRUE(loaded.EngName);  // empty, not null
    EXPECT_TRUE(loaded.EngName->empty());
    EXPECT_FALSE(loaded.JpName);
    EXPECT_FALSE(loaded.Chaps[1].Name);
    EXPECT_TRUE(loaded.Chaps[0].Url);   // still to be scanned
    EXPECT_FALSE(loaded.Chaps[2].Url);  // page list known

    // Saving what was loaded over the file (a rename onto an existing name)
    // gives the same bytes: nothing drifts between runs.
    const std::string before = ReadFileBytes(dir.path() / u"Рыбка.zdb");
    ASSERT_EQ(MangaDB_Save(loaded, path), 0);
    EXPECT_TRUE(ReadFileBytes(dir.path() / u"Рыбка.zdb") == before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(MangaDb, AddressOnlyRecordIsSeventyThreeBytes)
{
    TempDir dir;
    MangaInfo manga;
    manga.Url = "abc";
    manga.UrlSize = 4;
    ASSERT_EQ(MangaDB_Save(manga, U16(dir / "abc.zdb")), 0);
    const std::string bytes = ReadFileBytes(dir / "abc.zdb");
    ASSERT_EQ(bytes.size(), 73u);

    std::string expected("MNGA\x34\0\0\0", 8);
    MangaImage image{};
    PutLE32(&image[0], 1);  // non-null Url slot
    PutLE32(&image[4], 4);
    expected.append(reinterpret_cast<const char*>(image.data()), image.size());
    expected += std::string("\0_URL\x03\0\0\0abc\0", 13);
    EXPECT_EQ(bytes.substr(0, 8), expected.substr(0, 8));
    EXPECT_NE(GetLE32(reinterpret_cast<const uint8_t*>(bytes.data()) + 8), 0u);
    EXPECT_EQ(bytes.substr(12), expected.substr(12));
}

TEST(MangaDb, DuplicateStringKeepsTheLaterOne)
{
    std::string bytes("MNGA\x34\0\0\0", 8);
    bytes += std::string(52, '\0') + '\0';
    bytes += std::string("_URL\x01\0\0\0a\0_URL\x02\0\0\0bc\0", 21);
    MangaInfo manga;
    EXPECT_EQ(MangaDB_LoadBytes(manga, bytes), kMangaDbOk);
    EXPECT_EQ(manga.Url, "bc");
    EXPECT_EQ(manga.UrlSize, 3);
}

TEST(MangaDb, LoadOfMissingFileReportsErrno)
{
    TempDir dir;
    MangaInfo manga;
    EXPECT_EQ(MangaDB_Load(manga, U16(dir / "none.zdb")), ENOENT);
}

class FailedSave : public ::testing::Test {
protected:
    void SetUp() override
    {
        FillRich(previous_);
        ASSERT_EQ(MangaDB_Save(previous_, U16(target_)), 0);
        before_ = ReadFileBytes(target_);
    }
    void ExpectPreviousFileIntact()
    {
        EXPECT_EQ(ReadFileBytes(target_), before_);
        size_t entries = 0;
        for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir_.path()))
            ++entries;
        EXPECT_EQ(entries, 1u) << "no temporary file may be left behind";
    }

    TempDir dir_;
    std::filesystem::path target_ = dir_ / "manga.zdb";
    MangaInfo previous_;
    std::string before_;
};

#ifndef _WIN32  // a file size limit is how a full disk is made here
TEST_F(FailedSave, FullDiskLeavesThePreviousFile)
{
    // A file size limit makes the disk "full" after a few bytes, as a real one would.
    MangaInfo bigger;
    FillRich(bigger);
    for (int i = 0; i < 200; ++i)
        bigger.Chaps.emplace_back().Url = "http://readmanga.example/ponyo/vol9/" + std::to_string(i);

    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit tiny = old;
    tiny.rlim_cur = 100;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tiny), 0);
    const int result = MangaDB_Save(bigger, U16(target_));
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(result, EFBIG);
    ExpectPreviousFileIntact();
}
#endif

TEST_F(FailedSave, UnwritableFolderLeavesThePreviousFile)
{
    // The folder cannot take a temporary file: a file stands where the folder should be.
    const std::filesystem::path blocked = dir_ / "manga.zdb" / "inside.zdb";
    EXPECT_NE(MangaDB_Save(previous_, U16(blocked)), 0);
    ExpectPreviousFileIntact();
}
