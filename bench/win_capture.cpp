// Cost of capturing netstat output through the pipe against letting the same program write to
// NUL, and the capture's peak memory against the size of the output.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "listing/Runner.h"
#include "listing/SystemListingCommand.h"
#include "framework/Handles.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kOutputBytes = 10 * 1024 * 1024;
constexpr int kRepetitions = 11;
constexpr double kTargetRatio = 1.5;

// Keeps the text as a real consumer would, so its copy counts in the peak.
struct KeepingTarget : sockmere::TextTarget {
    std::string text;
    void SetText(std::string newText) override { text = std::move(newText); }
};

double Seconds(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double CaptureSeconds(const std::string& command, std::size_t& captured) {
    KeepingTarget target;
    const auto start = Clock::now();
    sockmere::RunHiddenCommand(command, target);
    const double seconds = Seconds(start);
    captured = target.text.size();
    return seconds;
}

// The same program with its output going to NUL: the cost of running it at all.
double NulSeconds(const std::string& command) {
    SECURITY_ATTRIBUTES attributes{sizeof attributes, nullptr, TRUE};
    const fw::HandleOwner nul(CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                              &attributes, OPEN_EXISTING, 0, nullptr));
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    startup.hStdOutput = nul.Get();
    startup.hStdError = nul.Get();
    std::string line = command;
    PROCESS_INFORMATION info{};
    const auto start = Clock::now();
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS | DETACHED_PROCESS,
                        nullptr, nullptr, &startup, &info)) {
        return -1;
    }
    const fw::HandleOwner process(info.hProcess);
    const fw::HandleOwner thread(info.hThread);
    WaitForSingleObject(process.Get(), INFINITE);
    return Seconds(start);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

PROCESS_MEMORY_COUNTERS Memory() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters;
}

void SetBytes(std::size_t bytes) { SetEnvironmentVariableA("SOCKMERE_FAKE_BYTES", std::to_string(bytes).c_str()); }

}  // namespace

int main() {
    const std::string command = sockmere::WindowsDirectory() + "\\netstat.exe";
    std::size_t captured = 0;

    // Memory first, sizes ascending: the peak only ever grows, so each step shows its own.
    SetBytes(64 * 1024);
    CaptureSeconds(command, captured);
    const double base = static_cast<double>(Memory().WorkingSetSize);
    bool linear = true;
    for (const std::size_t size : {kOutputBytes / 4, kOutputBytes / 2, kOutputBytes, kOutputBytes * 2}) {
        SetBytes(size);
        KeepingTarget target;
        sockmere::RunHiddenCommand(command, target);
        const double peak = static_cast<double>(Memory().PeakWorkingSetSize);
        const double copies = (peak - base) / static_cast<double>(size);
        linear = linear && target.text.size() == size && copies <= 2.5;
        std::printf("win_capture: %5.1f MB output -> peak working set +%6.1f MB = %.2f copies of the text\n",
                    size / 1048576.0, (peak - base) / 1048576.0, copies);
    }
    std::printf("win_capture: memory target (linear, about two copies at most) %s\n", linear ? "met" : "NOT met");

    SetBytes(kOutputBytes);
    std::vector<double> pipe, nul;
    CaptureSeconds(command, captured);
    NulSeconds(command);
    // A pause before each run lets the previous child's teardown finish outside the timing.
    for (int i = 0; i < kRepetitions; ++i) {
        Sleep(100);
        pipe.push_back(CaptureSeconds(command, captured));
        Sleep(100);
        nul.push_back(NulSeconds(command));
    }
    SetEnvironmentVariableA("SOCKMERE_FAKE_BYTES", nullptr);

    const double pipeMedian = Median(pipe), nulMedian = Median(nul);
    const double ratio = pipeMedian / nulMedian;
    std::printf("win_capture: %zu bytes captured; median of %d: pipe %.1f ms, NUL %.1f ms, ratio %.2f\n",
                captured, kRepetitions, pipeMedian * 1000, nulMedian * 1000, ratio);
    std::printf("win_capture: throughput through the pipe %.0f MB/s; target ratio <= %.1f %s\n",
                captured / 1048576.0 / pipeMedian, kTargetRatio, ratio <= kTargetRatio ? "met" : "NOT met");
    return captured == kOutputBytes ? 0 : 1;
}
