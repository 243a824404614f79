// Chapters packed into .cbz files by a download run: only whole chapters,
// never a partial archive, and a chapter that cannot be packed fails alone.

#include "transfer/cbz_pack.h"

#include <csignal>

#include "tests/support/temp_dir.h"
#include "tests/transfer/worker_fixture.h"
#include "transfer/download_worker.h"
#include "transfer/page_fetch_worker.h"
#include "transfer/zip_writer.h"

#ifndef _WIN32
#include <sys/resource.h>
#endif

namespace {

namespace fs = std::filesystem;
using CbzTest = WorkerTest;
using Lines = std::vector<std::string>;

// Two chapters of two pages as a scan gives them (Chaps[0] is chapter 2,
// Chaps[1] chapter 1 "Первая"), covers unticked, packing on.
struct CbzRun {
    CbzRun()
    {
        CurSavePath_Set(save.u16string());
        RecordingWindow scan;
        ResetForWorkers(&scan);
        Settings_Update([](AppSettings& s) { s.bMakeCbz = 1; });
        manga.Url = server.Url("/m");
        Curl_GetManga(&manga);
        manga.bSkipCovers = 1;
    }

    // One download run: what it posted, and every file then below the folder.
    std::pair<Lines, Lines> Run()
    {
        RecordingWindow window;
        hMainWnd = &window;
        EXPECT_EQ(Curl_GetCommix(&manga), 0);
        return {window.Events(), FilesBelow(save)};
    }

    TempDir dir;
    const fs::path save = dir / "Manga";
    TestServer server;
    std::map<std::string, std::string> served = ServeManga(server, 2, 2);
    MangaInfo manga;
};

const std::string kCh1 = "book1/ch1-Первая";
const Lines kPages{kCh1 + "/1.png", kCh1 + "/2.png", "book1/ch2/1.png", "book1/ch2/2.png"};
const Lines kPacked{kCh1 + ".cbz", kCh1 + "/1.png", kCh1 + "/2.png", "book1/ch2.cbz", "book1/ch2/1.png",
                    "book1/ch2/2.png"};

TEST_F(CbzTest, AChapterWithAFailedPageIsPackedOnlyOnceALaterRunCompletesIt)
{
    CbzRun d;
    d.server.Serve("/img/1/2.png", d.served["/img/1/2.png"], Fault::NotFound);
    EXPECT_EQ(d.Run(), std::make_pair(Lines{"UPD 1 1", "ERR 1 22", "UPD 1 2", "UPD 0 1", "UPD 0 2", "DONE 1 0"},
                                      Lines{kCh1 + "/1.png", "book1/ch2.cbz", "book1/ch2/1.png", "book1/ch2/2.png"}));
    const auto packedAt = fs::last_write_time(d.save / "book1/ch2.cbz");

    d.server.Serve("/img/1/2.png", d.served["/img/1/2.png"]);
    EXPECT_EQ(d.Run(), std::make_pair(Lines{"UPD 1 2", "DONE 1 0"}, kPacked));
    EXPECT_EQ(Zip_ListEntries((d.save / PathFromUtf8(kCh1 + ".cbz")).u16string())->size(), 3u);
    EXPECT_EQ(fs::last_write_time(d.save / "book1/ch2.cbz"), packedAt);
}

TEST_F(CbzTest, AChapterThatCannotBePackedGetsItsRowsErrorAndNoArchive)
{
    const auto err = [](int row, int error) {
        return "ERR " + std::to_string(row) + " " + std::to_string(Cbz_ErrorCode(error));
    };
    // A picture gone since the run that packed its chapter.
    CbzRun gone;
    ASSERT_EQ(gone.Run().second, kPacked);
    fs::remove(gone.save / "book1/ch2/2.png");
    fs::remove(gone.save / "book1/ch2.cbz");
    EXPECT_EQ(gone.Run(), std::make_pair(Lines{err(0, ENOENT), "DONE 1 0"},
                                         Lines{kCh1 + ".cbz", kCh1 + "/1.png", kCh1 + "/2.png", "book1/ch2/1.png"}));
#ifndef _WIN32
    // The disk full: files may grow to 30000 bytes, so each picture fits and
    // no archive of two does. Nothing but the pictures is left.
    CbzRun full;
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{30000, RLIM_INFINITY}, unlimited{RLIM_INFINITY, RLIM_INFINITY};
    setrlimit(RLIMIT_FSIZE, &limit);
    const auto run = full.Run();
    setrlimit(RLIMIT_FSIZE, &unlimited);
    EXPECT_EQ(run, std::make_pair(Lines{"UPD 1 1", "UPD 1 2", err(1, EFBIG), "UPD 0 1", "UPD 0 2", err(0, EFBIG),
                                        "DONE 1 0"},
                                  kPages));
#endif
    EXPECT_EQ(ErrorCodeText(Cbz_ErrorCode(ENOSPC)),
              u"не удалось упаковать главу в CBZ: " + Utf8ToUtf16(std::generic_category().message(ENOSPC)));
}

TEST_F(CbzTest, PicturesAreStoredUnderUtf8FlaggedNames)
{
    TempDir dir;
    const std::string picture = ImageBytes("страница");
    const fs::path page = dir.path() / PathFromUtf8("страница 1.png");
    WriteFileBytes(page, picture);
    ASSERT_EQ(Cbz_Write((dir / "ch.cbz").u16string(), CbzContent{{page.u16string()}, "<a/>"}), 0);
    // The first central directory record: general purpose flags, then the method.
    const std::string zip = ReadFileBytes(dir / "ch.cbz");
    const size_t record = zip.find("PK\x01\x02");
    ASSERT_LT(record + 12, zip.size());
    EXPECT_EQ(static_cast<uint8_t>(zip[record + 9]) & 0x08, 0x08);  // bit 11: the name is UTF-8
    EXPECT_EQ(zip.substr(record + 10, 2), std::string(2, '\0'));     // stored
    EXPECT_NE(zip.find(picture), std::string::npos);
}

}  // namespace
