#pragma once
// The record as one JSON object for scripts (`info --json`), named as the
// record is. Null strings are null; UTF-16 texts are JSON strings; 8-bit texts
// (addresses, the RTF description) are strings of their bytes, each byte
// standing for the code point of the same value, so no byte is lost or guessed.

#include <nlohmann/json.hpp>
#include <string_view>

#include "model/manga_info.h"

nlohmann::ordered_json MangaInfo_ToJson(const MangaInfo& manga, int loadResult);

// Each byte becomes the code point of the same value, encoded as UTF-8.
std::string BytesToUtf8(std::string_view bytes);
