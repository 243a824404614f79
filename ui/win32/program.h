#pragma once
// The program's start, message loop and end, as WinMain runs them; also run
// by the window tests on a thread of their own.
#include <windows.h>

namespace ui::win32 {

// Returns the exit code: the quit message's code, 1 after a start-up failure.
int RunProgram(HINSTANCE instance, int showCommand);

}  // namespace ui::win32
