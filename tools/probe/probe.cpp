// Drives a running Sockmere from outside its process, for the run and screenshot scripts:
//   probe wait-done SECONDS      wait until the status bar reads "Done.", print the window rect
//   probe rect CLASS             print the rect of the first top-level window of that class
//   probe click CAPTION          press the main window's button with that caption
//   probe open-row N             double-click row N of the table (opens Connection Info)
//   probe close CLASS            close the first top-level window of that class
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "RemoteUi.h"

namespace {

constexpr const char* kMainClass = "TForm1";

int PrintRect(HWND hwnd) {
    RECT r{};
    if (!hwnd || !::GetWindowRect(hwnd, &r)) return 1;
    std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
    return 0;
}

int WaitDone(int seconds) {
    for (int waited = 0; waited < seconds * 10; ++waited) {
        HWND main = remote::FindTopWindow(0, kMainClass);
        HWND status = main ? remote::FindChild(main, STATUSCLASSNAMEA) : nullptr;
        if (status && ::IsWindowVisible(main) && remote::StatusPanel(status, 0) == "Done.") {
            ::Sleep(300);  // let the last paint land before anyone takes a picture
            return PrintRect(main);
        }
        ::Sleep(100);
    }
    std::fprintf(stderr, "probe: no \"Done.\" within %d s\n", seconds);
    return 1;
}

int Click(const char* caption) {
    HWND main = remote::FindTopWindow(0, kMainClass);
    HWND button = main ? remote::FindChild(main, "Button", caption) : nullptr;
    if (!button) return 1;
    ::PostMessageA(button, BM_CLICK, 0, 0);
    return 0;
}

int OpenRow(int row) {
    HWND main = remote::FindTopWindow(0, kMainClass);
    HWND list = main ? remote::FindChild(main, WC_LISTVIEWA) : nullptr;
    if (!list || row >= remote::ListCount(list)) return 1;
    remote::RemoteBuffer buffer(list, sizeof(RECT));
    RECT r{LVIR_BOUNDS, 0, 0, 0};
    buffer.Write(&r, sizeof r);
    ::SendMessageA(list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(buffer.Address()));
    buffer.Read(&r, sizeof r);
    LPARAM at = MAKELPARAM(r.left + 8, (r.top + r.bottom) / 2);
    ::PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::PostMessageA(list, WM_LBUTTONUP, 0, at);
    ::PostMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    ::PostMessageA(list, WM_LBUTTONUP, 0, at);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: probe wait-done SECONDS | rect CLASS | click CAPTION | open-row N | close CLASS\n");
        return 2;
    }
    std::string verb = argv[1];
    if (verb == "wait-done") return WaitDone(std::atoi(argv[2]));
    if (verb == "rect") return PrintRect(remote::FindTopWindow(0, argv[2]));
    if (verb == "click") return Click(argv[2]);
    if (verb == "open-row") return OpenRow(std::atoi(argv[2]));
    if (verb == "close") {
        HWND hwnd = remote::FindTopWindow(0, argv[2]);
        return hwnd && ::PostMessageA(hwnd, WM_CLOSE, 0, 0) ? 0 : 1;
    }
    std::fprintf(stderr, "probe: unknown verb %s\n", verb.c_str());
    return 2;
}
