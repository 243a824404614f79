#pragma once
// Writing and reading back ZIP archives of stored entries. The pictures are
// compressed already, so entries are stored as they are; the packer sees
// only this seam, not the library behind it.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class ZipWriter {
public:
    virtual ~ZipWriter() = default;

    // Adds the bytes of the file at `path` (read when the archive is written)
    // under `name`, UTF-8 and flagged as such. Returns 0 or an errno.
    virtual int AddFile(const std::string& name, std::u16string_view path) = 0;

    // Adds `bytes` under `name`. Returns 0 or an errno.
    virtual int AddBytes(const std::string& name, std::string bytes) = 0;

    // Writes the archive into a staging file beside its path and renames it
    // there once it is whole. On failure nothing is left at the path but what
    // was there before. Returns 0 or an errno.
    virtual int Commit() = 0;
};

// A writer for the archive at `path`; null with `error` set when it cannot be
// started.
std::unique_ptr<ZipWriter> ZipWriter_Create(std::u16string_view path, int& error);

struct ZipEntry {
    std::string name;
    uint64_t size = 0;
    uint32_t crc = 0;
    bool operator==(const ZipEntry&) const = default;
};

// The entries of the archive at `path`, in order; nullopt when there is no
// archive there or it is not a consistent one.
std::optional<std::vector<ZipEntry>> Zip_ListEntries(std::u16string_view path);

// The CRC-32 a ZIP entry of these bytes carries.
uint32_t Zip_Crc32(uint32_t crc, std::string_view bytes);
