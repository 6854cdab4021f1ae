// Live updates against refreshes, with the fake listing command's 10,000 rows, of which a few
// come and go at each run:
//   1. the GUI thread's time to put an update's rows into the table and paint them, beside a
//      refresh's time without the command's run (from its start to the memo holding the text);
//   2. how long the window takes to answer a message sent from another thread every 10 ms,
//      during 30 updates at 1 s from a command that takes 0.5 s, and during 5 refreshes;
//   3. the working set after 1,000 updates against after 10, the updates one after the other
//      through the worker and the update's own handler.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "framework/Application.h"
#include "listing/ListingWorker.h"
#include "listing/Runner.h"
#include "ui/Unit1.h"

#include "MainWindowBench.h"

namespace {

using namespace mainbench;

constexpr int kRows = 10000;
constexpr int kRounds = 11;

void PaintNow(HWND top) {
    ::RedrawWindow(top, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

// Pumps for ms, or until done.
template <class Done>
void PumpFor(DWORD ms, Done done) {
    for (const DWORD end = ::GetTickCount() + ms; !done() && static_cast<int>(end - ::GetTickCount()) > 0;) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        fw::Application().ProcessMessages();
    }
}

// Times the GUI thread's part of each update, and of each refresh less the command's run.
struct Timing {
    sockmere::TForm1* form = nullptr;
    std::vector<double> updates;
    Clock::time_point spawned, received;

    void Listed(fw::TObject* sender, sockmere::ListingCapture& capture, std::uint32_t startTick) {
        const auto start = Clock::now();
        form->LiveUpdates1Listed(sender, capture, startTick);
        PaintNow(form->Handle());
        updates.push_back(Ms(start, Clock::now()));
    }
    void Memo1Changed(fw::TObject* sender) {
        received = Clock::now();
        form->Memo1Change(sender);
    }
    double Refresh() {
        const auto start = Clock::now();
        form->Button1Click(form);
        PaintNow(form->Handle());
        return Ms(start, Clock::now()) - Ms(spawned, received);
    }
};
Timing g_timing;

BOOL WINAPI Spawn(LPCSTR app, LPSTR line, LPSECURITY_ATTRIBUTES pa, LPSECURITY_ATTRIBUTES ta, BOOL inherit,
                  DWORD flags, LPVOID env, LPCSTR dir, LPSTARTUPINFOA si, LPPROCESS_INFORMATION pi) {
    if (::GetCurrentThreadId() == ::GetWindowThreadProcessId(g_timing.form->Handle(), nullptr))
        g_timing.spawned = Clock::now();
    return ::CreateProcessA(app, line, pa, ta, inherit, flags, env, dir, si, pi);
}

// Sends the window a message every 10 ms from a thread of its own; the longest wait for an answer.
class Poller {
public:
    explicit Poller(HWND window) : window_(window) {
        thread_ = ::CreateThread(nullptr, 0, &Poller::Run, this, 0, nullptr);
    }
    ~Poller() {
        stop_ = true;
        ::WaitForSingleObject(thread_, INFINITE);
        ::CloseHandle(thread_);
    }
    double LongestMs() const { return longest_.load() / 1000.0; }

private:
    static DWORD WINAPI Run(void* param) {
        auto* self = static_cast<Poller*>(param);
        while (!self->stop_) {
            const auto start = Clock::now();
            DWORD_PTR answer = 0;
            ::SendMessageTimeoutA(self->window_, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &answer);
            const long long us = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count();
            if (us > self->longest_) self->longest_ = us;
            ::Sleep(10);
        }
        return 0;
    }

    HWND window_;
    HANDLE thread_ = nullptr;
    std::atomic<bool> stop_{false};
    std::atomic<long long> longest_{0};
};

SIZE_T WorkingSet() {
    PROCESS_MEMORY_COUNTERS pmc{};
    pmc.cb = sizeof pmc;
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &pmc, sizeof pmc);
    return pmc.WorkingSetSize;
}

LRESULT CALLBACK NoteListed(HWND h, UINT msg, WPARAM w, LPARAM l) {
    if (msg == WM_APP) {
        ::SetWindowLongPtrA(h, GWLP_USERDATA, 1);
        return 0;
    }
    return ::DefWindowProcA(h, msg, w, l);
}

}  // namespace

int main() {
    StartApplication();
    const std::string counter = [] {
        char dir[MAX_PATH];
        ::GetTempPathA(MAX_PATH, dir);
        return std::string(dir) + "sockmere_live_bench_runs.txt";
    }();
    ::DeleteFileA(counter.c_str());
    ::SetEnvironmentVariableA("SOCKMERE_FAKE_COUNTER", counter.c_str());
    ::SetEnvironmentVariableA("SOCKMERE_FAKE_ROWS", std::to_string(kRows).c_str());
    auto form = std::make_unique<sockmere::TForm1>(nullptr, std::vector<std::string>{"-n"});
    form->Show();
    form->Button1Click(form.get());
    PaintNow(form->Handle());
    std::printf("look: %s; %d rows\n", ThemeActive() ? "visual theme (drawn in software by Wine)" : "classic", kRows);

    g_timing.form = form.get();
    form->Memo1->OnChange = fw::Bind<&Timing::Memo1Changed>(&g_timing);
    form->LiveUpdates1->OnListed = fw::Bind<&Timing::Listed>(&g_timing);
    sockmere::SetCreateProcessProc(&Spawn);

    // 1. The GUI thread's share, alternating so that the machine's noise hits both alike.
    std::vector<double> refreshes;
    for (int round = 0; round < kRounds; ++round) {
        PumpFor(100, [] { return false; });
        refreshes.push_back(g_timing.Refresh());
        const std::size_t before = g_timing.updates.size();
        form->LiveUpdates1->SetSeconds(1);
        PumpFor(10000, [&] { return g_timing.updates.size() > before; });
        form->LiveUpdates1->SetSeconds(0);
    }
    const double update = Median(g_timing.updates), refresh = Median(refreshes);
    std::printf("GUI thread per update: %.1f ms; per refresh without the command's run: %.1f ms (medians of %d)\n",
                update, refresh, kRounds);
    std::printf("update / refresh: %.2f; target at most 1.0: %s\n", update / refresh, update <= refresh ? "met" : "NOT met");

    // 2. The window's answers while 30 updates, then 5 refreshes, come from a command of 0.5 s.
    ::SetEnvironmentVariableA("SOCKMERE_FAKE_DELAY_MS", "500");
    double duringUpdates = 0, duringRefreshes = 0;
    {
        Poller poller(form->Handle());
        const std::size_t before = g_timing.updates.size();
        form->LiveUpdates1->SetSeconds(1);
        PumpFor(120000, [&] { return g_timing.updates.size() >= before + 30; });
        form->LiveUpdates1->SetSeconds(0);
        PumpFor(100, [] { return false; });
        duringUpdates = poller.LongestMs();
    }
    {
        Poller poller(form->Handle());
        for (int i = 0; i < 5; ++i) {
            form->Button1Click(form.get());
            PumpFor(500, [] { return false; });
        }
        duringRefreshes = poller.LongestMs();
    }
    ::SetEnvironmentVariableA("SOCKMERE_FAKE_DELAY_MS", nullptr);
    std::printf("longest answer to a message, polled every 10 ms: %.1f ms during 30 updates; %.1f ms during 5 "
                "refreshes\n", duringUpdates, duringRefreshes);
    std::printf("target (during updates at most 50 ms): %s\n", duringUpdates <= 50 ? "met" : "NOT met");

    // 3. Memory over many updates, one after the other.
    form->LiveUpdates1->OnListed = fw::Bind<&sockmere::TForm1::LiveUpdates1Listed>(form.get());
    WNDCLASSA wc{};
    wc.lpfnWndProc = NoteListed;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = "LiveBenchNote";
    ::RegisterClassA(&wc);
    const HWND note = ::CreateWindowA(wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    SIZE_T afterTen = 0;
    {
        sockmere::ListingWorker worker(note, WM_APP);
        for (int update = 1; update <= 1000; ++update) {
            ::SetWindowLongPtrA(note, GWLP_USERDATA, 0);
            worker.Request({});
            PumpFor(60000, [&] { return ::GetWindowLongPtrA(note, GWLP_USERDATA) != 0; });
            sockmere::ListingCapture capture = worker.Take();
            form->LiveUpdates1Listed(form.get(), capture, ::GetTickCount());
            PaintNow(form->Handle());
            if (update == 10) afterTen = WorkingSet();
        }
    }
    const SIZE_T afterThousand = WorkingSet();
    ::DestroyWindow(note);
    const double ratio = static_cast<double>(afterThousand) / static_cast<double>(afterTen);
    std::printf("working set after 10 updates: %.1f MB, after 1,000: %.1f MB, ratio %.3f; target at most 1.05: %s\n",
                afterTen / 1048576.0, afterThousand / 1048576.0, ratio, ratio <= 1.05 ? "met" : "NOT met");

    sockmere::SetCreateProcessProc(nullptr);
    form.reset();
    ::DeleteFileA(counter.c_str());
    return 0;
}
