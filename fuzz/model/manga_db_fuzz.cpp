// Any bytes as a database file: loading must stay inside its blocks, and a
// record that loaded completely must survive a save and a second load unchanged.

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "model/manga_db.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    MangaInfo manga;
    const int result = MangaDB_LoadBytes(manga, std::string_view(reinterpret_cast<const char*>(data), size));
    if (result != kMangaDbOk)
        return 0;

    static const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("zumr-fuzz-" + std::to_string(getpid()) + ".zdb");
    if (MangaDB_Save(manga, path.u16string()) != 0)
        std::abort();
    MangaInfo again;
    if (MangaDB_Load(again, path.u16string()) != kMangaDbOk || !MangaInfo_Equal(manga, again))
        std::abort();
    return 0;
}
