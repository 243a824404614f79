#pragma once
// The page-fetch worker: reads a manga's title page into the record, then
// every chapter's reader page into that chapter's page list.

#include <cstdint>

#include "model/manga_info.h"

// Thread procedure; the caller starts the thread with the window's record,
// which holds only its Url. Returns the CURLcode of the run's last transfer,
// or -1 when no libcurl handle could be made; the same value travels in
// UM_WORKERDONE (0, result).
int32_t Curl_GetManga(MangaInfo* manga);

// The same run without the title page: reads the reader page of each chapter
// of a record already filled (one loaded from a database file and brought up
// to date) that still has its Url; UM_MANGALOADED is not posted.
int32_t Curl_GetChapters(MangaInfo* manga);
