#pragma once
// A chapter's reader page: the list of its page images.

#include <string_view>

#include "model/manga_info.h"

// Appends one PageInfo per image address found to chapter.Pages.
// 0 = list read, 1 = no list found, 3 = variable form without "[",
// 12 = out of memory (the pages completed before it stay), 14 = broken script text.
// The list is taken from the "rm_h.init(" call when it is whole, otherwise
// from the "var pictures" variable; pages of a broken call list stay.
int Html_ParseReaderPage(std::string_view page, ChapterInfo& chapter);
