#pragma once
// What the dialog tests share: a way to act inside a modal showing, and the edit selection.
#include <windows.h>

#include <functional>
#include <utility>

#include "framework/Forms.h"
#include "framework/StdCtrls.h"

namespace dlgtest {

inline std::function<void()> g_step;
inline fw::TForm* g_modal = nullptr;
inline UINT_PTR g_watchdog = 0;
inline bool g_gaveUp = false;

inline void CALLBACK RunStep(HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    if (auto step = std::exchange(g_step, nullptr)) step();
}

// A step that failed to end the showing must not hang the suite: close it and say so.
inline void CALLBACK GiveUp(HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    if (g_modal && g_modal->Visible()) {
        g_gaveUp = true;
        g_modal->Close();
    }
}

// Shows form modally and runs step once the modal loop is pumping; true when the step ended
// the showing.
inline bool ShowModalWith(fw::TForm& form, std::function<void()> step) {
    g_step = std::move(step);
    g_modal = &form;
    g_gaveUp = false;
    ::SetTimer(nullptr, 0, 50, &RunStep);
    g_watchdog = ::SetTimer(nullptr, 0, 3000, &GiveUp);
    form.ShowModal();
    ::KillTimer(nullptr, g_watchdog);
    g_modal = nullptr;
    return !g_gaveUp;
}

struct Selection {
    DWORD start = 0;
    DWORD end = 0;
    friend bool operator==(const Selection&, const Selection&) = default;
};

inline Selection SelectionOf(fw::TEdit* edit) {
    Selection s;
    ::SendMessageA(edit->Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&s.start),
                   reinterpret_cast<LPARAM>(&s.end));
    return s;
}

inline Selection Whole(fw::TEdit* edit) {
    return {0, static_cast<DWORD>(::GetWindowTextLengthA(edit->Handle()))};
}

inline LPARAM At(int x, int y) {
    return MAKELPARAM(x, y);
}

}  // namespace dlgtest
