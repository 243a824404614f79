#include "transfer/zip_writer.h"

#include <zip.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <list>

#include "model/file_io.h"

namespace {

int ErrnoOf(const zip_error_t* error)
{
    if (zip_error_system_type(error) == ZIP_ET_SYS && zip_error_code_system(error) != 0)
        return zip_error_code_system(error);
    switch (zip_error_code_zip(error)) {
    case ZIP_ER_MEMORY:
        return ENOMEM;
    case ZIP_ER_NOENT:
        return ENOENT;
    default:
        return EIO;
    }
}

// A file source on a UTF-16 path: Windows opens it by its wide name, so that
// no name is lost to the system code page.
zip_source_t* FileSource(std::u16string_view path, zip_error_t* error)
{
#ifdef _WIN32
    const std::wstring wide(path.begin(), path.end());
    return zip_source_win32w_create(wide.c_str(), 0, -1, error);
#else
    return zip_source_file_create(PathFromUtf16(path).c_str(), 0, -1, error);
#endif
}

zip_t* OpenArchive(std::u16string_view path, int flags, zip_error_t* error)
{
    zip_source_t* source = FileSource(path, error);
    if (!source)
        return nullptr;
    zip_t* archive = zip_open_from_source(source, flags, error);
    if (!archive)
        zip_source_free(source);
    return archive;
}

class LibzipWriter : public ZipWriter {
public:
    explicit LibzipWriter(zip_t* archive) : archive_(archive) {}
    ~LibzipWriter() override
    {
        if (archive_)
            zip_discard(archive_);  // nothing written, the staging file (if any) removed
    }

    int AddFile(const std::string& name, std::u16string_view path) override
    {
        zip_error_t error;
        zip_error_init(&error);
        zip_source_t* source = FileSource(path, &error);
        const int result = source ? Add(name, source) : ErrnoOf(&error);
        zip_error_fini(&error);
        return result;
    }

    int AddBytes(const std::string& name, std::string bytes) override
    {
        buffers_.push_back(std::move(bytes));
        zip_source_t* source = zip_source_buffer(archive_, buffers_.back().data(), buffers_.back().size(), 0);
        return source ? Add(name, source) : ErrnoOf(zip_get_error(archive_));
    }

    int Commit() override
    {
        if (zip_close(archive_) != 0)
            return ErrnoOf(zip_get_error(archive_));
        archive_ = nullptr;
        return 0;
    }

private:
    int Add(const std::string& name, zip_source_t* source)
    {
        const zip_int64_t index = zip_file_add(archive_, name.c_str(), source, ZIP_FL_ENC_UTF_8);
        if (index < 0) {
            zip_source_free(source);
            return ErrnoOf(zip_get_error(archive_));
        }
        if (zip_set_file_compression(archive_, static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0) != 0)
            return ErrnoOf(zip_get_error(archive_));
        return 0;
    }

    zip_t* archive_;
    std::list<std::string> buffers_;  // read when the archive is written; a list never moves them
};

}  // namespace

std::unique_ptr<ZipWriter> ZipWriter_Create(std::u16string_view path, int& error)
{
    zip_error_t zipError;
    zip_error_init(&zipError);
    zip_t* archive = OpenArchive(path, ZIP_CREATE | ZIP_TRUNCATE, &zipError);
    error = archive ? 0 : ErrnoOf(&zipError);
    zip_error_fini(&zipError);
    return archive ? std::make_unique<LibzipWriter>(archive) : nullptr;
}

std::optional<std::vector<ZipEntry>> Zip_ListEntries(std::u16string_view path)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_t* archive = OpenArchive(path, ZIP_RDONLY | ZIP_CHECKCONS, &error);
    zip_error_fini(&error);
    if (!archive)
        return std::nullopt;
    std::vector<ZipEntry> entries;
    constexpr zip_uint64_t kNeeded = ZIP_STAT_NAME | ZIP_STAT_SIZE | ZIP_STAT_CRC;
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t stat;
        if (zip_stat_index(archive, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_RAW, &stat) != 0 ||
            (stat.valid & kNeeded) != kNeeded) {
            zip_discard(archive);
            return std::nullopt;
        }
        entries.push_back({stat.name, stat.size, stat.crc});
    }
    zip_discard(archive);
    return entries;
}

uint32_t Zip_Crc32(uint32_t crc, std::string_view bytes)
{
    // zlib takes the length as a 32-bit count: long inputs go in slices.
    while (!bytes.empty()) {
        const size_t slice = std::min<size_t>(bytes.size(), 1u << 30);
        crc = static_cast<uint32_t>(
            crc32(crc, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(slice)));
        bytes.remove_prefix(slice);
    }
    return crc;
}
