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

inline void CALLBACK RunStep(HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    if (auto step = std::exchange(g_step, nullptr)) step();
}

// What ShowModalWith returns when the step failed to end the showing; no button answers it.
inline constexpr fw::TModalResult kGaveUp = -1;

// A step that failed to end the showing must not hang the suite: give up with kGaveUp.
inline void CALLBACK GiveUp(HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    if (g_modal && g_modal->Visible()) g_modal->SetModalResult(kGaveUp);
}

// Shows form modally and runs step once the modal loop is pumping; returns the modal result.
inline fw::TModalResult ShowModalWith(fw::TForm& form, std::function<void()> step) {
    g_step = std::move(step);
    g_modal = &form;
    ::SetTimer(nullptr, 0, 50, &RunStep);
    g_watchdog = ::SetTimer(nullptr, 0, 3000, &GiveUp);
    fw::TModalResult result = form.ShowModal();
    ::KillTimer(nullptr, g_watchdog);
    g_modal = nullptr;
    return result;
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
