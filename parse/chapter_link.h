#pragma once
// The visible text of one chapter link in a title page's chapter list.

#include <string_view>

#include "model/manga_info.h"

// Sets chapter.Name to the chapter title: on the last line of the UTF-8 link
// text that holds more than spaces, whatever follows the volume number, the
// dash and the chapter number. &quot; &nbsp; &laquo; &raquo; are decoded; any
// other "&...;" run is kept as it stands. Leaves Name untouched when the title
// is empty. Reads only the bytes of `text`.
void Html_ParseChapterLink(ChapterInfo& chapter, std::string_view text);
