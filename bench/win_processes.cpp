// "Show Processes": the main window's refresh of 10,000 rows with the owning processes against
// the same refresh without them. Main windows side by side, one with the option on and one with
// it off, refresh in turn in one process, so the machine's noise hits both alike and neither pays
// for switching its columns. The listing command's own run (from its start to its text in Memo1)
// is taken out of both: with -o the fake command looks up its owners itself, as a real netstat
// does, and that is not the program's cost. What is left on the side with the processes is the
// snapshot of the process list, the split of each row's ID, the name lookups and the two more
// columns. Two pairs run: one at the window's designed size, where the two more columns need a
// horizontal scroll bar, and one wide enough to show all eight columns.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "framework/Application.h"
#include "listing/Runner.h"
#include "tray/TrayIcon.h"
#include "ui/Unit1.h"

#include "MainWindowBench.h"

namespace {

using namespace mainbench;

constexpr int kRows = 10000;
constexpr int kRepetitions = 41;
constexpr double kTargetRatio = 1.10;

// When the listing command started and when its text reached Memo1, in the refresh under way.
struct CommandSpy {
    Clock::time_point spawned, read;
    sockmere::TForm1* form = nullptr;
    void Memo1Changed(fw::TObject* sender) {
        read = Clock::now();
        form->Memo1Change(sender);
    }
};
CommandSpy g_spy;

// A width of 0 keeps the designed size.
std::unique_ptr<sockmere::TForm1> MakeForm(bool processes, int left, int top, int width) {
    auto form = std::make_unique<sockmere::TForm1>(nullptr, std::vector<std::string>{"-n"});
    form->Processes1->SetChecked(processes);
    form->Show();
    ::SetWindowPos(form->Handle(), nullptr, left, top, width, form->Height(),
                   SWP_NOZORDER | (width == 0 ? SWP_NOSIZE : 0));
    form->Memo1->OnChange = fw::Bind<&CommandSpy::Memo1Changed>(&g_spy);
    return form;
}

BOOL WINAPI SpawnSpy(LPCSTR app, LPSTR line, LPSECURITY_ATTRIBUTES pa, LPSECURITY_ATTRIBUTES ta, BOOL inherit,
                     DWORD flags, LPVOID env, LPCSTR dir, LPSTARTUPINFOA si, LPPROCESS_INFORMATION pi) {
    g_spy.spawned = Clock::now();
    return ::CreateProcessA(app, line, pa, ta, inherit, flags, env, dir, si, pi);
}

struct Timing {
    double total = 0;    // from the click to the end of the first paint after it
    double command = 0;  // the listing command's own run
};

Timing TimedRefresh(sockmere::TForm1& form, bool processes) {
    fw::Application().ProcessMessages();
    ::Sleep(100);
    g_spy.form = &form;
    const auto start = Clock::now();
    form.Button1Click(&form);
    ::RedrawWindow(form.Handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    const auto end = Clock::now();
    const int columns = processes ? 8 : 6;
    if (form.lv->ItemCount() != kRows || form.lv->ColumnCount() != columns ||
        form.stat->PanelText(0) != "Done." || (processes && form.lv->SubItem(0, 6).empty())) {
        std::printf("refresh went wrong: %d rows, %d columns, \"%s\"\n", form.lv->ItemCount(),
                    form.lv->ColumnCount(), form.stat->PanelText(0).c_str());
        std::exit(1);
    }
    return {Ms(start, end), Ms(g_spy.spawned, g_spy.read)};
}

}  // namespace

int main() {
    StartApplication();
    std::printf("look: %s\n", ThemeActive() ? "visual theme (drawn in software by Wine)" : "classic");
    sockmere::SetCreateProcessProc(&SpawnSpy);
    ::SetEnvironmentVariableA("SOCKMERE_FAKE_ROWS", std::to_string(kRows).c_str());
    // One pair of windows per size, [size][processes], the pairs one after the other: Wine's
    // desktop has no room for four.
    constexpr int kWide = 740;
    std::vector<double> own[2][2], totals[2][2], commands[2][2];
    int columnsWidth = 0, innerWidth[2] = {};
    for (int size = 0; size < 2; ++size) {
        const int width = size == 0 ? 0 : kWide;
        std::unique_ptr<sockmere::TForm1> forms[2] = {MakeForm(false, 0, 0, width),
                                                      MakeForm(true, size == 0 ? 500 : 0, size == 0 ? 0 : 360, width)};
        // Each side once first, so neither pays for what the other loads.
        TimedRefresh(*forms[1], true);
        TimedRefresh(*forms[0], false);
        for (int i = 0; i < kRepetitions; ++i) {
            // Which side goes first changes every round.
            for (int k = 0; k < 2; ++k) {
                const int processes = (i + k) % 2;
                const Timing t = TimedRefresh(*forms[processes], processes == 1);
                own[size][processes].push_back(t.total - t.command);
                totals[size][processes].push_back(t.total);
                commands[size][processes].push_back(t.command);
            }
        }
        columnsWidth = 0;
        for (int c = 0; c < forms[1]->lv->ColumnCount(); ++c) columnsWidth += forms[1]->lv->ColumnWidth(c);
        innerWidth[size] = forms[1]->lv->ClientWidth();
    }
    sockmere::SetCreateProcessProc(nullptr);

    // Each round's two runs lie side by side in time, so their ratio is spared the machine's
    // slower swings; the median of those ratios decides.
    double ratio[2];
    for (int size = 0; size < 2; ++size) {
        std::vector<double> ratios;
        for (int i = 0; i < kRepetitions; ++i) ratios.push_back(own[size][1][i] / own[size][0][i]);
        ratio[size] = Median(ratios);
    }
    std::printf("refresh of %d rows, medians of %d runs in ms; the eight columns are %d px wide\n", kRows,
                kRepetitions, columnsWidth);
    std::printf("%-44s %14s %14s %8s\n", "", "processes off", "processes on", "ratio");
    for (int size = 0; size < 2; ++size) {
        std::printf("%s:\n", size == 0 ? "designed size" : "wide enough for every column");
        std::printf("  %-42s %14d\n", "table's inner width, px", innerWidth[size]);
        std::printf("  %-42s %14.1f %14.1f %8.3f\n", "without the listing command's run", Median(own[size][0]),
                    Median(own[size][1]), ratio[size]);
        std::printf("  %-42s %14.1f %14.1f\n", "the listing command's run", Median(commands[size][0]),
                    Median(commands[size][1]));
        std::printf("  %-42s %14.1f %14.1f %8.3f\n", "whole refresh", Median(totals[size][0]),
                    Median(totals[size][1]), Median(totals[size][1]) / Median(totals[size][0]));
    }
    std::printf("target (at the designed size, with the processes at most %.2f times the refresh without them, "
                "the command's run excluded): %s\n", kTargetRatio, ratio[0] <= kTargetRatio ? "met" : "NOT met");
    return 0;
}
