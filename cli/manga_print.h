#pragma once
// How the command line shows a manga record: its titles, its chapter list
// after a scan, and the whole of a database file (info).

#include <cstdint>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "model/manga_info.h"

// "том 1, глава 3 Начало".
std::string ChapterLabel(const ChapterInfo& chapter);

// A worker's row: its chapter's label, or "обложки" for any other row.
std::string RowLabel(const MangaInfo& manga, int32_t row);

// Address, names, cover and chapter counts; reads the record under its lock.
void PrintTitles(const MangaInfo& manga, std::ostream& out);

// One line per chapter, numbered as --chapters takes them, with the error
// codes a scan reported for it (chapter index -> codes, in order).
void PrintChapterList(const MangaInfo& manga, const std::map<int32_t, std::vector<int32_t>>& errors,
                      std::ostream& out);

// Everything a loaded database file holds; `pages` lists every page too.
void PrintDatabase(const MangaInfo& manga, const std::string& file, int loadResult, bool pages, std::ostream& out);
