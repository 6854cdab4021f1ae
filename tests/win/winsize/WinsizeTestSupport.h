#pragma once
// What the subclassing tests share: a hidden form to hook, a window's current procedure, and
// someone else's procedure that subclasses over ours and passes everything on.
#include <windows.h>

#include "framework/Forms.h"

namespace winsizetest {

struct Stage : fw::TForm {
    Stage() : fw::TForm(nullptr) {
        Describe({.name = "Stage", .caption = "Stage", .left = 20, .top = 20, .clientWidth = 300, .clientHeight = 200},
                 [] {});
    }
};

inline WNDPROC ProcOf(HWND hwnd) {
    return reinterpret_cast<WNDPROC>(::GetWindowLongPtrA(hwnd, GWLP_WNDPROC));
}

// The procedure the foreign one replaced.
inline WNDPROC g_below = nullptr;

inline LRESULT CALLBACK Above(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
    return ::CallWindowProcA(g_below, hwnd, msg, w, l);
}

// Puts the foreign procedure over whatever the window has now.
inline void SubclassOver(HWND hwnd) {
    g_below = reinterpret_cast<WNDPROC>(::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Above)));
}

}  // namespace winsizetest
