#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "framework/Application.h"
#include "framework/Component.h"
#include "framework/Errors.h"
#include "framework/Event.h"
#include "framework/Window.h"

using namespace fw;

namespace {

std::vector<std::string>* g_log;

struct Probe : TComponent {
    std::string tag;
    Probe(TComponent* owner, std::string t) : TComponent(owner), tag(std::move(t)) {}
    ~Probe() override { g_log->push_back("free " + tag); }
    void Loaded() override { g_log->push_back("loaded " + tag); }
    void Notification(TComponent* c, Operation op) override {
        TComponent::Notification(c, op);
        if (op == Operation::Remove) g_log->push_back(tag + " hears " + static_cast<Probe*>(c)->tag);
    }
};

struct Counter {
    int sum = 0;
    void Add(int v) { sum += v; }
};

}  // namespace

TEST(Component, OwnerFreesLastCreatedFirstAndNotifiesSiblings) {
    std::vector<std::string> log;
    g_log = &log;
    {
        Probe owner(nullptr, "owner");
        new Probe(&owner, "a");
        new Probe(&owner, "b");
        owner.BeginLoading();
        owner.EndLoading();
    }
    // The owner's own destructor has run by then, so only the surviving sibling hears.
    std::vector<std::string> expected{"loaded a", "loaded b", "loaded owner", "free owner",
                                      "free b", "a hears b", "free a"};
    EXPECT_EQ(log, expected);
}

TEST(Component, FreeNotificationReachesAnotherOwnersComponent) {
    std::vector<std::string> log;
    g_log = &log;
    Probe watcher(nullptr, "watcher");
    {
        Probe watched(nullptr, "watched");
        watcher.FreeNotification(&watched);
    }
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), "watcher hears watched");
}

TEST(Event, CallsOnlyWhenAssigned) {
    Counter c;
    Event<int> e;
    e(5);
    EXPECT_FALSE(e.Assigned());
    e = Event<int>::Of<&Counter::Add>(&c);
    e(5);
    e(2);
    EXPECT_EQ(c.sum, 7);
    Event<int> copy = e;
    EXPECT_TRUE(copy == e);
    e.Clear();
    e(100);
    EXPECT_EQ(c.sum, 7);
}

TEST(Application, ReportTextAddsFullStopOnlyAfterHigherCharacters) {
    EXPECT_EQ(TApplication::ReportText("Access denied"), "Access denied.");
    EXPECT_EQ(TApplication::ReportText("Done."), "Done.");
    EXPECT_EQ(TApplication::ReportText("Really!"), "Really!");
    EXPECT_EQ(TApplication::ReportText("Path /"), "Path /.");
    EXPECT_EQ(TApplication::ReportText(""), "");
}

namespace {
struct Thrower : Window {
    TComponent sender{nullptr};
    void Create() { CreateHandle("fw.test.Thrower", 0, WS_POPUP, "", 0, 0, 10, 10, nullptr); }
    LRESULT WndProc(UINT msg, WPARAM w, LPARAM l) override {
        if (msg == WM_APP + 7 || msg == WM_QUERYENDSESSION) throw std::runtime_error("Boom");
        return Window::WndProc(msg, w, l);
    }
    TComponent* ExceptionSender() override { return &sender; }
};
struct Reports {
    std::vector<std::string> texts;
    TComponent* sender = nullptr;
    void On(TComponent* s, const std::string& t) { texts.push_back(t), sender = s; }
};
}  // namespace

TEST(Window, BindsHandleAndReportsExceptionsWithoutUnwindingUser32) {
    Application().Initialize();
    Reports reports;
    Application().OnException = Event<TComponent*, const std::string&>::Of<&Reports::On>(&reports);
    {
        Thrower w;
        w.Create();
        ASSERT_TRUE(w.HandleAllocated());
        EXPECT_EQ(Window::FromHandle(w.Hwnd()), &w);
        ::SendMessageA(w.Hwnd(), WM_APP + 7, 0, 0);
        ::SendMessageA(w.Hwnd(), WM_APP + 7, 0, 0);
        ASSERT_EQ(reports.texts.size(), 2u);
        EXPECT_EQ(reports.texts[0], "Boom");
        EXPECT_EQ(reports.sender, &w.sender);
        // A failed handler must not veto the end of the session.
        EXPECT_EQ(::SendMessageA(w.Hwnd(), WM_QUERYENDSESSION, 0, 0), TRUE);
        EXPECT_EQ(reports.texts.size(), 3u);
        HWND h = w.Hwnd();
        ::DestroyWindow(h);
        EXPECT_FALSE(w.HandleAllocated());
        EXPECT_EQ(Window::FromHandle(h), nullptr);
    }
    Application().OnException.Clear();
}

TEST(Format, FillsTheDirectivesItKnowsAndKeepsTheRest) {
    EXPECT_EQ(Format("Failed to get data for '%s'", std::string("ShowCmd")), "Failed to get data for 'ShowCmd'");
    EXPECT_EQ(Format("List index out of bounds (%d)", -1), "List index out of bounds (-1)");
    EXPECT_EQ(Format("System error %lu", 4294967295ul), "System error 4294967295");
    EXPECT_EQ(Format("%s is %u, 100%% %x", "a", 7u), "a is 7, 100% %x");
    // Fewer arguments than directives leave the rest empty rather than reading past the list.
    EXPECT_EQ(Format("%s and %s", "one"), "one and ");
}
