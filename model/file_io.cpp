#include "model/file_io.h"

#include <atomic>
#include <cerrno>
#include <system_error>

#include "model/text_codec.h"

#ifdef _WIN32
#include <io.h>
#include <process.h>
#else
#include <unistd.h>
#endif

std::filesystem::path PathFromUtf16(std::u16string_view path)
{
    return std::filesystem::path(std::u16string(path));
}

std::u16string Utf16FromPath(const std::filesystem::path& path)
{
#ifdef _WIN32
    return path.u16string();
#else
    return Utf8ToUtf16(path.string());
#endif
}

std::FILE* OpenFile(const std::filesystem::path& path, const char* mode)
{
#ifdef _WIN32
    std::wstring wideMode(mode, mode + std::char_traits<char>::length(mode));
    return _wfopen(path.c_str(), wideMode.c_str());
#else
    return std::fopen(path.c_str(), mode);
#endif
}

int LastErrorOr(int fallback)
{
    return errno != 0 ? errno : fallback;
}

int ReadWholeFile(const std::filesystem::path& path, std::string& bytes)
{
    errno = 0;
    FilePtr file(OpenFile(path, "rb"));
    if (!file)
        return LastErrorOr(ENOENT);
    bytes.clear();
    return ReadStream(file.get(), bytes);
}

int ReadStream(std::FILE* file, std::string& bytes)
{
    char chunk[1 << 16];
    for (;;) {
        const size_t got = std::fread(chunk, 1, sizeof chunk, file);
        bytes.append(chunk, got);
        if (got < sizeof chunk)
            break;
    }
    return std::ferror(file) ? LastErrorOr(EIO) : 0;
}

static std::filesystem::path TemporarySibling(const std::filesystem::path& target)
{
    static std::atomic<unsigned> counter{0};
#ifdef _WIN32
    const long pid = _getpid();
#else
    const long pid = getpid();
#endif
    std::filesystem::path temp = target;
    temp += ".tmp" + std::to_string(pid) + "-" + std::to_string(counter.fetch_add(1));
    return temp;
}

static int FlushToDisk(std::FILE* file)
{
    if (std::fflush(file) != 0)
        return LastErrorOr(EIO);
#ifdef _WIN32
    if (_commit(_fileno(file)) != 0)
        return LastErrorOr(EIO);
#else
    if (fsync(fileno(file)) != 0)
        return LastErrorOr(EIO);
#endif
    return 0;
}

int ReplaceFileSafely(const std::filesystem::path& target, const std::function<int(std::FILE*)>& write)
{
    const std::filesystem::path temp = TemporarySibling(target);
    errno = 0;
    std::FILE* file = OpenFile(temp, "wb");
    if (!file)
        return LastErrorOr(EIO);

    int error = write(file);
    if (error == 0)
        error = FlushToDisk(file);
    errno = 0;
    if (std::fclose(file) != 0 && error == 0)
        error = LastErrorOr(EIO);

    if (error == 0) {
        std::error_code renameError;
        std::filesystem::rename(temp, target, renameError);
        if (!renameError)
            return 0;
        error = renameError.value() != 0 ? renameError.value() : EIO;
    }
    std::error_code ignored;
    std::filesystem::remove(temp, ignored);
    return error;
}
