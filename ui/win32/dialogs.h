#pragma once
// The system's pickers and the settings dialog (template 105), owned by a window.
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "ui/settings_dialog.h"

namespace ui::win32 {

// SHBrowseForFolderW, opened at `initial`; the chosen folder's path.
std::optional<std::u16string> BrowseForFolder(HWND owner, std::u16string_view initial);

// GetOpenFileNameW with the one filter "Все файлы"; `initial` is both the file
// name and the folder it starts in.
std::optional<std::u16string> OpenFileName(HWND owner, std::u16string_view initial);

// DialogBoxParamW of template 105, driving `dialog` until it closes.
void RunSettingsDialog(HINSTANCE instance, HWND owner, SettingsDialog& dialog);

}  // namespace ui::win32
