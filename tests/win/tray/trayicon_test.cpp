#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "TrayTestSupport.h"
#include "framework/Menus.h"
#include "tray/TrayIcon.h"

using namespace sockmere;
using namespace traytest;

namespace {

void CALLBACK CloseMenu(HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    ::EndMenu();
}

// Everything the tray icon and its menu raise, in order, as short texts.
struct Log {
    std::vector<std::string> lines;
    bool throwOnMove = false;

    static const char* Name(TMouseButton b) {
        return b == fw::mbLeft ? "left" : b == fw::mbRight ? "right" : "middle";
    }
    static std::string Flags(TShiftState s) {
        std::string f;
        if (s & fw::ssLeft) f += "+L";
        if (s & fw::ssRight) f += "+R";
        if (s & fw::ssMiddle) f += "+M";
        if (s & fw::ssDouble) f += "+D";
        return f;
    }
    void Click(fw::TObject*, TMouseButton b, TShiftState s, int, int) {
        lines.push_back(std::string("click ") + Name(b) + Flags(s));
    }
    void Down(fw::TObject*, TMouseButton b, TShiftState s, int, int) {
        lines.push_back(std::string("down ") + Name(b) + Flags(s));
    }
    void Up(fw::TObject*, TMouseButton b, TShiftState s, int, int) {
        lines.push_back(std::string("up ") + Name(b) + Flags(s));
    }
    void Move(fw::TObject*, TShiftState, int, int) {
        lines.push_back("move");
        if (throwOnMove) throw std::runtime_error("Boom");
    }
    void DblClick(fw::TObject*) { lines.push_back("dblclick"); }
    void Popup(fw::TObject*) {
        lines.push_back("popup");
        // The menu tracks until closed: close it from a timer that its loop dispatches.
        ::SetTimer(nullptr, 0, 50, &CloseMenu);
    }
    void Item(fw::TObject* sender) {
        lines.push_back("item " + static_cast<fw::TMenuItem*>(sender)->Caption());
    }
    void Failing(fw::TObject*) { throw std::runtime_error("Item failed"); }
};

struct Reports {
    std::vector<std::string> texts;
    fw::TComponent* sender = nullptr;
    void On(fw::TComponent* s, const std::string& t) { texts.push_back(t), sender = s; }
};

class TrayIconTest : public ::testing::Test {
protected:
    void SetUp() override {
        fw::Application().Initialize();
        LoadPicture(picture, "src/app/res/sockmere.ico");
        tray = std::make_unique<TTrayIcon>(nullptr);
        tray->OnClick = TMouseEvent::Of<&Log::Click>(&log);
        tray->OnMouseDown = TMouseEvent::Of<&Log::Down>(&log);
        tray->OnMouseUp = TMouseEvent::Of<&Log::Up>(&log);
        tray->OnMouseMove = TMouseMoveEvent::Of<&Log::Move>(&log);
        tray->OnDblClick = fw::TNotifyEvent::Of<&Log::DblClick>(&log);
    }
    void TearDown() override {
        tray.reset();
        fw::Application().OnException.Clear();
    }
    // The tray menu of the main window: "Restore" (default), "Refresh", a separator, "Exit".
    std::unique_ptr<fw::TPopupMenu> MakeMenu() {
        auto menu = std::make_unique<fw::TPopupMenu>(nullptr);
        for (const char* caption : {"Restore", "Refresh", "-", "Exit"}) {
            auto* item = new fw::TMenuItem(menu.get());
            item->SetCaption(caption);
            item->OnClick = fw::TNotifyEvent::Of<&Log::Item>(&log);
            menu->Items()->Add(item);
        }
        menu->Items()->Items(0)->SetDefault(true);
        menu->OnPopup = fw::TNotifyEvent::Of<&Log::Popup>(&log);
        return menu;
    }
    void Show() {
        tray->SetIcon(&picture);
        ASSERT_TRUE(tray->Shown());
        shell.Clear();
        log.lines.clear();
    }

    FakeShell shell;
    fw::TIcon picture;
    std::unique_ptr<TTrayIcon> tray;
    Log log;
};

using Lines = std::vector<std::string>;

}  // namespace

TEST_F(TrayIconTest, TheRecordCarriesTheWindowTheMessageAndTheShortHint) {
    tray->SetHint(std::string(70, 'x'));
    tray->SetIcon(&picture);
    std::vector<ShellCall> calls = shell.Calls();
    ASSERT_FALSE(calls.empty());
    const ShellCall& add = calls.back();
    EXPECT_EQ(add.message, DWORD(NIM_ADD));
    EXPECT_EQ(add.size, 88u);
    EXPECT_EQ(add.window, tray->CallbackWindow());
    EXPECT_EQ(add.id, 0u);
    EXPECT_EQ(add.flags, UINT(NIF_MESSAGE | NIF_ICON | NIF_TIP));
    EXPECT_EQ(add.callback, 0xB040u);
    EXPECT_EQ(add.icon, tray->Icon().Handle());
    EXPECT_EQ(add.tip, std::string(63, 'x'));

    tray->SetHint("Sockmere|connections of this machine");
    EXPECT_EQ(shell.Calls().back().message, DWORD(NIM_MODIFY));
    EXPECT_EQ(shell.Calls().back().tip, "Sockmere");
    EXPECT_EQ(tray->Hint(), "Sockmere|connections of this machine");
}

TEST_F(TrayIconTest, AnEmptyHintIsAddedAndThenModifiedOnceWithTheSameRecord) {
    tray->SetIcon(&picture);
    std::vector<ShellCall> calls = shell.Calls();
    ASSERT_EQ(calls.size(), 3u);  // the removal that showing starts with, then add and modify
    EXPECT_EQ(calls[0].message, DWORD(NIM_DELETE));
    EXPECT_EQ(calls[1].message, DWORD(NIM_ADD));
    EXPECT_EQ(calls[2].message, DWORD(NIM_MODIFY));
    EXPECT_EQ(calls[2].tip, "");
    EXPECT_EQ(calls[2].icon, calls[1].icon);

    tray->SetActive(false);
    tray->SetHint("Sockmere");
    shell.Clear();
    tray->SetActive(true);
    EXPECT_EQ(shell.Count(NIM_ADD), 1u);
    EXPECT_EQ(shell.Count(NIM_MODIFY), 0u);
}

TEST_F(TrayIconTest, TheSameHintWrittenTwiceMakesOneCall) {
    Show();
    tray->SetHint("Checking connections...");
    tray->SetHint("Checking connections...");
    EXPECT_EQ(shell.Total(), 1u);
    tray->SetActive(true);  // already active: nothing
    EXPECT_EQ(shell.Total(), 1u);
}

TEST_F(TrayIconTest, ActiveWithoutAPictureAddsNothingUntilAPictureArrives) {
    tray->SetActive(false);
    tray->SetActive(true);
    EXPECT_EQ(shell.Count(NIM_ADD), 0u);
    EXPECT_FALSE(tray->Shown());
    tray->SetIcon(&picture);
    EXPECT_EQ(shell.Count(NIM_ADD), 1u);
    EXPECT_TRUE(tray->Shown());

    // A refused add leaves it not shown; the next refresh tries again.
    tray->SetActive(false);
    shell.SetAddResult(FALSE);
    tray->SetActive(true);
    EXPECT_FALSE(tray->Shown());
    shell.SetAddResult(TRUE);
    tray->SetHint("again");
    EXPECT_TRUE(tray->Shown());
    EXPECT_EQ(shell.Count(NIM_ADD), 3u);

    // With Active off, a picture change adds nothing.
    tray->SetActive(false);
    shell.Clear();
    tray->SetIcon(&picture);
    EXPECT_EQ(shell.Count(NIM_ADD), 0u);
}

TEST_F(TrayIconTest, RightClickOpensThePopupMenuInsteadOfRaisingOnClick) {
    auto menu = MakeMenu();
    tray->SetPopupMenu(menu.get());
    Show();
    SendMouse(*tray, WM_RBUTTONDOWN);
    SendMouse(*tray, WM_RBUTTONUP);
    EXPECT_EQ(log.lines, (Lines{"down right+R", "popup", "up right+R"}));

    // A freed menu is forgotten: the click is an ordinary one again.
    menu.reset();
    EXPECT_EQ(tray->PopupMenu(), nullptr);
    log.lines.clear();
    SendMouse(*tray, WM_RBUTTONDOWN);
    SendMouse(*tray, WM_RBUTTONUP);
    EXPECT_EQ(log.lines, (Lines{"down right+R", "click right+R", "up right+R"}));
}

TEST_F(TrayIconTest, LeftDoubleClickRunsTheEnabledDefaultItemInsteadOfOnDblClick) {
    auto menu = MakeMenu();
    tray->SetPopupMenu(menu.get());
    Show();
    SendMouse(*tray, WM_LBUTTONDBLCLK);
    SendMouse(*tray, WM_LBUTTONUP);
    EXPECT_EQ(log.lines, (Lines{"item Restore", "down left+D", "up left+L"}));

    log.lines.clear();
    menu->Items()->Items(0)->SetEnabled(false);
    SendMouse(*tray, WM_LBUTTONDBLCLK);
    EXPECT_EQ(log.lines, (Lines{"dblclick", "down left+D"}));

    // An enabled default item further down is the one carried out.
    log.lines.clear();
    menu->Items()->Items(3)->SetDefault(true);
    SendMouse(*tray, WM_LBUTTONDBLCLK);
    EXPECT_EQ(log.lines, (Lines{"item Exit", "down left+D"}));

    // Not active: neither the menu nor the default item is used.
    log.lines.clear();
    tray->SetActive(false);
    SendMouse(*tray, WM_LBUTTONDBLCLK);
    SendMouse(*tray, WM_RBUTTONDOWN);
    SendMouse(*tray, WM_RBUTTONUP);
    EXPECT_EQ(log.lines, (Lines{"dblclick", "down left+D", "down right+R", "click right+R", "up right+R"}));
}

TEST_F(TrayIconTest, ButtonsClickOnlyAfterGoingDownOverTheIconAndTheMiddleOneNever) {
    Show();
    SendMouse(*tray, WM_LBUTTONDOWN);
    SendMouse(*tray, WM_LBUTTONUP);
    SendMouse(*tray, WM_LBUTTONUP);
    SendMouse(*tray, WM_MBUTTONDOWN);
    SendMouse(*tray, WM_MBUTTONUP);
    SendMouse(*tray, WM_MBUTTONDBLCLK);
    SendMouse(*tray, WM_RBUTTONDBLCLK);
    SendMouse(*tray, WM_MOUSEMOVE);
    SendMouse(*tray, WM_MOUSEWHEEL);  // not in the table: ignored
    EXPECT_EQ(log.lines, (Lines{"down left+L", "click left+L", "up left+L", "up left+L", "down middle+M",
                                "up middle+M", "down middle+D", "down right+D", "move"}));
}

TEST_F(TrayIconTest, ShowingEmptiesThePressedButtons) {
    Show();
    SendMouse(*tray, WM_LBUTTONDOWN);
    SendMouse(*tray, WM_RBUTTONDOWN);
    tray->ShowInTray();
    SendMouse(*tray, WM_LBUTTONUP);
    SendMouse(*tray, WM_RBUTTONUP);
    EXPECT_EQ(log.lines, (Lines{"down left+L", "down right+R", "up left+L", "up right+R"}));
}

TEST_F(TrayIconTest, DestroyingWhileShownAndAnimatedRemovesTheIconAndStopsTheThread) {
    tray->Icons().ReadIcons(FramesStream());
    tray->SetInterval(10);
    Show();
    tray->SetAnimated(true);
    EXPECT_EQ(fw::TThread::LiveCount(), 1);
    EXPECT_TRUE(WaitUntil([&] { return tray->FrameIndex() >= 1; }));
    tray.reset();
    std::vector<ShellCall> calls = shell.Calls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back().message, DWORD(NIM_DELETE));
    EXPECT_TRUE(NoLiveThreads());
    const size_t after = shell.Total();
    Pump(60);
    EXPECT_EQ(shell.Total(), after);
}

TEST_F(TrayIconTest, AnExceptionInAHandlerReachesTheReportAndTheIconKeepsWorking) {
    Reports reports;
    fw::Application().OnException = fw::Event<fw::TComponent*, const std::string&>::Of<&Reports::On>(&reports);
    auto menu = MakeMenu();
    menu->Items()->Items(0)->OnClick = fw::TNotifyEvent::Of<&Log::Failing>(&log);
    tray->SetPopupMenu(menu.get());
    Show();
    log.throwOnMove = true;
    EXPECT_EQ(SendMouse(*tray, WM_MOUSEMOVE), 0);
    EXPECT_EQ(SendMouse(*tray, WM_MOUSEMOVE), 0);
    SendMouse(*tray, WM_LBUTTONDBLCLK);
    EXPECT_EQ(reports.texts, (Lines{"Boom", "Boom", "Item failed"}));
    EXPECT_EQ(reports.sender, tray.get());
    EXPECT_EQ(log.lines, (Lines{"move", "move"}));  // the failing item ended the double click

    log.throwOnMove = false;
    SendMouse(*tray, WM_LBUTTONDOWN);
    SendMouse(*tray, WM_LBUTTONUP);
    tray->SetHint("still here");
    EXPECT_EQ(shell.Calls().back().tip, "still here");
    EXPECT_EQ(log.lines, (Lines{"move", "move", "down left+L", "click left+L", "up left+L"}));
}

TEST_F(TrayIconTest, TaskbarCreatedAddsTheIconAgainWhileActive) {
    const UINT taskbarCreated = ::RegisterWindowMessageA("TaskbarCreated");
    tray->SetHint("Sockmere");
    Show();
    ::SendMessageA(tray->CallbackWindow(), taskbarCreated, 0, 0);
    std::vector<ShellCall> calls = shell.Calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].message, DWORD(NIM_DELETE));
    EXPECT_EQ(calls[1].message, DWORD(NIM_ADD));
    EXPECT_TRUE(tray->Shown());

    tray->SetActive(false);
    shell.Clear();
    ::SendMessageA(tray->CallbackWindow(), taskbarCreated, 0, 0);
    EXPECT_EQ(shell.Total(), 0u);
    EXPECT_FALSE(tray->Shown());
}

TEST_F(TrayIconTest, TheCallbackWindowIsAHiddenZeroSizedToolWindow) {
    HWND window = tray->CallbackWindow();
    ASSERT_TRUE(::IsWindow(window));
    EXPECT_FALSE(::IsWindowVisible(window));
    EXPECT_EQ(::GetParent(window), nullptr);
    EXPECT_TRUE(::GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    RECT r{};
    ::GetWindowRect(window, &r);
    EXPECT_EQ(r.right - r.left, 0);
    EXPECT_EQ(r.bottom - r.top, 0);
    tray.reset();
    EXPECT_FALSE(::IsWindow(window));
}

TEST_F(TrayIconTest, LoadingShowsTheIconOnceTheDescriptionIsApplied) {
    fw::TComponent form(nullptr);
    form.BeginLoading();
    auto* loaded = new TTrayIcon(&form);
    loaded->SetActive(false);
    loaded->SetHint("Sockmere");
    loaded->SetIcon(&picture);
    EXPECT_EQ(shell.Count(NIM_ADD), 0u);
    loaded->SetActive(true);  // the description sets it like any write: at once
    EXPECT_EQ(shell.Count(NIM_ADD), 1u);
    loaded->SetActive(false);
    form.EndLoading();
    EXPECT_EQ(shell.Count(NIM_ADD), 1u);

    fw::TComponent other(nullptr);
    other.BeginLoading();
    auto* second = new TTrayIcon(&other);
    second->SetIcon(&picture);  // Active by default: shows at once
    shell.Clear();
    other.EndLoading();         // and again once loaded
    EXPECT_EQ(shell.Count(NIM_ADD), 1u);
}
