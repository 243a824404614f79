#include "transfer/staged_file.h"

#include <cerrno>
#include <filesystem>
#include <system_error>
#include <utility>

#include "model/file_io.h"
#include "transfer/make_path.h"

StagedFile::StagedFile(std::u16string finalPath)
    : finalPath_(std::move(finalPath)), tempPath_(finalPath_ + u".part")
{
}

StagedFile::~StagedFile()
{
    Finish(false);
}

std::FILE* StagedFile::Open()
{
    Finish(false);
    file_ = OpenFileMakePath(tempPath_, "wb");
    return file_;
}

int StagedFile::Finish(bool keep)
{
    if (!file_)
        return 0;
    std::FILE* file = std::exchange(file_, nullptr);
    const long written = std::ftell(file);
    errno = 0;
    int error = std::fclose(file) != 0 ? LastErrorOr(EIO) : 0;
    std::error_code fsError;
    if (error == 0 && keep && written > 0) {
        std::filesystem::rename(PathFromUtf16(tempPath_), PathFromUtf16(finalPath_), fsError);
        if (!fsError)
            return 0;
        error = fsError.value() != 0 ? fsError.value() : EIO;
    }
    std::filesystem::remove(PathFromUtf16(tempPath_), fsError);
    return error;
}
