#pragma once
// Reading and writing settings.cfg as a whole.

#include <string>
#include <string_view>

#include "settings/app_settings.h"

// Reads the file at `path` into `settings`. A missing or unreadable file, or a
// missing section or key, leaves the fields as they were.
void Cfg_Load(std::u16string_view path, AppSettings& settings);

// Writes the owned keys of `settings` into the file at `path`, keeping every
// other byte of it (other than re-encoding invalid UTF-8). Only an existing,
// writable file is updated, never created; the new content goes through a
// temporary sibling and a rename, so a crash or a failed write leaves the old
// file whole. The DEBUG section and UserAgent are never written.
void Cfg_Save(std::u16string_view path, const AppSettings& settings);

// The same on the process-wide record (Settings_Get / Settings_Update).
void Cfg_Load(std::u16string_view path);
void Cfg_Save(std::u16string_view path);

// The 8-bit User-Agent text: tab, U+0020..U+007E and U+00A0..U+00FF keep their
// value as one byte (the inverse of WidenBytes); every other character -
// control characters, anything beyond U+00FF, a surrogate pair counting as one
// character - becomes "?", so the header is always one line of the byte range
// HTTP allows.
std::string Cfg_UserAgentBytes(std::u16string_view userAgent);
