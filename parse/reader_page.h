#pragma once
// A chapter's reader page: the list of its page images.

#include <string_view>

#include "model/manga_info.h"

// Appends one PageInfo per image address found to chapter.Pages.
// 0 = list read, 1 = no list found, 3 = variable form without "[",
// 12 = out of memory, 14 = broken script text.
int Html_ParseReaderPage(std::string_view page, ChapterInfo& chapter);
