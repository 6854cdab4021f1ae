#pragma once
// The base of every window the framework creates with its own window class: the HWND is bound
// to its object at WM_NCCREATE through GWLP_USERDATA and unbound at WM_NCDESTROY, and no C++
// exception ever unwinds through user32.
#include <windows.h>

namespace fw {

class TComponent;

// What a window procedure answers for msg when its handler failed: "not handled" without the
// default processing.
LRESULT NeutralResult(UINT msg) noexcept;

// Registers a window class of this module once per process: a class already registered under
// name is kept. Throws Error when registration fails.
void RegisterWindowClass(const char* name, WNDPROC proc, UINT style = 0, HICON icon = nullptr,
                         HCURSOR cursor = nullptr, HBRUSH background = nullptr);

class Window {
public:
    Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    virtual ~Window();

    // The window, or null; never creates it (TWinControl::Handle does).
    HWND Hwnd() const noexcept { return hwnd_; }
    bool HandleAllocated() const noexcept { return hwnd_ != nullptr; }

    // The object bound to hwnd, or null for a window that is not ours.
    static Window* FromHandle(HWND hwnd) noexcept;

protected:
    // Registers className once per process (with the framework's window procedure) and creates
    // the window; throws Error when creation fails.
    void CreateHandle(const char* className, DWORD exStyle, DWORD style, const char* caption,
                      int x, int y, int width, int height, HWND parent, HMENU menu = nullptr,
                      UINT classStyle = CS_DBLCLKS, HICON icon = nullptr);
    // Creates a window of a system class (BUTTON, EDIT, a common control) and subclasses it at
    // once, binding it like our own windows; it keeps its class name, so outside tools know it,
    // and unhandled messages reach the system class's procedure. A Unicode window takes its
    // caption in UTF-8 and keeps every character of its text; its messages come in wide forms.
    void CreateSystemHandle(const char* systemClass, DWORD exStyle, DWORD style, const char* caption,
                            int x, int y, int width, int height, HWND parent, HMENU menu = nullptr,
                            bool unicode = false);
    // Destroys the window, if any; WM_NCDESTROY unbinds it.
    void DestroyHandle() noexcept;
    // What a message gets when WndProc leaves it alone: the system class's processing for a
    // subclassed window, DefWindowProcA otherwise.
    LRESULT DefaultProc(UINT msg, WPARAM wParam, LPARAM lParam);

    // Handles one message; the default passes it to DefaultProc.
    virtual LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam);
    // Called after the window is unbound from this object.
    virtual void HandleDestroyed() noexcept {}
    // The component that exceptions escaping WndProc are reported for.
    virtual TComponent* ExceptionSender() { return nullptr; }

private:
    static LRESULT CALLBACK StaticWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;
    WNDPROC baseProc_ = nullptr;
    bool unicode_ = false;
};

}  // namespace fw
