#include "ui/win32/program.h"

#include <commctrl.h>
#include <shellapi.h>

#include <optional>
#include <string>

#include "app/startup.h"
#include "settings/app_settings.h"
#include "transfer/notifications.h"
#include "ui/resources.h"
#include "ui/win32/wide_text.h"
#include "ui/win32/window.h"

namespace ui::win32 {
namespace {

using namespace app;

constexpr size_t kPathUnits = MAX_PATH - 1;

// The program's folder from argument 0; a bare name (started from a console
// by name alone) holds no folder, and the module's own path is used instead.
std::u16string ProgramFolder(const wchar_t* argument0)
{
    std::u16string path = U16(argument0).substr(0, kPathUnits);
    std::u16string folder = ProgramFolderFromPath(path, u'\\');
    return folder.empty() ? ProgramFolderOfExecutable() : folder;
}

// The start-up failure box. The Russian text goes through the wide call, so it
// is readable whatever the system's 8-bit code page is.
void ShowFailureBox()
{
    MessageBoxW(nullptr, W(std::u16string(kStartupFailureText)), W(std::u16string(kStartupFailureCaption)),
                MB_ICONERROR | MB_OK);
}

}  // namespace

int RunProgram(HINSTANCE instance, int showCommand)
{
    std::optional<StartupPaths> paths;
    int code = 1;
    int count = 0;
    if (LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count)) {
        paths = Startup_Paths(ProgramFolder(arguments[0]));
        Startup_LoadSettings(*paths);
        LocalFree(arguments);
    }

    HMODULE richEdit = LoadLibraryW(L"Riched20.dll");
    if (paths) {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.style = CS_HREDRAW | CS_VREDRAW;
        windowClass.lpfnWndProc = Win32Window::Procedure;
        windowClass.cbWndExtra = DLGWINDOWEXTRA;
        windowClass.hInstance = instance;
        windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(kIconProgram));
        windowClass.hIconSm = LoadIconW(instance, MAKEINTRESOURCEW(kIconProgram));
        windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_MENU + 1);
        windowClass.lpszClassName = W(std::u16string(kWindowClassName));
        RegisterClassExW(&windowClass);
        InitCommonControls();

        Win32Window window(instance);
        HWND hwnd = CreateDialogParamW(instance, L"MainWindow", nullptr, nullptr, 0);
        if (hwnd) {
            SendMessageW(hwnd, WM_INITDIALOG, 0, 0);
            ShowWindow(hwnd, showCommand);
            UpdateWindow(hwnd);
            hMainWnd = &window.Logic().Link();
            MSG message;
            BOOL got;
            while ((got = GetMessageW(&message, nullptr, 0, 0)) != 0) {
                if (got == -1)
                    continue;
                if (!window.TakeDialogKey(message) && !IsDialogMessageW(hwnd, &message)) {
                    TranslateMessage(&message);
                    DispatchMessageW(&message);
                }
            }
            code = static_cast<int>(message.wParam);
        } else {
            ShowFailureBox();
        }
    } else {
        ShowFailureBox();
    }

    if (richEdit)
        FreeLibrary(richEdit);
    if (paths)
        Startup_SaveSettings(*paths);
    return code;
}

}  // namespace ui::win32
