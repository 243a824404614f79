#pragma once
// The title page of a manga: names, description, covers and chapter list.

#include <string_view>

#include "model/manga_info.h"

// Fills `manga` (which holds only Url/UrlSize) from the page body.
// 0 = parsed, 13 = a block's closing text is missing (what was found stays),
// 69 = the manga address is unusable (nothing changed),
// 12 = out of memory (what was completed stays; every list entry is whole and
// the description is a complete document).
// Relative chapter links get the address's scheme and host put in front; an
// address with no "/" after its host lends itself whole.
int Html_ParseMangaPage(std::string_view page, MangaInfo& manga);
