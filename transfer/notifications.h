#pragma once
// What the workers tell the window. Workers never touch a control: they post
// one of five notifications to the main window, or, for a failure that stops a
// run, show a box owned by it and wait until it is closed.

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

inline constexpr uint32_t WM_APP_BASE = 0x8000;  // WM_APP
inline constexpr uint32_t UM_MANGALOADED = WM_APP_BASE + 10;  // (0, 0): the record is filled
inline constexpr uint32_t UM_UPDATELLW = WM_APP_BASE + 11;    // (row key, items done)
inline constexpr uint32_t UM_PROGRESS = WM_APP_BASE + 12;     // (row key, percent or -bytes)
inline constexpr uint32_t UM_WORKERDONE = WM_APP_BASE + 13;   // (0 page fetch / 1 download, last result)
inline constexpr uint32_t UM_ERRORCODE = WM_APP_BASE + 14;    // (row key, CURLcode or -parser code)

// The main window as the workers see it. The Qt window, the Win32 window, the
// command-line companion and the tests each provide one.
class MainWindowLink {
public:
    virtual ~MainWindowLink() = default;

    // Queues a notification for the window's thread. Must never block on the window.
    virtual void Post(uint32_t message, int32_t wParam, int32_t lParam) = 0;

    // Shows a modal box with an OK button, owned by the window, and returns once
    // it has been closed.
    virtual void ShowBox(std::u16string_view text, std::u16string_view caption) = 0;
};

// The main window; null while there is none (then workers stop at their next check).
extern std::atomic<MainWindowLink*> hMainWnd;

// Transfers may go on while this is not 0. The window lowers it on Cancel and close.
extern std::atomic<int8_t> bKeepRunning;

// Posts to hMainWnd when there is one.
void PostToMainWindow(uint32_t message, int32_t wParam, int32_t lParam);

// Shows a box owned by hMainWnd and waits until it is closed; nothing when
// there is no window.
void ShowBoxOnMainWindow(std::u16string_view text, std::u16string_view caption);

// True while bKeepRunning is up and a window is there to report to: the
// condition under which a sink takes data and a worker goes on.
bool TransfersAllowed();

// The text the window shows for a UM_ERRORCODE value: libcurl's own text for
// codes of 0 and above, the reader-parser texts and that of kNotAPicture for
// negative ones.
std::u16string ErrorCodeText(int32_t code);
