#pragma once
// One image of the download worker: written under a temporary name and given
// its final name only when it arrived whole and is a whole picture.

#include <cstdint>
#include <string>

#include "model/manga_info.h"
#include "transfer/curl_session.h"
#include "transfer/picture_check.h"
#include "transfer/staged_file.h"

class ImageTransfer : public Transfer {
public:
    explicit ImageTransfer(std::u16string finalPath) : file(std::move(finalPath)) {}

    bool Begin() override;
    size_t Take(const char* data, size_t size) override;
    int32_t Check() override { return probe_.IsWhole() ? kCurlOk : kNotAPicture; }

    StagedFile file;
    PageInfo* page = nullptr;  // null for a cover

private:
    PictureProbe probe_;
    bool begun_ = false;
};

enum class Target { OnDisk, Open, Failed };

// A file already at its final name is done. Otherwise its temporary file is
// opened; a failure is reported with the box "Не удалось создать файл…" and
// ends the run.
Target OpenTarget(StagedFile& file);
