// The least a Win32 program with a window does: one class, one top-level window of the main
// window's size, shown and painted, and a message loop. The start-up benchmark's yardstick.
#include <windows.h>

#include "PlainWindow.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    HWND h = plain::MakeMainWindow(instance, "EmptyWindow", "Empty");
    return h ? plain::ShowAndRun(h, show, false) : 1;
}
