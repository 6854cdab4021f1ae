// Starts the real Sockmere.exe and drives it from outside its process.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "RemoteUi.h"

namespace {

constexpr const char* kMainClass = "TForm1";
constexpr UINT kTrayCallback = 0xB040;

std::string ProgramPath() {
    const char* dir = std::getenv("SOCKMERE_BUILD_DIR");
    return std::string(dir ? dir : ".") + "/Sockmere.exe";
}

class Program {
public:
    explicit Program(const std::string& args) {
        std::string command = "\"";
        command += ProgramPath();
        command += "\" ";
        command += args;
        STARTUPINFOA si{};
        si.cb = sizeof si;
        if (::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi_)) {
            ::WaitForInputIdle(pi_.hProcess, 10000);
            started_ = true;
        }
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;
    ~Program() {
        if (!started_) return;
        if (::WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) ::TerminateProcess(pi_.hProcess, 99);
        ::WaitForSingleObject(pi_.hProcess, 5000);
        ::CloseHandle(pi_.hThread);
        ::CloseHandle(pi_.hProcess);
    }
    bool Started() const { return started_; }
    DWORD Pid() const { return pi_.dwProcessId; }
    // Waits for the process to end; returns its exit code, or -1 on a time-out.
    long WaitExit(DWORD ms) {
        if (::WaitForSingleObject(pi_.hProcess, ms) != WAIT_OBJECT_0) return -1;
        DWORD code = 0;
        ::GetExitCodeProcess(pi_.hProcess, &code);
        return static_cast<long>(code);
    }

private:
    PROCESS_INFORMATION pi_{};
    bool started_ = false;
};

template <class F>
bool WaitFor(F condition, DWORD ms = 30000) {
    for (DWORD waited = 0; waited < ms; waited += 50) {
        if (condition()) return true;
        ::Sleep(50);
    }
    return condition();
}

struct FakeRows {
    explicit FakeRows(const char* rows) { ::SetEnvironmentVariableA("SOCKMERE_FAKE_ROWS", rows); }
    ~FakeRows() { ::SetEnvironmentVariableA("SOCKMERE_FAKE_ROWS", nullptr); }
};

}  // namespace

TEST(Program, RefreshesAtStartGoesToTrayAndBackAndExitsCleanly) {
    FakeRows rows("25");
    Program program("");
    ASSERT_TRUE(program.Started()) << ProgramPath();

    HWND main = nullptr, status = nullptr, list = nullptr;
    ASSERT_TRUE(WaitFor([&] {
        main = remote::FindTopWindow(program.Pid(), kMainClass);
        status = main ? remote::FindChild(main, STATUSCLASSNAMEA) : nullptr;
        list = main ? remote::FindChild(main, WC_LISTVIEWA) : nullptr;
        return status && list && remote::StatusPanel(status, 0) == "Done.";
    }));
    EXPECT_TRUE(::IsWindowVisible(main));
    // Panel 1 reads "Refreshing" until the last-update clock's first tick.
    EXPECT_TRUE(WaitFor([&] { return remote::StatusPanel(status, 1).rfind("Last update: 00:00:0", 0) == 0; }, 5000));
    EXPECT_EQ(remote::StatusPanel(status, 2).rfind("Elapsed: ", 0), 0u);
    ASSERT_EQ(remote::ListCount(list), 25);
    std::vector<std::string> first = remote::ListRow(list, 0, 6);
    ASSERT_EQ(first.size(), 6u);
    EXPECT_EQ(first[0], "1");
    EXPECT_FALSE(first[1].empty());
    EXPECT_EQ(remote::ListRow(list, 24, 1)[0], "25");

    // "Tray" hides the window; a double click on the icon's callback window brings it back.
    HWND trayButton = remote::FindChild(main, "Button", "Tray");
    ASSERT_NE(trayButton, nullptr);
    ::PostMessageA(trayButton, BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindowVisible(main); }));
    HWND callback = remote::FindTopWindow(program.Pid(), "Sockmere.TrayIcon");
    ASSERT_NE(callback, nullptr);
    ::PostMessageA(callback, kTrayCallback, 0, WM_LBUTTONDBLCLK);
    ASSERT_TRUE(WaitFor([&] { return ::IsWindowVisible(main) != FALSE; }));

    ::PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.WaitExit(20000), 0);
}

TEST(Program, IsLargeAddressAware) {
    const HMODULE image = ::LoadLibraryExA(ProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(image, nullptr);
    // A data-file mapping is tagged in its low bits.
    const auto* base = reinterpret_cast<const BYTE*>(reinterpret_cast<ULONG_PTR>(image) & ~ULONG_PTR{3});
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    EXPECT_TRUE(nt->FileHeader.Characteristics & IMAGE_FILE_LARGE_ADDRESS_AWARE);
    ::FreeLibrary(image);
}

TEST(Program, NoRefreshSwitchShowsAnEmptyReadyTable) {
    FakeRows rows("5");
    Program program("-n");
    ASSERT_TRUE(program.Started());
    HWND main = nullptr;
    ASSERT_TRUE(WaitFor([&] {
        main = remote::FindTopWindow(program.Pid(), kMainClass);
        return main && ::IsWindowVisible(main);
    }));
    HWND status = remote::FindChild(main, STATUSCLASSNAMEA);
    HWND list = remote::FindChild(main, WC_LISTVIEWA);
    ASSERT_TRUE(status && list);
    EXPECT_EQ(remote::StatusPanel(status, 0), "Ready");
    EXPECT_EQ(remote::StatusPanel(status, 1), "Last update: 00:00:00");
    EXPECT_EQ(remote::ListCount(list), 0);
    ::PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.WaitExit(20000), 0);
}

TEST(Program, TraySwitchWithStartRefreshEndsInTheTray) {
    FakeRows rows("5");
    Program program("-t");
    ASSERT_TRUE(program.Started());
    HWND main = nullptr, status = nullptr;
    ASSERT_TRUE(WaitFor([&] {
        main = remote::FindTopWindow(program.Pid(), kMainClass);
        status = main ? remote::FindChild(main, STATUSCLASSNAMEA) : nullptr;
        return status && remote::StatusPanel(status, 0) == "Done." && !::IsWindowVisible(main);
    }));
    // It stays there.
    ::Sleep(500);
    EXPECT_FALSE(::IsWindowVisible(main));
    ::PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.WaitExit(20000), 0);
}
