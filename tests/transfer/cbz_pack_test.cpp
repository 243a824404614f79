// Chapters packed into .cbz files by a download run: only whole chapters,
// never a partial archive, and a chapter that cannot be packed fails alone.

#include "transfer/cbz_pack.h"

#include <cerrno>
#include <csignal>
#include <functional>

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

// Two chapters of two pages as a scan gives them (Chaps[0] is chapter 2,
// Chaps[1] chapter 1 "Первая"), covers unticked, CBZ packing on.
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
        hMainWnd = &window;
    }

    // The archive's entry names; empty when there is none.
    std::vector<std::string> Entries(const std::string& folder) const
    {
        std::vector<std::string> names;
        for (const ZipEntry& entry : Zip_ListEntries((save / PathFromUtf8(folder + ".cbz")).u16string())
                                         .value_or(std::vector<ZipEntry>{}))
            names.push_back(entry.name);
        return names;
    }

    TempDir dir;
    const fs::path save = dir / "Manga";
    TestServer server;
    std::map<std::string, std::string> served = ServeManga(server, 2, 2);
    RecordingWindow window;
    MangaInfo manga;
};

const std::vector<std::string> kPacked{"1.png", "2.png", "ComicInfo.xml"};

TEST_F(CbzTest, AChapterWithAFailedPageIsPackedOnlyOnceALaterRunCompletesIt)
{
    CbzRun d;
    d.server.Serve("/img/1/2.png", d.served["/img/1/2.png"], Fault::NotFound);
    EXPECT_EQ(Curl_GetCommix(&d.manga), 0);
    EXPECT_EQ(d.window.Events(), (std::vector<std::string>{"UPD 1 1", "ERR 1 22", "UPD 1 2", "UPD 0 1", "UPD 0 2",
                                                           "DONE 1 0"}));
    EXPECT_EQ(d.Entries("book1/ch2"), kPacked);
    EXPECT_EQ(FilesBelow(d.save), (std::vector<std::string>{"book1/ch1-Первая/1.png", "book1/ch2.cbz",
                                                            "book1/ch2/1.png", "book1/ch2/2.png"}));
    const auto packedAt = fs::last_write_time(d.save / "book1/ch2.cbz");

    d.server.Serve("/img/1/2.png", d.served["/img/1/2.png"]);
    EXPECT_EQ(Curl_GetCommix(&d.manga), 0);
    EXPECT_EQ(d.Entries("book1/ch1-Первая"), kPacked);
    EXPECT_EQ(fs::last_write_time(d.save / "book1/ch2.cbz"), packedAt);
    EXPECT_EQ(FilesBelow(d.save), (std::vector<std::string>{"book1/ch1-Первая.cbz", "book1/ch1-Первая/1.png",
                                                            "book1/ch1-Первая/2.png", "book1/ch2.cbz",
                                                            "book1/ch2/1.png", "book1/ch2/2.png"}));
}

TEST_F(CbzTest, AChapterThatCannotBePackedGetsItsRowsErrorAndNoArchive)
{
    const struct {
        const char* name;
        std::function<void(CbzRun&)> setup;
        std::vector<std::string> events;
        std::vector<std::string> archives;  // left after the run
        bool linuxOnly = false;
    } cases[] = {
        {"a picture gone since the run that packed it",
         [](CbzRun& d) {
             RecordingWindow first;
             hMainWnd = &first;
             ASSERT_EQ(Curl_GetCommix(&d.manga), 0);
             hMainWnd = &d.window;
             fs::remove(d.save / "book1/ch2/2.png");
             fs::remove(d.save / "book1/ch2.cbz");
         },
         {"ERR 0 " + std::to_string(Cbz_ErrorCode(ENOENT)), "DONE 1 0"},
         {"book1/ch1-Первая.cbz"}},
        // Files may grow to 30000 bytes: each picture fits, no archive of two does.
        {"the disk full",
         [](CbzRun&) {
#ifndef _WIN32
             std::signal(SIGXFSZ, SIG_IGN);
             const rlimit limit{30000, RLIM_INFINITY};
             setrlimit(RLIMIT_FSIZE, &limit);
#endif
         },
         {"UPD 1 1", "UPD 1 2", "ERR 1 " + std::to_string(Cbz_ErrorCode(EFBIG)), "UPD 0 1", "UPD 0 2",
          "ERR 0 " + std::to_string(Cbz_ErrorCode(EFBIG)), "DONE 1 0"},
         {},
         true},
    };
    for (const auto& c : cases) {
#ifdef _WIN32
        if (c.linuxOnly)
            continue;
#endif
        SCOPED_TRACE(c.name);
        CbzRun d;
        c.setup(d);
        EXPECT_EQ(Curl_GetCommix(&d.manga), 0);
#ifndef _WIN32
        const rlimit unlimited{RLIM_INFINITY, RLIM_INFINITY};
        setrlimit(RLIMIT_FSIZE, &unlimited);
#endif
        EXPECT_EQ(d.window.Events(), c.events);
        std::vector<std::string> left;
        for (const std::string& file : FilesBelow(d.save))
            if (fs::path(file).parent_path() == "book1")  // archives and their staging files
                left.push_back(file);
        EXPECT_EQ(left, c.archives);
    }
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
