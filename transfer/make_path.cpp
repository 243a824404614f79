#include "transfer/make_path.h"

#include <cerrno>

#include "model/file_io.h"
#include "transfer/name_rules.h"

#ifdef _WIN32
#include <direct.h>
#else
#include <sys/stat.h>
#include <sys/types.h>
#endif

namespace {

int MakeFolder(std::u16string_view folder)
{
    const std::filesystem::path native = PathFromUtf16(folder);
#ifdef _WIN32
    return _wmkdir(native.c_str());
#else
    return mkdir(native.c_str(), 0777);
#endif
}

bool IsDriveRoot(std::u16string_view prefix)
{
    return prefix.size() == 3 && prefix[1] == u':';
}

}  // namespace

std::FILE* OpenFileMakePath(std::u16string_view path, const char* mode)
{
    errno = 0;
    if (std::FILE* file = OpenFile(PathFromUtf16(path), mode))
        return file;
    if (errno != ENOENT)
        return nullptr;
    const size_t last = path.find_last_of(kPathSeparator);
    if (last == std::u16string_view::npos || last == 0)
        return nullptr;

    // Each pass moves past one more separator, so the loop always ends.
    for (size_t next = path.find(kPathSeparator, 1); next != std::u16string_view::npos && next <= last;
         next = path.find(kPathSeparator, next + 1)) {
        const std::u16string_view prefix = path.substr(0, next + 1);
        if (IsDriveRoot(prefix))
            continue;
        errno = 0;
        if (MakeFolder(prefix) != 0 && errno != EEXIST)
            return nullptr;
    }
    errno = 0;
    return OpenFile(PathFromUtf16(path), mode);
}
