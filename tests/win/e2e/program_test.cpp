// Starts the real Sockmere.exe and drives it from outside its process.
#include <windows.h>
#include <commctrl.h>
#include <tlhelp32.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "RemoteUi.h"
#include "SettingsKey.h"

namespace {

constexpr const char* kMainClass = "TForm1";
constexpr UINT kTrayCallback = 0xB040;

std::string ProgramPath() {
    const char* dir = std::getenv("SOCKMERE_BUILD_DIR");
    return std::string(dir ? dir : ".") + "/Sockmere.exe";
}

class Program {
public:
    // Unless told not to, waits until the program first waits for input, past its start-up.
    explicit Program(const std::string& args, const std::string& path = ProgramPath(), bool awaitIdle = true) {
        std::string command = "\"";
        command += path;
        command += "\" ";
        command += args;
        STARTUPINFOA si{};
        si.cb = sizeof si;
        if (::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi_)) {
            if (awaitIdle) ::WaitForInputIdle(pi_.hProcess, 10000);
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

// The program keeps its settings under a key named after its executable file.
settingskey::Key StoredSettings(const char* appKey = "Software\\Sockmere") {
    return {appKey, "sockmere"};
}

// No test sees the settings another one left, in this run or an earlier one in the same prefix.
struct CleanSettings {
    CleanSettings() { StoredSettings().Wipe(); }
    ~CleanSettings() { StoredSettings().Wipe(); }
};

// The main window once its refresh has ended.
HWND RefreshedMain(const Program& program) {
    HWND main = nullptr;
    WaitFor([&] {
        main = remote::FindTopWindow(program.Pid(), kMainClass);
        HWND status = main ? remote::FindChild(main, STATUSCLASSNAMEA) : nullptr;
        return status && ::IsWindowVisible(main) && remote::StatusPanel(status, 0) == "Done.";
    });
    return main;
}

std::string RectText(HWND window) {
    RECT r{};
    ::GetWindowRect(window, &r);
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

bool Ticked(HWND box) {
    return ::SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool Loaded(DWORD pid, const char* module) {
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid);
    if (snapshot == INVALID_HANDLE_VALUE) return false;
    MODULEENTRY32 entry{};
    entry.dwSize = sizeof entry;
    bool found = false;
    for (BOOL more = ::Module32First(snapshot, &entry); more && !found; more = ::Module32Next(snapshot, &entry))
        found = ::lstrcmpiA(entry.szModule, module) == 0;
    ::CloseHandle(snapshot);
    return found;
}

std::string TempPath(const char* name) {
    char dir[MAX_PATH];
    ::GetTempPathA(MAX_PATH, dir);
    return std::string(dir) + name;
}

// The processes of that name that process started and that are still running; Wine starts
// others (explorer.exe) on behalf of a program.
std::vector<DWORD> Children(DWORD process, const char* name) {
    std::vector<DWORD> children;
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32First(snapshot, &entry); more; more = ::Process32Next(snapshot, &entry))
        if (entry.th32ParentProcessID == process && ::lstrcmpiA(entry.szExeFile, name) == 0)
            children.push_back(entry.th32ProcessID);
    ::CloseHandle(snapshot);
    return children;
}

bool Running(DWORD pid) {
    HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (!process) return false;
    const bool running = ::WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    ::CloseHandle(process);
    return running;
}

}  // namespace

TEST(Program, RefreshesAtStartGoesToTrayAndBackAndExitsCleanly) {
    CleanSettings clean;
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

// The first refresh runs while the window is still being made: a close then still ends the
// program once the refresh is over, with the settings saved, and the window never comes back.
TEST(Program, ACloseDuringTheFirstRefreshEndsTheProgram) {
    CleanSettings clean;
    FakeRows rows("5");
    ::SetEnvironmentVariableA("SOCKMERE_FAKE_DELAY_MS", "1500");
    Program program("", ProgramPath(), false);
    ::SetEnvironmentVariableA("SOCKMERE_FAKE_DELAY_MS", nullptr);
    ASSERT_TRUE(program.Started());
    HWND main = nullptr;
    // Shown just before the refresh starts; the close waits in the queue for one of its pumps.
    ASSERT_TRUE(WaitFor([&] {
        main = remote::FindTopWindow(program.Pid(), kMainClass);
        return main && ::IsWindowVisible(main);
    }));
    ::PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.WaitExit(20000), 0);
    EXPECT_EQ(StoredSettings().Read("check1_Checked"), "False");
}

// With "-t" the icon is on while the first refresh runs: its menu's "Exit" then ends the
// program too, once the refresh is over.
TEST(Program, ExitFromTheTrayMenuDuringATrayStartsFirstRefreshEndsTheProgram) {
    CleanSettings clean;
    FakeRows rows("5");
    ::SetEnvironmentVariableA("SOCKMERE_FAKE_DELAY_MS", "1500");
    Program program("-t", ProgramPath(), false);
    ::SetEnvironmentVariableA("SOCKMERE_FAKE_DELAY_MS", nullptr);
    HWND main = nullptr, icon = nullptr;
    remote::WindowSearch menu{program.Pid(), "#32768", nullptr, nullptr};
    ASSERT_TRUE(WaitFor([&] {
        main = remote::FindTopWindow(program.Pid(), kMainClass);
        icon = remote::FindTopWindow(program.Pid(), "Sockmere.TrayIcon");
        return main && icon && ::IsWindowVisible(main);
    }));
    // The click waits for one of the refresh's pumps; then up picks the last item, "Exit".
    ::PostMessageA(icon, kTrayCallback, 0, WM_RBUTTONDOWN);
    ::PostMessageA(icon, kTrayCallback, 0, WM_RBUTTONUP);
    ASSERT_TRUE(WaitFor([&] {
        ::EnumWindows(remote::SearchProc, reinterpret_cast<LPARAM>(&menu));
        return menu.found && ::IsWindowVisible(menu.found);
    }));
    for (WPARAM key : {VK_UP, VK_RETURN}) ::PostMessageA(menu.found, WM_KEYDOWN, key, 0);
    EXPECT_EQ(program.WaitExit(8000), 0);
    EXPECT_EQ(StoredSettings().Read("check1_Checked"), "False");
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
    CleanSettings clean;
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
    // What the window does not show yet costs the start nothing: no shell, no file dialogs, and
    // no hidden top-level window for the application's own messages.
    EXPECT_TRUE(Loaded(program.Pid(), "comctl32.dll"));
    EXPECT_FALSE(Loaded(program.Pid(), "shell32.dll"));
    EXPECT_FALSE(Loaded(program.Pid(), "comdlg32.dll"));
    EXPECT_EQ(remote::FindTopWindow(program.Pid(), "fw.Utility"), nullptr);
    ::PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.WaitExit(20000), 0);
}

TEST(Program, TraySwitchWithStartRefreshEndsInTheTray) {
    CleanSettings clean;
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

TEST(StoredSettings, TheOptionAndTheRectangleSurviveARestart) {
    CleanSettings clean;
    FakeRows rows("3");
    const std::string argsFile = TempPath("sockmere_e2e_args.txt");
    ::DeleteFileA(argsFile.c_str());
    ::SetEnvironmentVariableA("SOCKMERE_FAKE_ARGS_FILE", argsFile.c_str());
    std::string placed;
    {
        Program program("");
        ASSERT_TRUE(program.Started());
        HWND main = RefreshedMain(program);
        ASSERT_NE(main, nullptr);
        HWND numeric = remote::FindChild(main, "Button", "Numeric format");
        ASSERT_NE(numeric, nullptr);
        ::PostMessageA(numeric, BM_CLICK, 0, 0);
        EXPECT_TRUE(WaitFor([&] { return Ticked(numeric); }));
        ::SetWindowPos(main, nullptr, 130, 95, 560, 360, SWP_NOZORDER | SWP_NOACTIVATE);
        placed = RectText(main);
        EXPECT_EQ(placed, "130,95,690,455");
        ::PostMessageA(main, WM_CLOSE, 0, 0);
        EXPECT_EQ(program.WaitExit(20000), 0);
    }
    EXPECT_EQ(StoredSettings().Read("NormPos" + settingskey::ScreenSuffix()), placed);
    EXPECT_EQ(StoredSettings().Read("NormPos"), placed);
    EXPECT_EQ(StoredSettings().Read("check1_Checked"), "True");
    EXPECT_EQ(StoredSettings().Read("check3_Checked"), "False");
    {
        Program program("");
        ASSERT_TRUE(program.Started());
        HWND main = RefreshedMain(program);
        ASSERT_NE(main, nullptr);
        EXPECT_EQ(RectText(main), placed);
        EXPECT_TRUE(Ticked(remote::FindChild(main, "Button", "Numeric format")));
        ::PostMessageA(main, WM_CLOSE, 0, 0);
        EXPECT_EQ(program.WaitExit(20000), 0);
    }
    ::SetEnvironmentVariableA("SOCKMERE_FAKE_ARGS_FILE", nullptr);
    std::string recorded;
    if (HANDLE f = ::CreateFileA(argsFile.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        f != INVALID_HANDLE_VALUE) {
        char buffer[256];
        DWORD got = 0;
        ::ReadFile(f, buffer, sizeof buffer, &got, nullptr);
        recorded.assign(buffer, got);
        ::CloseHandle(f);
    }
    ::DeleteFileA(argsFile.c_str());
    // The second start's first refresh already asks for numbers.
    EXPECT_EQ(recorded, "\r\n-n\r\n");
}

TEST(StoredSettings, ACopyUnderAnotherNameKeepsItsOwnKey) {
    CleanSettings clean;
    const settingskey::Key copied = StoredSettings("Software\\Sockmere2");
    copied.Wipe();
    const std::string copy = TempPath("Sockmere2.exe");
    ASSERT_TRUE(::CopyFileA(ProgramPath().c_str(), copy.c_str(), FALSE));
    {
        FakeRows rows("1");
        Program program("", copy);
        ASSERT_TRUE(program.Started());
        HWND main = RefreshedMain(program);
        ASSERT_NE(main, nullptr);
        ::PostMessageA(main, WM_CLOSE, 0, 0);
        EXPECT_EQ(program.WaitExit(20000), 0);
    }
    ::DeleteFileA(copy.c_str());
    EXPECT_EQ(copied.Read("check1_Checked"), "False");
    EXPECT_EQ(copied.All().size(), 10u);
    EXPECT_FALSE(StoredSettings().Exists());
    copied.Wipe();
}

TEST(StoredSettings, AShowCommandOfTheWrongTypeIsReportedAndTheWindowStillOpens) {
    CleanSettings clean;
    StoredSettings().SetNumber("ShowCmd", 1);
    FakeRows rows("2");
    Program program("");
    ASSERT_TRUE(program.Started());
    remote::WindowSearch box{program.Pid(), "#32770", "Sockmere", nullptr};
    ASSERT_TRUE(WaitFor([&] {
        ::EnumWindows(remote::SearchProc, reinterpret_cast<LPARAM>(&box));
        return box.found != nullptr;
    }));
    char text[256] = {};
    // The message text is the box's static control with the id all message boxes use.
    ::SendMessageA(::GetDlgItem(box.found, 0xFFFF), WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, "Invalid data type for 'ShowCmd'");
    ::PostMessageA(box.found, WM_COMMAND, IDOK, 0);
    HWND main = RefreshedMain(program);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(remote::ListCount(remote::FindChild(main, WC_LISTVIEWA)), 2);
    ::PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.WaitExit(20000), 0);
    // Nothing was restored, so nothing was saved: the value waits to be mended.
    EXPECT_EQ(StoredSettings().All(), (settingskey::Values{{"ShowCmd", {REG_DWORD, std::string("\x01\0\0\0", 4)}}}));
}

// Two instances closed at the same moment: the store ends with one of them's whole set, the
// position and the option of the same instance, every time.
TEST(StoredSettings, TwoInstancesClosingAtOnceLeaveOneWholeSet) {
    CleanSettings clean;
    struct Instance {
        const char* rect;
        int left, top;
        bool numeric;
    };
    const Instance instances[] = {{"110,120,630,470", 110, 120, true}, {"300,200,820,550", 300, 200, false}};
    for (int round = 0; round < 6; ++round) {
        SCOPED_TRACE(round);
        Program first("-n"), second("-n");
        ASSERT_TRUE(first.Started() && second.Started());
        HWND mains[2] = {};
        Program* programs[] = {&first, &second};
        for (int i = 0; i < 2; ++i) {
            ASSERT_TRUE(WaitFor([&] {
                mains[i] = remote::FindTopWindow(programs[i]->Pid(), kMainClass);
                return mains[i] && ::IsWindowVisible(mains[i]);
            }));
            HWND numeric = remote::FindChild(mains[i], "Button", "Numeric format");
            if (Ticked(numeric) != instances[i].numeric) ::SendMessageA(numeric, BM_CLICK, 0, 0);
            ::SetWindowPos(mains[i], nullptr, instances[i].left, instances[i].top, 520, 350,
                           SWP_NOZORDER | SWP_NOACTIVATE);
            ASSERT_EQ(RectText(mains[i]), instances[i].rect);
        }
        ::PostMessageA(mains[0], WM_CLOSE, 0, 0);
        ::PostMessageA(mains[1], WM_CLOSE, 0, 0);
        EXPECT_EQ(first.WaitExit(20000), 0);
        EXPECT_EQ(second.WaitExit(20000), 0);
        const std::string rect = StoredSettings().Read("NormPos"), numeric = StoredSettings().Read("check1_Checked");
        EXPECT_TRUE((rect == instances[0].rect && numeric == "True") || (rect == instances[1].rect && numeric == "False"))
            << rect << " with " << numeric;
    }
}

// A listing command that never ends, of a live update every second or of a refresh the user asked
// for, holds up no close and no end of the session: the command is ended at once and the
// settings are saved.
TEST(Program, AListingCommandThatNeverEndsHoldsUpNoClose) {
    for (bool refresh : {false, true})
        for (bool session : {false, true}) {
            SCOPED_TRACE(std::string(refresh ? "refresh, " : "update, ") + (session ? "end of the session" : "close"));
            CleanSettings clean;
            if (!refresh) StoredSettings().SetText("RefreshEvery", "1");
            ::SetEnvironmentVariableA("SOCKMERE_FAKE_DELAY_MS", "600000");
            Program program("-n");
            ::SetEnvironmentVariableA("SOCKMERE_FAKE_DELAY_MS", nullptr);
            ASSERT_TRUE(program.Started());
            HWND main = nullptr;
            ASSERT_TRUE(WaitFor([&] { return (main = remote::FindTopWindow(program.Pid(), kMainClass)) != nullptr; }));
            if (refresh) ::PostMessageA(remote::FindChild(main, "Button", "Get Connections"), BM_CLICK, 0, 0);
            std::vector<DWORD> children;
            ASSERT_TRUE(WaitFor([&] { return !(children = Children(program.Pid(), "netstat.exe")).empty(); }, 10000));
            const DWORD start = ::GetTickCount();
            if (session) {
                DWORD_PTR answer = 0;
                ::SendMessageTimeoutA(main, WM_QUERYENDSESSION, 0, 0, SMTO_BLOCK, 2000, &answer);
                EXPECT_EQ(answer, TRUE);
                ::SendMessageTimeoutA(main, WM_ENDSESSION, TRUE, 0, SMTO_BLOCK, 2000, &answer);
                // The system ends the program from here on; the command is gone already.
                EXPECT_FALSE(Running(children[0]));
                EXPECT_LT(::GetTickCount() - start, 2000u);
            }
            ::PostMessageA(main, WM_CLOSE, 0, 0);
            EXPECT_EQ(program.WaitExit(2000), 0);
            EXPECT_LT(::GetTickCount() - start, 2000u);
            EXPECT_FALSE(Running(children[0]));
            EXPECT_EQ(StoredSettings().Read("check1_Checked"), "False");
            if (!refresh) {
                EXPECT_EQ(StoredSettings().Read("RefreshEvery"), "1");
            }
        }
}

namespace {

// A balloon shown by the shell: a visible balloon tooltip of another process.
BOOL CALLBACK FindBalloon(HWND hwnd, LPARAM found) {
    char name[32] = {};
    ::GetClassNameA(hwnd, name, sizeof name);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    if (::lstrcmpiA(name, TOOLTIPS_CLASSA) == 0 && ::IsWindowVisible(hwnd) && pid != ::GetCurrentProcessId() &&
        (::GetWindowLongA(hwnd, GWL_STYLE) & TTS_BALLOON))
        *reinterpret_cast<HWND*>(found) = hwnd;
    return TRUE;
}

HWND ShownBalloon() {
    HWND found = nullptr;
    ::EnumWindows(FindBalloon, reinterpret_cast<LPARAM>(&found));
    return found;
}

}  // namespace

TEST(Program, ANewListeningPortFoundInTheTrayShowsTheShellsBalloon) {
    CleanSettings clean;
    StoredSettings().SetText("NotifyListening", "True");
    StoredSettings().SetText("RefreshEvery", "1");
    const std::string listing = TempPath("sockmere_e2e_watch.txt");
    const std::string header = "\r\nActive Connections\r\n\r\n  Proto  Local Address   Foreign Address   State\r\n";
    auto serve = [&](const std::string& rows) {
        HANDLE f = ::CreateFileA(listing.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr);
        const std::string text = header + rows;
        DWORD done = 0;
        ::WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &done, nullptr);
        ::CloseHandle(f);
    };
    serve("  TCP    127.0.0.1:5000   10.0.0.2:443   ESTABLISHED\r\n");
    ::SetEnvironmentVariableA("SOCKMERE_FAKE_FILE", listing.c_str());
    Program program("-t");
    ::SetEnvironmentVariableA("SOCKMERE_FAKE_FILE", nullptr);
    ASSERT_TRUE(program.Started());
    HWND main = nullptr;
    ASSERT_TRUE(WaitFor([&] {
        main = remote::FindTopWindow(program.Pid(), kMainClass);
        HWND status = main ? remote::FindChild(main, STATUSCLASSNAMEA) : nullptr;
        return status && remote::StatusPanel(status, 0) == "Done." && !::IsWindowVisible(main);
    }));
    ::Sleep(2500);
    EXPECT_EQ(ShownBalloon(), nullptr);
    serve("  TCP    127.0.0.1:5000   10.0.0.2:443   ESTABLISHED\r\n  TCP    0.0.0.0:8080   0.0.0.0:0   LISTENING\r\n");
    EXPECT_TRUE(WaitFor([] { return ShownBalloon() != nullptr; }, 10000));
    ::PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.WaitExit(20000), 0);
    ::DeleteFileA(listing.c_str());
}
