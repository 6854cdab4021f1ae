#pragma once
// What the main window tests share: a shell double for the tray icon, the fake listing
// command's settings, exception reports, pumping, and fresh windows without stored settings.
#include <windows.h>
#include <shellapi.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "SettingsKey.h"
#include "framework/Application.h"
#include "framework/Forms.h"
#include "framework/WideText.h"
#include "tray/TrayIcon.h"
#include "ui/Unit1.h"
#include "ui/Unit2.h"

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
    // The balloons asked for, each as its title, a line break and its text.
    std::vector<std::string> Balloons() {
        ::EnterCriticalSection(&lock_);
        std::vector<std::string> balloons = balloons_;
        ::LeaveCriticalSection(&lock_);
        return balloons;
    }

private:
    static BOOL WINAPI Proc(DWORD message, NOTIFYICONDATAA* data) {
        Shell* self = instance_;
        ::EnterCriticalSection(&self->lock_);
        if (message == NIM_ADD) ++self->adds_;
        if (message == NIM_MODIFY) ++self->modifies_;
        if (message == NIM_DELETE) ++self->deletes_;
        if (message != NIM_DELETE) self->tip_ = data->szTip;
        if (message == NIM_MODIFY && (data->uFlags & NIF_INFO) && data->cbSize == NOTIFYICONDATAA_V2_SIZE)
            self->balloons_.push_back(std::string(data->szInfoTitle) + "\n" + data->szInfo);
        ::LeaveCriticalSection(&self->lock_);
        return TRUE;
    }

    static inline Shell* instance_ = nullptr;
    sockmere::ShellNotifyProc previous_ = nullptr;
    CRITICAL_SECTION lock_;
    int adds_ = 0, modifies_ = 0, deletes_ = 0;
    std::string tip_;
    std::vector<std::string> balloons_;
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

// The main window's settings in this test program: the key is named after the executable.
inline settingskey::Key StoredSettings() {
    return {"Software\\win_ui_tests", "sockmere"};
}

// A main window that starts from no stored settings, so no test sees another's.
inline std::unique_ptr<sockmere::TForm1> FreshForm(std::vector<std::string> args) {
    StoredSettings().Wipe();
    return std::make_unique<sockmere::TForm1>(nullptr, std::move(args));
}

inline void Pump() {
    fw::Application().ProcessMessages();
}

// A fresh main window, shown and filled by a refresh.
inline std::unique_ptr<sockmere::TForm1> RefreshedForm() {
    auto form = FreshForm({"-n"});
    form->Show();
    form->Button1Click(form.get());
    Pump();
    return form;
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

inline std::wstring WidePath(const std::string& path) { return {path.begin(), path.end()}; }

inline std::string ReadFile(const std::wstring& path) {
    std::string text;
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return text;
    char buffer[4096];
    DWORD got = 0;
    while (::ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got) text.append(buffer, got);
    ::CloseHandle(file);
    return text;
}
inline std::string ReadFile(const std::string& path) { return ReadFile(WidePath(path)); }

// Kernel handles open in the process, found by sweeping the handle values: the system's own
// count reads 0 under Wine.
inline int KernelHandles() {
    int count = 0;
    for (std::uintptr_t value = 4; value < 0x10000; value += 4) {
        DWORD flags = 0;
        if (::GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++count;
    }
    return count;
}

inline bool Ours(HWND hwnd) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    return pid == ::GetCurrentProcessId();
}

inline BOOL CALLBACK CountOne(HWND, LPARAM count) {
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}

inline BOOL CALLBACK CountTree(HWND hwnd, LPARAM count) {
    if (!Ours(hwnd)) return TRUE;
    ++*reinterpret_cast<int*>(count);
    // Enumerates every descendant, not only the direct children.
    ::EnumChildWindows(hwnd, CountOne, count);
    return TRUE;
}

// The process's windows, hidden ones included: top-level with all their descendants, and the
// message-only ones, which no enumeration reaches.
inline int ProcessWindows() {
    int count = 0;
    ::EnumWindows(CountTree, reinterpret_cast<LPARAM>(&count));
    for (HWND h = ::FindWindowExA(HWND_MESSAGE, nullptr, nullptr, nullptr); h;
         h = ::FindWindowExA(HWND_MESSAGE, h, nullptr, nullptr))
        if (Ours(h)) CountTree(h, reinterpret_cast<LPARAM>(&count));
    return count;
}

inline BOOL CALLBACK CollectForm(HWND hwnd, LPARAM forms) {
    if (auto* form = dynamic_cast<fw::TForm*>(fw::Window::FromHandle(hwnd)))
        reinterpret_cast<std::vector<fw::TForm*>*>(forms)->push_back(form);
    return TRUE;
}

// The forms whose windows this thread has made, hidden ones included.
inline std::vector<fw::TForm*> ThreadForms() {
    std::vector<fw::TForm*> forms;
    ::EnumThreadWindows(::GetCurrentThreadId(), CollectForm, reinterpret_cast<LPARAM>(&forms));
    return forms;
}

// The form showing modally, or null: while one shows, the other visible forms are disabled.
inline fw::TForm* ModalForm() {
    fw::TForm* enabled = nullptr;
    bool othersDisabled = false;
    for (fw::TForm* form : ThreadForms()) {
        if (!::IsWindowVisible(form->Hwnd())) continue;
        if (::IsWindowEnabled(form->Hwnd()))
            enabled = form;
        else
            othersDisabled = true;
    }
    return othersDisabled ? enabled : nullptr;
}

// What the open Connection Info dialog shows: the five fields, the state description, then the
// process fields as their windows show them, when it has them. A timer set before the dialog
// opens reads them from inside its modal loop, then closes it.
inline std::vector<std::string>* g_infoFields = nullptr;
inline VOID CALLBACK ReadAndCloseInfo(HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    for (fw::TForm* form : ThreadForms()) {
        auto* info = dynamic_cast<sockmere::TForm2*>(form);
        if (!info || !info->Visible()) continue;
        for (fw::TEdit* e : {info->Edit1, info->Edit2, info->Edit3, info->Edit4, info->Edit5})
            g_infoFields->push_back(e->Text());
        g_infoFields->push_back(info->Memo1->Text());
        wchar_t shown[MAX_PATH] = {};
        for (fw::TEdit* e : {info->Edit6, info->Edit7, info->Edit8})
            if (e && ::GetWindowTextW(e->Handle(), shown, MAX_PATH) >= 0) g_infoFields->push_back(fw::Utf8FromWide(shown));
        ::PostMessageA(info->Handle(), WM_CLOSE, 0, 0);
    }
}

// Writes text to a file in the temporary folder, for the fake listing command to print.
inline std::string WriteFixture(const char* name, std::string_view text) {
    std::string path = TempPath(name);
    HANDLE f = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD done = 0;
    ::WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &done, nullptr);
    ::CloseHandle(f);
    return path;
}

// The fake listing command prints a file the test writes, and notes each of its runs in another;
// both are named after name and go with this.
class ServedListing {
public:
    explicit ServedListing(const std::string& name)
        : name_(name + "_rows.txt"), fixture_(TempPath(name_.c_str())), runs_(TempPath((name + "_runs.txt").c_str())) {
        ::DeleteFileA(runs_.c_str());
    }
    ~ServedListing() {
        ::DeleteFileA(fixture_.c_str());
        ::DeleteFileA(runs_.c_str());
    }
    ServedListing(const ServedListing&) = delete;
    ServedListing& operator=(const ServedListing&) = delete;

    // What the listing command prints from its next run on.
    void Serve(std::string_view text) const { WriteFixture(name_.c_str(), text); }
    int Runs() const {
        const std::string runs = ReadFile(runs_);
        return static_cast<int>(std::count(runs.begin(), runs.end(), '\n'));
    }
    const std::string& Path() const noexcept { return fixture_; }

private:
    std::string name_, fixture_, runs_;
    FakeSetting file_{"SOCKMERE_FAKE_FILE", fixture_};
    FakeSetting record_{"SOCKMERE_FAKE_ARGS_FILE", runs_};
};

// Committed private memory, summed over the address space; works where the counters do not.
inline SIZE_T CommittedPrivate() {
    SIZE_T total = 0;
    MEMORY_BASIC_INFORMATION info{};
    for (char* p = nullptr; ::VirtualQuery(p, &info, sizeof info) == sizeof info; p += info.RegionSize) {
        if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE) total += info.RegionSize;
        if (reinterpret_cast<std::uintptr_t>(p) + info.RegionSize < reinterpret_cast<std::uintptr_t>(p)) break;
    }
    return total;
}

// Runs an action from inside the next message pump: post it, then start what pumps (a modal
// showing, a refresh).
class InPump {
public:
    InPump() {
        WNDCLASSA wc{};
        wc.lpfnWndProc = Proc;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.lpszClassName = "uitest.InPump";
        ::RegisterClassA(&wc);
        window_ = ::CreateWindowA(wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
        ::SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~InPump() { ::DestroyWindow(window_); }
    InPump(const InPump&) = delete;
    InPump& operator=(const InPump&) = delete;

    void Post(std::function<void()> action) {
        action_ = std::move(action);
        ::PostMessageA(window_, WM_APP + 7, 0, 0);
    }
    // Closes whatever form is showing modally at that point.
    void PostCloseModal() {
        Post([] {
            if (fw::TForm* modal = ModalForm()) ::PostMessageA(modal->Hwnd(), WM_CLOSE, 0, 0);
        });
    }

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
        auto* self = reinterpret_cast<InPump*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (msg == WM_APP + 7 && self && self->action_) {
            auto action = std::move(self->action_);
            self->action_ = nullptr;
            // Like any window procedure of ours: a failure is reported, never unwound through user32.
            try {
                action();
            } catch (...) {
                fw::Application().HandleException(nullptr);
            }
            return 0;
        }
        return ::DefWindowProcA(hwnd, msg, w, l);
    }

    HWND window_ = nullptr;
    std::function<void()> action_;
};

// What the open context menu held, and the keys to press in it.
struct MenuDriver {
    sockmere::TForm1* form = nullptr;
    std::vector<WPARAM> keys;
    std::vector<std::string> items;  // caption, then '-' when disabled, '+' when checked
    RECT place{};
};
inline MenuDriver g_menu;
inline VOID CALLBACK DriveMenu(HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    HMENU menu = g_menu.form->PopupMenu2->Handle();
    g_menu.items.clear();
    for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
        char text[64] = {};
        ::GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
        const UINT state = ::GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
        g_menu.items.push_back(std::string(text) + (state & (MF_GRAYED | MF_DISABLED) ? "-" : "") +
                               (state & MF_CHECKED ? "+" : ""));
    }
    if (HWND window = ::FindWindowA("#32768", nullptr)) ::GetWindowRect(window, &g_menu.place);
    if (g_menu.keys.empty()) ::EndMenu();
    for (WPARAM key : g_menu.keys) ::PostMessageA(g_menu.form->lv->Handle(), WM_KEYDOWN, key, 0);
}

// Opens the table's menu from the keyboard and presses keys in it.
inline void MenuKeys(sockmere::TForm1& form, std::vector<WPARAM> keys) {
    g_menu = {&form, std::move(keys), {}, {}};
    ::SetTimer(nullptr, 0, 100, DriveMenu);
    ::SendMessageA(form.lv->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(form.lv->Handle()), -1);
}

// A copy of the fake listing command under a name of the test's, idle (or as the helper
// arguments say) until the test ends.
class NamedProcess {
public:
    explicit NamedProcess(const std::wstring& path, const std::wstring& args = L"--hold") : path_(path) {
        wchar_t windows[MAX_PATH] = {};
        ::GetWindowsDirectoryW(windows, MAX_PATH);
        ::CopyFileW((std::wstring(windows) + L"\\netstat.exe").c_str(), path.c_str(), FALSE);
        std::wstring line = L"\"" + path + L"\" " + args;
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        ::CreateProcessW(path.c_str(), line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                         &startup, &info_);
        ::CloseHandle(info_.hThread);
    }
    ~NamedProcess() {
        ::TerminateProcess(info_.hProcess, 0);
        ::WaitForSingleObject(info_.hProcess, 5000);
        ::CloseHandle(info_.hProcess);
        ::DeleteFileW(path_.c_str());
    }
    std::string Pid() const { return std::to_string(info_.dwProcessId); }
    HANDLE Process() const noexcept { return info_.hProcess; }

private:
    std::wstring path_;
    PROCESS_INFORMATION info_{};
};

}  // namespace uitest
