#pragma once
// The manga database file (.zdb): a flat sequence of chunks
// (4-byte tag, 32-bit little-endian length, payload, one zero byte).

#include <cstdio>
#include <string>
#include <string_view>

#include "model/manga_info.h"

// Results of MangaDB_Load.
inline constexpr int kMangaDbOk = 0;
inline constexpr int kMangaDbBadTerminator = 1;  // stopped at a non-zero chunk terminator; all announced items read
inline constexpr int kMangaDbNotDatabase = -1;   // no MNGA chunk first; the record is unchanged
inline constexpr int kMangaDbMissingCovers = -2; // fewer COVR chunks than announced
inline constexpr int kMangaDbMissingChapters = -3;  // fewer CHAP chunks, or a chapter with fewer PAGS
inline constexpr int kMangaDbDamaged = -4;  // a chunk runs past the end of the file, a structure chunk
                                            // has the wrong length, or a count is negative
// Any positive result is the errno of a failed open or read.

// Writes the record to `path` (UTF-16). Returns 0 or the errno of the failure;
// a failure leaves any earlier file at `path` untouched.
int MangaDB_Save(const MangaInfo& manga, std::u16string_view path);

// Fills an all-zero record from `path`. Whatever was read stays in the record,
// also when the result reports a problem.
int MangaDB_Load(MangaInfo& manga, std::u16string_view path);

// Same as MangaDB_Load on bytes already in memory.
int MangaDB_LoadBytes(MangaInfo& manga, std::string_view bytes);

// Writes one chunk. Returns 0, or the errno when any part wasn't written.
int MangaDB_WriteChunk(std::FILE* file, const char tag[4], const void* payload, size_t length);
