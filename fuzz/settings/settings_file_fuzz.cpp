// Loads arbitrary bytes as settings.cfg and saves them back, then checks that
// what was saved reads back as the record that was saved and that a second
// save changes nothing.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <unistd.h>

#include "settings/settings_file.h"

namespace fs = std::filesystem;

namespace {

const fs::path& Folder()
{
    static const fs::path folder = [] {
        // Saving flushes to disk; on a memory file system that costs nothing,
        // which keeps the run at thousands of inputs a second.
        std::error_code error;
        const fs::path base = fs::is_directory("/dev/shm", error) ? fs::path("/dev/shm") : fs::temp_directory_path();
        fs::path path = base / ("zumr_fuzz_settings_" + std::to_string(getpid()));
        fs::create_directories(path);
        std::atexit([] { std::error_code ignored; fs::remove_all(Folder(), ignored); });
        return path;
    }();
    return folder;
}

std::string ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void Check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "settings round trip broken: %s\n", what);
        std::abort();
    }
}

bool SameOwnedFields(const AppSettings& a, const AppSettings& b)
{
    return a.DefSavePath == b.DefSavePath && a.BookDirName == b.BookDirName && a.ChapDirName == b.ChapDirName &&
           a.CoversDirName == b.CoversDirName && a.bAppendChapName == b.bAppendChapName &&
           a.bAddCntToPages == b.bAddCntToPages && a.bRevScan == b.bRevScan && a.WindowX == b.WindowX &&
           a.WindowY == b.WindowY && a.WindowW == b.WindowW && a.WindowH == b.WindowH && a.ColWchCH == b.ColWchCH &&
           a.ColWchNAM == b.ColWchNAM && a.ColWchP == b.ColWchP && a.ColWchL == b.ColWchL;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const fs::path file = Folder() / "settings.cfg";
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    const std::u16string path = file.u16string();

    AppSettings loaded = AppSettings_Defaults(u"/fuzz/");
    Cfg_Load(path, loaded);
    Cfg_Save(path, loaded);
    const std::string first = ReadAll(file);
    Check(first.rfind("\xEF\xBB\xBF", 0) == 0, "no byte-order mark");

    AppSettings reread = AppSettings_Defaults(u"/elsewhere/");
    reread.BookDirName = u"other";
    reread.bAppendChapName = 0;
    reread.WindowX = 77;
    reread.ColWchL = 77;
    Cfg_Load(path, reread);
    Check(SameOwnedFields(loaded, reread), "saved fields read back differently");

    Cfg_Save(path, reread);
    Check(ReadAll(file) == first, "second save changed the file");
    return 0;
}
