// zumr.exe: the window program for Windows.
#include <windows.h>

#include "ui/win32/program.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int showCommand)
{
    return ui::win32::RunProgram(instance, showCommand);
}
