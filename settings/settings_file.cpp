#include "settings/settings_file.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "model/file_io.h"
#include "settings/cfg_text.h"

namespace {

// Field capacities in UTF-16 units, terminator included.
constexpr size_t kPathCapacity = 260;
constexpr size_t kFolderNameCapacity = 30;
constexpr size_t kUserAgentCapacity = 512;
constexpr size_t kProxyCapacity = 512;

int32_t Low32(int64_t value)
{
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(value)));
}

void ReadFields(std::u16string_view text, AppSettings& settings)
{
    CfgRange range;
    int64_t number = 0;
    const auto getFlag = [&](std::u16string_view key, uint8_t& field) {
        if (Cfg_GetInt(text, key, number, range))
            field = number != 0 ? 1 : 0;
    };
    const auto getInt32 = [&](std::u16string_view key, int32_t& field) {
        const bool found = Cfg_GetInt(text, key, number, range);
        if (found)
            field = Low32(number);
        return found;
    };
    const auto getClamped = [&](std::u16string_view key, int32_t& field, int32_t (*clamp)(int64_t)) {
        if (Cfg_GetInt(text, key, number, range))
            field = clamp(number);
    };

    Cfg_FindSection(text, u"CONFIG", range);
    Cfg_GetString(text, u"DefSavePath", settings.DefSavePath, kPathCapacity, range);
    Cfg_GetString(text, u"BookDirName", settings.BookDirName, kFolderNameCapacity, range);
    Cfg_GetString(text, u"ChapDirName", settings.ChapDirName, kFolderNameCapacity, range);
    Cfg_GetString(text, u"CoversDirName", settings.CoversDirName, kFolderNameCapacity, range);
    getFlag(u"bAppendChapName", settings.bAppendChapName);
    getFlag(u"bAddCntToPages", settings.bAddCntToPages);
    getFlag(u"bRevScan", settings.bRevScan);
    std::u16string userAgent;
    if (Cfg_GetString(text, u"UserAgent", userAgent, kUserAgentCapacity, range) && !userAgent.empty())
        settings.UserAgent = Cfg_UserAgentBytes(userAgent);
    getClamped(u"Connections", settings.Connections, Connections_Clamp);
    getClamped(u"Retries", settings.Retries, Retries_Clamp);
    Cfg_GetString(text, u"Proxy", settings.Proxy, kProxyCapacity, range);
    getFlag(u"bMakeCbz", settings.bMakeCbz);

    Cfg_FindSection(text, u"MWINDOW", range);
    getInt32(u"WindowX", settings.WindowX);
    getInt32(u"WindowY", settings.WindowY);
    getInt32(u"WindowH", settings.WindowH);
    getInt32(u"WindowW", settings.WindowW);

    Cfg_FindSection(text, u"CHAPSLIST", range);
    if (getInt32(u"ColWchCH", settings.ColWchCH))
        settings.bColWchCHSaved = 1;
    getInt32(u"ColWchNAM", settings.ColWchNAM);
    getInt32(u"ColWchP", settings.ColWchP);
    getInt32(u"ColWchL", settings.ColWchL);

    Cfg_FindSection(text, u"DEBUG", range);
    if (Cfg_GetInt(text, u"SaveBuf", number, range))
        settings.SaveBuf = static_cast<uint8_t>(static_cast<uint64_t>(number));
}

void WriteFields(std::u16string& text, const AppSettings& settings)
{
    CfgRange range;
    const auto setFlag = [&](std::u16string_view key, uint8_t flag) {
        Cfg_SetInt(text, key, flag != 0 ? 1 : 0, range);
    };

    Cfg_AddSection(text, u"CONFIG", range);
    Cfg_SetString(text, u"DefSavePath", settings.DefSavePath, range);
    Cfg_SetString(text, u"BookDirName", settings.BookDirName, range);
    Cfg_SetString(text, u"ChapDirName", settings.ChapDirName, range);
    Cfg_SetString(text, u"CoversDirName", settings.CoversDirName, range);
    setFlag(u"bAppendChapName", settings.bAppendChapName);
    setFlag(u"bAddCntToPages", settings.bAddCntToPages);
    setFlag(u"bRevScan", settings.bRevScan);
    // Keys added after the first release are written only once they matter
    // (a value off its default, or the key already in the file), so a file
    // that never used them is saved exactly as before.
    const AppSettings defaults;
    const auto present = [&](std::u16string_view key) {
        std::u16string value;
        return Cfg_GetString(text, key, value, kProxyCapacity, range);
    };
    if (settings.Connections != defaults.Connections || present(u"Connections"))
        Cfg_SetInt(text, u"Connections", settings.Connections, range);
    if (settings.Retries != defaults.Retries || present(u"Retries"))
        Cfg_SetInt(text, u"Retries", settings.Retries, range);
    if (settings.Proxy != defaults.Proxy || present(u"Proxy"))
        Cfg_SetString(text, u"Proxy", settings.Proxy, range);
    if (settings.bMakeCbz != defaults.bMakeCbz || present(u"bMakeCbz"))
        setFlag(u"bMakeCbz", settings.bMakeCbz);

    Cfg_AddSection(text, u"MWINDOW", range);
    Cfg_SetInt(text, u"WindowX", settings.WindowX, range);
    Cfg_SetInt(text, u"WindowY", settings.WindowY, range);
    Cfg_SetInt(text, u"WindowW", settings.WindowW, range);
    Cfg_SetInt(text, u"WindowH", settings.WindowH, range);

    Cfg_AddSection(text, u"CHAPSLIST", range);
    Cfg_SetInt(text, u"ColWchCH", settings.ColWchCH, range);
    Cfg_SetInt(text, u"ColWchNAM", settings.ColWchNAM, range);
    Cfg_SetInt(text, u"ColWchP", settings.ColWchP, range);
    Cfg_SetInt(text, u"ColWchL", settings.ColWchL, range);
}

bool ReadDecodedFile(std::u16string_view path, std::u16string& text)
{
    std::string bytes;
    if (ReadWholeFile(PathFromUtf16(path), bytes) != 0)
        return false;
    text = Cfg_Decode(bytes);
    return true;
}

// Opening for update is the test that the file exists and may be written; it
// is never created here.
bool ReadExistingWritable(const std::filesystem::path& path, std::string& bytes)
{
    FilePtr file(OpenFile(path, "r+b"));
    if (!file)
        return false;
    return ReadStream(file.get(), bytes) == 0;
}

} // namespace

void Cfg_Load(std::u16string_view path, AppSettings& settings)
{
    std::u16string text;
    if (ReadDecodedFile(path, text))
        ReadFields(text, settings);
}

void Cfg_Save(std::u16string_view path, const AppSettings& settings)
{
    std::filesystem::path target = PathFromUtf16(path);
    std::string bytes;
    if (!ReadExistingWritable(target, bytes))
        return;
    std::u16string text = Cfg_Decode(bytes);
    WriteFields(text, settings);
    const std::string content = Cfg_Encode(text);

    // Replace the file a link points to, not the link; keep its permissions.
    std::error_code error;
    if (std::filesystem::is_symlink(target, error)) {
        std::filesystem::path resolved = std::filesystem::canonical(target, error);
        if (error)
            return;
        target = std::move(resolved);
    }
    const std::filesystem::perms permissions = std::filesystem::status(target, error).permissions();
    const bool keepPermissions = !error;

    const int result = ReplaceFileSafely(target, [&content](std::FILE* file) {
        errno = 0;
        if (std::fwrite(content.data(), 1, content.size(), file) != content.size())
            return LastErrorOr(EIO);
        return 0;
    });
    if (result == 0 && keepPermissions)
        std::filesystem::permissions(target, permissions, std::filesystem::perm_options::replace, error);
}

void Cfg_Load(std::u16string_view path)
{
    std::u16string text;
    if (ReadDecodedFile(path, text))
        Settings_Update([&text](AppSettings& settings) { ReadFields(text, settings); });
}

void Cfg_Save(std::u16string_view path)
{
    Cfg_Save(path, Settings_Get());
}

std::string Cfg_UserAgentBytes(std::u16string_view userAgent)
{
    std::string bytes;
    bytes.reserve(userAgent.size());
    for (size_t i = 0; i < userAgent.size(); ++i) {
        const char16_t unit = userAgent[i];
        if (unit == u'\t' || (unit >= 0x20 && unit <= 0x7E) || (unit >= 0xA0 && unit <= 0xFF)) {
            bytes.push_back(static_cast<char>(static_cast<unsigned char>(unit)));
            continue;
        }
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < userAgent.size() && userAgent[i + 1] >= 0xDC00 &&
            userAgent[i + 1] <= 0xDFFF)
            ++i;
        bytes.push_back('?');
    }
    return bytes;
}
