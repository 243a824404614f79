#pragma once
// Where the program keeps its settings and what it starts with: the folder
// the program runs from, settings.cfg beside it, every setting's default.

#include <string>
#include <string_view>

namespace app {

// The folder of a program path: everything up to and including its last
// `separator`. Empty when the path holds none.
std::u16string ProgramFolderFromPath(std::u16string_view programPath, char16_t separator);

// The running executable's folder, ending with the separator (Linux:
// /proc/self/exe). Empty when it cannot be found.
std::u16string ProgramFolderOfExecutable();

struct StartupPaths {
    std::u16string programFolder;  // ends with the separator, or is empty
    std::u16string settingsPath;   // programFolder + "settings.cfg"
    std::u16string defaultSaveFolder;  // DefSavePath's default: the program's folder
    // Write settings.cfg at exit even when it does not exist yet (and its
    // folder with it): nobody can place one beside an installed program.
    bool createSettings = false;
};

StartupPaths Startup_Paths(std::u16string_view programFolder);

// The user's folders an installed program falls back to, taken from the
// environment (XDG base and user directories).
struct UserFolders {
    std::u16string configHome;  // $XDG_CONFIG_HOME, else $HOME/.config; empty when neither is known
    std::u16string downloads;   // XDG_DOWNLOAD_DIR of user-dirs.dirs, else $HOME/Downloads
};

// `getenv` is the environment lookup (nullptr for an unset variable);
// user-dirs.dirs is read from the config home.
UserFolders UserFolders_FromEnvironment(const char* (*getenv)(const char*));

// A program folder the user cannot write, or one under the system's own
// program folders (/usr, /bin), holds an installed program.
bool ProgramFolderIsInstalled(std::u16string_view programFolder);

// The design's paths for a program in a folder of its own; for an installed
// one, settings in <config home>/zumr/settings.cfg (created at exit) and
// downloads in the user's download folder.
StartupPaths Startup_ChoosePaths(std::u16string_view programFolder, bool installed, const UserFolders& user);

// Gives every setting its default (DefSavePath = paths.defaultSaveFolder) and
// reads settings.cfg over them.
void Startup_LoadSettings(const StartupPaths& paths);

// Writes the settings back; only an existing settings.cfg is updated, unless
// paths.createSettings asks for a new one.
void Startup_SaveSettings(const StartupPaths& paths);

}  // namespace app
