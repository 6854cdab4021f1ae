#pragma once
// One small uncopyable, movable owner per handle kind: a handle is never leaked and never
// closed twice.
#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <utility>

namespace fw {

template <class Traits>
class UniqueHandle {
public:
    using Handle = typename Traits::Handle;

    UniqueHandle() noexcept = default;
    explicit UniqueHandle(Handle h) noexcept : h_(h) { Count(h_, 1); }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : h_(std::exchange(other.h_, Traits::Invalid())) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            Reset();
            h_ = std::exchange(other.h_, Traits::Invalid());
        }
        return *this;
    }
    ~UniqueHandle() { Reset(); }

    Handle Get() const noexcept { return h_; }
    explicit operator bool() const noexcept { return Traits::Valid(h_); }
    Handle Release() noexcept {
        Count(h_, -1);
        return std::exchange(h_, Traits::Invalid());
    }
    void Reset(Handle h = Traits::Invalid()) noexcept {
        Handle old = std::exchange(h_, h);
        Count(h, 1);
        Count(old, -1);
        if (Traits::Valid(old)) Traits::Close(old);
    }
    // For APIs that fill in a handle through a pointer; counted kinds would miss the new one.
    Handle* Put() noexcept
        requires(!requires { Traits::live; })
    {
        Reset();
        return &h_;
    }

private:
    static void Count(Handle h, long delta) noexcept {
        if constexpr (requires { Traits::live; }) {
            if (Traits::Valid(h)) Traits::live.fetch_add(delta);
        }
    }

    Handle h_ = Traits::Invalid();
};

template <class H, BOOL(WINAPI* CloseFn)(H)>
struct NullTraits {
    using Handle = H;
    static Handle Invalid() noexcept { return nullptr; }
    static bool Valid(Handle h) noexcept { return h != nullptr; }
    static void Close(Handle h) noexcept { CloseFn(h); }
};

// Kernel objects: processes, threads, events, pipes. Null and INVALID_HANDLE_VALUE are both empty.
struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() noexcept { return nullptr; }
    static bool Valid(Handle h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(Handle h) noexcept { ::CloseHandle(h); }
};

struct RegKeyTraits {
    using Handle = HKEY;
    static Handle Invalid() noexcept { return nullptr; }
    static bool Valid(Handle h) noexcept { return h != nullptr; }
    static void Close(Handle h) noexcept { ::RegCloseKey(h); }
};

template <class H>
struct GdiTraits {
    using Handle = H;
    static Handle Invalid() noexcept { return nullptr; }
    static bool Valid(Handle h) noexcept { return h != nullptr; }
    static void Close(Handle h) noexcept { ::DeleteObject(h); }
    // Objects of this kind held by owners right now, process-wide: the system's own GDI count
    // is not available everywhere, so tests use this one to find leaks.
    static inline std::atomic<long> live{0};
};

// Icons hold bitmaps: their owners are counted as the GDI owners are.
struct IconTraits : NullTraits<HICON, ::DestroyIcon> {
    static inline std::atomic<long> live{0};
};

// An image list holds bitmaps and device contexts: counted too.
struct ImageListTraits : NullTraits<HIMAGELIST, ::ImageList_Destroy> {
    static inline std::atomic<long> live{0};
};

using HandleOwner = UniqueHandle<KernelHandleTraits>;
using KeyOwner = UniqueHandle<RegKeyTraits>;
using IconOwner = UniqueHandle<IconTraits>;
using ImageListOwner = UniqueHandle<ImageListTraits>;
using CursorOwner = UniqueHandle<NullTraits<HCURSOR, ::DestroyCursor>>;
using MenuOwner = UniqueHandle<NullTraits<HMENU, ::DestroyMenu>>;
using WindowOwner = UniqueHandle<NullTraits<HWND, ::DestroyWindow>>;
using FontOwner = UniqueHandle<GdiTraits<HFONT>>;
using BrushOwner = UniqueHandle<GdiTraits<HBRUSH>>;
using BitmapOwner = UniqueHandle<GdiTraits<HBITMAP>>;


// A device context obtained with GetDC, given back with ReleaseDC.
class WindowDC {
public:
    explicit WindowDC(HWND hwnd) noexcept : hwnd_(hwnd), dc_(::GetDC(hwnd)) {}
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    ~WindowDC() {
        if (dc_) ::ReleaseDC(hwnd_, dc_);
    }
    HDC Get() const noexcept { return dc_; }

private:
    HWND hwnd_;
    HDC dc_;
};

// A memory device context from CreateCompatibleDC, deleted with DeleteDC.
class MemoryDC {
public:
    explicit MemoryDC(HDC compatible) noexcept : dc_(::CreateCompatibleDC(compatible)) {
        if (dc_) live.fetch_add(1);
    }
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;
    ~MemoryDC() {
        if (!dc_) return;
        ::DeleteDC(dc_);
        live.fetch_sub(1);
    }
    HDC Get() const noexcept { return dc_; }

    // Memory DCs alive right now, process-wide, like the GDI owners' counts.
    static inline std::atomic<long> live{0};

private:
    HDC dc_;
};

// BeginPaint/EndPaint for one WM_PAINT.
class PaintDC {
public:
    explicit PaintDC(HWND hwnd) noexcept : hwnd_(hwnd), dc_(::BeginPaint(hwnd, &ps_)) {}
    PaintDC(const PaintDC&) = delete;
    PaintDC& operator=(const PaintDC&) = delete;
    ~PaintDC() { ::EndPaint(hwnd_, &ps_); }
    HDC Get() const noexcept { return dc_; }

private:
    HWND hwnd_;
    PAINTSTRUCT ps_{};
    HDC dc_;
};

// Selects a GDI object into a DC for one scope and puts the previous one back.
class SelectScope {
public:
    SelectScope(HDC dc, HGDIOBJ obj) noexcept : dc_(dc), old_(obj ? ::SelectObject(dc, obj) : nullptr) {}
    SelectScope(const SelectScope&) = delete;
    SelectScope& operator=(const SelectScope&) = delete;
    ~SelectScope() {
        if (old_) ::SelectObject(dc_, old_);
    }

private:
    HDC dc_;
    HGDIOBJ old_;
};

// GDI objects held by all the owners above, icons and image lists right now.
inline long LiveGdiObjects() noexcept {
    return GdiTraits<HFONT>::live.load() + GdiTraits<HBRUSH>::live.load() +
           GdiTraits<HBITMAP>::live.load() + MemoryDC::live.load() + IconTraits::live.load() +
           ImageListTraits::live.load();
}

}  // namespace fw
