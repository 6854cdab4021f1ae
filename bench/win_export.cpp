// A script's export of 10,000 rows, "Sockmere --csv FILE", against a bare run of the listing
// command writing the same listing to a file: from CreateProcess to the end of the process,
// alternating, medians. Beside them, what the export's time is made of: the program's own start
// and end ("Sockmere --help"), and, timed in this process, the listing's run through the pipe,
// the table's text and the file's write.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "framework/Handles.h"
#include "framework/WideText.h"
#include "listing/ListingRun.h"
#include "ui/ConsoleExport.h"
#include "ui/TableExport.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRuns = 15;
constexpr double kTargetRatio = 1.3;

std::string Here() {
    char path[MAX_PATH];
    const DWORD n = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    const std::string file(path, n);
    return file.substr(0, file.find_last_of('\\') + 1);
}

std::string Temp(const char* name) {
    char dir[MAX_PATH];
    ::GetTempPathA(MAX_PATH, dir);
    return std::string(dir) + name;
}

// Milliseconds until the process ended with code 0, its standard output going to output
// (none when null); negative on failure.
double RunMs(const std::string& commandLine, const std::string& output) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    fw::HandleOwner file;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    if (!output.empty()) {
        file.Reset(::CreateFileA(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr));
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = file.Get();
    }
    std::string line = commandLine;
    PROCESS_INFORMATION info{};
    const auto start = Clock::now();
    if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, DETACHED_PROCESS, nullptr, nullptr, &startup,
                          &info))
        return -1;
    const fw::HandleOwner process(info.hProcess), thread(info.hThread);
    ::WaitForSingleObject(process.Get(), INFINITE);
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    DWORD code = 1;
    ::GetExitCodeProcess(process.Get(), &code);
    return code == 0 ? ms : -1;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double Since(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The export's steps in this process, as the program takes them: listing, text, file.
void TimeSteps(const std::string& target, std::vector<double> (&times)[3]) {
    std::string text;
    sockmere::StringTarget listing(text);
    auto start = Clock::now();
    sockmere::RunListing({}, listing);
    times[0].push_back(Since(start));
    start = Clock::now();
    const std::string table = sockmere::ListingTableText(sockmere::TableFormat::Csv, text, false, false, {});
    times[1].push_back(Since(start));
    start = Clock::now();
    sockmere::WriteFileReplacing(fw::WideFromAnsi(target), table);
    times[2].push_back(Since(start));
}

}  // namespace

int main() {
    ::SetEnvironmentVariableA("SOCKMERE_FAKE_ROWS", "10000");
    char windows[MAX_PATH] = {};
    ::GetWindowsDirectoryA(windows, MAX_PATH);
    const std::string listed = Temp("sockmere_bench_listing.txt"), exported = Temp("sockmere_bench_export.csv");
    struct Program {
        const char* label;
        std::string commandLine, output;
        std::vector<double> times;
    };
    Program programs[] = {
        {"netstat > file", "\"" + std::string(windows) + "\\netstat.exe\"", listed, {}},
        {"Sockmere --csv file", "\"" + Here() + "Sockmere.exe\" --csv \"" + exported + "\"", "", {}},
        {"Sockmere --help", "\"" + Here() + "Sockmere.exe\" --help", "", {}}};
    std::vector<double> steps[3];
    // The first runs load what later ones find in the cache.
    for (Program& p : programs) RunMs(p.commandLine, p.output);
    for (int i = 0; i < kRuns; ++i) {
        for (Program& p : programs) {
            const double ms = RunMs(p.commandLine, p.output);
            if (ms < 0) {
                std::printf("run failed: %s\n", p.label);
                return 1;
            }
            p.times.push_back(ms);
        }
        TimeSteps(exported, steps);
    }
    ::DeleteFileA(listed.c_str());
    ::DeleteFileA(exported.c_str());
    std::printf("10,000 rows, start to end of process, medians of %d alternating runs (best):\n", kRuns);
    for (const Program& p : programs)
        std::printf("  %-22s %7.1f ms (%.1f)\n", p.label, Median(p.times), *std::min_element(p.times.begin(), p.times.end()));
    std::printf("export's steps in one process: listing %.1f ms, table text %.1f ms, file %.1f ms\n",
                Median(steps[0]), Median(steps[1]), Median(steps[2]));
    const double ratio = Median(programs[1].times) / Median(programs[0].times);
    std::printf("ratio %.2f; target (at most %.1f): %s\n", ratio, kTargetRatio, ratio <= kTargetRatio ? "met" : "NOT met");
    return 0;
}
