#pragma once
// What both start-up yardsticks do alike: one class, one top-level window of the main window's
// client size at its place, and a message loop.
#include <windows.h>

namespace plain {

inline LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_DESTROY) {
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcA(h, msg, wp, lp);
}

// A hidden top-level window with a client area of 474 x 285 at 202, 109; null on failure.
inline HWND MakeMainWindow(HINSTANCE instance, const char* className, const char* caption) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = className;
    if (!::RegisterClassA(&wc)) return nullptr;
    RECT r{0, 0, 474, 285};
    ::AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
    return ::CreateWindowExA(0, className, caption, WS_OVERLAPPEDWINDOW, 202, 109, r.right - r.left,
                             r.bottom - r.top, nullptr, nullptr, instance, nullptr);
}

// Shows and paints the window, then runs the loop until it closes; dialog keys when asked.
inline int ShowAndRun(HWND h, int show, bool dialogKeys) {
    ::ShowWindow(h, show);
    ::UpdateWindow(h);
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (dialogKeys && ::IsDialogMessageA(h, &msg)) continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    return 0;
}

}  // namespace plain
