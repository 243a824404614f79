#include "ui/win32/window.h"

#include <commctrl.h>
#include <richedit.h>

#include <algorithm>
#include <atomic>
#include <climits>

#include "transfer/notifications.h"
#include "ui/resources.h"
#include "ui/win32/dialogs.h"
#include "ui/win32/wide_text.h"

namespace ui::win32 {
namespace {

// The one main window; its procedure finds it here from the first message on.
Win32Window* gWindow = nullptr;
std::atomic<HWND> gShownWindow{nullptr};

constexpr UINT kUnchecked = 1u << 12;
constexpr UINT kChecked = 2u << 12;

DWORD WINAPI ThreadEntry(LPVOID parameter)
{
    std::unique_ptr<std::function<void()>> body(static_cast<std::function<void()>*>(parameter));
    (*body)();
    return 0;
}

}  // namespace

HWND MainWindowHandle()
{
    return gShownWindow.load();
}

Win32Window::Win32Window(HINSTANCE instance)
    : instance_(instance),
      logic_(std::make_unique<MainWindow>(*this, list_, [this] { PostMessageW(hwnd_, UM_WAKE, 0, 0); }))
{
    gWindow = this;
}

Win32Window::~Win32Window()
{
    logic_.reset();  // waits for the workers, which may still post to the window
    gWindow = nullptr;
}

LRESULT CALLBACK Win32Window::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!gWindow)
        return DefWindowProcW(hwnd, message, wParam, lParam);
    if (!gWindow->hwnd_)
        gWindow->hwnd_ = hwnd;
    return gWindow->Handle(message, wParam, lParam);
}

LRESULT Win32Window::Handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        logic_->OnCreate();
        break;
    case WM_INITDIALOG:
        list_.Attach(GetDlgItem(hwnd_, kIdChapterList));
        logic_->OnInitDialog();
        gShownWindow = hwnd_;
        return 1;
    case WM_SIZING:
        if (list_.Handle()) {
            const RECT& proposed = *reinterpret_cast<const RECT*>(lParam);
            logic_->OnSizing(Rect{proposed.left, proposed.top, proposed.right, proposed.bottom});
        }
        return 0;
    case WM_SIZE:
        // Maximise, restore and the platform's own size changes lay the
        // controls out too; dragging came through WM_SIZING already.
        if (wParam != SIZE_MINIMIZED && list_.Handle())
            logic_->OnSizing(WindowRect());
        break;
    case WM_COMMAND:
        logic_->OnCommand(LOWORD(wParam));
        break;
    case WM_NOTIFY:
        Notify(*reinterpret_cast<const NMHDR*>(lParam), lParam);
        break;
    case UM_WAKE:
        logic_->OnWake();
        return 0;
    case WM_NEXTDLGCTL:
        // The dialog keyboard handling asks for the next tab stop here; the
        // default processing of a window of the program's own class ignores it.
        MoveFocus(wParam, lParam);
        return 0;
    case WM_CLOSE:
        logic_->OnClose();
        break;
    case WM_DESTROY:
        gShownWindow = nullptr;
        hMainWnd = nullptr;
        logic_->OnDestroy();
        return 0;
    default:
        break;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

void Win32Window::MoveFocus(WPARAM wParam, LPARAM lParam)
{
    HWND target = LOWORD(lParam) ? reinterpret_cast<HWND>(wParam) : GetNextDlgTabItem(hwnd_, GetFocus(), wParam != 0);
    if (!target)
        return;
    // As in a dialog: an edit box reached from the keyboard has its text selected.
    if (SendMessageW(target, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL)
        SendMessageW(target, EM_SETSEL, 0, -1);
    SetFocus(target);
}

bool Win32Window::TakeDialogKey(const MSG& message)
{
    if (message.message != WM_KEYDOWN || (message.wParam != VK_RETURN && message.wParam != VK_ESCAPE) ||
        (message.hwnd != hwnd_ && !IsChild(hwnd_, message.hwnd)))
        return false;
    const int id = message.wParam == VK_RETURN ? kIdOk : kIdCancel;
    SendMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(hwnd_, id)));
    return true;
}

void Win32Window::Notify(const NMHDR& header, LPARAM lParam)
{
    if (header.idFrom != static_cast<UINT_PTR>(kIdChapterList))
        return;
    switch (header.code) {
    case LVN_ITEMCHANGED: {
        const auto& change = *reinterpret_cast<const NMLISTVIEW*>(lParam);
        const UINT image = change.uNewState & LVIS_STATEIMAGEMASK;
        if (change.iItem >= 0 && change.iSubItem == 0 && (change.uChanged & LVIF_STATE) &&
            image != (change.uOldState & LVIS_STATEIMAGEMASK) && (image == kUnchecked || image == kChecked))
            logic_->OnListCheckChanged(change.iItem, image == kChecked);
        break;
    }
    case NM_DBLCLK:
        logic_->OnListDoubleClick(reinterpret_cast<const NMITEMACTIVATE*>(lParam)->iItem);
        break;
    case LVN_KEYDOWN: {
        const WORD key = reinterpret_cast<const NMLVKEYDOWN*>(lParam)->wVKey;
        logic_->OnListKeyDown(key == VK_LEFT ? ListKey::Left : key == VK_RIGHT ? ListKey::Right : ListKey::Other);
        break;
    }
    default:
        break;
    }
}

void Win32Window::EnableControl(int id, bool enabled)
{
    EnableWindow(GetDlgItem(hwnd_, id), enabled ? TRUE : FALSE);
}

std::u16string Win32Window::ControlText(int id) const
{
    HWND control = GetDlgItem(hwnd_, id);
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
    return std::u16string(text.begin(), text.end());
}

void Win32Window::SetControlText(int id, std::u16string_view text)
{
    SetDlgItemTextW(hwnd_, id, W(std::u16string(text)));
}

Rect Win32Window::WindowRect() const
{
    RECT r{};
    GetWindowRect(hwnd_, &r);
    return Rect{r.left, r.top, r.right, r.bottom};
}

void Win32Window::SetWindowRect(const Rect& rect)
{
    SetWindowPos(hwnd_, nullptr, rect.left, rect.top, rect.Width(), rect.Height(),
                 SWP_NOSENDCHANGING | SWP_NOOWNERZORDER | SWP_NOREDRAW | SWP_NOZORDER);
}

std::optional<Rect> Win32Window::ControlRect(int id) const
{
    HWND control = GetDlgItem(hwnd_, id);
    RECT r{};
    if (!control || !GetWindowRect(control, &r))
        return std::nullopt;
    POINT topLeft{r.left, r.top}, bottomRight{r.right, r.bottom};
    ScreenToClient(hwnd_, &topLeft);
    ScreenToClient(hwnd_, &bottomRight);
    return Rect{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
}

void Win32Window::MoveControl(int id, int32_t x, int32_t y)
{
    SetWindowPos(GetDlgItem(hwnd_, id), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOOWNERZORDER);
}

void Win32Window::ResizeControl(int id, int32_t width, int32_t height)
{
    SetWindowPos(GetDlgItem(hwnd_, id), nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOOWNERZORDER);
}

Size Win32Window::ScreenSize() const
{
    HDC screen = GetDC(nullptr);
    const Size size{GetDeviceCaps(screen, HORZRES), GetDeviceCaps(screen, VERTRES)};
    ReleaseDC(nullptr, screen);
    return size;
}

void Win32Window::SetDescription(std::string_view rtf)
{
    // Code page 1200 with an 8-bit text: the control sees the "{\rtf" header
    // and reads the 8-bit text as RTF up to its terminator. Any other text
    // would be read as UTF-16 (two bytes a unit, past a one-byte terminator),
    // so it is widened from the system's 8-bit code page first and shown as
    // it stands.
    SETTEXTEX how{ST_DEFAULT, 1200};
    std::string rtfText;
    std::wstring plain;
    LPARAM content = 0;
    if (rtf.starts_with("{\\rtf")) {
        rtfText.assign(rtf);
        content = reinterpret_cast<LPARAM>(rtfText.c_str());
    } else {
        const int size = static_cast<int>(std::min<size_t>(rtf.size(), INT_MAX / 2));
        plain.resize(static_cast<size_t>(size));
        if (size > 0)
            plain.resize(static_cast<size_t>(
                MultiByteToWideChar(CP_ACP, 0, rtf.data(), size, plain.data(), size)));
        content = reinterpret_cast<LPARAM>(plain.c_str());
    }
    SendDlgItemMessageW(hwnd_, kIdDescription, EM_SETTEXTEX, reinterpret_cast<WPARAM>(&how), content);
}

BoxAnswer Win32Window::ShowBox(std::u16string_view text, std::u16string_view caption, BoxButtons buttons,
                               BoxIcon icon)
{
    UINT flags = buttons == BoxButtons::YesNo ? MB_YESNO : MB_OK;
    switch (icon) {
    case BoxIcon::Error: flags |= MB_ICONERROR; break;
    case BoxIcon::Warning: flags |= MB_ICONWARNING; break;
    case BoxIcon::Information: flags |= MB_ICONINFORMATION; break;
    case BoxIcon::Question: flags |= MB_ICONQUESTION; break;
    case BoxIcon::None: break;
    }
    const int answer = MessageBoxW(hwnd_, W(std::u16string(text)), W(std::u16string(caption)), flags);
    return answer == IDYES ? BoxAnswer::Yes : answer == IDNO ? BoxAnswer::No : BoxAnswer::Ok;
}

std::optional<std::u16string> Win32Window::PickFolder(std::u16string_view initial)
{
    return BrowseForFolder(hwnd_, initial);
}

std::optional<std::u16string> Win32Window::PickFileToOpen(std::u16string_view initial)
{
    return OpenFileName(hwnd_, initial);
}

void Win32Window::RunSettingsDialog(SettingsDialog& dialog)
{
    win32::RunSettingsDialog(instance_, hwnd_, dialog);
}

bool Win32Window::StartThread(std::function<void()> body)
{
    auto task = std::make_unique<std::function<void()>>(std::move(body));
    HANDLE thread = CreateThread(nullptr, 0, ThreadEntry, task.get(), 0, nullptr);
    if (!thread)
        return false;
    task.release();  // the thread owns it now
    CloseHandle(thread);
    return true;
}

void Win32Window::RequestClose()
{
    PostMessageW(hwnd_, WM_CLOSE, 0, 0);
}

void Win32Window::PostQuit(int code)
{
    PostQuitMessage(code);
}

void Win32Window::ProcessSystemEvents()
{
    // Messages sent by other threads are delivered inside PeekMessageW; paint
    // messages are dispatched; the window's own commands stay queued.
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    while (PeekMessageW(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE))
        DispatchMessageW(&message);
}

}  // namespace ui::win32
