#include "framework/Dpi.h"

#include "framework/DpiScale.h"

namespace fw {

namespace {

template <class Fn>
Fn Lookup(HMODULE module, const char* name) noexcept {
    return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name))) : nullptr;
}

using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
using AdjustWindowRectExForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);

constexpr int kEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI

// The screen's DPI, read once.
int SystemDpi() noexcept {
    static const int dpi = [] {
        HDC screen = ::GetDC(nullptr);
        int value = screen ? ::GetDeviceCaps(screen, LOGPIXELSX) : 0;
        if (screen) ::ReleaseDC(nullptr, screen);
        return value > 0 ? value : kDesignDpi;
    }();
    return dpi;
}

MonitorDpiProc g_monitorDpi = nullptr;

}  // namespace

MonitorDpiProc SetMonitorDpiProc(MonitorDpiProc proc) noexcept {
    const MonitorDpiProc previous = g_monitorDpi;
    g_monitorDpi = proc;
    return previous;
}

int MonitorDpi(const RECT& rect) noexcept {
    if (g_monitorDpi) return g_monitorDpi(rect);
    // Windows 8.1 and later; the library is loaded, from the system's folder only, when a window
    // first asks.
    static const auto getDpiForMonitor = Lookup<GetDpiForMonitorFn>(
        ::LoadLibraryExA("shcore.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32), "GetDpiForMonitor");
    UINT x = 0, y = 0;
    if (getDpiForMonitor &&
        SUCCEEDED(getDpiForMonitor(::MonitorFromRect(&rect, MONITOR_DEFAULTTONEAREST), kEffectiveDpi, &x, &y)) && x > 0)
        return static_cast<int>(x);
    return SystemDpi();
}

void AdjustWindowRectForDpi(RECT& rect, DWORD style, DWORD exStyle, int dpi) noexcept {
    // Windows 10 1607 and later.
    static const auto adjustForDpi =
        Lookup<AdjustWindowRectExForDpiFn>(::GetModuleHandleA("user32.dll"), "AdjustWindowRectExForDpi");
    if (adjustForDpi && adjustForDpi(&rect, style, FALSE, exStyle, static_cast<UINT>(dpi))) return;
    RECT frame{0, 0, 0, 0};
    ::AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    const int system = SystemDpi();
    rect.left += ScaleLength(frame.left, dpi, system);
    rect.top += ScaleLength(frame.top, dpi, system);
    rect.right += ScaleLength(frame.right, dpi, system);
    rect.bottom += ScaleLength(frame.bottom, dpi, system);
}

}  // namespace fw
