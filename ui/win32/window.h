#pragma once
// The main window on Win32: a modeless window of the program's own class
// "zumr" built from the "MainWindow" dialog template. Its window procedure
// turns messages into calls of the toolkit-free MainWindow, and WindowView
// calls back into Win32 operations; nothing is decided here.
#include <windows.h>

#include <memory>

#include "ui/main_window.h"
#include "ui/win32/list_view.h"

namespace ui::win32 {

// Posted once per batch of worker notifications (and boxes) queued in the
// window's link; the window then drains the whole batch.
inline constexpr UINT UM_WAKE = WM_APP + 20;

class Win32Window : public WindowView {
public:
    explicit Win32Window(HINSTANCE instance);
    ~Win32Window() override;

    HWND Handle() const { return hwnd_; }
    MainWindow& Logic() { return *logic_; }

    // The window procedure of the class "zumr".
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    // Enter and Escape pressed anywhere in the window become OK and Cancel
    // before any control sees them: the multi-line description pane would
    // keep Enter and turn Escape into a close request. True when taken.
    bool TakeDialogKey(const MSG& message);

    void EnableControl(int id, bool enabled) override;
    std::u16string ControlText(int id) const override;
    void SetControlText(int id, std::u16string_view text) override;
    Rect WindowRect() const override;
    void SetWindowRect(const Rect& rect) override;
    std::optional<Rect> ControlRect(int id) const override;
    void MoveControl(int id, int32_t x, int32_t y) override;
    void ResizeControl(int id, int32_t width, int32_t height) override;
    Size ScreenSize() const override;
    void SetDescription(std::string_view rtf) override;
    BoxAnswer ShowBox(std::u16string_view text, std::u16string_view caption, BoxButtons buttons,
                      BoxIcon icon) override;
    std::optional<std::u16string> PickFolder(std::u16string_view initial) override;
    std::optional<std::u16string> PickFileToOpen(std::u16string_view initial) override;
    void RunSettingsDialog(SettingsDialog& dialog) override;
    bool StartThread(std::function<void()> body) override;
    void RequestClose() override;
    void PostQuit(int code) override;
    void ProcessSystemEvents() override;

private:
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void Notify(const NMHDR& header, LPARAM lParam);
    // WM_NEXTDLGCTL: to the given control, or to the next or previous tab stop.
    void MoveFocus(WPARAM wParam, LPARAM lParam);

    HINSTANCE instance_;
    HWND hwnd_ = nullptr;
    Win32ListView list_;
    std::unique_ptr<MainWindow> logic_;
};

// The main window's handle once it is shown, for programs that drive it.
HWND MainWindowHandle();

}  // namespace ui::win32
