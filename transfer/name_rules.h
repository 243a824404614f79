#pragma once
// What a file or folder name may hold: the characters no name may carry, the
// separator of the platform, the length of a path, and Windows' own rules.

#include <cstddef>
#include <string>
#include <string_view>

#ifdef _WIN32
inline constexpr char16_t kPathSeparator = u'\\';
#else
inline constexpr char16_t kPathSeparator = u'/';
#endif

// Paths hold at most this many UTF-16 units, terminator included.
inline constexpr size_t kMaxPathUnits = 260;

// The characters no file name may hold; the backslash is not among them
// because it separates folders on Windows.
inline constexpr char16_t ForbiddenChars[8] = {u'<', u'>', u':', u'*', u'?', u'"', u'/', u'|'};

// Replaces, in place, every ForbiddenChars character of a whole path by
// `replacement`, keeping the platform's separator and a drive colon ("C:\").
// 13 = the replacement is itself forbidden (nothing changed); 1 = something
// was replaced; 0 = nothing to replace.
int ReplaceForbiddenChars(std::u16string& path, char16_t replacement);

// Makes a name taken from a website safe as a single path component: both
// slashes, every ForbiddenChars character and control characters become
// `replacement`, and names that are empty, "." or ".." are replaced, so a
// joined path never leaves its parent folder. On Windows its name rules
// follow (ApplyWindowsNameRules).
std::u16string CleanPathComponent(std::u16string_view name, char16_t replacement);

// Windows' own name rules, applied by CleanPathComponent when built for
// Windows: a trailing dot or space (which Windows would silently drop) becomes
// `replacement`, and a reserved device name (CON, PRN, AUX, NUL, COM1-9,
// LPT1-9, in any case, with or without an extension) gets `replacement` after
// it, so the name opens a file, never a device. Returns whether it changed.
bool ApplyWindowsNameRules(std::u16string& name, char16_t replacement);

// Cuts a path to the units a path buffer can hold without splitting a
// surrogate pair.
void CutToPathBuffer(std::u16string& path);
