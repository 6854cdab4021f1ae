// The minimum-size component: what it answers for the size queries, how it hooks and lets go.
#include <windows.h>
#include <gtest/gtest.h>

#include <memory>

#include "framework/Application.h"
#include "framework/Forms.h"
#include "framework/ProcEntry.h"
#include "winsize/WinsizeTestSupport.h"
#include "winsize/MinMax.h"

using namespace winsizetest;
using sockmere::TMinMax;
using sockmere::TMinMaxOption;

namespace {

MINMAXINFO Ask(HWND hwnd) {
    MINMAXINFO info{};
    info.ptMaxSize = {1111, 1111};
    info.ptMaxPosition = {-7, -7};
    info.ptMinTrackSize = {3, 3};
    info.ptMaxTrackSize = {2222, 2222};
    ::SendMessageA(hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    return info;
}

}  // namespace

TEST(MinMax, OnlyTheChosenLimitsAreWrittenZeroIncluded) {
    fw::Application().Initialize();
    Stage form;
    auto* minMax = new TMinMax(&form);
    minMax->MinTrackSize().X = 482;
    minMax->MinTrackSize().Y = 250;
    minMax->Options = {TMinMaxOption::opAllowResize, TMinMaxOption::opMinTrackSize};
    minMax->SetParent(&form);

    MINMAXINFO info = Ask(form.Handle());
    EXPECT_EQ(info.ptMinTrackSize.x, 482);
    EXPECT_EQ(info.ptMinTrackSize.y, 250);
    EXPECT_EQ(info.ptMaxTrackSize.x, 2222) << "left as the system put it";
    EXPECT_EQ(info.ptMaxPosition.x, -7);

    // A limit whose option is set is written even when it is (0, 0).
    minMax->MinTrackSize().X = 0;
    minMax->MinTrackSize().Y = 0;
    minMax->Options = sockmere::AllMinMaxOptions;
    info = Ask(form.Handle());
    EXPECT_EQ(info.ptMinTrackSize.x, 0);
    EXPECT_EQ(info.ptMaxTrackSize.x, 0);
    EXPECT_EQ(info.ptMaxSize.x, 0);
    EXPECT_EQ(info.ptMaxPosition.x, 0);
}

TEST(MinMax, WithoutResizeTheSizeIsPinnedAndTheBorderIsDead) {
    fw::Application().Initialize();
    Stage form;
    auto* minMax = new TMinMax(&form);
    minMax->MinTrackSize().X = 10;
    minMax->Options = {TMinMaxOption::opMinTrackSize, TMinMaxOption::opMaxTrackSize};
    minMax->SetParent(&form);
    form.Show();

    RECT r{};
    ::GetWindowRect(form.Handle(), &r);
    MINMAXINFO info = Ask(form.Handle());
    EXPECT_EQ(info.ptMinTrackSize.x, r.right - r.left);
    EXPECT_EQ(info.ptMinTrackSize.y, r.bottom - r.top);
    EXPECT_EQ(info.ptMaxTrackSize.x, r.right - r.left);

    // A hit test on the right border finds nothing to drag.
    LRESULT hit = ::SendMessageA(form.Handle(), WM_NCHITTEST, 0, MAKELPARAM(r.right - 1, (r.top + r.bottom) / 2));
    EXPECT_FALSE(hit >= HTLEFT && hit <= HTBOTTOMRIGHT) << hit;
}

TEST(MinMax, HooksOnParentChangeAndGivesTheProcedureBack) {
    fw::Application().Initialize();
    long entries = fw::WndProcEntry::LiveCount();
    Stage first, second;
    WNDPROC firstOwn = ProcOf(first.Handle());
    WNDPROC secondOwn = ProcOf(second.Handle());
    {
        TMinMax minMax(nullptr);
        minMax.SetParent(&first);
        EXPECT_NE(ProcOf(first.Handle()), firstOwn);
        minMax.SetParent(&second);
        EXPECT_EQ(ProcOf(first.Handle()), firstOwn);
        EXPECT_NE(ProcOf(second.Handle()), secondOwn);
        // The same parent again unhooks and hooks anew.
        minMax.SetParent(&second);
        EXPECT_NE(ProcOf(second.Handle()), secondOwn);
        EXPECT_EQ(fw::WndProcEntry::LiveCount(), entries + 1);
    }
    EXPECT_EQ(ProcOf(second.Handle()), secondOwn);
    EXPECT_EQ(fw::WndProcEntry::LiveCount(), entries);
}

TEST(MinMax, AnEntryUnderAnotherProcedureStaysCallable) {
    fw::Application().Initialize();
    Stage form;
    auto minMax = std::make_unique<TMinMax>(nullptr);
    minMax->MinTrackSize().X = 400;
    minMax->MinTrackSize().Y = 300;
    minMax->SetParent(&form);
    // Someone subclasses over the entry, then the component goes away.
    SubclassOver(form.Handle());
    minMax.reset();
    EXPECT_EQ(ProcOf(form.Handle()), &Above);
    // Messages still pass through the old entry to the window's own procedure, unchanged.
    MINMAXINFO info = Ask(form.Handle());
    EXPECT_EQ(info.ptMinTrackSize.x, 3);
    ::SetWindowTextA(form.Handle(), "still alive");
    char text[32] = {};
    ::GetWindowTextA(form.Handle(), text, sizeof text);
    EXPECT_STREQ(text, "still alive");
    ::SetWindowLongPtrA(form.Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_below));
}
