// Watchers of a control's messages: the shared subclassing, the order and interception of the two
// passes, re-hooking a re-created window, letting go under a foreign procedure, and reports.
#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/Application.h"
#include "framework/Forms.h"
#include "framework/ProcEntry.h"
#include "winsize/WinsizeTestSupport.h"
#include "winsize/WindowHook.h"

using namespace winsizetest;
using sockmere::TWindowHook;

namespace {

constexpr UINT kPing = WM_APP + 7;

// A child control that records what its own window procedure gets.
struct Probe : fw::TWinControl {
    explicit Probe(Stage& stage) : fw::TWinControl(nullptr) { SetParent(&stage); }
    std::vector<UINT> seen;
    LRESULT WndProc(UINT msg, WPARAM w, LPARAM l) override {
        seen.push_back(msg);
        return msg == kPing ? 7 : fw::TWinControl::WndProc(msg, w, l);
    }
    int Count(UINT msg) const { return static_cast<int>(std::count(seen.begin(), seen.end(), msg)); }
};

// Logs both passes of the messages a test is about; handles or throws when asked.
struct Log {
    std::vector<std::string> lines;
    std::vector<UINT> watched{kPing};
    UINT handle = 0;
    bool throwIt = false;
    void Note(const char* pass, fw::TObject* sender, UINT msg) {
        if (std::find(watched.begin(), watched.end(), msg) != watched.end())
            lines.push_back(std::string(pass) + static_cast<TWindowHook*>(sender)->Name());
    }
    void Before(fw::TObject* sender, fw::TMessage& m, bool& handled) {
        Note("before ", sender, m.Msg);
        if (throwIt) throw std::runtime_error("watcher failed");
        if (m.Msg == handle) {
            handled = true;
            m.Result = 42;
        }
    }
    void After(fw::TObject* sender, fw::TMessage& m, bool&) { Note("after ", sender, m.Msg); }
};

std::unique_ptr<TWindowHook> Watch(const char* name, Log& log, fw::TWinControl* control) {
    auto watcher = std::make_unique<TWindowHook>(nullptr);
    watcher->SetName(name);
    watcher->BeforeMessage = sockmere::THookMessageEvent::Of<&Log::Before>(&log);
    watcher->AfterMessage = sockmere::THookMessageEvent::Of<&Log::After>(&log);
    watcher->SetWinControl(control);
    return watcher;
}

using Lines = std::vector<std::string>;

}  // namespace

TEST(WindowHook, WatchersShareOneSubclassingAndTheLaterOneGoesFirst) {
    fw::Application().Initialize();
    long entries = fw::WndProcEntry::LiveCount();
    Stage stage;
    Probe probe(stage);
    HWND hwnd = probe.Handle();
    WNDPROC own = ProcOf(hwnd);
    Log log;
    auto first = Watch("first", log, &probe);
    WNDPROC entry = ProcOf(hwnd);
    EXPECT_NE(entry, own);
    auto second = Watch("second", log, &probe);
    EXPECT_EQ(ProcOf(hwnd), entry);
    EXPECT_EQ(first->ControlHook(), second->ControlHook());
    EXPECT_EQ(fw::WndProcEntry::LiveCount(), entries + 1);

    EXPECT_EQ(::SendMessageA(hwnd, kPing, 0, 0), 7);
    EXPECT_EQ(log.lines, (Lines{"before second", "before first", "after second", "after first"}));

    // Handled before: neither the window nor any after-handler sees it; the watcher's result stands.
    log.lines.clear();
    log.handle = kPing;
    EXPECT_EQ(::SendMessageA(hwnd, kPing, 0, 0), 42);
    EXPECT_EQ(log.lines, (Lines{"before second"}));
    EXPECT_EQ(probe.Count(kPing), 1);

    // WM_QUIT skips the before pass only.
    log.lines.clear();
    log.watched = {WM_QUIT};
    ::SendMessageA(hwnd, WM_QUIT, 0, 0);
    EXPECT_EQ(log.lines, (Lines{"after second", "after first"}));
    EXPECT_EQ(probe.Count(WM_QUIT), 1);

    first.reset();
    EXPECT_EQ(ProcOf(hwnd), entry);
    second->SetActive(false);
    EXPECT_EQ(ProcOf(hwnd), own);
    EXPECT_EQ(fw::WndProcEntry::LiveCount(), entries);
}

TEST(WindowHook, AReCreatedWindowIsWatchedAgainOnceHookAgainArrives) {
    fw::Application().Initialize();
    long entries = fw::WndProcEntry::LiveCount();
    Stage stage;
    Probe probe(stage);
    Log log;
    log.handle = WM_DESTROY;
    auto watcher = Watch("w", log, &probe);
    ::DestroyWindow(probe.Handle());
    EXPECT_EQ(probe.Count(WM_DESTROY), 1) << "WM_DESTROY is always passed on";
    EXPECT_FALSE(probe.HandleAllocated());

    fw::Application().ProcessMessages();
    ASSERT_TRUE(probe.HandleAllocated()) << "the hook made the control's window anew";
    log.lines.clear();
    ::SendMessageA(probe.Handle(), kPing, 0, 0);
    EXPECT_EQ(log.lines, (Lines{"before w", "after w"}));

    watcher.reset();
    EXPECT_EQ(fw::WndProcEntry::LiveCount(), entries);
}

TEST(WindowHook, AnEntryUnderAnotherProcedureStaysBehindAndKeepsTheWindowWorking) {
    fw::Application().Initialize();
    long entries = fw::WndProcEntry::LiveCount();
    Stage stage;
    auto probe = std::make_unique<Probe>(stage);
    HWND hwnd = probe->Handle();
    Log log;
    auto watcher = Watch("w", log, probe.get());
    SubclassOver(hwnd);

    watcher->SetActive(false);
    EXPECT_EQ(ProcOf(hwnd), &Above);
    EXPECT_EQ(::SendMessageA(hwnd, kPing, 0, 0), 7);
    EXPECT_TRUE(log.lines.empty());

    // Joining again goes over the foreign procedure without looping back through the old entry.
    watcher->SetActive(true);
    EXPECT_EQ(::SendMessageA(hwnd, kPing, 0, 0), 7);
    EXPECT_EQ(log.lines, (Lines{"before w", "after w"}));
    EXPECT_EQ(probe->Count(kPing), 2);

    // Watcher and control hook go; the entry left under the foreign procedure still passes on.
    watcher->SetWinControl(nullptr);
    fw::Application().ProcessMessages();
    watcher.reset();
    EXPECT_EQ(ProcOf(hwnd), &Above);
    EXPECT_EQ(::SendMessageA(hwnd, kPing, 0, 0), 7);
    EXPECT_EQ(probe->Count(kPing), 3);
    probe.reset();
    EXPECT_EQ(fw::WndProcEntry::LiveCount(), entries) << "released with its window";
}

TEST(WindowHook, WinControlSetterAndRemovalRules) {
    fw::Application().Initialize();
    Stage stage;
    Probe probe(stage);
    Log log;
    auto watcher = Watch("w", log, &probe);
    sockmere::TControlHook* hook = watcher->ControlHook();
    ASSERT_NE(hook, nullptr);
    WNDPROC entry = ProcOf(probe.Handle());

    watcher->SetWinControl(&probe);
    EXPECT_EQ(watcher->ControlHook(), hook);
    EXPECT_EQ(ProcOf(probe.Handle()), entry);

    // Null on an active watcher: still active, unattached, and the emptied control hook goes.
    watcher->SetWinControl(nullptr);
    EXPECT_TRUE(watcher->Active());
    EXPECT_EQ(watcher->ControlHook(), nullptr);
    EXPECT_TRUE(sockmere::GlobalHookList()->Contains(hook));
    fw::Application().ProcessMessages();
    EXPECT_FALSE(sockmere::GlobalHookList()->Contains(hook));

    // Freeing the watched control clears WinControl.
    auto doomed = std::make_unique<Probe>(stage);
    watcher->SetWinControl(doomed.get());
    ASSERT_NE(watcher->ControlHook(), nullptr);
    doomed.reset();
    EXPECT_EQ(watcher->WinControl(), nullptr);
    EXPECT_EQ(watcher->ControlHook(), nullptr);
    fw::Application().ProcessMessages();
}

TEST(WindowHook, AFailingWatcherIsReportedAndTheNextStillRuns) {
    std::vector<std::string> reports;
    struct Reports {
        std::vector<std::string>* texts;
        void On(fw::TComponent*, const std::string& text) { texts->push_back(text); }
    } sink{&reports};
    fw::Application().Initialize();
    fw::Application().OnException = fw::Event<fw::TComponent*, const std::string&>::Of<&Reports::On>(&sink);
    Stage stage;
    Probe probe(stage);
    Log good, bad;
    bad.throwIt = true;
    auto first = Watch("good", good, &probe);
    auto second = Watch("bad", bad, &probe);
    EXPECT_EQ(::SendMessageA(probe.Handle(), kPing, 0, 0), 7);
    fw::Application().OnException.Clear();
    EXPECT_EQ(reports, (std::vector<std::string>{"watcher failed"}));
    EXPECT_EQ(good.lines, (Lines{"before good", "after good"}));
}
