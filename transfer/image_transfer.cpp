#include "transfer/image_transfer.h"

#include <cerrno>
#include <filesystem>
#include <system_error>
#include <utility>

#include "model/file_io.h"
#include "model/text_codec.h"
#include "transfer/notifications.h"
#include "transfer/output_paths.h"
#include "transfer/sinks.h"

bool ImageTransfer::Begin()
{
    probe_.Reset();
    // The first try writes into the file opened when the item came up; a new
    // try starts the file afresh.
    if (!std::exchange(begun_, true))
        return file.Handle() != nullptr;
    return file.Open() != nullptr;
}

size_t ImageTransfer::Take(const char* data, size_t size)
{
    const size_t taken = Curl_WriteFile(data, 1, size, file.Handle());
    probe_.Feed(data, taken);
    return taken;
}

namespace {

// A file that cannot be created stops the run; after a cancel nobody could
// answer the box, so it is not shown then.
void ReportFileError(int error)
{
    if (!TransfersAllowed())
        return;
    const std::string text = "Не удалось создать файл с ошибкой " + std::to_string(error) + " - " +
                             std::generic_category().message(error) + "!";
    ShowBoxOnMainWindow(Utf8ToUtf16(text), u"Сбой в Curl_GetCommix!");
}

// A readable regular file at the final name is done. Anything else there (a
// folder, a pipe, a device) is never taken for an image nor written over: it
// is a file that cannot be created. The type is looked at before any open,
// since opening a pipe would wait for a writer.
Target OnDiskOrFailed(const std::u16string& path)
{
    std::error_code error;
    const std::filesystem::path native = PathFromUtf16(path);
    const std::filesystem::file_type type = std::filesystem::status(native, error).type();
    if (type == std::filesystem::file_type::regular)
        return FilePtr(OpenFile(native, "rb")) ? Target::OnDisk : Target::Open;
    if (type == std::filesystem::file_type::not_found || type == std::filesystem::file_type::none ||
        type == std::filesystem::file_type::unknown)
        return Target::Open;  // absent, or not known to be there: the open for writing decides
    ReportFileError(type == std::filesystem::file_type::directory ? EISDIR : EEXIST);
    return Target::Failed;
}

}  // namespace

// Paths are limited to what a path buffer holds: a longer one is treated as a
// file that cannot be created rather than cut to a different name.
Target OpenTarget(StagedFile& file)
{
    if (const Target found = OnDiskOrFailed(file.FinalPath()); found != Target::Open)
        return found;
    if (file.FinalPath().size() >= kMaxPathUnits) {
        ReportFileError(ENAMETOOLONG);
        return Target::Failed;
    }
    if (!file.Open()) {
        ReportFileError(LastErrorOr(EIO));
        return Target::Failed;
    }
    return Target::Open;
}
