#pragma once
// A window procedure entry bound to one object: a few bytes of code that put the object in the
// place of the window handle and jump to a shared procedure. Subclassing through
// SetWindowLong then needs no global map from windows to objects.
#include <windows.h>

namespace fw {

class WndProcEntry {
public:
    using Target = LRESULT(CALLBACK*)(void* self, UINT msg, WPARAM wParam, LPARAM lParam);

    WndProcEntry(void* self, Target target);
    WndProcEntry(const WndProcEntry&) = delete;
    WndProcEntry& operator=(const WndProcEntry&) = delete;
    ~WndProcEntry();

    WNDPROC Proc() const noexcept { return reinterpret_cast<WNDPROC>(code_); }

    // Entries alive in the process; tests use it to prove entries are released.
    static long LiveCount() noexcept;

private:
    unsigned char* code_ = nullptr;
};

}  // namespace fw
