#include "transfer/output_paths.h"

#include <algorithm>
#include <cerrno>
#include <mutex>

#include "model/file_io.h"
#include "model/text_codec.h"

#ifdef _WIN32
#include <direct.h>
#else
#include <sys/stat.h>
#include <sys/types.h>
#endif

namespace {

bool IsForbidden(char16_t c)
{
    return std::find(std::begin(ForbiddenChars), std::end(ForbiddenChars), c) != std::end(ForbiddenChars);
}

void AppendNumber(std::u16string& out, int64_t value, int precision)
{
    uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    char16_t reversed[24];
    size_t count = 0;
    while (magnitude != 0) {
        reversed[count++] = static_cast<char16_t>(u'0' + magnitude % 10);
        magnitude /= 10;
    }
    if (precision < 0 && count == 0)
        reversed[count++] = u'0';
    if (value < 0)
        out += u'-';
    if (precision > 0 && count < static_cast<size_t>(precision))
        out.append(static_cast<size_t>(precision) - count, u'0');
    while (count > 0)
        out += reversed[--count];
}

// Cuts a path to the units a path buffer can hold without splitting a
// surrogate pair.
void CutToPathBuffer(std::u16string& path)
{
    if (path.size() < kMaxPathUnits)
        return;
    size_t keep = kMaxPathUnits - 1;
    if (keep > 0 && path[keep - 1] >= 0xD800 && path[keep - 1] <= 0xDBFF)
        --keep;
    path.resize(keep);
}

int MakeFolder(std::u16string_view folder)
{
    const std::filesystem::path native = PathFromUtf16(folder);
#ifdef _WIN32
    return _wmkdir(native.c_str());
#else
    return mkdir(native.c_str(), 0777);
#endif
}

bool IsDriveRoot(std::u16string_view prefix)
{
    return prefix.size() == 3 && prefix[1] == u':';
}

void AppendWithSeparator(std::u16string& path, std::u16string_view part)
{
    if (!path.empty() && path.back() != kPathSeparator)
        path += kPathSeparator;
    path += part;
}

std::u16string BaseFolder(std::u16string_view savePath)
{
    // An empty download folder means the current folder, never the root.
    return savePath.empty() ? std::u16string(u".") : std::u16string(savePath);
}

std::mutex curSavePathLock;
std::u16string curSavePath;

}  // namespace

static int FormatInto(std::u16string& target, std::u16string_view format, std::initializer_list<FormatArg> args);

int FormatWide(std::u16string& target, std::u16string_view format, std::initializer_list<FormatArg> args)
{
    // Built aside: the format may be a view of the target itself.
    std::u16string out;
    const int written = FormatInto(out, format, args);
    target = std::move(out);
    return written;
}

static int FormatInto(std::u16string& target, std::u16string_view format, std::initializer_list<FormatArg> args)
{
    auto arg = args.begin();
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] != u'%') {
            target += format[i];
            continue;
        }
        if (++i >= format.size())
            return -1;
        if (format[i] == u'%') {
            target += u'%';
            continue;
        }
        bool left = false;
        bool zero = false;
        for (; i < format.size() && (format[i] == u'-' || format[i] == u'0'); ++i)
            (format[i] == u'-' ? left : zero) = true;
        size_t width = 0;
        for (; i < format.size() && format[i] >= u'0' && format[i] <= u'9'; ++i)
            width = std::min<size_t>(width * 10 + (format[i] - u'0'), 4096);
        int precision = -1;
        if (i < format.size() && format[i] == u'.') {
            precision = 0;
            for (++i; i < format.size() && format[i] >= u'0' && format[i] <= u'9'; ++i)
                precision = std::min(precision * 10 + (format[i] - u'0'), 4096);
        }
        if (i >= format.size() || arg == args.end())
            return -1;
        const char16_t conversion = format[i];
        const FormatArg& value = *arg++;
        std::u16string piece;
        bool numeric = false;
        switch (conversion) {
        case u'i':
        case u'd':
            if (!std::holds_alternative<int64_t>(value))
                return -1;
            AppendNumber(piece, std::get<int64_t>(value), precision);
            numeric = true;
            break;
        case u's':
            if (!std::holds_alternative<std::u16string_view>(value))
                return -1;
            piece = std::get<std::u16string_view>(value);
            if (precision >= 0 && piece.size() > static_cast<size_t>(precision))
                piece.resize(static_cast<size_t>(precision));
            break;
        case u'S':
            if (!std::holds_alternative<std::string_view>(value))
                return -1;
            piece = WidenBytes(std::get<std::string_view>(value));
            if (precision >= 0 && piece.size() > static_cast<size_t>(precision))
                piece.resize(static_cast<size_t>(precision));
            break;
        default:
            return -1;
        }
        if (piece.size() < width) {
            const size_t pad = width - piece.size();
            if (left)
                piece.append(pad, u' ');
            else if (zero && numeric && precision < 0)
                piece.insert(piece.empty() || piece[0] != u'-' ? 0 : 1, pad, u'0');
            else
                piece.insert(0, pad, u' ');
        }
        target += piece;
    }
    return static_cast<int>(target.size());
}

int GetUrlComponent(const char16_t* source, int32_t sourceCount, char16_t* target, int32_t targetCount,
                    int32_t which, char16_t separator)
{
    if (!source || sourceCount <= 0)
        return -10;
    if (which < -2)
        return -2;

    int32_t count = 0;
    int32_t partStart = 0;      // after the which-th counted separator
    int32_t lastPartStart = 0;  // after the last separator of all
    int32_t pos = 0;
    for (; pos < sourceCount && source[pos] != 0 && (which < 0 || count < which); ++pos) {
        if (source[pos] != separator)
            continue;
        lastPartStart = pos + 1;
        const bool beforeTerminator = pos + 1 < sourceCount && source[pos + 1] == 0;
        if (!beforeTerminator) {
            ++count;
            partStart = pos + 1;
        }
    }
    if (which > count)
        return -1;
    if (which == -1)
        return count;

    const int32_t start = which == -2 ? lastPartStart : (which == 0 ? 0 : partStart);
    if (!target || targetCount <= 0)
        return start;

    int32_t end = start;
    while (end < sourceCount && source[end] != 0 && source[end] != separator)
        ++end;
    const int32_t length = end - start;
    if (length > targetCount - 1) {
        std::copy(source + start, source + start + (targetCount - 1), target);
        target[targetCount - 1] = 0;
        return -3;
    }
    std::copy(source + start, source + end, target);
    target[length] = 0;
    return start;
}

int ReplaceForbiddenChars(std::u16string& path, char16_t replacement)
{
    if (IsForbidden(replacement))
        return 13;
    int replaced = 0;
    for (size_t i = 0; i < path.size() && path[i] != 0; ++i) {
        const char16_t c = path[i];
        if (c == kPathSeparator)
            continue;
        if (i == 1 && c == u':' && path.size() > 2 && path[2] == kPathSeparator)
            continue;
        if (IsForbidden(c)) {
            path[i] = replacement;
            replaced = 1;
        }
    }
    return replaced;
}

std::u16string CleanPathComponent(std::u16string_view name, char16_t replacement)
{
    std::u16string clean(name);
    for (char16_t& c : clean)
        if (c < 0x20 || c == u'\\' || c == u'/' || IsForbidden(c))
            c = replacement;
    if (clean.empty())
        return std::u16string(1, replacement);
    if (clean == u"." || clean == u"..")
        return std::u16string(clean.size(), replacement);
#ifdef _WIN32
    ApplyWindowsNameRules(clean, replacement);
#endif
    return clean;
}

bool ApplyWindowsNameRules(std::u16string& name, char16_t replacement)
{
    bool changed = false;
    for (size_t i = name.size(); i > 0 && (name[i - 1] == u'.' || name[i - 1] == u' '); --i) {
        name[i - 1] = replacement;
        changed = true;
    }
    // The device is named by the part before the first dot, trailing spaces ignored.
    size_t stemEnd = std::min(name.find(u'.'), name.size());
    while (stemEnd > 0 && name[stemEnd - 1] == u' ')
        --stemEnd;
    std::u16string stem = name.substr(0, stemEnd);
    for (char16_t& c : stem)
        if (c >= u'a' && c <= u'z')
            c = static_cast<char16_t>(c - u'a' + u'A');
    const bool numbered = stem.size() == 4 && (stem.starts_with(u"COM") || stem.starts_with(u"LPT")) &&
                          stem[3] >= u'1' && stem[3] <= u'9';
    if (numbered || stem == u"CON" || stem == u"PRN" || stem == u"AUX" || stem == u"NUL") {
        name.insert(stemEnd, 1, replacement);
        changed = true;
    }
    return changed;
}

std::FILE* OpenFileMakePath(std::u16string_view path, const char* mode)
{
    errno = 0;
    if (std::FILE* file = OpenFile(PathFromUtf16(path), mode))
        return file;
    if (errno != ENOENT)
        return nullptr;
    const size_t last = path.find_last_of(kPathSeparator);
    if (last == std::u16string_view::npos || last == 0)
        return nullptr;

    // Each pass moves past one more separator, so the loop always ends.
    for (size_t next = path.find(kPathSeparator, 1); next != std::u16string_view::npos && next <= last;
         next = path.find(kPathSeparator, next + 1)) {
        const std::u16string_view prefix = path.substr(0, next + 1);
        if (IsDriveRoot(prefix))
            continue;
        errno = 0;
        if (MakeFolder(prefix) != 0 && errno != EEXIST)
            return nullptr;
    }
    errno = 0;
    return OpenFile(PathFromUtf16(path), mode);
}

void CurSavePath_Set(std::u16string_view path)
{
    std::u16string copy(path);
    CutToPathBuffer(copy);
    std::lock_guard lock(curSavePathLock);
    curSavePath = std::move(copy);
}

std::u16string CurSavePath_Get()
{
    std::lock_guard lock(curSavePathLock);
    return curSavePath;
}

std::u16string MangaSavePath(std::u16string_view defSavePath, const OptU16String& mangaName)
{
    std::u16string path(defSavePath);
    if (mangaName) {
        if (path.empty() || path.back() != kPathSeparator)
            path += kPathSeparator;
        path += CleanPathComponent(*mangaName, u'_');
    }
    ReplaceForbiddenChars(path, u'_');
    CutToPathBuffer(path);
    return path;
}

namespace {

// The last "/" part of an address's path, cut to what a name buffer holds.
std::u16string LastUrlPart(std::string_view path)
{
    const std::u16string wide = WidenBytes(path);
    char16_t name[kMaxPathUnits] = {};
    GetUrlComponent(wide.c_str(), static_cast<int32_t>(wide.size() + 1), name, static_cast<int32_t>(kMaxPathUnits),
                    -2, u'/');
    return name;
}

}  // namespace

std::u16string FileNameFromUrl(std::string_view url)
{
    return CleanPathComponent(LastUrlPart(url.substr(0, url.find_first_of("?#"))), u'\'');
}

std::u16string FileNameFromUrlWithQuery(std::string_view url)
{
    url = url.substr(0, url.find('#'));
    const size_t query = std::min(url.find('?'), url.size());
    std::u16string name = LastUrlPart(url.substr(0, query)) + WidenBytes(url.substr(query));
    if (name.size() >= kMaxPathUnits)
        name.resize(kMaxPathUnits - 1);
    return CleanPathComponent(name, u'\'');
}

bool UrlIsEmpty(std::string_view url)
{
    return url.substr(0, url.find('#')).empty();
}

std::u16string CoverFilePath(std::u16string_view savePath, std::u16string_view fileName)
{
    std::u16string path = BaseFolder(savePath);
    AppendWithSeparator(path, kCoversFolderName);
    AppendWithSeparator(path, fileName);
    ReplaceForbiddenChars(path, u'\'');
    return path;
}

std::u16string PageFilePath(std::u16string_view savePath, const PageNaming& naming, int32_t vol, int32_t num,
                            const OptU16String& chapterName, std::u16string_view fileName)
{
    std::u16string path = BaseFolder(savePath);
    std::u16string part;
    FormatWide(part, u"%s%i", {std::u16string_view(naming.BookDirName), int64_t{vol}});
    AppendWithSeparator(path, CleanPathComponent(part, u'\''));
    if (naming.bAppendChapName && chapterName)
        FormatWide(part, u"%s%i-%s",
                   {std::u16string_view(naming.ChapDirName), int64_t{num}, std::u16string_view(*chapterName)});
    else
        FormatWide(part, u"%s%i", {std::u16string_view(naming.ChapDirName), int64_t{num}});
    AppendWithSeparator(path, CleanPathComponent(part, u'\''));
    AppendWithSeparator(path, fileName);
    ReplaceForbiddenChars(path, u'\'');
    return path;
}

PageNaming PageNaming_FromSettings(const AppSettings& settings)
{
    return {settings.BookDirName, settings.ChapDirName, settings.bAppendChapName != 0,
            settings.bAddCntToPages != 0};
}
