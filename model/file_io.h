#pragma once
// File access on UTF-16 paths, and replacing a file without ever leaving a
// half-written one at its name.

#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

// UTF-16 paths become filesystem paths only here, where files are opened.
std::filesystem::path PathFromUtf16(std::u16string_view path);

// The way back, for showing or storing a path: any bytes of a POSIX name are
// taken, never a throw.
std::u16string Utf16FromPath(const std::filesystem::path& path);

struct FileCloser {
    void operator()(std::FILE* file) const noexcept { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Like fopen, on a filesystem path; errno tells why on failure.
std::FILE* OpenFile(const std::filesystem::path& path, const char* mode);

// Reads a whole file into `bytes`. Returns 0 or the errno of the failure.
int ReadWholeFile(const std::filesystem::path& path, std::string& bytes);

// Appends the rest of an open stream to `bytes`. Returns 0 or the errno.
int ReadStream(std::FILE* file, std::string& bytes);

// Writes `target` through a temporary file in the same folder: `write` fills the
// stream and returns 0 or an errno; the data is flushed to disk and only then
// renamed over the target. On any failure the temporary file is removed, the
// target is left exactly as it was, and the errno is returned.
int ReplaceFileSafely(const std::filesystem::path& target, const std::function<int(std::FILE*)>& write);

// errno, or EIO when a failed call left it at 0.
int LastErrorOr(int fallback);
