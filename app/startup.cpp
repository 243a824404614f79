#include "app/startup.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#ifdef __linux__
#include <unistd.h>
#endif

#include "model/file_io.h"
#include "model/text_codec.h"

#include "settings/app_settings.h"
#include "settings/settings_file.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace app {

std::u16string ProgramFolderFromPath(std::u16string_view programPath, char16_t separator)
{
    const size_t last = programPath.rfind(separator);
    if (last == std::u16string_view::npos)
        return {};
    return std::u16string(programPath.substr(0, last + 1));
}

std::u16string ProgramFolderOfExecutable()
{
#ifdef __linux__
    std::error_code error;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        return {};
    return ProgramFolderFromPath(Utf16FromPath(exe), u'/');
#elif defined(_WIN32)
    wchar_t module[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, module, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return {};
    return ProgramFolderFromPath(std::u16string(module, module + length), u'\\');
#else
    return {};
#endif
}

StartupPaths Startup_Paths(std::u16string_view programFolder)
{
    StartupPaths paths;
    paths.programFolder.assign(programFolder);
    paths.settingsPath = paths.programFolder + u"settings.cfg";
    paths.defaultSaveFolder = paths.programFolder;
    return paths;
}

namespace {

std::u16string WithSlash(std::u16string folder)
{
    if (!folder.empty() && folder.back() != u'/')
        folder += u'/';
    return folder;
}

// XDG_DOWNLOAD_DIR="$HOME/..." or an absolute path, as xdg-user-dirs writes it.
std::u16string DownloadDirFromUserDirs(const std::string& text, const std::string& home)
{
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        constexpr std::string_view key = "XDG_DOWNLOAD_DIR=";
        if (line.rfind(key, 0) != 0)
            continue;
        std::string value = line.substr(key.size());
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (value.rfind("$HOME", 0) == 0) {
            if (home.empty())
                return {};
            value = home + value.substr(5);
        }
        return value.empty() || value.front() != '/' ? std::u16string() : Utf8ToUtf16(value);
    }
    return {};
}

}  // namespace

UserFolders UserFolders_FromEnvironment(const char* (*getenv)(const char*))
{
    auto variable = [getenv](const char* name) {
        const char* value = getenv(name);
        return value ? std::string(value) : std::string();
    };
    const std::string home = variable("HOME");
    std::string config = variable("XDG_CONFIG_HOME");
    // The base directory rules ignore relative paths.
    if (config.empty() || config.front() != '/')
        config = home.empty() ? std::string() : home + "/.config";
    UserFolders user;
    user.configHome = Utf8ToUtf16(config);
    if (!config.empty()) {
        std::ifstream in(std::filesystem::path(config) / "user-dirs.dirs", std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        user.downloads = DownloadDirFromUserDirs(text.str(), home);
    }
    if (user.downloads.empty() && !home.empty())
        user.downloads = Utf8ToUtf16(home + "/Downloads");
    return user;
}

bool ProgramFolderIsInstalled(std::u16string_view programFolder)
{
    if (programFolder.starts_with(u"/usr/") || programFolder.starts_with(u"/bin/"))
        return true;
#ifdef __linux__
    return access(Utf16ToUtf8(programFolder).c_str(), W_OK) != 0;
#else
    return false;
#endif
}

StartupPaths Startup_ChoosePaths(std::u16string_view programFolder, bool installed, const UserFolders& user)
{
    StartupPaths paths = Startup_Paths(programFolder);
    // Without a home there is nowhere better: keep the design's paths.
    if (!installed || user.configHome.empty())
        return paths;
    paths.settingsPath = WithSlash(user.configHome) + u"zumr/settings.cfg";
    paths.defaultSaveFolder = WithSlash(user.downloads);
    paths.createSettings = true;
    return paths;
}

void Startup_LoadSettings(const StartupPaths& paths)
{
    Settings_Set(AppSettings_Defaults(paths.defaultSaveFolder));
    Cfg_Load(paths.settingsPath);
}

void Startup_SaveSettings(const StartupPaths& paths)
{
    if (paths.createSettings) {
        const std::filesystem::path file = PathFromUtf16(paths.settingsPath);
        std::error_code error;
        if (!std::filesystem::exists(file, error) && !error) {
            std::filesystem::create_directories(file.parent_path(), error);
            // The writer only updates a file: give it an empty one, marked UTF-8.
            std::ofstream(file, std::ios::binary) << "\xEF\xBB\xBF";
        }
    }
    Cfg_Save(paths.settingsPath);
}

}  // namespace app
