#pragma once
// The title page of a manga: names, description, covers and chapter list.

#include <string_view>

#include "model/manga_info.h"

// Fills `manga` (which holds only Url/UrlSize) from the page body.
// 0 = parsed, 13 = a block's closing text is missing (what was found stays),
// 69 = the manga address is unusable (nothing changed).
int Html_ParseMangaPage(std::string_view page, MangaInfo& manga);
