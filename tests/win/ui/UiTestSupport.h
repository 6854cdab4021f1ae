#pragma once
// What the main window tests share: a shell double for the tray icon, the fake listing
// command's settings, exception reports, and pumping.
#include <windows.h>
#include <shellapi.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "framework/Application.h"
#include "framework/Forms.h"
#include "tray/RXShell.h"
#include "ui/Unit1.h"

namespace uitest {

// Accepts every shell call and remembers the last tip; the frame thread calls it too.
class Shell {
public:
    Shell() {
        ::InitializeCriticalSection(&lock_);
        instance_ = this;
        previous_ = sockmere::SetShellNotifyProc(&Proc);
    }
    ~Shell() {
        sockmere::SetShellNotifyProc(previous_);
        instance_ = nullptr;
        ::DeleteCriticalSection(&lock_);
    }
    Shell(const Shell&) = delete;
    Shell& operator=(const Shell&) = delete;

    int Count(DWORD message) {
        ::EnterCriticalSection(&lock_);
        int n = message == NIM_ADD ? adds_ : message == NIM_DELETE ? deletes_ : modifies_;
        ::LeaveCriticalSection(&lock_);
        return n;
    }
    std::string LastTip() {
        ::EnterCriticalSection(&lock_);
        std::string tip = tip_;
        ::LeaveCriticalSection(&lock_);
        return tip;
    }

private:
    static BOOL WINAPI Proc(DWORD message, NOTIFYICONDATAA* data) {
        Shell* self = instance_;
        ::EnterCriticalSection(&self->lock_);
        if (message == NIM_ADD) ++self->adds_;
        if (message == NIM_MODIFY) ++self->modifies_;
        if (message == NIM_DELETE) ++self->deletes_;
        if (message != NIM_DELETE) self->tip_ = data->szTip;
        ::LeaveCriticalSection(&self->lock_);
        return TRUE;
    }

    static inline Shell* instance_ = nullptr;
    sockmere::ShellNotifyProc previous_ = nullptr;
    CRITICAL_SECTION lock_;
    int adds_ = 0, modifies_ = 0, deletes_ = 0;
    std::string tip_;
};

// Sets one environment variable of the fake listing command for a scope.
class FakeSetting {
public:
    FakeSetting(const char* name, const std::string& value) : name_(name) {
        ::SetEnvironmentVariableA(name, value.c_str());
    }
    ~FakeSetting() { ::SetEnvironmentVariableA(name_, nullptr); }
    FakeSetting(const FakeSetting&) = delete;
    FakeSetting& operator=(const FakeSetting&) = delete;

private:
    const char* name_;
};

struct Reports {
    std::vector<std::string> texts;
    Reports() {
        fw::Application().Initialize();
        fw::Application().SetTitle("Sockmere");
        fw::Application().OnException = fw::Event<fw::TComponent*, const std::string&>::Of<&Reports::On>(this);
    }
    ~Reports() { fw::Application().OnException.Clear(); }
    void On(fw::TComponent*, const std::string& text) { texts.push_back(text); }
};

inline void Pump() {
    fw::Application().ProcessMessages();
}

template <class F>
bool PumpUntil(F done, DWORD ms = 3000) {
    for (DWORD end = ::GetTickCount() + ms; ::GetTickCount() < end;) {
        Pump();
        if (done()) return true;
        ::Sleep(5);
    }
    return done();
}

inline std::string TempPath(const char* name) {
    char dir[MAX_PATH];
    ::GetTempPathA(MAX_PATH, dir);
    return std::string(dir) + name;
}

inline std::string ReadFile(const std::string& path) {
    std::string text;
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return text;
    char buffer[4096];
    DWORD got = 0;
    while (::ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got) text.append(buffer, got);
    ::CloseHandle(file);
    return text;
}

}  // namespace uitest
