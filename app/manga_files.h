#pragma once
// The files of one manga as the window and the command line both see them:
// its download folder, its database file beside the chapter folders, and the
// texts that tell the user what went wrong with either.

#include <optional>
#include <string>
#include <string_view>

#include "model/manga_info.h"

namespace app {

// The download folder proposed for a manga: the default folder and the
// manga's name as one cleaned path component.
std::u16string MangaFolder(std::u16string_view defSavePath, const OptU16String& name);

// The database file in `folder`: <folder>/<Name>.zdb, the name cleaned as one
// path component exactly as MangaFolder cleans it, so the file always lands
// in `folder` whatever separators or ".." the name holds. Nothing without a
// name.
std::optional<std::u16string> DatabasePath(std::u16string_view folder, const OptU16String& name);

// MangaDB_Load into a freed record. Whatever was read stays in the record.
int LoadDatabase(MangaInfo& manga, std::u16string_view path);
// A load whose result leaves the record whole (a damaged chunk after every
// announced item included).
bool LoadUsable(int result);
// What a load's result means, as a phrase after "Файл <path>": "не является
// базой данных манги…", "повреждён…", an errno's text.
std::u16string LoadResultText(int result);
// The whole text of a load problem: the file's path, then LoadResultText.
std::u16string LoadProblemText(int result, std::u16string_view path);

// MangaDB_Save; 0 or the errno of the failure. No folder is made.
int SaveDatabase(const MangaInfo& manga, std::u16string_view path);
std::u16string SaveProblemText(int result, std::u16string_view path);

// "<errno> - <its text>".
std::u16string SystemErrorText(int error);

}  // namespace app
