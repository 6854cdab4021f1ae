#include "framework/Clipboard.h"

#include <windows.h>

#include <cstring>

#include "framework/Application.h"
#include "framework/Errors.h"

namespace fw {

namespace {

// Another program may hold the clipboard for a moment; a few short waits ride that out.
class ClipboardScope {
public:
    ClipboardScope() {
        HWND owner = Application().UtilityWindow();
        for (int attempt = 0; attempt < 10 && !open_; ++attempt) {
            open_ = ::OpenClipboard(owner) != 0;
            if (!open_) ::Sleep(10);
        }
        if (!open_) throw Error("Cannot open clipboard");
    }
    ClipboardScope(const ClipboardScope&) = delete;
    ClipboardScope& operator=(const ClipboardScope&) = delete;
    ~ClipboardScope() { ::CloseClipboard(); }

private:
    bool open_ = false;
};

struct GlobalMemory {
    HGLOBAL handle;
    ~GlobalMemory() {
        if (handle) ::GlobalFree(handle);
    }
};

// The bytes and a zero wide enough to end either kind of text.
HGLOBAL CopyToGlobal(const void* data, std::size_t size) {
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size + sizeof(wchar_t));
    if (!memory) throw Error("Out of memory");
    std::memcpy(::GlobalLock(memory), data, size);
    ::GlobalUnlock(memory);
    return memory;
}

// The system owns the memory once it has it.
void Put(UINT format, GlobalMemory& memory) {
    if (!::SetClipboardData(format, memory.handle)) throw Error("Cannot set clipboard data");
    memory.handle = nullptr;
}

}  // namespace

TClipboard& Clipboard() {
    static TClipboard clipboard;
    return clipboard;
}

void TClipboard::SetText(std::string_view text, std::wstring_view unicode) {
    GlobalMemory ansi{CopyToGlobal(text.data(), text.size())};
    GlobalMemory wide{unicode.empty() ? nullptr : CopyToGlobal(unicode.data(), unicode.size() * sizeof(wchar_t))};
    ClipboardScope open;
    ::EmptyClipboard();
    Put(CF_TEXT, ansi);
    if (wide.handle) Put(CF_UNICODETEXT, wide);
}

}  // namespace fw
