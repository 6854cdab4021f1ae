#pragma once
// Reads another process's windows the honest way: status bar and list view texts through
// buffers allocated inside that process, as a screen reader or test robot would.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

namespace remote {

struct WindowSearch {
    DWORD pid;
    const char* cls;
    const char* text;
    HWND found;
};

inline bool Matches(HWND hwnd, const WindowSearch& s) {
    char cls[128] = {};
    ::GetClassNameA(hwnd, cls, sizeof cls);
    if (lstrcmpiA(cls, s.cls) != 0) return false;
    if (s.pid) {
        DWORD owner = 0;
        ::GetWindowThreadProcessId(hwnd, &owner);
        if (owner != s.pid) return false;
    }
    if (s.text) {
        char text[256] = {};
        ::GetWindowTextA(hwnd, text, sizeof text);
        if (lstrcmpA(text, s.text) != 0) return false;
    }
    return true;
}

inline BOOL CALLBACK SearchProc(HWND hwnd, LPARAM lp) {
    auto* s = reinterpret_cast<WindowSearch*>(lp);
    if (!Matches(hwnd, *s)) return TRUE;
    s->found = hwnd;
    return FALSE;
}

// Finds a top-level window of the given class owned by process pid (any process for 0).
inline HWND FindTopWindow(DWORD pid, const char* className) {
    WindowSearch s{pid, className, nullptr, nullptr};
    ::EnumWindows(SearchProc, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

inline HWND FindChild(HWND parent, const char* className, const char* text = nullptr) {
    WindowSearch s{0, className, text, nullptr};
    ::EnumChildWindows(parent, SearchProc, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

// A block of memory inside another process.
class RemoteBuffer {
public:
    RemoteBuffer(HWND window, size_t size) : size_(size) {
        DWORD pid = 0;
        ::GetWindowThreadProcessId(window, &pid);
        process_ = ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
        if (process_) address_ = ::VirtualAllocEx(process_, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
    }
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;
    ~RemoteBuffer() {
        if (address_) ::VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
        if (process_) ::CloseHandle(process_);
    }
    bool Valid() const { return address_ != nullptr; }
    void* Address() const { return address_; }
    bool Write(const void* data, size_t size, size_t offset = 0) {
        SIZE_T done = 0;
        return ::WriteProcessMemory(process_, static_cast<char*>(address_) + offset, data, size, &done) &&
               done == size;
    }
    bool Read(void* data, size_t size, size_t offset = 0) const {
        SIZE_T done = 0;
        return ::ReadProcessMemory(process_, static_cast<char*>(address_) + offset, data, size, &done) &&
               done == size;
    }

private:
    HANDLE process_ = nullptr;
    void* address_ = nullptr;
    size_t size_;
};

inline std::string StatusPanel(HWND statusBar, int panel) {
    RemoteBuffer buffer(statusBar, 1024);
    if (!buffer.Valid()) return "<no access>";
    char zero[1024] = {};
    buffer.Write(zero, sizeof zero);
    LRESULT lr = ::SendMessageA(statusBar, SB_GETTEXTLENGTHA, panel, 0);
    if (LOWORD(lr) >= sizeof zero) return "<too long>";
    ::SendMessageA(statusBar, SB_GETTEXTA, panel, reinterpret_cast<LPARAM>(buffer.Address()));
    char text[1024] = {};
    buffer.Read(text, sizeof text - 1);
    return text;
}

inline int ListCount(HWND listView) {
    return static_cast<int>(::SendMessageA(listView, LVM_GETITEMCOUNT, 0, 0));
}

// The caption and sub-item texts of one row.
inline std::vector<std::string> ListRow(HWND listView, int row, int columns) {
    std::vector<std::string> texts;
    constexpr size_t kText = 512;
    RemoteBuffer buffer(listView, sizeof(LVITEMA) + kText);
    if (!buffer.Valid()) return texts;
    auto* textAddress = static_cast<char*>(buffer.Address()) + sizeof(LVITEMA);
    for (int column = 0; column < columns; ++column) {
        LVITEMA item{};
        item.mask = LVIF_TEXT;
        item.iItem = row;
        item.iSubItem = column;
        item.pszText = textAddress;
        item.cchTextMax = kText;
        buffer.Write(&item, sizeof item);
        ::SendMessageA(listView, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(buffer.Address()));
        char text[kText] = {};
        buffer.Read(text, kText - 1, sizeof(LVITEMA));
        texts.emplace_back(text);
    }
    return texts;
}

}  // namespace remote
