// The least a Win32 program with a window does: one class, one top-level window of the main
// window's size, shown and painted, and a message loop. The start-up benchmark's yardstick.
#include <windows.h>

namespace {

LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_DESTROY) {
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcA(h, msg, wp, lp);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = "EmptyWindow";
    if (!::RegisterClassA(&wc)) return 1;
    RECT r{0, 0, 474, 285};
    ::AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
    HWND h = ::CreateWindowExA(0, "EmptyWindow", "Empty", WS_OVERLAPPEDWINDOW, 202, 109, r.right - r.left,
                               r.bottom - r.top, nullptr, nullptr, instance, nullptr);
    if (!h) return 1;
    ::ShowWindow(h, show);
    ::UpdateWindow(h);
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    return 0;
}
