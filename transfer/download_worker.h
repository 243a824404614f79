#pragma once
// The download worker: writes the covers and the pages of every ticked
// chapter into the folder tree under CurSavePath, skipping files on disk.

#include <cstdint>

#include "model/manga_info.h"

// Thread procedure; the caller sets CurSavePath and starts the thread with the
// window's record. Returns the CURLcode of the run's last transfer (0 when
// none ran), or -1 when no libcurl handle could be made; the same value
// travels in UM_WORKERDONE (1, result).
int32_t Curl_GetCommix(MangaInfo* manga);
