#include "model/manga_db.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <utility>

#include "model/file_io.h"
#include "model/record_image.h"

namespace {

constexpr size_t kChunkOverhead = 9;  // tag, length, terminator

// The smallest number of bytes one more item can take in a file, used to size
// reservations by what the file can actually hold rather than by its counts.
constexpr size_t kMinCoverBytes = kChunkOverhead + kCoverImageSize;
constexpr size_t kMinChapterBytes = kChunkOverhead + kChapterImageSize;
constexpr size_t kMinPageBytes = kChunkOverhead + kPageImageSize;

bool TagIs(const char* tag, const char (&expected)[5])
{
    return std::memcmp(tag, expected, 4) == 0;
}

std::string Utf16ToLeBytes(const std::u16string& text)
{
    std::string bytes(text.size() * 2, '\0');
    for (size_t i = 0; i < text.size(); ++i) {
        bytes[2 * i] = static_cast<char>(text[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<char>(text[i] >> 8);
    }
    return bytes;
}

std::u16string LeBytesToUtf16(std::string_view bytes)
{
    std::u16string text(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                        static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
    return text;
}

class ChunkWriter {
public:
    explicit ChunkWriter(std::FILE* file) : file_(file) {}

    int Image(const char (&tag)[5], const uint8_t* image, size_t size)
    {
        return Write(tag, image, size);
    }
    int Bytes(const char (&tag)[5], const OptString& text)
    {
        return text ? Write(tag, text->data(), text->size()) : 0;
    }
    int Wide(const char (&tag)[5], const OptU16String& text)
    {
        if (!text)
            return 0;
        const std::string bytes = Utf16ToLeBytes(*text);
        return Write(tag, bytes.data(), bytes.size());
    }

private:
    int Write(const char (&tag)[5], const void* payload, size_t length)
    {
        return MangaDB_WriteChunk(file_, tag, payload, length);
    }
    std::FILE* file_;
};

int WriteRecord(std::FILE* file, const MangaInfo& manga)
{
    ChunkWriter out(file);
    int error = 0;
    auto step = [&error](int result) {
        if (error == 0)
            error = result;
        return error == 0;
    };

    const MangaImage mangaImage = MangaInfo_Image(manga);
    if (!step(out.Image("MNGA", mangaImage.data(), mangaImage.size())) || !step(out.Bytes("_URL", manga.Url)) ||
        !step(out.Wide("NAMR", manga.Name)) || !step(out.Wide("NAME", manga.EngName)) ||
        !step(out.Wide("NAM_", manga.JpName)) || !step(out.Bytes("DESC", manga.Desc)))
        return error;

    for (const CoverInfo& cover : manga.Covers) {
        const CoverImage image = CoverInfo_Image(cover);
        if (!step(out.Image("COVR", image.data(), image.size())) || !step(out.Bytes("_URL", cover.Url)))
            return error;
    }
    for (const ChapterInfo& chapter : manga.Chaps) {
        const ChapterImage image = ChapterInfo_Image(chapter);
        if (!step(out.Image("CHAP", image.data(), image.size())) || !step(out.Bytes("_URL", chapter.Url)) ||
            !step(out.Wide("NAM_", chapter.Name)))
            return error;
        for (const PageInfo& page : chapter.Pages) {
            const PageImage pageImage = PageInfo_Image(page);
            if (!step(out.Image("PAGS", pageImage.data(), pageImage.size())) || !step(out.Bytes("_URL", page.Url)))
                return error;
        }
    }
    return 0;
}

// Walks the chunks of a file held in memory. Every payload is checked against
// the end of the data before it is handed out.
class ChunkReader {
public:
    enum class Status { Chunk, End, Damaged };

    explicit ChunkReader(std::string_view bytes) : bytes_(bytes) {}

    Status Next()
    {
        if (pos_ == bytes_.size())
            return Status::End;
        if (bytes_.size() - pos_ < 8)
            return Status::Damaged;
        std::memcpy(tag_, bytes_.data() + pos_, 4);
        const uint32_t length = GetLE32(reinterpret_cast<const uint8_t*>(bytes_.data() + pos_ + 4));
        pos_ += 8;
        if (length > bytes_.size() - pos_)
            return Status::Damaged;
        payload_ = bytes_.substr(pos_, length);
        pos_ += length;
        return Status::Chunk;
    }

    // The byte after a payload; -1 at the end of the data.
    int Terminator()
    {
        if (pos_ == bytes_.size())
            return -1;
        return static_cast<unsigned char>(bytes_[pos_++]);
    }

    bool Is(const char (&tag)[5]) const { return TagIs(tag_, tag); }
    std::string_view Payload() const { return payload_; }
    const uint8_t* Image() const { return reinterpret_cast<const uint8_t*>(payload_.data()); }
    size_t Remaining() const { return bytes_.size() - pos_; }

private:
    std::string_view bytes_;
    size_t pos_ = 0;
    char tag_[4] = {};
    std::string_view payload_;
};

using Status = ChunkReader::Status;

class RecordLoader {
public:
    RecordLoader(MangaInfo& manga, std::string_view bytes) : manga_(manga), bytes_(bytes), in_(bytes) {}

    int Run()
    {
        if (bytes_.substr(0, 4) != "MNGA")
            return kMangaDbNotDatabase;
        if (in_.Next() != Status::Chunk || in_.Payload().size() != kMangaImageSize)
            return kMangaDbDamaged;
        const MangaImageFields fields = MangaImage_Read(in_.Image());
        if (fields.CoverCnt < 0 || fields.ChapCnt < 0)
            return kMangaDbDamaged;

        manga_.UrlSize = fields.UrlSize;
        manga_.DescSize = fields.DescSize;
        manga_.bSkipCovers = fields.bSkipCovers;
        manga_.BusyCnt = 0;  // a record read from disk is never in use by a worker
        declaredCovers_ = fields.CoverCnt;
        declaredChapters_ = fields.ChapCnt;
        manga_.Covers.reserve(std::min<size_t>(declaredCovers_, in_.Remaining() / kMinCoverBytes));
        manga_.Chaps.reserve(std::min<size_t>(declaredChapters_, in_.Remaining() / kMinChapterBytes));

        in_.Terminator();
        int result = TopLevel(in_.Next());
        if (result == kMangaDbDamaged)
            return result;
        if (manga_.CoverCnt() < declaredCovers_)
            result = kMangaDbMissingCovers;
        if (chaptersComplete_ < declaredChapters_)
            result = kMangaDbMissingChapters;
        return result;
    }

private:
    int TopLevel(Status status)
    {
        for (;;) {
            if (status == Status::End)
                return kMangaDbOk;
            if (status == Status::Damaged)
                return kMangaDbDamaged;

            // The strings of a structure that could not be placed go with it:
            // read at top level they would replace the manga's own.
            const Owned owned = std::exchange(owned_, Owned::None);
            if (owned == Owned::ChapterBlock && (in_.Is("_URL") || in_.Is("NAM_") || in_.Is("PAGS"))) {
                owned_ = Owned::ChapterBlock;
            } else if (owned == Owned::Url && in_.Is("_URL")) {
                // skipped with the cover or page it belongs to
            } else if (in_.Is("_URL")) {
                manga_.Url = std::string(in_.Payload());
                manga_.UrlSize = SizeWithTerminator();
            } else if (in_.Is("NAMR")) {
                manga_.Name = LeBytesToUtf16(in_.Payload());
            } else if (in_.Is("NAME")) {
                manga_.EngName = LeBytesToUtf16(in_.Payload());
            } else if (in_.Is("NAM_")) {
                manga_.JpName = LeBytesToUtf16(in_.Payload());
            } else if (in_.Is("DESC")) {
                manga_.Desc = std::string(in_.Payload());
                manga_.DescSize = SizeWithTerminator();
            } else if (in_.Is("COVR") && manga_.CoverCnt() < declaredCovers_) {
                if (in_.Payload().size() != kCoverImageSize)
                    return kMangaDbDamaged;
                status = Cover();
                if (status != Status::Chunk || !in_.Is("_URL"))
                    continue;  // the chunk after the cover is dispatched on its own
                manga_.Covers.back().Url = std::string(in_.Payload());
                manga_.Covers.back().UrlSize = SizeWithTerminator();
            } else if (in_.Is("CHAP") && chaptersComplete_ < declaredChapters_) {
                if (in_.Payload().size() != kChapterImageSize)
                    return kMangaDbDamaged;
                const int blockResult = Chapter(status);
                if (blockResult != kMangaDbOk)
                    return blockResult;
                continue;
            } else if (in_.Is("COVR") || in_.Is("PAGS")) {
                owned_ = Owned::Url;  // a cover beyond its count, or a page beyond its chapter's
            } else if (in_.Is("CHAP")) {
                owned_ = Owned::ChapterBlock;  // a chapter beyond its count
            }
            // Unplaceable chunks were skipped by their length when read.

            const int terminator = in_.Terminator();
            if (terminator < 0)
                return kMangaDbOk;
            if (terminator != 0)
                return kMangaDbBadTerminator;
            status = in_.Next();
        }
    }

    Status Cover()
    {
        CoverInfo cover;
        cover.UrlSize = CoverImage_ReadUrlSize(in_.Image());
        manga_.Covers.push_back(std::move(cover));
        in_.Terminator();
        return in_.Next();
    }

    // Reads one chapter block; `status` ends on the chunk that closed the block.
    int Chapter(Status& status)
    {
        const ChapterImageFields fields = ChapterImage_Read(in_.Image());
        if (fields.PageCnt < 0)
            return kMangaDbDamaged;
        ChapterInfo& chapter = manga_.Chaps.emplace_back();
        chapter.Vol = fields.Vol;
        chapter.Num = fields.Num;
        chapter.bSkip = fields.bSkip;
        chapter.Pages.reserve(std::min<size_t>(fields.PageCnt, in_.Remaining() / kMinPageBytes));

        in_.Terminator();
        status = in_.Next();
        while (status == Status::Chunk) {
            if (in_.Is("_URL")) {
                chapter.Url = std::string(in_.Payload());
            } else if (in_.Is("NAM_")) {
                chapter.Name = LeBytesToUtf16(in_.Payload());
            } else if (in_.Is("PAGS") && chapter.PageCnt() < fields.PageCnt) {
                if (in_.Payload().size() != kPageImageSize)
                    return kMangaDbDamaged;
                const PageImageFields pageFields = PageImage_Read(in_.Image());
                PageInfo& page = chapter.Pages.emplace_back();
                page.UrlSize = pageFields.UrlSize;
                page.bLoaded = pageFields.bLoaded;
                in_.Terminator();
                status = in_.Next();
                if (status != Status::Chunk || !in_.Is("_URL"))
                    continue;  // examined again by this loop
                page.Url = std::string(in_.Payload());
                page.UrlSize = SizeWithTerminator();
            } else {
                break;
            }
            in_.Terminator();
            status = in_.Next();
        }
        if (status == Status::Damaged)
            return kMangaDbDamaged;
        if (chapter.PageCnt() < fields.PageCnt)
            return kMangaDbMissingChapters;
        ++chaptersComplete_;
        return kMangaDbOk;
    }

    int32_t SizeWithTerminator() const
    {
        const size_t size = in_.Payload().size() + 1;
        return size > static_cast<size_t>(std::numeric_limits<int32_t>::max())
                   ? std::numeric_limits<int32_t>::max()
                   : static_cast<int32_t>(size);
    }

    // What the chunks that follow an unplaceable structure chunk may belong to.
    enum class Owned { None, Url, ChapterBlock };

    MangaInfo& manga_;
    std::string_view bytes_;
    ChunkReader in_;
    Owned owned_ = Owned::None;
    int32_t declaredCovers_ = 0;
    int32_t declaredChapters_ = 0;
    int32_t chaptersComplete_ = 0;
};

}  // namespace

int MangaDB_WriteChunk(std::FILE* file, const char tag[4], const void* payload, size_t length)
{
    if (length > static_cast<size_t>(std::numeric_limits<int32_t>::max()))
        return EOVERFLOW;
    uint8_t head[8];
    std::memcpy(head, tag, 4);
    PutLE32(head + 4, static_cast<uint32_t>(length));
    errno = 0;
    if (std::fwrite(head, 1, sizeof head, file) != sizeof head)
        return LastErrorOr(EIO);
    if (length != 0 && std::fwrite(payload, 1, length, file) != length)
        return LastErrorOr(EIO);
    if (std::fputc(0, file) == EOF)
        return LastErrorOr(EIO);
    return 0;
}

int MangaDB_Save(const MangaInfo& manga, std::u16string_view path)
{
    return ReplaceFileSafely(PathFromUtf16(path), [&manga](std::FILE* file) {
        std::setvbuf(file, nullptr, _IOFBF, 1 << 16);
        return WriteRecord(file, manga);
    });
}

int MangaDB_LoadBytes(MangaInfo& manga, std::string_view bytes)
{
    return RecordLoader(manga, bytes).Run();
}

int MangaDB_Load(MangaInfo& manga, std::u16string_view path)
{
    std::string bytes;
    if (const int error = ReadWholeFile(PathFromUtf16(path), bytes); error != 0)
        return error;
    return MangaDB_LoadBytes(manga, bytes);
}
