// The main window's whole refresh, from "Get Connections" to the end of the first paint after
// "Done.", against its floor: the least any program must do for the same table (run the same
// fake listing command through a pipe and read it, split its rows, fill a plain virtual list
// view once and paint it). Both run in one process, alternating, at 1,000, 10,000 and 50,000
// rows, so the machine's noise hits both sides alike. A message spy, which exists only here,
// times the refresh's steps. Memory is measured first, on its own: the peak working set and
// what each row adds to it. Under Wine the visual theme is drawn in software, so the figures
// say which look the prefix has.
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/Application.h"
#include "listing/ListingParser.h"
#include "listing/Runner.h"
#include "listing/SystemListingCommand.h"
#include "tray/TrayIcon.h"
#include "ui/Unit1.h"

#include "MainWindowBench.h"

namespace {

using namespace mainbench;

constexpr int kRepetitions = 15;
constexpr int kSizes[] = {1000, 10000, 50000};

double Best(const std::vector<double>& v) {
    return *std::min_element(v.begin(), v.end());
}

void Settle() {
    fw::Application().ProcessMessages();
    ::Sleep(100);
}

double PeakWorkingSetMB() {
    PROCESS_MEMORY_COUNTERS pmc{};
    pmc.cb = sizeof pmc;
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &pmc, sizeof pmc);
    return static_cast<double>(pmc.PeakWorkingSetSize) / (1024.0 * 1024.0);
}

void SetRows(int rows) {
    ::SetEnvironmentVariableA("SOCKMERE_FAKE_ROWS", std::to_string(rows).c_str());
}

// Paints whatever is waiting to be painted in the window and its children, now.
void PaintNow(HWND top) {
    ::RedrawWindow(top, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

// ---------------------------------------------------------------------------------------------
// The floor: a plain window with a virtual report list of the same six columns.

constexpr int kColumnWidths[] = {19, 37, 60, 220, 71, 62};
constexpr const char* kColumnNames[] = {"#", "Proto", "Local Port", "Remote Addr", "Remote Port", "Status"};

struct Floor {
    HWND window = nullptr;
    HWND list = nullptr;
    std::string text;
    std::vector<sockmere::ConnectionFields> rows;
    double read = 0, split = 0, fill = 0, paint = 0;

    static LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
        auto* self = reinterpret_cast<Floor*>(::GetWindowLongPtrA(h, GWLP_USERDATA));
        if (msg == WM_NOTIFY && self && reinterpret_cast<NMHDR*>(lp)->code == LVN_GETDISPINFOA) {
            LVITEMA& item = reinterpret_cast<NMLVDISPINFOA*>(lp)->item;
            if ((item.mask & LVIF_TEXT) && item.iItem < static_cast<int>(self->rows.size())) {
                const auto& r = self->rows[static_cast<size_t>(item.iItem)];
                const std::string_view fields[] = {{}, r.Protocol, r.LocalPort, r.RemoteAddress, r.RemotePort, r.Status};
                if (item.iSubItem == 0) {
                    *std::to_chars(item.pszText, item.pszText + item.cchTextMax - 1, r.Number).ptr = '\0';
                } else {
                    std::string_view f = fields[item.iSubItem];
                    size_t n = std::min(f.size(), static_cast<size_t>(item.cchTextMax - 1));
                    std::memcpy(item.pszText, f.data(), n);
                    item.pszText[n] = '\0';
                }
            }
            return 0;
        }
        return ::DefWindowProcA(h, msg, wp, lp);
    }

    void Create(const RECT& like) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = Proc;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
        wc.lpszClassName = "FloorWindow";
        ::RegisterClassA(&wc);
        // Beside the main window, so neither covers the other.
        window = ::CreateWindowExA(0, "FloorWindow", "Floor", WS_OVERLAPPEDWINDOW, like.right + 8, like.top,
                                   like.right - like.left, like.bottom - like.top, nullptr, nullptr,
                                   wc.hInstance, nullptr);
        ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        list = ::CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
                                 WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_OWNERDATA | LVS_SINGLESEL, 0, 0, 473,
                                 209, window, nullptr, wc.hInstance, nullptr);
        ::SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
        for (int i = 0; i < 6; ++i) {
            LVCOLUMNA c{};
            c.mask = LVCF_TEXT | LVCF_WIDTH;
            c.pszText = const_cast<char*>(kColumnNames[i]);
            c.cx = kColumnWidths[i];
            ::SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&c));
        }
        ::ShowWindow(window, SW_SHOWNORMAL);
        PaintNow(window);
    }

    void Empty() {
        ::SendMessageA(list, LVM_SETITEMCOUNT, 0, 0);
        rows = {};
        text = {};
        PaintNow(window);
    }

    // Blocking reads until every writer is gone: nothing polls, nothing is converted.
    void ReadCommand() {
        SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
        HANDLE readEnd = nullptr, writeEnd = nullptr;
        ::CreatePipe(&readEnd, &writeEnd, &sa, 16384);
        ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
        STARTUPINFOA si{};
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
        si.hStdOutput = si.hStdError = writeEnd;
        PROCESS_INFORMATION pi{};
        std::string line = sockmere::ComposeListingCommand({});
        if (::CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, DETACHED_PROCESS, nullptr, nullptr,
                             &si, &pi)) {
            ::CloseHandle(writeEnd);
            char chunk[65536];
            DWORD got = 0;
            while (::ReadFile(readEnd, chunk, sizeof chunk, &got, nullptr) && got > 0) text.append(chunk, got);
            ::WaitForSingleObject(pi.hProcess, INFINITE);
            ::CloseHandle(pi.hThread);
            ::CloseHandle(pi.hProcess);
        } else {
            ::CloseHandle(writeEnd);
        }
        ::CloseHandle(readEnd);
    }

    double Run() {
        const auto t0 = Clock::now();
        ReadCommand();
        const auto t1 = Clock::now();
        std::string_view rest = text;
        for (int i = 0; i < 3; ++i) rest = sockmere::DropFirstLine(rest);
        sockmere::ParseListingFields(rest, [this](const sockmere::ConnectionFields& f) { rows.push_back(f); });
        const auto t2 = Clock::now();
        ::SendMessageA(list, LVM_SETITEMCOUNT, rows.size(), LVSICF_NOSCROLL);
        const auto t3 = Clock::now();
        PaintNow(window);
        const auto t4 = Clock::now();
        read = Ms(t0, t1), split = Ms(t1, t2), fill = Ms(t2, t3), paint = Ms(t3, t4);
        return Ms(t0, t4);
    }
};

// ---------------------------------------------------------------------------------------------
// The spy: notes when the refresh reaches each step, from the messages its controls receive.

struct Spy {
    struct Event {
        const char* label;
        Clock::time_point at;
    };
    std::vector<Event> events;
    bool armed = false;
    sockmere::TForm1* form = nullptr;

    void Note(const char* label) {
        if (armed) events.push_back({label, Clock::now()});
    }
    void Memo1Changed(fw::TObject* sender) {
        Note("memo1");
        form->Memo1Change(sender);
    }
    void Memo2Changed(fw::TObject*) { Note("memo2"); }
};

Spy g_spy;

LRESULT CALLBACK SpyProc(HWND h, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
    const char* before = nullptr;
    const char* after = nullptr;
    switch (msg) {
    case WM_ENABLE:
        before = wp ? "enable" : "disable";
        after = wp ? "enabled" : "disabled";
        break;
    case LVM_DELETEALLITEMS:
        before = "lv.clear";
        break;
    case LVM_SETITEMCOUNT:
        before = "lv.count";
        break;
    case SB_SETTEXTA:
        if (LOWORD(wp) == 0 && std::strcmp(reinterpret_cast<const char*>(lp), "Done.") == 0) before = "done";
        break;
    }
    if (before) g_spy.Note(before);
    LRESULT r = ::DefSubclassProc(h, msg, wp, lp);
    if (after) g_spy.Note(after);
    return r;
}

BOOL WINAPI SpawnSpy(LPCSTR app, LPSTR line, LPSECURITY_ATTRIBUTES pa, LPSECURITY_ATTRIBUTES ta, BOOL inherit,
                     DWORD flags, LPVOID env, LPCSTR dir, LPSTARTUPINFOA si, LPPROCESS_INFORMATION pi) {
    g_spy.Note("spawn");
    return ::CreateProcessA(app, line, pa, ta, inherit, flags, env, dir, si, pi);
}

// The refresh's steps, each ending where its label is found (the count-th time) after the
// previous step's end.
struct Step {
    const char* label;
    int count;
    const char* name;
};
constexpr Step kSteps[] = {
    {"lv.clear", 1, "status texts, clocks, tray animated"},
    {"disable", 1, "clearing the list and Memo1"},
    {"disabled", 7, "disabling the seven controls"},
    {"spawn", 1, "busy animation on, first pump (repaint)"},
    {"memo1", 1, "listing command run and read"},
    {"enable", 1, "\"Formatting...\", animation off, second pump"},
    {"enabled", 7, "enabling the seven controls"},
    {"memo2", 3, "three header lines removed, two pumps"},
    {"lv.count", 1, "third pump, rows parsed into the list"},
    {"done", 1, "tray still, clocks, elapsed time, \"Done.\""},
    {"returned", 1, "end of the handlers"},
    {"painted", 1, "first paint of the window"},
};
constexpr int kStepCount = static_cast<int>(std::size(kSteps));

// Each step's duration in ms, NaN when its mark was not seen.
std::vector<double> StepTimes(Clock::time_point start, const std::vector<Spy::Event>& events) {
    std::vector<double> times;
    size_t pos = 0;
    Clock::time_point last = start;
    for (const Step& s : kSteps) {
        int seen = 0;
        size_t i = pos;
        for (; i < events.size(); ++i)
            if (std::strcmp(events[i].label, s.label) == 0 && ++seen == s.count) break;
        if (i == events.size()) {
            times.push_back(NAN);
            continue;
        }
        times.push_back(Ms(last, events[i].at));
        last = events[i].at;
        pos = i + 1;
    }
    return times;
}

double TimedRefresh(sockmere::TForm1& form, std::vector<double>* steps) {
    g_spy.events.clear();
    g_spy.armed = true;
    const auto start = Clock::now();
    form.Button1Click(&form);
    g_spy.Note("returned");
    PaintNow(form.Handle());
    g_spy.Note("painted");
    g_spy.armed = false;
    const double total = Ms(start, g_spy.events.back().at);
    if (steps) *steps = StepTimes(start, g_spy.events);
    return total;
}

void MeasureMemory(sockmere::TForm1& form) {
    std::printf("memory (one refresh each, before any floor run):\n");
    std::printf("%8s %14s %16s %14s %16s\n", "rows", "peak WS (MB)", "line (bytes)", "per row (B)", "copies of line");
    double lastPeak = PeakWorkingSetMB();
    int lastRows = 1000;
    bool met = true;
    for (int rows : {10000, 50000, 100000}) {
        SetRows(rows);
        form.Button1Click(&form);
        PaintNow(form.Handle());
        const double peak = PeakWorkingSetMB();
        const double line = static_cast<double>(form.Memo1->View().size()) / rows;
        const double perRow = (peak - lastPeak) * 1024 * 1024 / (rows - lastRows);
        std::printf("%8d %14.1f %16.1f %14.1f %16.2f\n", rows, peak, line, perRow, perRow / line);
        if (rows == 50000 && (peak > 38 || perRow / line > 2)) met = false;
        if (rows == 100000 && peak >= 50) met = false;
        lastPeak = peak;
        lastRows = rows;
    }
    std::printf("memory targets (50,000 rows: peak at most 38 MB and at most 2 copies of the line per row; "
                "100,000 rows: under 50 MB): %s\n\n", met ? "met" : "NOT met");
    SetRows(1000);
    form.Button1Click(&form);
}

}  // namespace

int main() {
    StartApplication();
    auto form = std::make_unique<sockmere::TForm1>(nullptr, std::vector<std::string>{"-n"});
    form->Show();
    PaintNow(form->Handle());

    std::printf("look: %s\n", ThemeActive() ? "visual theme (drawn in software by Wine)" : "classic");
    // The first refresh loads what later ones find ready (code, fonts, the child's image).
    SetRows(1000);
    form->Button1Click(form.get());
    MeasureMemory(*form);

    RECT frame{};
    ::GetWindowRect(form->Handle(), &frame);
    Floor floor;
    floor.Create(frame);

    g_spy.form = form.get();
    form->Memo1->OnChange = fw::Bind<&Spy::Memo1Changed>(&g_spy);
    form->Memo2->OnChange = fw::Bind<&Spy::Memo2Changed>(&g_spy);
    sockmere::SetCreateProcessProc(&SpawnSpy);
    std::vector<HWND> spied{form->lv->Handle(), form->stat->Handle()};
    for (fw::TWinControl* c : std::initializer_list<fw::TWinControl*>{form->check1, form->check2, form->check3,
                                                                       form->Button1, form->Button2, form->Button3,
                                                                       form->Button4})
        spied.push_back(c->Handle());
    for (HWND h : spied) ::SetWindowSubclass(h, SpyProc, 1, 0);

    // Wine's process start and exit now and then add some 30 ms to a run on either side; each run
    // therefore starts on a settled system. Medians decide, the best runs are shown beside.
    std::printf("%8s %20s %20s %8s %10s\n", "rows", "floor med/best (ms)", "refresh med/best", "ratio", "best/best");
    std::vector<std::vector<double>> stepMedians;
    std::vector<std::vector<double>> floorParts;
    for (int rows : kSizes) {
        SetRows(rows);
        std::vector<double> floorTimes, refreshTimes;
        std::vector<std::vector<double>> steps(kStepCount);
        std::vector<double> read, split, fill, paint;
        for (int i = 0; i < kRepetitions; ++i) {
            floor.Empty();
            Settle();
            floorTimes.push_back(floor.Run());
            read.push_back(floor.read), split.push_back(floor.split), fill.push_back(floor.fill);
            paint.push_back(floor.paint);
            if (floor.rows.size() != static_cast<size_t>(rows)) {
                std::printf("floor of %d rows went wrong: %zu rows\n", rows, floor.rows.size());
                return 1;
            }

            Settle();
            std::vector<double> these;
            refreshTimes.push_back(TimedRefresh(*form, &these));
            for (int s = 0; s < kStepCount; ++s) steps[static_cast<size_t>(s)].push_back(these[static_cast<size_t>(s)]);
            if (form->lv->ItemCount() != rows || form->stat->PanelText(0) != "Done.") {
                std::printf("refresh of %d rows went wrong: %d rows\n", rows, form->lv->ItemCount());
                return 1;
            }
        }
        const double f = Median(floorTimes), r = Median(refreshTimes);
        std::printf("%8d %10.1f /%7.1f %10.1f /%7.1f %8.2f %10.2f\n", rows, f, Best(floorTimes), r,
                    Best(refreshTimes), r / f, Best(refreshTimes) / Best(floorTimes));
        std::vector<double> medians;
        for (auto& s : steps) medians.push_back(Median(s));
        stepMedians.push_back(medians);
        floorParts.push_back({Median(read), Median(split), Median(fill), Median(paint)});
    }

    std::printf("\nrefresh steps, medians in ms (%d runs):\n%-48s", kRepetitions, "step");
    for (int rows : kSizes) std::printf(" %9d", rows);
    std::printf("\n");
    for (int s = 0; s < kStepCount; ++s) {
        std::printf("%-48s", kSteps[s].name);
        for (const auto& m : stepMedians) std::printf(" %9.1f", m[static_cast<size_t>(s)]);
        std::printf("\n");
    }
    std::printf("floor steps, medians in ms:\n");
    constexpr const char* kFloorSteps[] = {"command run and read", "rows split", "list filled",
                                           "first paint of the window"};
    for (int s = 0; s < 4; ++s) {
        std::printf("%-48s", kFloorSteps[s]);
        for (const auto& m : floorParts) std::printf(" %9.1f", m[static_cast<size_t>(s)]);
        std::printf("\n");
    }

    for (HWND h : spied) ::RemoveWindowSubclass(h, SpyProc, 1);
    sockmere::SetCreateProcessProc(nullptr);
    ::DestroyWindow(floor.window);
    form.reset();
    // Exit status says whether the refreshes worked; the ratios are the figures.
    return 0;
}
