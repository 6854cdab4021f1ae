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

}  // namespace

TClipboard& Clipboard() {
    static TClipboard clipboard;
    return clipboard;
}

void TClipboard::SetText(std::string_view text) {
    GlobalMemory memory{::GlobalAlloc(GMEM_MOVEABLE, text.size() + 1)};
    if (!memory.handle) throw Error("Out of memory");
    auto* bytes = static_cast<char*>(::GlobalLock(memory.handle));
    std::memcpy(bytes, text.data(), text.size());
    bytes[text.size()] = '\0';
    ::GlobalUnlock(memory.handle);
    ClipboardScope open;
    ::EmptyClipboard();
    // The system owns the memory once it has it.
    if (::SetClipboardData(CF_TEXT, memory.handle)) memory.handle = nullptr;
    else throw Error("Cannot set clipboard data");
}

}  // namespace fw
