// Many refreshes in a row leave nothing behind: no handles, GDI or USER objects, threads,
// icons or memory beyond noise.
#include <windows.h>
#include <psapi.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>

#include "UiTestSupport.h"
#include "framework/Graphics.h"
#include "framework/ProcEntry.h"
#include "framework/Thread.h"

using namespace uitest;

namespace {

struct Usage {
    DWORD handles = 0;
    DWORD gdi = 0;
    DWORD user = 0;
    SIZE_T privateBytes = 0;
    std::uintptr_t nextHandle = 0;
    int windows = 0;
    long icons = 0;
    long threads = 0;
    long entries = 0;
};

// Committed private memory, summed over the address space; works where the counters do not.
SIZE_T CommittedPrivate() {
    SIZE_T total = 0;
    MEMORY_BASIC_INFORMATION info{};
    for (char* p = nullptr; ::VirtualQuery(p, &info, sizeof info) == sizeof info; p += info.RegionSize) {
        if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE) total += info.RegionSize;
        if (reinterpret_cast<std::uintptr_t>(p) + info.RegionSize < reinterpret_cast<std::uintptr_t>(p)) break;
    }
    return total;
}

// A new handle takes the lowest free slot, so leaked handles push its value up.
std::uintptr_t NextHandleValue() {
    HANDLE probe = ::CreateEventA(nullptr, FALSE, FALSE, nullptr);
    std::uintptr_t value = reinterpret_cast<std::uintptr_t>(probe);
    ::CloseHandle(probe);
    return value;
}

BOOL CALLBACK CountWindow(HWND hwnd, LPARAM count) {
    ++*reinterpret_cast<int*>(count);
    ::EnumChildWindows(hwnd, CountWindow, count);
    return TRUE;
}

Usage Measure() {
    Usage u;
    HANDLE self = ::GetCurrentProcess();
    ::GetProcessHandleCount(self, &u.handles);
    u.gdi = ::GetGuiResources(self, GR_GDIOBJECTS);
    u.user = ::GetGuiResources(self, GR_USEROBJECTS);
    PROCESS_MEMORY_COUNTERS_EX pmc{};
    pmc.cb = sizeof pmc;
    ::GetProcessMemoryInfo(self, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof pmc);
    u.privateBytes = pmc.PrivateUsage ? pmc.PrivateUsage : CommittedPrivate();
    u.nextHandle = NextHandleValue();
    ::EnumThreadWindows(::GetCurrentThreadId(), CountWindow, reinterpret_cast<LPARAM>(&u.windows));
    u.icons = fw::TIcon::LiveHandles();
    u.threads = fw::TThread::LiveCount();
    u.entries = fw::WndProcEntry::LiveCount();
    return u;
}

// Animation threads free themselves after their last wait.
void SettleThreads(long expected) {
    PumpUntil([&] { return fw::TThread::LiveCount() <= expected; }, 3000);
}

}  // namespace

TEST(Soak, TwoHundredRefreshesOfAThousandRowsLeaveNothingBehind) {
    Reports reports;
    Shell shell;
    FakeSetting rows("SOCKMERE_FAKE_ROWS", "1000");
    auto form = std::make_unique<sockmere::TForm1>(nullptr, std::vector<std::string>{"-n"});
    form->Show();
    long threadsBefore = fw::TThread::LiveCount();
    // Warm-up: caches, fonts, the list view's first growth.
    for (int i = 0; i < 20; ++i) form->Button1Click(form.get());
    SettleThreads(threadsBefore);
    Usage before = Measure();
    for (int i = 0; i < 200; ++i) {
        form->Button1Click(form.get());
        ASSERT_EQ(form->lv->ItemCount(), 1000) << "refresh " << i;
        // Every tenth pass goes through the tray, as a user would.
        if (i % 10 == 0) {
            form->Button4Click(form.get());
            form->Restore1Click(form.get());
        }
    }
    SettleThreads(threadsBefore);
    Usage after = Measure();
    std::printf("next handle %lu -> %lu, windows %d -> %d\n", static_cast<unsigned long>(before.nextHandle),
                static_cast<unsigned long>(after.nextHandle), before.windows, after.windows);
    std::printf("handles %lu -> %lu, GDI %lu -> %lu, USER %lu -> %lu, private %lu KB -> %lu KB, "
                "icons %ld -> %ld, threads %ld -> %ld, entries %ld -> %ld\n",
                before.handles, after.handles, before.gdi, after.gdi, before.user, after.user,
                static_cast<unsigned long>(before.privateBytes / 1024),
                static_cast<unsigned long>(after.privateBytes / 1024), before.icons, after.icons,
                before.threads, after.threads, before.entries, after.entries);
    EXPECT_LE(after.handles, before.handles + 4);
    EXPECT_LE(after.nextHandle, before.nextHandle + 4 * sizeof(HANDLE));
    EXPECT_EQ(after.windows, before.windows);
    EXPECT_LE(after.gdi, before.gdi + 4);
    EXPECT_LE(after.user, before.user + 4);
    EXPECT_EQ(after.icons, before.icons);
    EXPECT_EQ(after.threads, before.threads);
    EXPECT_EQ(after.entries, before.entries);
    // 200 refreshes move some 20 MB of text; what stays must be far less than one of them.
    EXPECT_LE(after.privateBytes, before.privateBytes + 2 * 1024 * 1024);
    EXPECT_TRUE(reports.texts.empty());
}
