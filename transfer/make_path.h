#pragma once
// Opening a file for writing where its folders may not exist yet.

#include <cstdio>
#include <string_view>

// Opens a file like fopen; when that fails only because a folder on the way
// is missing, creates the missing folders and tries once more. Null on
// failure, with errno telling why.
std::FILE* OpenFileMakePath(std::u16string_view path, const char* mode);
