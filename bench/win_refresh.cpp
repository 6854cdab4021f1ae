// The main window's whole refresh (from "Get Connections" to "Done.") against the bare run of
// the same fake listing command through the runner, at 1,000, 10,000 and 50,000 rows, in one
// process and alternating, so the machine's noise hits both sides alike.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "framework/Application.h"
#include "listing/Runner.h"
#include "listing/SystemListingCommand.h"
#include "tray/RXShell.h"
#include "ui/Unit1.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRepetitions = 5;

struct KeepingTarget : sockmere::TextTarget {
    std::string text;
    void SetText(std::string newText) override { text = std::move(newText); }
};

BOOL WINAPI AcceptAll(DWORD, NOTIFYICONDATAA*) {
    return TRUE;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double Since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

SIZE_T PeakWorkingSet() {
    PROCESS_MEMORY_COUNTERS pmc{};
    pmc.cb = sizeof pmc;
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &pmc, sizeof pmc);
    return pmc.PeakWorkingSetSize;
}

}  // namespace

int main() {
    fw::Application().Initialize();
    fw::Application().SetTitle("Sockmere");
    // The shell is not what is measured.
    sockmere::SetShellNotifyProc(&AcceptAll);
    auto form = std::make_unique<sockmere::TForm1>(nullptr, std::vector<std::string>{"-n"});
    form->Show();

    std::printf("%8s %12s %12s %8s %14s %14s\n", "rows", "bare (ms)", "refresh (ms)", "ratio", "per row (us)",
                "peak WS (MB)");
    bool met = true;
    for (int rows : {1000, 10000, 50000}) {
        ::SetEnvironmentVariableA("SOCKMERE_FAKE_ROWS", std::to_string(rows).c_str());
        std::vector<double> bare, refresh;
        for (int i = 0; i < kRepetitions; ++i) {
            KeepingTarget target;
            auto start = Clock::now();
            sockmere::RunHiddenCommand(sockmere::ComposeListingCommand({}), target);
            bare.push_back(Since(start));

            start = Clock::now();
            form->Button1Click(form.get());
            refresh.push_back(Since(start));
            if (form->lv->ItemCount() != rows || form->stat->PanelText(0) != "Done.") {
                std::printf("refresh of %d rows went wrong: %d rows\n", rows, form->lv->ItemCount());
                return 1;
            }
        }
        double b = Median(bare), r = Median(refresh);
        double ratio = r / b;
        std::printf("%8d %12.1f %12.1f %8.2f %14.2f %14.1f\n", rows, b * 1000, r * 1000, ratio,
                    (r - b) / rows * 1e6, PeakWorkingSet() / (1024.0 * 1024.0));
        if (rows == 10000 && ratio > 1.5) met = false;
    }
    SIZE_T peak = PeakWorkingSet();
    if (peak >= 100u * 1024 * 1024) met = false;
    std::printf("targets (10,000 rows at most 1.5x the bare run; peak working set under 100 MB): %s\n",
                met ? "met" : "NOT met");
    form.reset();
    return met ? 0 : 1;
}
