#include "ui/win32/dialogs.h"

#include <commdlg.h>
#include <shlobj.h>

#include "ui/resources.h"
#include "ui/win32/wide_text.h"

namespace ui::win32 {
namespace {

// BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN | BIF_EDITBOX | BIF_BROWSEFORCOMPUTER
constexpr UINT kPickerFlags = 0x1013;

// Selects the starting folder once the picker is ready; lParam is its path.
int CALLBACK PickerCallback(HWND picker, UINT message, LPARAM, LPARAM data)
{
    if (message == BFFM_INITIALIZED)
        SendMessageW(picker, BFFM_SETSELECTIONW, TRUE, data);
    return 0;
}

std::u16string Limited(std::u16string_view text, size_t units)
{
    return std::u16string(text.substr(0, units));
}

class Win32SettingsView : public SettingsDialogView {
public:
    HWND dialog = nullptr;

    std::u16string ControlText(int id) const override
    {
        HWND control = GetDlgItem(dialog, id);
        std::wstring text(static_cast<size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
        text.resize(static_cast<size_t>(GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
        return std::u16string(text.begin(), text.end());
    }
    void SetControlText(int id, std::u16string_view text) override
    {
        SetDlgItemTextW(dialog, id, W(std::u16string(text)));
    }
    bool IsChecked(int id) const override { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }
    void SetChecked(int id, bool checked) override { CheckDlgButton(dialog, id, checked ? BST_CHECKED : BST_UNCHECKED); }
    std::optional<std::u16string> PickFolder(std::u16string_view initial) override
    {
        return BrowseForFolder(dialog, initial);
    }
    void Close(int result) override { EndDialog(dialog, result); }
};

struct SettingsRun {
    SettingsDialog& logic;
    Win32SettingsView view;
};

INT_PTR CALLBACK SettingsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* run = reinterpret_cast<SettingsRun*>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG:
        run = reinterpret_cast<SettingsRun*>(lParam);
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        run->view.dialog = dialog;
        run->logic.OnInit(run->view);
        return FALSE;  // the dialog does not choose the focus
    case WM_COMMAND:
        if (!run)
            return FALSE;
        if (HIWORD(wParam) == EN_KILLFOCUS)
            run->logic.OnEditLostFocus(LOWORD(wParam));
        else if (HIWORD(wParam) == BN_CLICKED)
            run->logic.OnCommand(LOWORD(wParam));
        return TRUE;
    case WM_CLOSE:
        if (run)
            run->logic.OnCommand(kIdCancel);
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

std::optional<std::u16string> BrowseForFolder(HWND owner, std::u16string_view initial)
{
    const std::u16string start = Limited(initial, MAX_PATH - 1);
    wchar_t display[MAX_PATH] = {};
    BROWSEINFOW info{};
    info.hwndOwner = owner;
    info.pszDisplayName = display;
    info.ulFlags = kPickerFlags;
    info.lpfn = PickerCallback;
    info.lParam = reinterpret_cast<LPARAM>(W(start));
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&info);
    if (!chosen)
        return std::nullopt;
    wchar_t path[MAX_PATH] = {};
    const BOOL found = SHGetPathFromIDListW(chosen, path);
    CoTaskMemFree(chosen);
    if (!found)
        return std::nullopt;
    return U16(path);
}

std::optional<std::u16string> OpenFileName(HWND owner, std::u16string_view initial)
{
    const std::u16string folder = Limited(initial, MAX_PATH - 1);
    wchar_t file[MAX_PATH] = {};
    std::copy(folder.begin(), folder.end(), file);
    const std::u16string filter = std::u16string(kOpenFileFilterName) + u'\0' +
                                  std::u16string(kOpenFileFilterPattern) + u'\0';
    OPENFILENAMEW open{};
    open.lStructSize = OPENFILENAME_SIZE_VERSION_400W;  // the 76-byte form
    open.hwndOwner = owner;
    open.lpstrFilter = W(filter);
    open.nFilterIndex = 1;
    open.lpstrFile = file;
    open.nMaxFile = MAX_PATH;
    open.lpstrInitialDir = W(folder);
    open.Flags = OFN_ENABLESIZING | OFN_EXPLORER | OFN_NONETWORKBUTTON | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST |
                 OFN_SHOWHELP;
    if (!GetOpenFileNameW(&open))
        return std::nullopt;
    return U16(file);
}

void RunSettingsDialog(HINSTANCE instance, HWND owner, SettingsDialog& dialog)
{
    SettingsRun run{dialog, {}};
    DialogBoxParamW(instance, MAKEINTRESOURCEW(kDialogSettings), owner, SettingsProc, reinterpret_cast<LPARAM>(&run));
}

}  // namespace ui::win32
