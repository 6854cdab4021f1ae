#pragma once
// Helpers for the tray tests: a recording, thread-safe stand-in for the shell, the committed
// pictures, and waits that keep the message queue moving.
#include <windows.h>
#include <shellapi.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "framework/Application.h"
#include "framework/Graphics.h"
#include "framework/Sync.h"
#include "framework/Thread.h"
#include "tray/TrayIcon.h"

namespace traytest {

struct ShellCall {
    DWORD message;
    std::string tip;
    HICON icon;
    HWND window;
    UINT id, flags, callback;
    DWORD size;
    DWORD thread;
    DWORD time;
};

// Stands in for the shell while it lives: records every call, answers NIM_ADD as told, and
// notes calls that overlap (the tray icon's lock should make that impossible) and calls that
// pass a handle that is not a live icon.
class FakeShell {
public:
    FakeShell() {
        current_.store(this);
        previous_ = sockmere::SetShellNotifyProc(&Proc);
    }
    FakeShell(const FakeShell&) = delete;
    FakeShell& operator=(const FakeShell&) = delete;
    ~FakeShell() {
        sockmere::SetShellNotifyProc(previous_);
        current_.store(nullptr);
    }

    std::vector<ShellCall> Calls() const {
        fw::Lock lock(cs_);
        return calls_;
    }
    size_t Count(DWORD message) const {
        fw::Lock lock(cs_);
        size_t n = 0;
        for (const ShellCall& c : calls_) n += c.message == message;
        return n;
    }
    size_t Total() const {
        fw::Lock lock(cs_);
        return calls_.size() + dropped_;
    }
    void Clear() {
        fw::Lock lock(cs_);
        calls_.clear();
        dropped_ = 0;
    }
    void SetAddResult(BOOL result) { addResult_.store(result); }
    // Keeps counting but stops storing records: for long runs.
    void SetRecording(bool on) { recording_.store(on); }
    // Yields inside every call, so that calls which are not kept apart would overlap.
    void SetDwell(bool on) { dwell_.store(on); }
    long Overlaps() const { return overlaps_.load(); }
    long BadIcons() const { return badIcons_.load(); }
    long CallsOffGuiThread() const { return offGui_.load(); }

private:
    static BOOL WINAPI Proc(DWORD message, NOTIFYICONDATAA* data) {
        FakeShell* self = current_.load();
        return self ? self->Record(message, *data) : FALSE;
    }

    BOOL Record(DWORD message, const NOTIFYICONDATAA& data) {
        if (inside_.fetch_add(1) != 0) overlaps_.fetch_add(1);
        if (message != NIM_DELETE && !IsLiveIcon(data.hIcon)) badIcons_.fetch_add(1);
        if (::GetCurrentThreadId() != guiThread_) offGui_.fetch_add(1);
        if (dwell_.load()) ::SwitchToThread();
        {
            fw::Lock lock(cs_);
            if (recording_.load()) {
                calls_.push_back({message, std::string(data.szTip, strnlen(data.szTip, 64)), data.hIcon,
                                  data.hWnd, data.uID, data.uFlags, data.uCallbackMessage, data.cbSize,
                                  ::GetCurrentThreadId(), ::GetTickCount()});
            } else {
                ++dropped_;
            }
        }
        inside_.fetch_sub(1);
        return message == NIM_ADD ? addResult_.load() : TRUE;
    }

    static bool IsLiveIcon(HICON icon) {
        ICONINFO info{};
        if (!icon || !::GetIconInfo(icon, &info)) return false;
        if (info.hbmColor) ::DeleteObject(info.hbmColor);
        if (info.hbmMask) ::DeleteObject(info.hbmMask);
        return true;
    }

    static inline std::atomic<FakeShell*> current_{nullptr};
    sockmere::ShellNotifyProc previous_ = nullptr;
    mutable fw::CriticalSection cs_;
    std::vector<ShellCall> calls_;
    size_t dropped_ = 0;
    std::atomic<BOOL> addResult_{TRUE};
    std::atomic<bool> recording_{true};
    std::atomic<bool> dwell_{false};
    std::atomic<long> inside_{0}, overlaps_{0}, badIcons_{0}, offGui_{0};
    DWORD guiThread_ = ::GetCurrentThreadId();
};

// A file of the source tree, found from this header's own path (the tests' working folder is
// not fixed); Wine reaches the Unix root through drive Z:.
inline std::string SourcePath(const std::string& relative) {
    std::string self = __FILE__;
    for (char& ch : self)
        if (ch == '\\') ch = '/';
    std::string root = self.substr(0, self.rfind("/tests/win/") + 1);
    if (!root.empty() && root[0] == '/') root = "Z:" + root;
    return root + relative;
}

inline std::vector<std::uint8_t> ReadBytes(const std::string& relative) {
    std::ifstream file(SourcePath(relative), std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

inline std::vector<std::uint8_t> FramesStream() { return ReadBytes("src/app/res/trayframes.bin"); }

inline void LoadPicture(fw::TIcon& icon, const std::string& relative) {
    std::vector<std::uint8_t> bytes = ReadBytes(relative);
    icon.LoadFromStream(bytes);
}

// Pumps messages until done() holds or the time is up; returns done().
template <class Pred>
bool WaitUntil(Pred done, DWORD timeoutMs = 5000) {
    const DWORD start = ::GetTickCount();
    while (!done()) {
        if (::GetTickCount() - start > timeoutMs) return done();
        fw::Application().ProcessMessages();
        ::Sleep(2);
    }
    return true;
}

// Pumps messages for a while.
inline void Pump(DWORD ms) {
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < ms) {
        fw::Application().ProcessMessages();
        ::Sleep(2);
    }
}

inline bool NoLiveThreads(DWORD timeoutMs = 5000) {
    return WaitUntil([] { return fw::TThread::LiveCount() == 0; }, timeoutMs);
}

inline LRESULT SendMouse(const sockmere::TTrayIcon& tray, UINT mouseMessage) {
    return ::SendMessageA(tray.CallbackWindow(), sockmere::kTrayCallbackMessage, 0, mouseMessage);
}

}  // namespace traytest
