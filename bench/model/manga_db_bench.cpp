// Saving and loading a large manga (2,000 chapters x 40 pages) against plainly
// reading and writing the same bytes.

#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "bench/support/ratio_report.h"
#include "model/file_io.h"
#include "model/manga_db.h"

namespace {

const std::filesystem::path kFolder = std::filesystem::temp_directory_path() / "zumr-bench-db";
const std::filesystem::path kRecordFile = kFolder / "manga.zdb";
const std::filesystem::path kPlainFile = kFolder / "plain.bin";

void FillLarge(MangaInfo& manga)
{
    manga.Url = "http://readmanga.example/some_long_manga_title";
    manga.UrlSize = static_cast<int32_t>(manga.Url->size() + 1);
    manga.Name = u"Очень длинная манга";
    manga.Desc = std::string(4000, 'd');
    manga.DescSize = 4096;
    for (int i = 0; i < 2000; ++i) {
        ChapterInfo& chapter = manga.Chaps.emplace_back();
        chapter.Vol = i / 10;
        chapter.Num = i;
        chapter.Name = u"Глава номер " + std::u16string(1, static_cast<char16_t>(u'0' + i % 10));
        for (int j = 0; j < 40; ++j) {
            PageInfo& page = chapter.Pages.emplace_back();
            page.Url = "http://img1.example-cdn.net/auto/15/92/" + std::to_string(i) + "/" + std::to_string(j) +
                       "_compressed_image_page.png";
            page.UrlSize = static_cast<int32_t>(page.Url->size() + 1);
            page.bLoaded = static_cast<uint8_t>(j & 1);
        }
    }
}

MangaInfo& Record()
{
    static MangaInfo manga;
    if (manga.Chaps.empty())
        FillLarge(manga);
    return manga;
}

void BM_Save(benchmark::State& state)
{
    for (auto _ : state)
        if (MangaDB_Save(Record(), kRecordFile.u16string()) != 0)
            state.SkipWithError("save failed");
}

void BM_PlainWrite(benchmark::State& state)
{
    std::string bytes;
    ReadWholeFile(kRecordFile, bytes);
    for (auto _ : state) {
        FilePtr file(OpenFile(kPlainFile, "wb"));
        std::fwrite(bytes.data(), 1, bytes.size(), file.get());
        std::fflush(file.get());
        fsync(fileno(file.get()));
    }
}

void BM_Load(benchmark::State& state)
{
    for (auto _ : state) {
        MangaInfo manga;
        if (MangaDB_Load(manga, kRecordFile.u16string()) != kMangaDbOk)
            state.SkipWithError("load failed");
        benchmark::DoNotOptimize(manga.Chaps.data());
    }
}

void BM_PlainRead(benchmark::State& state)
{
    for (auto _ : state) {
        std::string bytes;
        ReadWholeFile(kRecordFile, bytes);
        benchmark::DoNotOptimize(bytes.data());
    }
}

}  // namespace

BENCHMARK(BM_Save)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainWrite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Load)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainRead)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    std::filesystem::create_directories(kFolder);
    if (MangaDB_Save(Record(), kRecordFile.u16string()) != 0)
        return 1;
    std::printf("database file: %ju bytes\n", static_cast<uintmax_t>(std::filesystem::file_size(kRecordFile)));
    benchmark::Initialize(&argc, argv);
    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio("load vs plain read", "BM_Load", "BM_PlainRead", 5.0);
    reporter.PrintRatio("save vs plain write", "BM_Save", "BM_PlainWrite", 5.0);
    benchmark::Shutdown();
    std::filesystem::remove_all(kFolder);
    return 0;
}
