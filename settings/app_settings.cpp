#include "settings/app_settings.h"

#include <filesystem>
#include <mutex>

namespace {

bool IsSeparator(char16_t unit)
{
    // A backslash is a separator on Windows only; elsewhere it is an ordinary
    // file-name character.
    return unit == u'/' || unit == static_cast<char16_t>(std::filesystem::path::preferred_separator);
}

std::mutex& StoreLock()
{
    static std::mutex lock;
    return lock;
}

AppSettings& Store()
{
    static AppSettings settings;
    return settings;
}

} // namespace

AppSettings AppSettings_Defaults(std::u16string_view programFolder)
{
    AppSettings settings;
    settings.DefSavePath.assign(programFolder);
    if (!settings.DefSavePath.empty() && !IsSeparator(settings.DefSavePath.back()))
        settings.DefSavePath += static_cast<char16_t>(std::filesystem::path::preferred_separator);
    return settings;
}

AppSettings Settings_Get()
{
    std::lock_guard<std::mutex> guard(StoreLock());
    return Store();
}

void Settings_Set(const AppSettings& settings)
{
    std::lock_guard<std::mutex> guard(StoreLock());
    Store() = settings;
}

void Settings_Update(const std::function<void(AppSettings&)>& change)
{
    std::lock_guard<std::mutex> guard(StoreLock());
    change(Store());
}
