#pragma once
// Where the program keeps its settings and what it starts with: the folder
// the program runs from, settings.cfg beside it, every setting's default.

#include <string>
#include <string_view>

namespace ui {

// The folder of a program path: everything up to and including its last
// `separator`. Empty when the path holds none.
std::u16string ProgramFolderFromPath(std::u16string_view programPath, char16_t separator);

// The running executable's folder, ending with the separator (Linux:
// /proc/self/exe). Empty when it cannot be found.
std::u16string ProgramFolderOfExecutable();

struct StartupPaths {
    std::u16string programFolder;  // ends with the separator, or is empty
    std::u16string settingsPath;   // programFolder + "settings.cfg"
};

StartupPaths Startup_Paths(std::u16string_view programFolder);

// Gives every setting its default (DefSavePath = the program's folder) and
// reads settings.cfg over them.
void Startup_LoadSettings(const StartupPaths& paths);

// Writes the settings back; only an existing settings.cfg is updated.
void Startup_SaveSettings(const StartupPaths& paths);

}  // namespace ui
