// The main window in-process, with the fake listing command and a shell double.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "UiTestSupport.h"
#include "framework/ProcEntry.h"
#include "listing/Runner.h"
#include "ui/MainWindowRules.h"
#include "ui/Unit1.h"
#include "ui/Unit2.h"
#include "ui/Unit3.h"

using namespace uitest;
using sockmere::TForm1;

namespace {

// The buttons and check boxes that a refresh locks.
std::vector<fw::TControl*> Locked(TForm1& form) {
    return {form.check1, form.check2, form.check3, form.Button1, form.Button2, form.Button3, form.Button4};
}

std::unique_ptr<TForm1> MakeForm(std::vector<std::string> args = {"-n"}) {
    return FreshForm(std::move(args));
}

// Records what the status bar is told, panel 0 only, as the window receives it.
struct PanelLog {
    static inline std::vector<std::string>* texts = nullptr;
    static inline WNDPROC previous = nullptr;
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
        if (msg == SB_SETTEXTA && LOBYTE(LOWORD(w)) == 0 && texts) texts->push_back(reinterpret_cast<const char*>(l));
        return ::CallWindowProcA(previous, hwnd, msg, w, l);
    }
};

// What the window looks like inside the refresh's first message pump, while the command runs.
struct DuringRun {
    bool seen = false;
    std::string panel0, panel1, hint;
    bool animated = false, anyEnabled = true;
};
DuringRun* g_during = nullptr;
TForm1* g_form = nullptr;

LRESULT CALLBACK ObserverProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
    if (msg == WM_APP + 3 && g_during && g_form && !g_during->seen) {
        g_during->seen = true;
        g_during->panel0 = g_form->stat->PanelText(0);
        g_during->panel1 = g_form->stat->PanelText(1);
        g_during->hint = g_form->tray->Hint();
        g_during->animated = g_form->tray->Animated();
        g_during->anyEnabled = false;
        for (fw::TControl* c : Locked(*g_form))
            g_during->anyEnabled |= c->Enabled() || ::IsWindowEnabled(static_cast<fw::TWinControl*>(c)->Handle());
        return 0;
    }
    return ::DefWindowProcA(hwnd, msg, w, l);
}

HWND MakeObserver() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = ObserverProc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = "uitest.Observer";
    ::RegisterClassA(&wc);
    return ::CreateWindowA("uitest.Observer", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
}

}  // namespace

TEST(RefreshCycle, FillsNumberedRowsAndStepsThroughTheStatusTexts) {
    Reports reports;
    Shell shell;
    FakeSetting rows("SOCKMERE_FAKE_ROWS", "12");
    auto form = MakeForm();
    form->Show();
    EXPECT_EQ(form->stat->PanelText(0), "Ready");
    EXPECT_EQ(form->stat->PanelText(1), "Last update: 00:00:00");

    std::vector<std::string> panel0;
    PanelLog::texts = &panel0;
    HWND status = form->stat->Handle();
    PanelLog::previous = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(status, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&PanelLog::Proc)));

    DuringRun during;
    g_during = &during;
    g_form = form.get();
    HWND observer = MakeObserver();
    ::PostMessageA(observer, WM_APP + 3, 0, 0);
    form->Button1Click(form.get());
    g_during = nullptr;
    ::DestroyWindow(observer);
    ::SetWindowLongPtrA(status, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(PanelLog::previous));
    PanelLog::texts = nullptr;

    EXPECT_EQ(panel0, (std::vector<std::string>{"Checking connections...please be patient", "Formatting...", "Done."}));
    ASSERT_TRUE(during.seen);
    EXPECT_EQ(during.panel1, "Refreshing");
    EXPECT_EQ(during.hint, "Checking connections...");
    EXPECT_TRUE(during.animated);
    EXPECT_FALSE(during.anyEnabled);

    ASSERT_EQ(form->lv->ItemCount(), 12);
    for (int i = 0; i < 12; ++i) EXPECT_EQ(form->lv->ItemCaption(i), std::to_string(i + 1));
    // Sub-items in the order protocol, local port, remote address, remote port, status.
    EXPECT_FALSE(form->lv->SubItem(0, 0).empty());
    EXPECT_FALSE(form->lv->SubItem(0, 4).empty());
    EXPECT_EQ(form->stat->PanelText(0), "Done.");
    EXPECT_EQ(form->stat->PanelText(2).rfind("Elapsed: ", 0), 0u);
    EXPECT_EQ(form->tray->Hint(), "Sockmere");
    EXPECT_FALSE(form->tray->Animated());
    for (fw::TControl* c : Locked(*form)) EXPECT_TRUE(c->Enabled());
    EXPECT_TRUE(form->Timer1->Enabled());
    EXPECT_FALSE(form->Timer2->Enabled());
    EXPECT_EQ(form->Timer2->Tag(), 0);
    EXPECT_TRUE(reports.texts.empty());
}

TEST(RefreshCycle, OptionsChooseTheCommandSwitches) {
    Reports reports;
    Shell shell;
    std::string argsFile = TempPath("sockmere_ui_args.txt");
    ::DeleteFileA(argsFile.c_str());
    FakeSetting record("SOCKMERE_FAKE_ARGS_FILE", argsFile);
    auto form = MakeForm();
    struct Case {
        bool numeric, all;
    } cases[] = {{false, false}, {true, false}, {false, true}, {true, true}};
    for (Case c : cases) {
        form->check1->SetChecked(c.numeric);
        form->check3->SetChecked(c.all);
        form->Button1Click(form.get());
    }
    std::string recorded = ReadFile(argsFile);
    ::DeleteFileA(argsFile.c_str());
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < recorded.size()) {
        size_t end = recorded.find('\n', start);
        if (end == std::string::npos) end = recorded.size();
        std::string line = recorded.substr(start, end - start);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    ASSERT_EQ(lines.size(), 4u) << recorded;
    EXPECT_EQ(lines[0].find("-n"), std::string::npos);
    EXPECT_EQ(lines[0].find("-a"), std::string::npos);
    EXPECT_NE(lines[1].find("-n"), std::string::npos);
    EXPECT_EQ(lines[1].find("-a"), std::string::npos);
    EXPECT_EQ(lines[2].find("-n"), std::string::npos);
    EXPECT_NE(lines[2].find("-a"), std::string::npos);
    EXPECT_NE(lines[3].find("-n -a"), std::string::npos);
}

namespace {

// Fails every start, as when there is no listing command at all.
BOOL WINAPI NoProcess(LPCSTR, LPSTR, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL, DWORD, LPVOID, LPCSTR,
                      LPSTARTUPINFOA, LPPROCESS_INFORMATION) {
    ::SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
}

}  // namespace

TEST(RefreshCycle, EndTextTellsFailuresFromHeaderOnlyAndSilentSuccess) {
    Reports reports;
    Shell shell;
    auto form = MakeForm();
    auto refresh = [&] {
        form->Button1Click(form.get());
        EXPECT_EQ(form->lv->ItemCount(), 0);
        return form->stat->PanelText(0);
    };
    {
        FakeSetting rows("SOCKMERE_FAKE_ROWS", "0");
        EXPECT_EQ(refresh(), "Done.");
    }
    {
        FakeSetting code("SOCKMERE_FAKE_EXIT", "1");
        EXPECT_EQ(refresh(), "Failed: netstat exited with code 1.");
        // The same code after printing something is not a failure.
        FakeSetting rows("SOCKMERE_FAKE_ROWS", "0");
        EXPECT_EQ(refresh(), "Done.");
    }
    EXPECT_EQ(refresh(), "Done.");
    const auto previous = sockmere::SetCreateProcessProc(&NoProcess);
    const std::string failed = refresh();
    sockmere::SetCreateProcessProc(previous);
    EXPECT_EQ(failed, "Failed: netstat could not be started.");
    // Everything else about the end of the refresh is as usual.
    EXPECT_EQ(form->stat->PanelText(2).rfind("Elapsed: ", 0), 0u);
    for (fw::TControl* c : Locked(*form)) EXPECT_TRUE(c->Enabled());
    EXPECT_TRUE(form->Timer1->Enabled());
    EXPECT_TRUE(reports.texts.empty());
}

TEST(RefreshCycle, ANetstatWithoutOwnersIsRunAgainWithoutThem) {
    Reports reports;
    Shell shell;
    FakeSetting refuse("SOCKMERE_FAKE_NO_OWNERS", "1");
    const std::string argsFile = TempPath("sockmere_ui_owner_args.txt");
    ::DeleteFileA(argsFile.c_str());
    FakeSetting record("SOCKMERE_FAKE_ARGS_FILE", argsFile);
    auto form = MakeForm();
    form->Processes1->SetChecked(true);
    form->check1->SetChecked(true);
    {
        FakeSetting rows("SOCKMERE_FAKE_ROWS", "3");
        form->Button1Click(form.get());
    }
    ASSERT_EQ(form->lv->ItemCount(), 3);
    EXPECT_EQ(form->lv->SubItem(0, 4) + form->lv->SubItem(0, 5) + form->lv->SubItem(0, 6), "ESTABLISHED");
    EXPECT_EQ(form->stat->PanelText(0), "Done. (no process information)");
    // The second run's failure is told as any other.
    FakeSetting code("SOCKMERE_FAKE_EXIT", "2");
    form->Button1Click(form.get());
    EXPECT_EQ(form->stat->PanelText(0), "Failed: netstat exited with code 2.");
    EXPECT_EQ(ReadFile(argsFile), "-n -o\r\n-n\r\n-n -o\r\n-n\r\n");
    ::DeleteFileA(argsFile.c_str());
    EXPECT_TRUE(reports.texts.empty());
}

// A usage text is no listing: the -o run that prints one is asked again without -o, and a
// failed run that prints one leaves the table empty and says so.
TEST(RefreshCycle, AUsageTextIsNeverShownAsRows) {
    Reports reports;
    Shell shell;
    auto form = MakeForm();
    form->Processes1->SetChecked(true);
    FakeSetting usage("SOCKMERE_FAKE_NO_OWNERS", "usage");
    form->Button1Click(form.get());
    EXPECT_EQ(form->lv->ItemCount(), 0);
    EXPECT_EQ(form->stat->PanelText(0), "Done. (no process information)");
    const std::string fixture = WriteFixture("sockmere_ui_usage.txt", "\r\nNETSTAT [-a] [-n]\r\n\r\n  -a  all\r\n  -n  numbers\r\n");
    FakeSetting file("SOCKMERE_FAKE_FILE", fixture);
    FakeSetting code("SOCKMERE_FAKE_EXIT", "1");
    form->Processes1->SetChecked(false);
    form->Button1Click(form.get());
    EXPECT_EQ(form->lv->ItemCount(), 0);
    EXPECT_EQ(form->stat->PanelText(0), "Failed: netstat exited with code 1.");
    ::DeleteFileA(fixture.c_str());
    EXPECT_TRUE(reports.texts.empty());
}

TEST(RefreshCycle, LfOnlyOutputSkipsItsHeaderAndMakesRows) {
    Reports reports;
    Shell shell;
    const std::string fixture = WriteFixture(
        "sockmere_ui_lf.txt",
        "\nActive Connections\n\n  Proto  Local Address          Foreign Address        State\n"
        "  TCP    127.0.0.1:1061         127.0.0.1:1493         ESTABLISHED\n"
        "  UDP    0.0.0.0:137            *:*\n");
    FakeSetting file("SOCKMERE_FAKE_FILE", fixture);
    auto form = MakeForm();
    form->Button1Click(form.get());
    ::DeleteFileA(fixture.c_str());
    ASSERT_EQ(form->lv->ItemCount(), 2);
    EXPECT_EQ(form->lv->SubItem(0, 0), "TCP");
    EXPECT_EQ(form->lv->SubItem(0, 4), "ESTABLISHED");
    EXPECT_EQ(form->lv->SubItem(1, 2), "*");
    EXPECT_EQ(form->stat->PanelText(0), "Done.");
}

TEST(Clocks, LastUpdateCountsTicksAndElapsedKeepsTheStartTick) {
    Reports reports;
    Shell shell;
    auto form = MakeForm();
    form->Timer1->SetTag(0);
    form->Timer1Timer(form.get());
    EXPECT_EQ(form->stat->PanelText(1), "Last update: 00:00:01");
    form->Timer1->SetTag(3724);
    form->Timer1Timer(form.get());
    EXPECT_EQ(form->stat->PanelText(1), "Last update: 01:02:05");

    std::int32_t start = static_cast<std::int32_t>(::GetTickCount() - 61000);
    form->Timer2->SetTag(start);
    form->Timer2Timer(form.get());
    EXPECT_EQ(form->stat->PanelText(2), "Elapsed: 00:01:01");
    EXPECT_EQ(form->Timer2->Tag(), start);
}

TEST(TrayMode, TrayRestoreRefreshAndDoubleClick) {
    Reports reports;
    Shell shell;
    FakeSetting rows("SOCKMERE_FAKE_ROWS", "3");
    auto form = MakeForm();
    form->Show();
    form->Button1Click(form.get());
    ASSERT_EQ(form->lv->ItemCount(), 3);

    form->Button4Click(form.get());
    EXPECT_FALSE(form->Visible());
    EXPECT_TRUE(form->tray->Active());
    EXPECT_TRUE(form->tray->Shown());

    form->Restore1Click(form.get());
    EXPECT_TRUE(form->Visible());
    EXPECT_FALSE(form->tray->Active());
    EXPECT_FALSE(form->tray->Shown());
    // The table and the clocks are as they were.
    EXPECT_EQ(form->lv->ItemCount(), 3);
    EXPECT_EQ(form->stat->PanelText(0), "Done.");

    // A left double click on the icon carries out "Restore".
    form->Button4Click(form.get());
    ::SendMessageA(form->tray->CallbackWindow(), sockmere::kTrayCallbackMessage, 0, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(form->Visible());
    EXPECT_FALSE(form->tray->Active());

    // "Refresh" from the tray ends with the window shown and the icon gone.
    form->Button4Click(form.get());
    form->Refresh1Click(form.get());
    EXPECT_TRUE(form->Visible());
    EXPECT_FALSE(form->tray->Active());
    EXPECT_FALSE(form->tray->Shown());
    EXPECT_EQ(form->stat->PanelText(0), "Done.");
    EXPECT_TRUE(reports.texts.empty());
}

TEST(TrayMode, TipShowsTheClocksOnlyWhenAsked) {
    Reports reports;
    Shell shell;
    auto form = MakeForm();
    form->Button4Click(form.get());
    form->Timer1->SetTag(753);
    form->Timer1Timer(form.get());
    form->stat->SetPanelText(2, "Elapsed: 2.345 s");

    form->check2->SetChecked(true);
    ::SendMessageA(form->tray->CallbackWindow(), sockmere::kTrayCallbackMessage, 0, WM_MOUSEMOVE);
    EXPECT_EQ(form->tray->Hint(), "Sockmere : Last update: 00:12:34 * Elapsed: 2.345 s");
    EXPECT_EQ(shell.LastTip(), "Sockmere : Last update: 00:12:34 * Elapsed: 2.345 s");

    form->check2->SetChecked(false);
    ::SendMessageA(form->tray->CallbackWindow(), sockmere::kTrayCallbackMessage, 0, WM_MOUSEMOVE);
    EXPECT_EQ(form->tray->Hint(), "Sockmere");
}

TEST(StartUp, SwitchesDecideRefreshAndTray) {
    Reports reports;
    Shell shell;
    FakeSetting rows("SOCKMERE_FAKE_ROWS", "4");
    {
        auto form = MakeForm({});
        EXPECT_TRUE(form->Visible());
        EXPECT_EQ(form->lv->ItemCount(), 4);
        EXPECT_EQ(form->stat->PanelText(0), "Done.");
        EXPECT_FALSE(form->tray->Active());
    }
    {
        auto form = MakeForm({"-n"});
        EXPECT_FALSE(form->Visible());
        EXPECT_EQ(form->lv->ItemCount(), 0);
        EXPECT_EQ(form->stat->PanelText(0), "Ready");
        EXPECT_FALSE(form->Timer1->Enabled());
        EXPECT_FALSE(form->Timer3->Enabled());
    }
    for (auto args : {std::vector<std::string>{"-t", "-n"}, std::vector<std::string>{"-n", "-t"}}) {
        auto form = MakeForm(args);
        EXPECT_TRUE(form->tray->Active());
        EXPECT_TRUE(form->Timer3->Enabled());
        EXPECT_EQ(form->lv->ItemCount(), 0);
        form->Show();  // as the message loop does for the main window
        EXPECT_TRUE(PumpUntil([&] { return !form->Visible(); }));
        EXPECT_TRUE(form->tray->Active());
        EXPECT_FALSE(form->Timer3->Enabled());
    }
    {
        // "-t" with the start-up refresh ends in the tray, whenever the one-shot ticks.
        auto form = MakeForm({"-t"});
        EXPECT_EQ(form->lv->ItemCount(), 4);
        EXPECT_TRUE(PumpUntil([&] { return !form->Visible() && !form->Timer3->Enabled(); }));
        EXPECT_TRUE(form->tray->Active());
        ::Sleep(120);
        Pump();
        EXPECT_FALSE(form->Visible());
    }
    for (auto args : {std::vector<std::string>{"-T"}, std::vector<std::string>{"/t"},
                      std::vector<std::string>{"a", "b", "-t"}}) {
        auto form = MakeForm(args);
        EXPECT_FALSE(form->Timer3->Enabled());
        EXPECT_FALSE(form->tray->Active());
        EXPECT_EQ(form->lv->ItemCount(), 4);
    }
    EXPECT_TRUE(reports.texts.empty());
}

TEST(ConnectionInfo, DoubleClickShowsTheSelectedRowOrNothing) {
    Reports reports;
    Shell shell;
    const std::string fixture = WriteFixture(
        "sockmere_ui_rows.txt",
        "\r\nActive Connections\r\n\r\n  Proto  Local Address          Foreign Address        State\r\n"
        "  TCP    127.0.0.1:1061         127.0.0.1:1493         ESTABLISHED\r\n"
        "  UDP    0.0.0.0:137            *:*\r\n");
    FakeSetting file("SOCKMERE_FAKE_FILE", fixture);
    auto form = MakeForm();
    form->Show();
    form->Button1Click(form.get());
    ASSERT_EQ(form->lv->ItemCount(), 2);

    form->lv->SetSelected(-1);
    int before = static_cast<int>(ThreadForms().size());
    form->lvDblClick(form->lv);
    EXPECT_EQ(static_cast<int>(ThreadForms().size()), before);

    std::vector<std::string> fields;
    g_infoFields = &fields;
    form->lv->SetSelected(0);
    ::SetTimer(nullptr, 0, 100, ReadAndCloseInfo);
    form->lvDblClick(form->lv);
    EXPECT_EQ(fields, (std::vector<std::string>{"TCP", "1061", "127.0.0.1", "1493", "ESTABLISHED",
                                                "Connection has been established and is active."}));
    fields.clear();
    form->lv->SetSelected(1);
    ::SetTimer(nullptr, 0, 100, ReadAndCloseInfo);
    form->lvDblClick(form->lv);
    g_infoFields = nullptr;
    ASSERT_EQ(fields.size(), 6u);
    EXPECT_EQ(fields[0], "UDP");
    EXPECT_EQ(fields[4], "*");
    EXPECT_EQ(fields[5], "???");
    ::DeleteFileA(fixture.c_str());
}

TEST(Layout, ResizeFollowsTheRulesAndMinimizeKeepsIt) {
    Reports reports;
    Shell shell;
    auto form = MakeForm();
    form->Show();
    auto check = [&](int w, int h) {
        ::SetWindowPos(form->Handle(), nullptr, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        RECT r{};
        ::GetWindowRect(form->Handle(), &r);
        sockmere::MainLayout l = sockmere::LayoutForOuterSize(r.right - r.left, r.bottom - r.top);
        EXPECT_EQ(form->lv->Width(), l.listWidth);
        EXPECT_EQ(form->lv->Height(), l.listHeight);
        EXPECT_EQ(form->Animate1->Left(), l.animateLeft);
        EXPECT_EQ(form->Animate1->Top(), l.animateTop);
        for (fw::TControl* b : std::initializer_list<fw::TControl*>{form->Button1, form->Button2, form->Button3, form->Button4})
            EXPECT_EQ(b->Top(), l.buttonTop);
        for (fw::TControl* c : std::initializer_list<fw::TControl*>{form->check1, form->check2, form->check3})
            EXPECT_EQ(c->Top(), l.checkBoxTop);
        EXPECT_EQ(form->Button4->Left(), 96);
        return r;
    };
    RECT designed = check(482, 312);
    EXPECT_EQ(designed.right - designed.left, 482);
    check(640, 480);
    check(482, 250);

    // The floor the user cannot drag below.
    MINMAXINFO info{};
    ::SendMessageA(form->Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.ptMinTrackSize.x, 482);
    EXPECT_EQ(info.ptMinTrackSize.y, 250);

    check(600, 400);
    int listHeight = form->lv->Height(), top = form->Button1->Top(), left = form->Animate1->Left();
    ::ShowWindow(form->Handle(), SW_MINIMIZE);
    Pump();
    EXPECT_EQ(form->lv->Height(), listHeight);
    EXPECT_EQ(form->Button1->Top(), top);
    EXPECT_EQ(form->Animate1->Left(), left);
    ::ShowWindow(form->Handle(), SW_RESTORE);
    Pump();
    EXPECT_EQ(form->lv->Height(), listHeight);
    EXPECT_EQ(form->Button1->Top(), top);
}

namespace {
struct Thrower {
    void Throw(fw::TObject*) { throw std::runtime_error("Handler failed"); }
};
}  // namespace

TEST(Exceptions, AHandlerFailureIsReportedAndTheWindowGoesOn) {
    Reports reports;
    Shell shell;
    FakeSetting rows("SOCKMERE_FAKE_ROWS", "2");
    auto form = MakeForm();
    form->Show();
    Thrower thrower;
    fw::TNotifyEvent saved = form->Button3->OnClick;
    form->Button3->OnClick = fw::TNotifyEvent::Of<&Thrower::Throw>(&thrower);
    ::SendMessageA(form->Button3->Handle(), BM_CLICK, 0, 0);
    ASSERT_EQ(reports.texts.size(), 1u);
    EXPECT_EQ(reports.texts[0], "Handler failed");
    EXPECT_EQ(fw::TApplication::ReportText(reports.texts[0]), "Handler failed.");
    form->Button3->OnClick = saved;
    ::SendMessageA(form->Button1->Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(form->lv->ItemCount(), 2);
    EXPECT_EQ(form->stat->PanelText(0), "Done.");
}

namespace {
int g_rowsBeforeFailure = 0;
BOOL WINAPI FailingStart(LPCSTR, LPSTR, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL, DWORD, LPVOID, LPCSTR,
                         LPSTARTUPINFOA, LPPROCESS_INFORMATION) {
    throw std::bad_alloc();
}
}  // namespace

// Memory running out half-way through the rows, or before the command, is reported, and the
// window is left as a finished refresh leaves it: the keys, the menu and later refreshes work.
TEST(Exceptions, ARefreshThatThrowsLeavesTheWindowUsable) {
    Reports reports;
    Shell shell;
    FakeSetting rows("SOCKMERE_FAKE_ROWS", "12");
    auto form = MakeForm();
    form->Show();
    g_rowsBeforeFailure = 5;
    const auto step = sockmere::SetRowStepHook([] {
        if (--g_rowsBeforeFailure == 0) throw std::bad_alloc();
    });
    ::SendMessageA(form->Button1->Handle(), BM_CLICK, 0, 0);
    sockmere::SetRowStepHook(step);
    const auto start = sockmere::SetCreateProcessProc(&FailingStart);
    ::SendMessageA(form->Button1->Handle(), BM_CLICK, 0, 0);
    sockmere::SetCreateProcessProc(start);
    EXPECT_EQ(reports.texts, (std::vector<std::string>{"std::bad_alloc", "std::bad_alloc"}));
    for (fw::TControl* c : Locked(*form)) EXPECT_TRUE(c->Enabled()) << c->Name();
    EXPECT_FALSE(form->Animate1->Active() || form->tray->Animated() || form->Timer2->Enabled());
    ::PostMessageA(form->lv->Handle(), WM_KEYDOWN, VK_F5, 0);
    Pump();
    EXPECT_EQ(::SendMessageA(form->lv->Handle(), LVM_GETITEMCOUNT, 0, 0), 12);
    form->Processes1->Click();
    EXPECT_EQ(form->lv->ColumnCount(), 8);
}

TEST(TrayMode, ExitFromTheMenuEndsTheMessageLoop) {
    Reports reports;
    Shell shell;
    auto form = MakeForm();
    fw::Screen().SetMainForm(form.get());
    form->Button4Click(form.get());
    form->Exit1Click(form.get());
    MSG msg;
    // The quit message is taken here, so the test process's own loop goes on.
    EXPECT_TRUE(::PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    fw::Screen().SetMainForm(nullptr);
    EXPECT_TRUE(reports.texts.empty());
}

namespace {
// At each pump that a timer tick reaches, asks for another refresh through the tray menu and,
// when it takes clicks, the button.
TForm1* g_nagged = nullptr;
int g_nags = 0;
VOID CALLBACK Nag(HWND, UINT, UINT_PTR, DWORD) {
    if (!g_nagged || g_nags <= 0) return;
    --g_nags;
    g_nagged->Refresh1->Click();
    if (g_nagged->Button1->Enabled()) ::SendMessageA(g_nagged->Button1->Handle(), BM_CLICK, 0, 0);
}
}  // namespace

TEST(Reentry, RefreshOrAboutAskedForWhileUnderWayIsIgnored) {
    Reports reports;
    Shell shell;
    FakeSetting rows("SOCKMERE_FAKE_ROWS", "50");
    std::string argsFile = TempPath("sockmere_ui_nested.txt");
    ::DeleteFileA(argsFile.c_str());
    FakeSetting record("SOCKMERE_FAKE_ARGS_FILE", argsFile);
    auto form = MakeForm();
    form->Show();
    g_nagged = form.get();
    g_nags = 30;
    UINT_PTR timer = ::SetTimer(nullptr, 0, 1, Nag);
    const DWORD start = ::GetTickCount();
    form->Button1Click(form.get());
    const double took = (::GetTickCount() - start) / 1000.0;
    ::KillTimer(nullptr, timer);
    g_nagged = nullptr;
    std::string recorded = ReadFile(argsFile);
    ::DeleteFileA(argsFile.c_str());
    ASSERT_LT(g_nags, 30) << "no request landed in a pump";
    EXPECT_EQ(std::count(recorded.begin(), recorded.end(), '\n'), 1) << "listing commands run";
    EXPECT_EQ(form->lv->ItemCount(), 50);
    // A nested refresh would zero the start tick that the elapsed time is taken from.
    const std::string elapsed = form->stat->PanelText(2);
    ASSERT_EQ(elapsed.rfind("Elapsed: ", 0), 0u);
    EXPECT_LE(std::stod(elapsed.substr(9)), took + 0.01) << elapsed;

    sockmere::TForm3 about(nullptr, form.get());
    form->SetAboutWindow(&about);
    InPump pump;
    bool showing = false;
    pump.Post([&] {
        showing = ModalForm() == &about;
        form->Button3->Click();
        pump.PostCloseModal();
    });
    form->Button3->Click();
    EXPECT_TRUE(showing);
    EXPECT_FALSE(about.Visible());
    EXPECT_TRUE(reports.texts.empty()) << reports.texts[0];
}

TEST(ConnectionInfo, AThousandOpensLeaveNoWindowsFormsOrMemoryBehind) {
    Reports reports;
    Shell shell;
    FakeSetting rows("SOCKMERE_FAKE_ROWS", "3");
    auto form = MakeForm();
    form->Show();
    form->Button1Click(form.get());
    form->lv->SetSelected(1);
    InPump pump;
    auto open = [&] {
        pump.PostCloseModal();
        form->lvDblClick(form->lv);
    };
    for (int i = 0; i < 20; ++i) open();
    const int windows = ProcessWindows(), forms = static_cast<int>(ThreadForms().size());
    const SIZE_T memory = CommittedPrivate();
    for (int i = 0; i < 1000; ++i) open();
    EXPECT_EQ(ProcessWindows(), windows);
    EXPECT_EQ(static_cast<int>(ThreadForms().size()), forms);
    EXPECT_LE(CommittedPrivate(), memory + 1024 * 1024);
    EXPECT_TRUE(reports.texts.empty());
}
