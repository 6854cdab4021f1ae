// Many refreshes in a row, with trips to the tray and openings of both dialogs among them, leave
// nothing behind. Kernel handles are counted by sweeping the handle values, windows by
// enumeration (hidden and message-only ones included), GDI objects and icons by the owners'
// live counts, threads and window procedure entries by their own counts, memory by the
// committed private pages: each of these finds a leak of one object per refresh.
#include <windows.h>
#include <gtest/gtest.h>

#include <cstdio>

#include "UiTestSupport.h"
#include "framework/Graphics.h"
#include "framework/Handles.h"
#include "framework/ProcEntry.h"
#include "framework/Thread.h"
#include "ui/Unit3.h"

using namespace uitest;

namespace {

struct Usage {
    int handles = 0;
    int windows = 0;
    long gdi = 0;
    long icons = 0;
    long threads = 0;
    long entries = 0;
    SIZE_T privateBytes = 0;
};

Usage Measure() {
    Usage u;
    u.handles = KernelHandles();
    u.windows = ProcessWindows();
    u.gdi = fw::LiveGdiObjects();
    u.icons = fw::TIcon::LiveHandles();
    u.threads = fw::TThread::LiveCount();
    u.entries = fw::WndProcEntry::LiveCount();
    u.privateBytes = CommittedPrivate();
    return u;
}

}  // namespace

TEST(Soak, TwoHundredRefreshesWithTrayTripsAndDialogsLeaveNothingBehind) {
    Reports reports;
    Shell shell;
    FakeSetting rows("SOCKMERE_FAKE_ROWS", "1000");
    auto form = FreshForm({"-n"});
    sockmere::TForm3 about(nullptr, form.get());
    form->SetAboutWindow(&about);
    form->Show();
    InPump pump;
    const long threadsBefore = fw::TThread::LiveCount();
    auto pass = [&](int i) {
        ::SendMessageA(form->Button1->Handle(), BM_CLICK, 0, 0);
        if (i % 5 != 0) return;
        // Tray and back, as a user would.
        ::SendMessageA(form->Button4->Handle(), BM_CLICK, 0, 0);
        form->Restore1->Click();
        form->lv->SetSelected(i % 1000);
        pump.PostCloseModal();
        form->lvDblClick(form->lv);
        pump.PostCloseModal();
        ::SendMessageA(form->Button3->Handle(), BM_CLICK, 0, 0);
    };
    // Warm-up: caches, fonts, the list view's first growth, the dialogs' classes.
    for (int i = 0; i < 20; ++i) pass(i);
    PumpUntil([&] { return fw::TThread::LiveCount() <= threadsBefore; });
    const Usage before = Measure();
    const DWORD start = ::GetTickCount();
    for (int i = 0; i < 200; ++i) {
        pass(i);
        ASSERT_EQ(form->lv->ItemCount(), 1000) << "refresh " << i;
        ASSERT_TRUE(form->Visible()) << "refresh " << i;
    }
    const DWORD took = ::GetTickCount() - start;
    PumpUntil([&] { return fw::TThread::LiveCount() <= threadsBefore; });
    const Usage after = Measure();
    std::printf("200 passes in %lu ms; handles %d -> %d, windows %d -> %d, GDI %ld -> %ld, icons %ld -> %ld, "
                "threads %ld -> %ld, entries %ld -> %ld, private %lu KB -> %lu KB\n",
                static_cast<unsigned long>(took), before.handles, after.handles, before.windows, after.windows,
                before.gdi, after.gdi, before.icons, after.icons, before.threads, after.threads, before.entries,
                after.entries, static_cast<unsigned long>(before.privateBytes / 1024),
                static_cast<unsigned long>(after.privateBytes / 1024));
    // Wine's own service threads may hold a handle or two more at one moment than another.
    EXPECT_LE(after.handles, before.handles + 4);
    EXPECT_EQ(after.windows, before.windows);
    EXPECT_EQ(after.gdi, before.gdi);
    EXPECT_EQ(after.icons, before.icons);
    EXPECT_EQ(after.threads, before.threads);
    EXPECT_EQ(after.entries, before.entries);
    // 200 refreshes move some 20 MB of text; what stays must be far less than one of them.
    EXPECT_LE(after.privateBytes, before.privateBytes + 2 * 1024 * 1024);
    EXPECT_TRUE(reports.texts.empty());
}
