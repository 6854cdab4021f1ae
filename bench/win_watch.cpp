// Keeping watch from the tray, with the fake listing command's 10,000 rows and Show Processes on:
//   1. the GUI thread's time to put an update's rows in while in the tray with both notices and
//      the change log on (a few rows come and go at each run, so that both find something),
//      against the same update with the window shown and all of it off;
//   2. the program's CPU time over 10 minutes in the tray with updates every 5 seconds and
//      nothing changing (SOCKMERE_WATCH_BENCH_SECONDS shortens it), and how often the GUI
//      thread woke meanwhile.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "framework/Application.h"
#include "ui/Unit1.h"
#include "ui/TableExport.h"

#include "MainWindowBench.h"

namespace {

using namespace mainbench;

constexpr int kRows = 10000;
constexpr int kRounds = 9;

std::string TempFile(const char* name) {
    char dir[MAX_PATH];
    ::GetTempPathA(MAX_PATH, dir);
    return std::string(dir) + name;
}

// Waits for messages as the program's own loop does, for ms or until done; counts the wakes.
template <class Done>
int WaitFor(DWORD ms, Done done) {
    int wakes = 0;
    for (const DWORD end = ::GetTickCount() + ms; !done();) {
        const int left = static_cast<int>(end - ::GetTickCount());
        if (left <= 0) break;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left), QS_ALLINPUT);
        ++wakes;
        fw::Application().ProcessMessages();
    }
    return wakes;
}

// The GUI thread's part of each update, and the whole update from the start of its command.
struct Timing {
    sockmere::TForm1* form = nullptr;
    std::vector<double> times, wholes;
    int updates = 0;
    void Listed(fw::TObject* sender, sockmere::ListingCapture& capture, std::uint32_t startTick) {
        const auto start = Clock::now();
        form->LiveUpdates1Listed(sender, capture, startTick);
        times.push_back(Ms(start, Clock::now()));
        wholes.push_back(static_cast<double>(::GetTickCount() - startTick));
        ++updates;
    }
};
Timing g_timing;

std::wstring g_logPath;
BOOL WINAPI ChooseLog(LPOPENFILENAMEW dialog) {
    ::lstrcpynW(dialog->lpstrFile, g_logPath.c_str(), static_cast<int>(dialog->nMaxFile));
    return TRUE;
}

double Seconds(const FILETIME& t) {
    return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
}

double ProcessCpu() {
    FILETIME created, exited, kernel, user;
    ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
    return Seconds(kernel) + Seconds(user);
}

VOID CALLBACK AnswerYes(HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    if (HWND box = ::FindWindowA("#32770", "Sockmere")) ::PostMessageA(box, WM_COMMAND, IDYES, 0);
}

// One update with the form as it is: its GUI thread's part and its whole time.
std::pair<double, double> TimedUpdate(sockmere::TForm1& form) {
    const std::size_t before = g_timing.times.size();
    form.LiveUpdates1->SetSeconds(1);
    WaitFor(20000, [&] { return g_timing.times.size() > before; });
    form.LiveUpdates1->SetSeconds(0);
    return {g_timing.times.back(), g_timing.wholes.back()};
}

}  // namespace

int main() {
    StartApplication();
    const std::string counter = TempFile("sockmere_watch_bench_runs.txt");
    const std::string log = TempFile("sockmere_watch_bench.csv");
    ::DeleteFileA(counter.c_str());
    ::DeleteFileA(log.c_str());
    g_logPath.assign(log.begin(), log.end());
    ::SetEnvironmentVariableA("SOCKMERE_FAKE_COUNTER", counter.c_str());
    ::SetEnvironmentVariableA("SOCKMERE_FAKE_ROWS", std::to_string(kRows).c_str());
    auto form = std::make_unique<sockmere::TForm1>(nullptr, std::vector<std::string>{"-n"});
    form->Show();
    form->Processes1Click(form->Processes1);
    g_timing.form = form.get();
    form->LiveUpdates1->OnListed = fw::Bind<&Timing::Listed>(&g_timing);

    // 1. Alternating, so that the machine's noise hits both alike.
    std::vector<double> shown, watching, shownWhole, watchingWhole;
    fw::TMenuItem* notify = form->Watch1->NotifyMenu();
    for (int round = 0; round < kRounds; ++round) {
        const auto [plainPart, plainWhole] = TimedUpdate(*form);
        shown.push_back(plainPart);
        shownWhole.push_back(plainWhole);
        notify->Items(0)->Click();
        notify->Items(1)->Click();
        const auto previous = sockmere::SetSaveDialogProc(&ChooseLog);
        form->Watch1->LogItem()->Click();
        sockmere::SetSaveDialogProc(previous);
        form->Button4Click(form->Button4);
        TimedUpdate(*form);  // the first in the tray after the window: the watch sees it as it was
        const auto [watchPart, watchWhole] = TimedUpdate(*form);
        watching.push_back(watchPart);
        watchingWhole.push_back(watchWhole);
        form->Restore1Click(form.get());
        notify->Items(0)->Click();
        notify->Items(1)->Click();
        // Stopping the log asks first: answered at once.
        ::SetTimer(nullptr, 0, 50, &AnswerYes);
        form->Watch1->LogItem()->Click();
    }
    const double plain = Median(shownWhole), watched = Median(watchingWhole);
    std::printf("update of %d rows, from the start of its command to its rows in: %.0f ms shown with the watch off; "
                "%.0f ms in the tray with both notices and the log on (medians of %d)\n", kRows, plain, watched, kRounds);
    std::printf("in the tray / shown: %.2f; target at most 1.1: %s\n", watched / plain,
                watched <= 1.1 * plain ? "met" : "NOT met");
    std::printf("of which the GUI thread's part: %.1f ms shown, %.1f ms in the tray\n", Median(shown), Median(watching));

    // 2. Nothing changing: the same rows at every run.
    ::SetEnvironmentVariableA("SOCKMERE_FAKE_COUNTER", nullptr);
    const char* span = std::getenv("SOCKMERE_WATCH_BENCH_SECONDS");
    const DWORD seconds = span ? static_cast<DWORD>(std::atoi(span)) : 600;
    form->LiveUpdates1->SetSeconds(5);
    notify->Items(0)->Click();
    form->Button4Click(form->Button4);
    WaitFor(6000, [] { return false; });
    const int updatesBefore = g_timing.updates;
    const double cpuBefore = ProcessCpu();
    const int wakes = WaitFor(seconds * 1000, [] { return false; });
    const double cpu = ProcessCpu() - cpuBefore;
    const int updates = g_timing.updates - updatesBefore;
    std::printf("in the tray at 5 s for %lu s, nothing changing: %d updates, CPU %.2f s (%.2f%% of one core), GUI "
                "thread woke %d times (%.1f per update)\n", seconds, updates, cpu, 100 * cpu / seconds, wakes,
                updates ? static_cast<double>(wakes) / updates : 0.0);
    form->LiveUpdates1->SetSeconds(0);
    form.reset();
    ::DeleteFileA(counter.c_str());
    ::DeleteFileA(log.c_str());
    return 0;
}
