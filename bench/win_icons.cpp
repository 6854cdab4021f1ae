// The programs' icons: the main window's refresh of 10,000 rows owned by 200 programs, each its
// own executable, with "Show Processes" on, with the icons against without them. Both windows
// refresh in turn in one process; the listing command's own run is taken out of both, as in the
// processes benchmark. What is left on the side with the icons is the paths taken with the
// snapshot, the search for paths not seen before, the images given to the programs, and the
// icons drawn. The icons are looked up in the first refresh, before the timed ones.
#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "framework/Application.h"
#include "listing/Runner.h"
#include "ui/Unit1.h"

#include "MainWindowBench.h"

namespace {

using namespace mainbench;

constexpr int kRows = 10000;
constexpr int kPrograms = 200;
constexpr int kRepetitions = 31;
constexpr double kTargetRatio = 1.15;

Clock::time_point g_spawned, g_read;
sockmere::TForm1* g_form = nullptr;

struct Spy {
    void Memo1Changed(fw::TObject* sender) {
        g_read = Clock::now();
        g_form->Memo1Change(sender);
    }
} g_spy;

BOOL WINAPI SpawnSpy(LPCSTR app, LPSTR line, LPSECURITY_ATTRIBUTES pa, LPSECURITY_ATTRIBUTES ta, BOOL inherit,
                     DWORD flags, LPVOID env, LPCSTR dir, LPSTARTUPINFOA si, LPPROCESS_INFORMATION pi) {
    g_spawned = Clock::now();
    return ::CreateProcessA(app, line, pa, ta, inherit, flags, env, dir, si, pi);
}

// kPrograms idle processes, each of an executable of its own name; gone with the object.
class Programs {
public:
    Programs() {
        // Idle for as long as the benchmark may take.
        ::SetEnvironmentVariableA("SOCKMERE_FAKE_HOLD_MS", "600000");
        wchar_t windows[MAX_PATH] = {}, temp[MAX_PATH] = {};
        ::GetWindowsDirectoryW(windows, MAX_PATH);
        ::GetTempPathW(MAX_PATH, temp);
        const std::wstring source = std::wstring(windows) + L"\\netstat.exe";
        for (int i = 0; i < kPrograms; ++i) {
            std::wstring path = std::wstring(temp) + L"sockmere_program_" + std::to_wstring(i) + L".exe";
            // Copies, not links: Wine names a linked program by the file it was linked from.
            ::CopyFileW(source.c_str(), path.c_str(), FALSE);
            STARTUPINFOW startup{};
            startup.cb = sizeof startup;
            PROCESS_INFORMATION info{};
            std::wstring line = L"\"" + path + L"\" --hold";
            if (::CreateProcessW(path.c_str(), line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                                 nullptr, nullptr, &startup, &info)) {
                ::CloseHandle(info.hThread);
                processes_.push_back(info.hProcess);
                pids_.push_back(info.dwProcessId);
            }
            paths_.push_back(std::move(path));
        }
        ::SetEnvironmentVariableA("SOCKMERE_FAKE_HOLD_MS", nullptr);
    }
    ~Programs() {
        for (HANDLE p : processes_) {
            ::TerminateProcess(p, 0);
            ::WaitForSingleObject(p, 5000);
            ::CloseHandle(p);
        }
        for (const std::wstring& path : paths_) ::DeleteFileW(path.c_str());
    }
    // A listing of kRows connections, owned by the programs in turn.
    std::string Listing() const {
        std::string text = "\r\nActive Connections\r\n\r\n  Proto  Local Address  Foreign Address  State  PID\r\n";
        for (int i = 0; i < kRows; ++i)
            text += "  TCP    10.0.0.5:" + std::to_string(1024 + i) + "  10.1.2.3:443  ESTABLISHED  " +
                    std::to_string(pids_[static_cast<std::size_t>(i) % pids_.size()]) + "\r\n";
        return text;
    }

private:
    std::vector<HANDLE> processes_;
    std::vector<DWORD> pids_;
    std::vector<std::wstring> paths_;
};

std::unique_ptr<sockmere::TForm1> MakeForm(bool icons, int top) {
    auto form = std::make_unique<sockmere::TForm1>(nullptr, std::vector<std::string>{"-n"});
    form->ShowIcons = icons;
    form->Processes1->SetChecked(true);
    form->Show();
    ::SetWindowPos(form->Handle(), nullptr, 0, top, 0, 0, SWP_NOZORDER | SWP_NOSIZE);
    form->Memo1->OnChange = fw::Bind<&Spy::Memo1Changed>(&g_spy);
    return form;
}

// Milliseconds of a refresh from the click to the end of the first paint, the command's run left out.
double TimedRefresh(sockmere::TForm1& form, bool icons) {
    fw::Application().ProcessMessages();
    ::Sleep(100);
    g_form = &form;
    // One program has one main window: the snapshots serve the icons of the window measured.
    sockmere::ProcessNames::SetCompanion(icons ? form.Icons() : nullptr);
    const auto start = Clock::now();
    form.Button1Click(&form);
    ::RedrawWindow(form.Handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    const auto end = Clock::now();
    if (form.lv->ItemCount() != kRows || form.lv->SubItem(0, 6).empty() || (icons && !form.Icons())) {
        std::printf("refresh went wrong: %d rows, \"%s\"\n", form.lv->ItemCount(), form.stat->PanelText(0).c_str());
        std::exit(1);
    }
    return Ms(start, end) - Ms(g_spawned, g_read);
}

}  // namespace

int main() {
    StartApplication();
    std::printf("look: %s\n", ThemeActive() ? "visual theme (drawn in software by Wine)" : "classic");
    Programs programs;
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    const std::string fixture = std::string(temp) + "sockmere_icons_bench.txt";
    {
        const std::string text = programs.Listing();
        HANDLE f = ::CreateFileA(fixture.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        ::WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        ::CloseHandle(f);
    }
    ::SetEnvironmentVariableA("SOCKMERE_FAKE_FILE", fixture.c_str());
    sockmere::SetCreateProcessProc(&SpawnSpy);
    std::unique_ptr<sockmere::TForm1> forms[2] = {MakeForm(false, 0), MakeForm(true, 360)};
    TimedRefresh(*forms[1], true);
    TimedRefresh(*forms[0], false);
    std::vector<double> own[2], ratios;
    for (int i = 0; i < kRepetitions; ++i) {
        double round[2] = {};
        // Which side goes first changes every round.
        for (int k = 0; k < 2; ++k) {
            const int icons = (i + k) % 2;
            round[icons] = TimedRefresh(*forms[icons], icons == 1);
            own[icons].push_back(round[icons]);
        }
        ratios.push_back(round[1] / round[0]);
    }
    sockmere::SetCreateProcessProc(nullptr);
    const int images = ::ImageList_GetImageCount(forms[1]->Icons()->Images());
    const double ratio = Median(ratios);
    std::printf("refresh of %d rows owned by %d programs, medians of %d runs in ms, the command's run left out\n",
                kRows, kPrograms, kRepetitions);
    std::printf("  %-30s %10.1f\n  %-30s %10.1f\n  %-30s %10.3f\n  %-30s %10d\n", "processes without icons",
                Median(own[0]), "processes with icons", Median(own[1]), "ratio", ratio, "images in the list", images);
    std::printf("target (with the icons at most %.2f times the refresh without them): %s\n", kTargetRatio,
                ratio <= kTargetRatio ? "met" : "NOT met");
    forms[0].reset();
    forms[1].reset();
    ::DeleteFileA(fixture.c_str());
    return 0;
}
