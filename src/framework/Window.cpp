#include "framework/Window.h"

#include "framework/Application.h"
#include "framework/Errors.h"
#include "framework/WideText.h"

namespace fw {

namespace {
// Marks our windows, so FromHandle never mistakes another window's user data for an object.
constexpr const char* kBindingProp = "fw.window";
}  // namespace

LRESULT NeutralResult(UINT msg) noexcept {
    switch (msg) {
    // Zero would keep the title bar from changing state, keep a minimized window from
    // restoring, veto the end of the session, or make the click undefined.
    case WM_NCACTIVATE:
    case WM_QUERYOPEN:
    case WM_QUERYENDSESSION: return TRUE;
    case WM_MOUSEACTIVATE: return MA_ACTIVATE;
    default: return 0;
    }
}

void RegisterWindowClass(const char* name, WNDPROC proc, UINT style, HICON icon, HCURSOR cursor,
                         HBRUSH background) {
    HINSTANCE instance = ::GetModuleHandleA(nullptr);
    WNDCLASSEXA wc{};
    if (::GetClassInfoExA(instance, name, &wc)) return;
    wc.cbSize = sizeof wc;
    wc.style = style;
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.hIcon = icon;
    wc.hCursor = cursor;
    wc.hbrBackground = background;
    wc.lpszClassName = name;
    if (!::RegisterClassExA(&wc)) throw Error(Format("Cannot register window class %s", name));
}

Window::~Window() {
    DestroyHandle();
}

Window* Window::FromHandle(HWND hwnd) noexcept {
    if (!hwnd || !::GetPropA(hwnd, kBindingProp)) return nullptr;
    return reinterpret_cast<Window*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

void Window::CreateHandle(const char* className, DWORD exStyle, DWORD style, const char* caption,
                          int x, int y, int width, int height, HWND parent, HMENU menu,
                          UINT classStyle, HICON icon) {
    RegisterWindowClass(className, StaticWndProc, classStyle, icon, ::LoadCursorA(nullptr, IDC_ARROW),
                        reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    baseProc_ = nullptr;
    HWND hwnd = ::CreateWindowExA(exStyle, className, caption, style, x, y, width, height, parent,
                                  menu, ::GetModuleHandleA(nullptr), this);
    if (!hwnd) throw Error(Format("Error creating window %s", className));
}

void Window::CreateSystemHandle(const char* systemClass, DWORD exStyle, DWORD style,
                                const char* caption, int x, int y, int width, int height,
                                HWND parent, HMENU menu, bool unicode) {
    HWND hwnd = unicode ? ::CreateWindowExW(exStyle, WideFromUtf8(systemClass).c_str(),
                                            WideFromUtf8(caption ? caption : "").c_str(), style, x, y, width,
                                            height, parent, menu, ::GetModuleHandleA(nullptr), nullptr)
                        : ::CreateWindowExA(exStyle, systemClass, caption, style, x, y, width, height, parent,
                                            menu, ::GetModuleHandleA(nullptr), nullptr);
    if (!hwnd) throw Error(Format("Error creating window %s", systemClass));
    hwnd_ = hwnd;
    unicode_ = unicode;
    ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    ::SetPropA(hwnd, kBindingProp, reinterpret_cast<HANDLE>(1));
    // Subclassed through the A function, the window would turn ANSI and its text with it.
    const auto proc = reinterpret_cast<LONG_PTR>(StaticWndProc);
    baseProc_ = reinterpret_cast<WNDPROC>(unicode ? ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, proc)
                                                  : ::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, proc));
}

void Window::DestroyHandle() noexcept {
    if (hwnd_) ::DestroyWindow(hwnd_);
}

LRESULT Window::DefaultProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (baseProc_) return (unicode_ ? ::CallWindowProcW : ::CallWindowProcA)(baseProc_, hwnd_, msg, wParam, lParam);
    return ::DefWindowProcA(hwnd_, msg, wParam, lParam);
}

LRESULT Window::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefaultProc(msg, wParam, lParam);
}

LRESULT CALLBACK Window::StaticWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Window* self;
    if (msg == WM_NCCREATE) {
        self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        self->hwnd_ = hwnd;
        ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        ::SetPropA(hwnd, kBindingProp, reinterpret_cast<HANDLE>(1));
    } else {
        self = FromHandle(hwnd);
    }
    if (!self) return ::DefWindowProcA(hwnd, msg, wParam, lParam);

    LRESULT result = 0;
    try {
        result = self->WndProc(msg, wParam, lParam);
    } catch (...) {
        // The default processing could act on what the handler refused (WM_CLOSE destroys the
        // window) or run a second time for a subclassed control: report and answer neutrally.
        Application().HandleException(self->ExceptionSender());
        result = NeutralResult(msg);
    }
    if (msg == WM_NCDESTROY) {
        ::RemovePropA(hwnd, kBindingProp);
        ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        self->HandleDestroyed();
    }
    return result;
}

}  // namespace fw
