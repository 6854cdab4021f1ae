#pragma once
// What the benchmarks that drive the main window share: settings of no earlier run, a tray that
// accepts every call without the shell, the look Wine draws in, and medians of timings.
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <vector>

#include "framework/Application.h"
#include "settings/AppUtils.h"
#include "tray/TrayIcon.h"

namespace mainbench {

using Clock = std::chrono::steady_clock;

// The main windows store their placement under the benchmark's own name when they close: a
// window made wider by hand in one run would otherwise be measured at that width in the next.
inline void ForgetStoredSettings() {
    ::RegDeleteTreeA(HKEY_CURRENT_USER, sockmere::DefaultRegistryKey().c_str());
}

inline BOOL WINAPI AcceptAll(DWORD, NOTIFYICONDATAA*) {
    return TRUE;
}

// The application as the program starts it, without an earlier run's settings; the shell is not
// what is measured.
inline void StartApplication() {
    fw::Application().Initialize();
    ForgetStoredSettings();
    fw::Application().SetTitle("Sockmere");
    sockmere::SetShellNotifyProc(&AcceptAll);
}

// Wine reads the same key at start-up; a missing key means the theme is on.
inline bool ThemeActive() {
    char value[8] = "1";
    DWORD size = sizeof value;
    ::RegGetValueA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager",
                   "ThemeActive", RRF_RT_REG_SZ, nullptr, value, &size);
    return value[0] != '0';
}

inline double Median(std::vector<double> v) {
    if (v.empty()) return NAN;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

inline double Ms(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

}  // namespace mainbench
