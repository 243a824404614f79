#pragma once
// Names of everything a download writes: the manga's folder, the covers
// folder, volume and chapter folders, and page files named after their
// addresses. One core serves Windows ("\") and Linux ("/").

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

#include "model/manga_info.h"
#include "settings/app_settings.h"

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

inline constexpr std::u16string_view kCoversFolderName = u"covers";

// One argument of FormatWide: a number for %i/%d/%u, UTF-16 text for %s,
// 8-bit text for %S (each byte widened to the unit of the same value).
using FormatArg = std::variant<int64_t, std::u16string_view, std::string_view>;

// printf-style formatting into UTF-16 with the flags "-" and "0", a width
// and a precision. Returns the number of units written into `target`, or -1
// when a conversion is unknown or its argument is missing or of another kind
// (`target` then holds what was formatted up to there).
int FormatWide(std::u16string& target, std::u16string_view format, std::initializer_list<FormatArg> args);

// One separator-delimited part of a UTF-16 text. `sourceCount` is how many
// units may be examined, terminator included; `targetCount` is the target's
// capacity, terminator included. which >= 0: the part after the which-th
// separator; -1: only count separators; -2: the last part. Returns the part's
// start, the count for -1, -10 without a source, -2 for a bad `which`, -1 when
// there are fewer separators, -3 when the part had to be cut to fit.
int GetUrlComponent(const char16_t* source, int32_t sourceCount, char16_t* target, int32_t targetCount,
                    int32_t which, char16_t separator);

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

// Opens a file like fopen; when that fails only because a folder on the way
// is missing, creates the missing folders and tries once more. Null on
// failure, with errno telling why.
std::FILE* OpenFileMakePath(std::u16string_view path, const char* mode);

// The current manga's download folder, set by the window (START) and read by
// the download worker; at most 259 units are kept.
void CurSavePath_Set(std::u16string_view path);
std::u16string CurSavePath_Get();

// The download folder proposed for a freshly loaded manga: the default
// folder, a separator when it lacks one, and the manga's name as one cleaned
// component; forbidden characters become "_". Cut to 259 units.
std::u16string MangaSavePath(std::u16string_view defSavePath, const OptU16String& mangaName);

// The file name an image address gives: its last "/" part without query or
// fragment, at most 259 units, cleaned as a single path component. Two
// addresses may give the same name; ImageFileNames (file_names.h) settles that.
std::u16string FileNameFromUrl(std::string_view url);

// The same with the query kept (cleaned like the rest of the name), for
// addresses that differ only there.
std::u16string FileNameFromUrlWithQuery(std::string_view url);

// True when an address names nothing to fetch: empty once the fragment is
// dropped. Resolved against a page, such an address would give that page.
bool UrlIsEmpty(std::string_view url);

// What the page paths take from the settings.
struct PageNaming {
    std::u16string BookDirName;
    std::u16string ChapDirName;
    bool bAppendChapName = true;
    bool bAddCntToPages = false;
};

// The naming settings as they stand in `settings`.
PageNaming PageNaming_FromSettings(const AppSettings& settings);

// savePath/covers/<fileName>, with the whole-path pass ("'").
std::u16string CoverFilePath(std::u16string_view savePath, std::u16string_view fileName);

// savePath/<book><Vol>/<ch><Num>[-<Name>]/<fileName>, with the whole-path
// pass ("'"). The file name, page number included, comes from PageFileNames.
std::u16string PageFilePath(std::u16string_view savePath, const PageNaming& naming, int32_t vol, int32_t num,
                            const OptU16String& chapterName, std::u16string_view fileName);
