#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/Application.h"
#include "framework/Errors.h"
#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/StdCtrls.h"
#include "framework/FormsTestSupport.h"

using namespace fw;
using namespace fwtest;

namespace {

// Asks for its form's window while the description loads, as a component that subclasses
// its form does.
struct WindowProbe : TComponent {
    using Common = ComponentProps;
    struct Props {};
    HWND seen = nullptr;
    HWND form = nullptr;
    bool* formWindowAliveAtFree = nullptr;
    explicit WindowProbe(TComponent* owner) : TComponent(owner) {}
    ~WindowProbe() override {
        if (formWindowAliveAtFree) *formWindowAliveAtFree = ::IsWindow(form) != 0;
    }
    void ApplyCommon(const ComponentProps& props, TWinControl* parent) {
        SetName(props.name);
        seen = form = parent->Handle();
    }
    void ApplyProps(const Props&) {}
};

struct SampleForm : TForm {
    const char* ClassName() const override { return "TSampleForm"; }
    std::vector<std::string> log;
    TButton* Button1 = nullptr;
    TEdit* Edit1 = nullptr;
    TEdit* Edit2 = nullptr;
    WindowProbe* Probe = nullptr;

    SampleForm(TComponent* owner, bool probe, TBorderStyle border = bsSizeable) : TForm(owner) {
        Describe({.name = "SampleForm",
                  .caption = "Sample",
                  .left = 40,
                  .top = 30,
                  .clientWidth = 300,
                  .clientHeight = 200,
                  .borderStyle = border,
                  .onCreate = Bind<&SampleForm::FormCreate>(this),
                  .onResize = Bind<&SampleForm::FormResize>(this)},
                 [&] {
                     Button1 = Make<TButton>({.name = "Button1", .left = 8, .top = 8, .width = 75,
                                              .height = 25, .caption = "Go", .tabOrder = 2});
                     if (probe) Probe = Make<WindowProbe>({.name = "Probe"});
                     Edit1 = Make<TEdit>({.name = "Edit1", .left = 8, .top = 40, .width = 120,
                                          .height = 21, .tabOrder = 0});
                     Edit2 = Make<TEdit>({.name = "Edit2", .left = 8, .top = 70, .width = 120,
                                          .height = 21, .tabOrder = 1});
                 });
    }
    void Loaded() override {
        TForm::Loaded();
        log.push_back("loaded");
    }
    void FormCreate(TObject*) { log.push_back(Loading() ? "create while loading" : "create"); }
    void FormResize(TObject*) { log.push_back("resize " + std::to_string(Width())); }
};

RECT ClientOf(HWND h) {
    RECT r;
    ::GetClientRect(h, &r);
    return r;
}

}  // namespace

TEST(Forms, DescriptionLoadsInFormOrderThenRaisesOnCreate) {
    Reports reports;
    for (bool probe : {false, true}) {
        SampleForm form(nullptr, probe);
        std::vector<std::string> expected{"loaded", "create"};
        // The window made early by the probe changed size while loading: no resize event.
        EXPECT_EQ(form.log, expected) << "probe " << probe;
        EXPECT_EQ(form.FindComponent("edit1"), form.Edit1);
        EXPECT_EQ(form.Edit1->Parent(), &form);
        if (probe) {
            // Asked for during loading, the window exists from then on, and the children
            // get theirs once the description has loaded.
            ASSERT_TRUE(form.HandleAllocated());
            EXPECT_EQ(form.Probe->seen, form.Hwnd());
            EXPECT_TRUE(form.Edit1->HandleAllocated());
            EXPECT_EQ(::GetParent(form.Edit1->Hwnd()), form.Hwnd());
        } else {
            EXPECT_FALSE(form.HandleAllocated());
            EXPECT_FALSE(form.Edit1->HandleAllocated());
        }
        RECT client = ClientOf(form.Handle());
        EXPECT_EQ(client.right, 300);
        EXPECT_EQ(client.bottom, 200);
        EXPECT_EQ(form.Left(), 40);
        EXPECT_EQ(form.Top(), 30);
        form.log.clear();
        form.SetWidth(form.Width() + 20);
        ASSERT_EQ(form.log.size(), 1u);
        EXPECT_EQ(form.log[0], "resize " + std::to_string(form.Width()));
    }
    EXPECT_TRUE(reports.texts.empty());
}

TEST(Forms, BorderStyleAndIconsShapeTheFrame) {
    Reports reports;
    SampleForm dialog(nullptr, false, bsDialog);
    HWND h = dialog.Handle();
    LONG style = ::GetWindowLongA(h, GWL_STYLE);
    EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_TRUE(::GetWindowLongA(h, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME);
    EXPECT_EQ(ClientOf(h).right, 300);
    EXPECT_EQ(ClientOf(h).bottom, 200);
    // The window class carries the form class's name.
    EXPECT_EQ(::FindWindowA("TSampleForm", "Sample"), h);
    // The icon shows as soon as it is set, as a copy the form owns.
    HICON system = ::LoadIconA(nullptr, IDI_APPLICATION);
    dialog.Icon().SetHandle(::CopyIcon(system));
    EXPECT_EQ(reinterpret_cast<HICON>(::SendMessageA(h, WM_GETICON, ICON_BIG, 0)), dialog.Icon().Handle());

    SampleForm sizeable(nullptr, false);
    style = ::GetWindowLongA(sizeable.Handle(), GWL_STYLE);
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX),
              WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX);
    sizeable.SetBorderIcons(biSystemMenu | biMinimize);
    style = ::GetWindowLongA(sizeable.Handle(), GWL_STYLE);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_EQ(ClientOf(sizeable.Handle()).right, 300);
}

namespace {
struct ShowWatch {
    TForm* form = nullptr;
    std::vector<std::string> log;
    bool throwOnShow = false;
    void OnShow(TObject*) {
        log.push_back(::IsWindowVisible(form->Handle()) ? "show seen" : "show unseen");
        if (throwOnShow) throw std::runtime_error("Show failed");
    }
};
}  // namespace

TEST(Forms, OnShowRunsBeforeTheWindowAppearsAndFailuresStillShow) {
    Reports reports;
    SampleForm form(nullptr, false);
    ShowWatch watch;
    watch.form = &form;
    form.OnShow = Bind<&ShowWatch::OnShow>(&watch);
    form.Show();
    EXPECT_TRUE(form.Visible());
    EXPECT_TRUE(::IsWindowVisible(form.Handle()));
    form.Show();  // already shown: no second OnShow
    form.Hide();
    EXPECT_FALSE(::IsWindowVisible(form.Handle()));
    watch.throwOnShow = true;
    form.SetVisible(true);
    std::vector<std::string> expected{"show unseen", "show unseen"};
    EXPECT_EQ(watch.log, expected);
    EXPECT_TRUE(::IsWindowVisible(form.Handle()));
    ASSERT_EQ(reports.texts.size(), 1u);
    EXPECT_EQ(reports.texts[0], "Show failed");
}

namespace {
struct CloseWatch {
    bool allow = true;
    int queries = 0;
    bool* destroyed = nullptr;
    void OnCloseQuery(TObject*, bool& canClose) {
        ++queries;
        canClose = allow;
    }
    void OnDestroy(TObject*) { *destroyed = true; }
};
}  // namespace

TEST(Forms, CloseAsksThenHidesOrEndsTheLoop) {
    Reports reports;
    SampleForm form(nullptr, false);
    CloseWatch watch;
    form.OnCloseQuery = Bind<&CloseWatch::OnCloseQuery>(&watch);
    form.Show();

    watch.allow = false;
    ::SendMessageA(form.Handle(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(form.Visible());
    // Logging off asks the same question.
    EXPECT_EQ(::SendMessageA(form.Handle(), WM_QUERYENDSESSION, 0, 0), FALSE);
    watch.allow = true;
    EXPECT_NE(::SendMessageA(form.Handle(), WM_QUERYENDSESSION, 0, 0), FALSE);
    form.Close();
    EXPECT_FALSE(form.Visible());
    EXPECT_EQ(watch.queries, 4);

    // The main form's close ends the message loop.
    form.Show();
    Screen().SetMainForm(&form);
    form.Close();
    MSG quit;
    EXPECT_TRUE(::PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_TRUE(form.Visible());
    Screen().SetMainForm(nullptr);
    EXPECT_EQ(Application().MainWindow(), nullptr);
}

namespace {
struct ModalDialog : TForm {
    TButton* OK = nullptr;
    TButton* Cancel = nullptr;
    TEdit* Edit1 = nullptr;
    TTimer* Timer1 = nullptr;
    HWND other = nullptr;
    bool otherDisabled = false;
    UINT key = VK_ESCAPE;
    int cancelClicks = 0;

    explicit ModalDialog(TComponent* owner) : TForm(owner) {
        Describe({.name = "ModalDialog", .caption = "Modal", .left = 60, .top = 60, .clientWidth = 200,
                  .clientHeight = 100, .borderStyle = bsDialog},
                 [&] {
                     Edit1 = Make<TEdit>({.name = "Edit1", .left = 8, .top = 8, .width = 100, .height = 21});
                     OK = Make<TButton>({.name = "OK", .left = 8, .top = 60, .width = 75, .height = 25,
                                         .caption = "OK"});
                     Cancel = Make<TButton>({.name = "Cancel", .left = 100, .top = 60, .width = 75,
                                             .height = 25, .caption = "Cancel"},
                                            {.cancel = true, .onClick = Bind<&ModalDialog::CancelClick>(this)});
                     Timer1 = Make<TTimer>({.name = "Timer1"},
                                           {.interval = 30, .onTimer = Bind<&ModalDialog::Timer1Timer>(this)});
                 });
    }
    void CancelClick(TObject*) {
        ++cancelClicks;
        Close();
    }
    void Timer1Timer(TObject*) {
        Timer1->SetEnabled(false);
        otherDisabled = !::IsWindowEnabled(other);
        // A key as the user types it: through the message loop and its dialog navigation.
        ::PostMessageA(Edit1->Handle(), WM_KEYDOWN, key, 1);
    }
};
}  // namespace

TEST(Forms, ShowModalDisablesOthersAndEndsOnEsc) {
    Reports reports;
    SampleForm owner(nullptr, false);
    owner.Show();
    {
        ModalDialog dialog(&owner);
        dialog.other = owner.Handle();
        dialog.ShowModal();
        EXPECT_TRUE(dialog.otherDisabled);
        EXPECT_EQ(dialog.cancelClicks, 1);
        EXPECT_TRUE(::IsWindowEnabled(owner.Handle()));
        EXPECT_FALSE(dialog.Visible());
        EXPECT_FALSE(::IsWindowVisible(dialog.Handle()));
        // Owned by the form that owns it: kept above it.
        EXPECT_EQ(::GetWindow(dialog.Handle(), GW_OWNER), owner.Handle());
        EXPECT_THROW(
            {
                dialog.Show();
                dialog.ShowModal();
            },
            Error);
    }
    EXPECT_TRUE(reports.texts.empty());
    EXPECT_FALSE(Application().Terminated());
}

TEST(Forms, WindowStateKeepsTheRestoredBoundsWhileMinimized) {
    Reports reports;
    SampleForm form(nullptr, false);
    form.Show();
    int width = form.Width(), height = form.Height();
    form.log.clear();
    form.SetWindowState(wsMaximized);
    EXPECT_TRUE(::IsZoomed(form.Handle()));
    form.SetWindowState(wsNormal);
    EXPECT_FALSE(::IsZoomed(form.Handle()));
    EXPECT_EQ(form.Width(), width);
    form.SetWindowState(wsMinimized);
    ASSERT_TRUE(::IsIconic(form.Handle()));
    EXPECT_EQ(form.WindowState(), wsMinimized);
    EXPECT_EQ(form.Width(), width);
    EXPECT_EQ(form.Height(), height);
    // The resize handler saw the restored width when the window went down.
    ASSERT_FALSE(form.log.empty());
    EXPECT_EQ(form.log.back(), "resize " + std::to_string(width));
    form.SetWindowState(wsNormal);
    EXPECT_FALSE(::IsIconic(form.Handle()));
    EXPECT_EQ(form.Button1->Top(), 8);
    RECT r;
    ::GetWindowRect(form.Edit1->Handle(), &r);
    ::MapWindowPoints(nullptr, form.Handle(), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.top, 40);

    // Set while hidden, the state applies when the form shows.
    form.Hide();
    form.SetWindowState(wsMaximized);
    EXPECT_FALSE(::IsZoomed(form.Handle()));
    form.Show();
    EXPECT_TRUE(::IsZoomed(form.Handle()));
    EXPECT_TRUE(reports.texts.empty());
}

namespace {
struct FocusLog {
    std::vector<std::string> lines;
    void Enter(TObject* sender) { lines.push_back("enter " + static_cast<TComponent*>(sender)->Name()); }
};
}  // namespace

TEST(Forms, TabOrderSetsTheWindowOrderAndFocusRaisesEnter) {
    Reports reports;
    SampleForm form(nullptr, false);
    FocusLog log;
    for (TEdit* e : {form.Edit1, form.Edit2}) {
        e->OnEnter = Bind<&FocusLog::Enter>(&log);
    }
    HWND h = form.Handle();
    // Edit1 (0), Edit2 (1), Button1 (2), whatever the creation order was.
    HWND first = ::GetWindow(h, GW_CHILD);
    EXPECT_EQ(first, form.Edit1->Handle());
    EXPECT_EQ(::GetNextDlgTabItem(h, form.Edit1->Handle(), FALSE), form.Edit2->Handle());
    EXPECT_EQ(::GetNextDlgTabItem(h, form.Edit2->Handle(), FALSE), form.Button1->Handle());
    EXPECT_TRUE(::GetWindowLongA(form.Button1->Handle(), GWL_STYLE) & WS_TABSTOP);

    form.Show();
    Pump();
    form.Button1->SetFocus();
    log.lines.clear();
    form.Edit1->SetFocus();
    form.Edit2->SetFocus();
    form.Edit2->SetFocus();
    EXPECT_EQ(form.ActiveControl(), form.Edit2);
    std::vector<std::string> expected{"enter Edit1", "enter Edit2"};
    EXPECT_EQ(log.lines, expected);
    EXPECT_EQ(::GetActiveWindow(), h);

    // A field that goes away is no longer the active control.
    delete form.Edit2;
    EXPECT_EQ(form.ActiveControl(), nullptr);
}

TEST(Forms, DestructionRaisesOnDestroyThenFreesComponentsWhileTheWindowExists) {
    Reports reports;
    bool windowAlive = false;
    bool destroyed = false;
    CloseWatch watch;
    watch.destroyed = &destroyed;
    {
        SampleForm form(nullptr, true);
        form.Probe->formWindowAliveAtFree = &windowAlive;
        form.OnDestroy = Bind<&CloseWatch::OnDestroy>(&watch);
    }
    EXPECT_TRUE(destroyed);
    EXPECT_TRUE(windowAlive);
}

TEST(Screen, CursorTableOwnsWhatItHoldsAndMainFormShowsOnRun) {
    Reports reports;
    BYTE andMask[128], xorMask[128];
    std::fill(std::begin(andMask), std::end(andMask), 0xFF);
    std::fill(std::begin(xorMask), std::end(xorMask), 0x00);
    HINSTANCE instance = ::GetModuleHandleA(nullptr);
    HCURSOR first = ::CreateCursor(instance, 0, 0, 32, 32, andMask, xorMask);
    HCURSOR second = ::CreateCursor(instance, 5, 0, 32, 32, andMask, xorMask);
    Screen().SetCursors(5, first);
    EXPECT_EQ(Screen().Cursors(5), first);
    Screen().SetCursors(5, second);
    EXPECT_EQ(Screen().Cursors(5), second);
    ICONINFO info{};
    // The replaced cursor was destroyed; the table's current one is alive.
    EXPECT_FALSE(::GetIconInfo(first, &info));
    ASSERT_TRUE(::GetIconInfo(second, &info));
    if (info.hbmMask) ::DeleteObject(info.hbmMask);
    if (info.hbmColor) ::DeleteObject(info.hbmColor);
    EXPECT_EQ(Screen().Cursors(crDefault), ::LoadCursorA(nullptr, IDC_ARROW));
    Screen().SetCursors(5, nullptr);
    EXPECT_EQ(Screen().Cursors(5), ::LoadCursorA(nullptr, IDC_ARROW));

    {
        SampleForm form(nullptr, false);
        Screen().SetMainForm(&form);
        EXPECT_EQ(Application().MainWindow(), form.Hwnd());
        EXPECT_FALSE(form.Visible());
        Application().OnRun();
        EXPECT_TRUE(form.Visible());
        EXPECT_TRUE(::IsWindowVisible(form.Handle()));
    }
    // A main form that goes leaves no dangling main window behind.
    EXPECT_EQ(Screen().MainForm(), nullptr);
    EXPECT_EQ(Application().MainWindow(), nullptr);
    EXPECT_FALSE(Application().OnRun.Assigned());
}

namespace {
// A window class standing in for a system control, counting the presses its procedure sees.
int g_systemPresses = 0;
LRESULT CALLBACK CountingProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
    if (msg == WM_LBUTTONDOWN) ++g_systemPresses;
    return ::DefWindowProcA(hwnd, msg, w, l);
}

struct CountedControl : TButton {
    explicit CountedControl(TComponent* owner) : TButton(owner) {}
    void FillCreateParams(CreateParams& params) override {
        TButton::FillCreateParams(params);
        params.systemClass = "fwtest.Counting";
    }
};

struct Failing {
    void CloseQuery(TObject*, bool&) { throw Error("Close refused"); }
    void MouseDown(TObject*, TMouseButton, TShiftState, int, int) { throw Error("Press refused"); }
};
}  // namespace

TEST(Forms, AFailingHandlerIsReportedOnceAndGetsNoDefaultProcessing) {
    Reports reports;
    Failing failing;
    SampleForm form(nullptr, false);
    form.OnCloseQuery = Bind<&Failing::CloseQuery>(&failing);
    form.Show();
    // The default processing of WM_CLOSE would destroy the window.
    HWND window = form.Handle();
    ::SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(::IsWindow(window));
    EXPECT_TRUE(form.Visible());
    EXPECT_EQ(reports.texts, std::vector<std::string>{"Close refused"});

    WNDCLASSA wc{};
    wc.lpfnWndProc = CountingProc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = "fwtest.Counting";
    ASSERT_TRUE(::RegisterClassA(&wc));
    auto* control = form.Make<CountedControl>({.name = "Counted", .left = 8, .top = 100, .width = 60, .height = 20});
    control->OnMouseDown = Bind<&Failing::MouseDown>(&failing);
    ::SendMessageA(control->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    ::SendMessageA(control->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    EXPECT_EQ(g_systemPresses, 1);
    EXPECT_EQ(reports.texts.size(), 2u);
}
