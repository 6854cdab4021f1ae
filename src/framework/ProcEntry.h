#pragma once
// A window procedure entry bound to one object: a few bytes of code that put the object in the
// place of the window handle and jump to a shared procedure. Subclassing through
// SetWindowLong then needs no global map from windows to objects.
#include <windows.h>

#include <memory>

#include "framework/Messages.h"

namespace fw {

class TComponent;

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

// One window subclassed through an entry bound to an owner. Letting go puts the saved procedure
// back when the entry is still the window's procedure; when another procedure has been installed
// over it, that procedure still calls the entry, so the entry stays behind, passing every message
// straight on, and goes with the window's WM_NCDESTROY.
class WindowSubclass {
public:
    // Sees every message while installed; the message's result is the window's answer.
    using Handler = void (*)(void* owner, TMessage& message);

    struct Remover {
        void operator()(WindowSubclass* subclass) const noexcept { subclass->Release(); }
    };
    using Ptr = std::unique_ptr<WindowSubclass, Remover>;

    // Installs over the window's current procedure. Exceptions escaping handler are reported
    // for sender.
    static Ptr Install(HWND window, void* owner, Handler handler, TComponent* sender);

    HWND Window() const noexcept { return window_; }
    WNDPROC Saved() const noexcept { return saved_; }
    WNDPROC Proc() const noexcept { return entry_.Proc(); }
    LRESULT CallSaved(const TMessage& m) const {
        return ::CallWindowProcA(saved_, window_, m.Msg, m.WParam, m.LParam);
    }

private:
    WindowSubclass(HWND window, void* owner, Handler handler, TComponent* sender);
    ~WindowSubclass() = default;
    // The handler may release its subclass from inside a message; the entry touches nothing
    // of it after the handler returns.
    void Release() noexcept;
    static LRESULT CALLBACK EntryProc(void* self, UINT msg, WPARAM wParam, LPARAM lParam);

    HWND window_;
    WNDPROC saved_ = nullptr;
    void* owner_;
    Handler handler_;
    TComponent* sender_;
    WndProcEntry entry_;
};

}  // namespace fw
