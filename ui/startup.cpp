#include "ui/startup.h"

#include <filesystem>
#include <system_error>

#include "settings/app_settings.h"
#include "settings/settings_file.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace ui {

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
    return ProgramFolderFromPath(exe.u16string(), u'/');
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
    return paths;
}

void Startup_LoadSettings(const StartupPaths& paths)
{
    Settings_Set(AppSettings_Defaults(paths.programFolder));
    Cfg_Load(paths.settingsPath);
}

void Startup_SaveSettings(const StartupPaths& paths)
{
    Cfg_Save(paths.settingsPath);
}

}  // namespace ui
