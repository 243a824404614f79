#pragma once
// What a run left undone, measured on disk and in the record once its worker
// has ended.

#include <cstdint>
#include <string_view>

#include "model/manga_info.h"

namespace app {

// The chosen items still missing: covers (unless skipped) whose file is not
// in `savePath`, ticked chapters whose page list was never read, and their
// pages not yet loaded.
int32_t MissingItems(const MangaInfo& manga, std::u16string_view savePath);

// MissingItems without the covers: ticked chapters whose page list was never
// read, and their pages not yet loaded.
int32_t MissingPages(const MangaInfo& manga);

// Every page on disk, ticked or not.
int32_t LoadedPages(const MangaInfo& manga);

// The size of a file, 0 when there is none.
uint64_t FileSize(std::u16string_view path);

}  // namespace app
