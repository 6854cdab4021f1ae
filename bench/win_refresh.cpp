// The main window's whole refresh (from "Get Connections" to "Done.") against the bare run of
// the same fake listing command through the runner, at 1,000, 10,000 and 50,000 rows, in one
// process and alternating, so the machine's noise hits both sides alike. Under Wine the
// visual theme is drawn in software, so the figures say which look the prefix has.
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
constexpr int kRepetitions = 21;

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

double Best(const std::vector<double>& v) {
    return *std::min_element(v.begin(), v.end());
}

void Settle() {
    fw::Application().ProcessMessages();
    ::Sleep(100);
}

double Since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Wine reads the same key at start-up; a missing key means the theme is on.
bool ThemeActive() {
    char value[8] = "1";
    DWORD size = sizeof value;
    ::RegGetValueA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager",
                   "ThemeActive", RRF_RT_REG_SZ, nullptr, value, &size);
    return value[0] != '0';
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

    std::printf("look: %s\n", ThemeActive() ? "visual theme (drawn in software by Wine)" : "classic");
    // Wine's process start and exit now and then add some 30 ms to a run on either side, most
    // often while the previous child is still being torn down; each run therefore starts on a
    // settled system, as a refresh does in use. Medians decide, the best runs are shown beside.
    std::printf("%8s %18s %18s %8s %9s %14s %14s\n", "rows", "bare med/best (ms)", "refresh med/best",
                "ratio", "best/best", "per row (us)", "peak WS (MB)");
    bool met = true;
    // The first refresh loads what later ones find ready (code, fonts, the child's image).
    ::SetEnvironmentVariableA("SOCKMERE_FAKE_ROWS", "1000");
    form->Button1Click(form.get());
    for (int rows : {1000, 10000, 50000}) {
        ::SetEnvironmentVariableA("SOCKMERE_FAKE_ROWS", std::to_string(rows).c_str());
        std::vector<double> bare, refresh;
        for (int i = 0; i < kRepetitions; ++i) {
            KeepingTarget target;
            Settle();
            auto start = Clock::now();
            sockmere::RunHiddenCommand(sockmere::ComposeListingCommand({}), target);
            bare.push_back(Since(start));

            Settle();
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
        std::printf("%8d %8.1f /%7.1f %8.1f /%7.1f %8.2f %9.2f %14.2f %14.1f\n", rows, b * 1000,
                    Best(bare) * 1000, r * 1000, Best(refresh) * 1000, ratio, Best(refresh) / Best(bare),
                    (r - b) / rows * 1e6, PeakWorkingSet() / (1024.0 * 1024.0));
        if (rows == 10000 && ratio > 1.5) met = false;
    }
    SIZE_T peak = PeakWorkingSet();
    if (peak >= 100u * 1024 * 1024) met = false;
    std::printf("targets (10,000 rows at most 1.5x the bare run, medians of %d; peak working set under 100 MB): %s\n",
                kRepetitions, met ? "met" : "NOT met");
    form.reset();
    // Exit status says whether the refreshes worked; the verdict above is the figure's.
    return 0;
}
