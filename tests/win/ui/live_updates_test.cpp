// Live updates in-process: the menu and its stored value, when updates start, what an update
// keeps of the table, a failed update, and a refresh that overtakes one.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ClipboardText.h"
#include "UiTestSupport.h"
#include "framework/Handles.h"
#include "framework/Thread.h"
#include "listing/ListingRun.h"
#include "listing/Runner.h"
#include "ui/FilterBar.h"
#include "ui/TableExport.h"
#include "ui/Unit1.h"

using namespace uitest;
using sockmere::TForm1;

namespace {

// Connections from local ports from, from + 1, ... (but skip) to remote:443.
std::string Rows(int from, int count, const std::string& remote = "10.0.0.2", int skip = -1) {
    std::string text;
    for (int port = from; port < from + count; ++port)
        if (port != skip) text += "  TCP    127.0.0.1:" + std::to_string(port) + "     " + remote + ":443     ESTABLISHED\r\n";
    return text;
}

std::string Listing(const std::string& rows) {
    return "\r\nActive Connections\r\n\r\n  Proto  Local Address          Foreign Address        State\r\n" + rows;
}

std::string LocalPort(const TForm1& form, int item) {
    return item < 0 ? "none" : std::string(form.lv->ItemField(item, 2));
}

// What the list view and the buttons are told while an update lands.
struct ControlSpy {
    static inline std::vector<std::string>* log = nullptr;
    static LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM w, LPARAM l, UINT_PTR, DWORD_PTR) {
        if (log && msg == LVM_DELETEALLITEMS) log->push_back("clear");
        if (log && msg == LVM_SETITEMCOUNT) log->push_back("count " + std::to_string(w));
        if (log && msg == WM_ENABLE) log->push_back("enable");
        return ::DefSubclassProc(h, msg, w, l);
    }
};

// Runs in a modal loop or an open menu: after a while notes the runs so far and closes it.
struct Closer {
    static inline std::function<int()> count;
    static inline int seen = -1;
    static VOID CALLBACK Proc(HWND, UINT, UINT_PTR id, DWORD) {
        ::KillTimer(nullptr, id);
        seen = count();
        if (fw::TForm* modal = ModalForm()) ::PostMessageA(modal->Hwnd(), WM_CLOSE, 0, 0);
        ::EndMenu();
    }
};

// A main window filled by a refresh from a listing of 60 connections, shown; the fake listing
// command notes each run.
class LiveTest : public ::testing::Test {
protected:
    void SetUp() override {
        Serve(Listing(Rows(1000, 60)));
        form = RefreshedForm();
        form->lv->SetFocus();
        Pump();
    }
    void TearDown() override {
        form.reset();
        // The options a test chose stay out of the next one's window.
        StoredSettings().Wipe();
    }

    void Serve(const std::string& text) { listing_.Serve(text); }
    int Runs() { return listing_.Runs(); }
    // Turns updates on and waits for the end of the next one, which panel 0 tells.
    bool NextUpdate(DWORD ms = 5000) {
        form->stat->SetPanelText(0, "waiting");
        form->LiveUpdates1->SetSeconds(1);
        return PumpUntil([&] { return form->stat->PanelText(0) != "waiting"; }, ms);
    }
    // No run starts for a while, pumped the way it is.
    template <class Pumping>
    int RunsWhile(Pumping pumping) {
        const int before = Runs();
        Closer::count = [this] { return Runs(); };
        Closer::seen = -1;
        ::SetTimer(nullptr, 0, 2500, &Closer::Proc);
        pumping();
        EXPECT_NE(Closer::seen, -1);
        return Closer::seen - before;
    }

    Reports reports;
    Shell shell;
    ServedListing listing_{"sockmere_live"};
    std::unique_ptr<TForm1> form;
};

}  // namespace

TEST_F(LiveTest, OffByDefaultWithNoTimerNoThreadAndNothingNew) {
    EXPECT_EQ(form->LiveUpdates1->Seconds(), 0);
    fw::TMenuItem* every = form->PopupMenu2->Items()->Items(9);
    ASSERT_EQ(every->Caption(), "Refresh Every");
    std::vector<std::string> choices;
    for (int i = 0; i < every->Count(); ++i)
        choices.push_back(every->Items(i)->Caption() + (every->Items(i)->Checked() ? "+" : "") +
                          (every->Items(i)->RadioItem() ? "" : " (not a radio item)"));
    EXPECT_EQ(choices, (std::vector<std::string>{"Off+", "1 Second", "2 Seconds", "5 Seconds", "10 Seconds",
                                                 "30 Seconds"}));
    // The tray's animation thread ends on its own after the refresh; nothing else runs.
    EXPECT_TRUE(PumpUntil([] { return fw::TThread::LiveCount() == 0; }));
    ::Sleep(1500);
    Pump();
    EXPECT_EQ(Runs(), 1);
    EXPECT_EQ(fw::TThread::LiveCount(), 0);
    EXPECT_EQ(::FindWindowExA(HWND_MESSAGE, nullptr, "Sockmere.LiveUpdates", nullptr), nullptr);
    EXPECT_EQ(form->stat->PanelText(0), "Done.");
    form.reset();
    EXPECT_EQ(StoredSettings().Read("RefreshEvery"), "<missing>");
}

TEST(LiveUpdatesSetting, AChoiceIsStoredAndTheStoredOneReadAtStart) {
    Reports reports;
    Shell shell;
    auto form = FreshForm({"-n"});
    fw::TMenuItem* every = form->LiveUpdates1->Menu();
    every->Items(3)->Click();
    EXPECT_EQ(form->LiveUpdates1->Seconds(), 5);
    EXPECT_EQ(StoredSettings().Read("RefreshEvery"), "5");
    EXPECT_TRUE(every->Items(3)->Checked());
    EXPECT_FALSE(every->Items(0)->Checked());
    every->Items(0)->Click();
    EXPECT_EQ(StoredSettings().Read("RefreshEvery"), "0");
    form.reset();
    for (auto [stored, seconds] : {std::pair{"10", 10}, {"30", 30}, {"7", 0}, {"1 ", 0}, {"abc", 0}}) {
        StoredSettings().SetText("RefreshEvery", stored);
        form = std::make_unique<TForm1>(nullptr, std::vector<std::string>{"-n"});
        EXPECT_EQ(form->LiveUpdates1->Seconds(), seconds) << stored;
        int checked = 0;
        for (int i = 0; i < form->LiveUpdates1->Menu()->Count(); ++i)
            checked += form->LiveUpdates1->Menu()->Items(i)->Checked() ? form->LiveUpdates1->Menu()->Items(i)->Tag() + 100 : 0;
        EXPECT_EQ(checked, seconds + 100) << stored;
        form.reset();
    }
    StoredSettings().Wipe();
}

TEST_F(LiveTest, UpdatesComeAtTheIntervalOnlyWhileTheWindowCanShowThem) {
    form->LiveUpdates1->SetSeconds(1);
    int before = Runs();
    const DWORD start = ::GetTickCount();
    PumpUntil([] { return false; }, 3300);
    // Each comes a second after the end of the one before.
    const int runs = Runs() - before;
    EXPECT_GE(runs, 2);
    EXPECT_LE(runs, static_cast<int>((::GetTickCount() - start) / 1000));

    form->Button4Click(form->Button4);  // to the tray
    before = Runs();
    PumpUntil([] { return false; }, 2500);
    EXPECT_EQ(Runs(), before);
    form->Restore1Click(form.get());
    EXPECT_TRUE(PumpUntil([&] { return Runs() > before; }, 2000));

    form->SetWindowState(fw::wsMinimized);
    before = Runs();
    PumpUntil([] { return false; }, 2500);
    EXPECT_EQ(Runs(), before);
    form->SetWindowState(fw::wsNormal);

    form->lv->SetSelected(0);
    EXPECT_EQ(RunsWhile([&] { form->lvDblClick(form->lv); }), 0);  // Connection Info, modal
    EXPECT_EQ(RunsWhile([&] {
                  ::SendMessageA(form->lv->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(form->lv->Handle()), -1);
              }),
              0);
    // Back to the window, the next one comes.
    before = Runs();
    EXPECT_TRUE(PumpUntil([&] { return Runs() > before; }, 2000));
    EXPECT_TRUE(reports.texts.empty());
}

TEST_F(LiveTest, AnUpdateSwapsTheRowsInOneStepKeepingPlaceSortFocusAndWidths) {
    form->lvColumnClick(form->lv, 2);
    form->lvColumnClick(form->lv, 2);  // by local port, highest first
    form->lv->SetSelected(30);         // port 1030
    ::SendMessageA(form->lv->Handle(), LVM_ENSUREVISIBLE, 59, FALSE);
    ::SendMessageA(form->lv->Handle(), LVM_ENSUREVISIBLE, 19, FALSE);  // port 1040 at the top
    ASSERT_EQ(LocalPort(*form, form->lv->TopItem()), "1040");
    const int remoteWidth = form->lv->ColumnWidth(3);
    const int modifies = shell.Count(NIM_MODIFY);

    // Five new connections sort in above, one above the top row closed: all move four down.
    Serve(Listing(Rows(2000, 5, "a-remote-host-with-a-long-name.example") + Rows(1000, 60, "10.0.0.2", 1045)));
    std::vector<std::string> told;
    ControlSpy::log = &told;
    for (fw::TWinControl* c : std::initializer_list<fw::TWinControl*>{form->lv, form->Button1, form->check1})
        ::SetWindowSubclass(c->Handle(), &ControlSpy::Proc, 1, 0);
    ASSERT_TRUE(NextUpdate());
    ControlSpy::log = nullptr;
    for (fw::TWinControl* c : std::initializer_list<fw::TWinControl*>{form->lv, form->Button1, form->check1})
        ::RemoveWindowSubclass(c->Handle(), &ControlSpy::Proc, 1);

    EXPECT_EQ(told, (std::vector<std::string>{"count 64"}));
    ASSERT_EQ(form->lv->ItemCount(), 64);
    EXPECT_EQ(LocalPort(*form, form->lv->Selected()), "1030");
    EXPECT_EQ(LocalPort(*form, form->lv->TopItem()), "1040");
    EXPECT_EQ(LocalPort(*form, form->lv->ItemAtPosition(0)), "2004");
    EXPECT_EQ(::GetFocus(), form->lv->Handle());
    EXPECT_GT(form->lv->ColumnWidth(3), remoteWidth);
    EXPECT_EQ(form->stat->PanelText(0), "Done.");
    EXPECT_EQ(form->stat->PanelText(1).rfind("Last update: 00:00:0", 0), 0u);
    EXPECT_EQ(form->stat->PanelText(2).rfind("Elapsed: ", 0), 0u);
    EXPECT_EQ(shell.Count(NIM_MODIFY), modifies);
    EXPECT_FALSE(form->Animate1->Active());

    // The selected connection closed: nothing is selected, and the top row still holds.
    Serve(Listing(Rows(2000, 5) + Rows(1000, 60, "10.0.0.2", 1030)));
    ASSERT_TRUE(NextUpdate());
    EXPECT_EQ(form->lv->Selected(), -1);
    EXPECT_EQ(LocalPort(*form, form->lv->TopItem()), "1040");
    EXPECT_TRUE(reports.texts.empty());
}

TEST_F(LiveTest, AnUpdateShowsOnlyTheRowsTheFilterLetsThroughInOneStep) {
    form->Filter1Click(form.get());
    for (wchar_t c : std::wstring(L"104")) ::PostMessageW(::GetFocus(), WM_CHAR, c, 1);
    Pump();
    ASSERT_EQ(form->lv->ShownCount(), 10);
    form->lv->SetSelected(45);  // port 1045
    Serve(Listing(Rows(1000, 60, "10.0.0.2", 1041)));
    std::vector<std::string> told;
    ControlSpy::log = &told;
    ::SetWindowSubclass(form->lv->Handle(), &ControlSpy::Proc, 1, 0);
    ASSERT_TRUE(NextUpdate());
    ControlSpy::log = nullptr;
    ::RemoveWindowSubclass(form->lv->Handle(), &ControlSpy::Proc, 1);
    EXPECT_EQ(told, (std::vector<std::string>{"count 9"}));
    EXPECT_EQ(LocalPort(*form, form->lv->Selected()), "1045");
    EXPECT_EQ(form->FilterBar1->FilterCount->Caption(), "9 of 59 rows");
    EXPECT_TRUE(reports.texts.empty());
}

TEST_F(LiveTest, MarksAndTheirCountsFollowAnUpdateAndCopyAllLeavesClosedRowsOut) {
    form->Highlight1Click(form->Highlight1);
    form->lv->SetSelected(45);  // port 1045, about to close, also at the top
    ::SendMessageA(form->lv->Handle(), LVM_ENSUREVISIBLE, 59, FALSE);
    ::SendMessageA(form->lv->Handle(), LVM_ENSUREVISIBLE, 45, FALSE);
    std::string next = Listing(Rows(2000, 5) + Rows(1000, 60, "10.0.0.2", 1045));
    const std::size_t changed = next.find("1010     10.0.0.2:443     ESTABLISHED");
    next.replace(changed + 26, 11, "TIME_WAIT");
    Serve(next);
    ASSERT_TRUE(NextUpdate());
    EXPECT_EQ(form->stat->PanelText(0), "Done. 5 new, 1 changed, 1 closed.");
    ASSERT_EQ(form->lv->ItemCount(), 65);
    EXPECT_EQ(form->lv->ItemCaption(64), "");
    EXPECT_EQ(LocalPort(*form, 64), "1045");
    // The selected connection closed and stays selected as a closed row, at the end; the view
    // stays where it was.
    EXPECT_EQ(form->lv->Selected(), 64);
    EXPECT_EQ(form->lv->PositionOfItem(form->lv->TopItem()), 45);
    form->CopyAll1Click(form.get());
    const std::string all = cliptest::ClipboardText();
    EXPECT_EQ(std::count(all.begin(), all.end(), '\n'), 65);
    EXPECT_EQ(all.find(":1045"), std::string::npos);

    // Nothing changed since: no counts, and the closed row has gone.
    ASSERT_TRUE(NextUpdate());
    EXPECT_EQ(form->stat->PanelText(0), "Done.");
    EXPECT_EQ(form->lv->ItemCount(), 64);
    EXPECT_TRUE(reports.texts.empty());
}

namespace {

BOOL WINAPI NoProcess(LPCSTR, LPSTR, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL, DWORD, LPVOID, LPCSTR,
                      LPSTARTUPINFOA, LPPROCESS_INFORMATION) {
    ::SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
}

}  // namespace

TEST_F(LiveTest, AFailedUpdateKeepsTheRowsAndTheNextOneTriesAgain) {
    {
        FakeSetting code("SOCKMERE_FAKE_EXIT", "1");
        Serve("");
        ASSERT_TRUE(NextUpdate());
        EXPECT_EQ(form->stat->PanelText(0), "Failed: netstat exited with code 1.");
    }
    EXPECT_EQ(form->lv->ItemCount(), 60);
    EXPECT_EQ(LocalPort(*form, 0), "1000");
    const auto previous = sockmere::SetCreateProcessProc(&NoProcess);
    const bool ended = NextUpdate();
    sockmere::SetCreateProcessProc(previous);
    ASSERT_TRUE(ended);
    EXPECT_EQ(form->stat->PanelText(0), "Failed: netstat could not be started.");
    EXPECT_EQ(form->lv->ItemCount(), 60);

    Serve(Listing(Rows(3000, 2)));
    ASSERT_TRUE(NextUpdate());
    EXPECT_EQ(form->stat->PanelText(0), "Done.");
    EXPECT_EQ(form->lv->ItemCount(), 2);
    EXPECT_TRUE(reports.texts.empty());
}

TEST_F(LiveTest, ARefreshDuringAnUpdateGoesAheadAndTheUpdatesResultIsDropped) {
    const fw::HandleOwner gate(::CreateEventA(nullptr, TRUE, FALSE, "sockmere_live_gate"));
    const std::string held = WriteFixture("sockmere_live_held.txt", Listing(Rows(3000, 10)));
    {
        // The update's command prints its own listing but the last line, and waits.
        FakeSetting wait("SOCKMERE_FAKE_LAST_GATE", "sockmere_live_gate");
        ::SetEnvironmentVariableA("SOCKMERE_FAKE_FILE", held.c_str());
        const int before = Runs();
        form->LiveUpdates1->SetSeconds(1);
        ASSERT_TRUE(PumpUntil([&] { return Runs() > before; }));
        ::SetEnvironmentVariableA("SOCKMERE_FAKE_FILE", listing_.Path().c_str());
    }
    Serve(Listing(Rows(5000, 5)));
    // The next update is far off, so only the held one's result can land.
    form->LiveUpdates1->SetSeconds(30);
    form->Button1Click(form.get());
    EXPECT_EQ(form->lv->ItemCount(), 5);
    ::SetEvent(gate.Get());
    PumpUntil([] { return false; }, 1500);
    ::DeleteFileA(held.c_str());
    ASSERT_EQ(form->lv->ItemCount(), 5);
    EXPECT_EQ(LocalPort(*form, 0), "5000");
    EXPECT_EQ(form->stat->PanelText(0), "Done.");
    EXPECT_TRUE(reports.texts.empty());
}

// A command that prints part of its rows and then falls silent is ended: its listing failed
// whatever it printed, so nothing is marked against it. An update keeps the rows; a refresh
// shows what came and says it may be incomplete.
TEST_F(LiveTest, AListingCutOffBySilenceFailsAndMarksNothing) {
    form->Highlight1Click(form->Highlight1);
    const fw::HandleOwner gate(::CreateEventA(nullptr, TRUE, FALSE, "Sockmere.Test.NeverOpens"));
    FakeSetting hang("SOCKMERE_FAKE_LAST_GATE", "Sockmere.Test.NeverOpens");
    const DWORD limit = sockmere::SetListingSilenceLimit(300);
    Serve(Listing(Rows(1000, 5)));
    ASSERT_TRUE(NextUpdate());
    form->LiveUpdates1->SetSeconds(0);
    EXPECT_EQ(form->stat->PanelText(0), "Failed: netstat stopped answering.");
    ASSERT_EQ(form->lv->ItemCount(), 60);
    EXPECT_EQ(form->lv->ItemCaption(59), "60");

    form->Button1Click(form.get());
    sockmere::SetListingSilenceLimit(limit);
    EXPECT_EQ(form->stat->PanelText(0), "Failed: netstat stopped answering; the rows shown may be incomplete.");
    // What it printed, and no closed rows.
    ASSERT_EQ(form->lv->ItemCount(), 5);
    EXPECT_EQ(LocalPort(*form, 4), "1004");
    EXPECT_TRUE(reports.texts.empty());
}

namespace {

// The save dialog's stand-in: disables its owner as the real one does, runs what it is given
// inside, then names the file.
struct SlowSaveDialog {
    static inline std::function<void()> inside;
    static inline std::wstring path;
    static BOOL WINAPI Proc(LPOPENFILENAMEW dialog) {
        ::EnableWindow(dialog->hwndOwner, FALSE);
        inside();
        ::EnableWindow(dialog->hwndOwner, TRUE);
        ::lstrcpynW(dialog->lpstrFile, path.c_str(), static_cast<int>(dialog->nMaxFile));
        dialog->nFilterIndex = 1;
        return TRUE;
    }
};

// Counts the update timer's ticks.
struct TickSpy {
    static inline int ticks = 0;
    static LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM w, LPARAM l, UINT_PTR, DWORD_PTR) {
        if (msg == WM_TIMER) ++ticks;
        return ::DefSubclassProc(h, msg, w, l);
    }
};

}  // namespace

TEST_F(LiveTest, AResultThatComesUnderADialogWaitsForItsEndAndSaveAsWritesTheRowsShownThen) {
    form->Highlight1Click(form->Highlight1);
    // Grown by 20, with ten closed: 80 connections, then the ten closed rows.
    Serve(Listing(Rows(1010, 80)));
    const std::string saved = TempPath("sockmere_live_saved.csv");
    SlowSaveDialog::path = WidePath(saved);
    int rowsInside = -1;
    SlowSaveDialog::inside = [&] {
        PumpUntil([&] { return form->lv->ItemCount() != 60; }, 3000);
        rowsInside = form->lv->ItemCount();
    };
    // The update's command runs when the dialog opens, and ends while it is open.
    FakeSetting slow("SOCKMERE_FAKE_DELAY_MS", "1000");
    const int before = Runs();
    form->LiveUpdates1->SetSeconds(1);
    ASSERT_TRUE(PumpUntil([&] { return Runs() > before; }));
    const auto previous = sockmere::SetSaveDialogProc(&SlowSaveDialog::Proc);
    form->SaveAs1Click(form.get());
    sockmere::SetSaveDialogProc(previous);
    form->LiveUpdates1->SetSeconds(0);
    EXPECT_EQ(rowsInside, 60);
    EXPECT_EQ(form->lv->ItemCount(), 90);
    EXPECT_EQ(form->stat->PanelText(0), "Done. 30 new, 10 closed.");
    const std::string file = ReadFile(saved);
    ::DeleteFileA(saved.c_str());
    EXPECT_EQ(std::count(file.begin(), file.end(), '\n'), 81);
    EXPECT_NE(file.find(",1089,"), std::string::npos);
    EXPECT_EQ(file.find(",1005,"), std::string::npos);
    EXPECT_TRUE(reports.texts.empty());
}

TEST_F(LiveTest, NoTimerTicksWhileTheWindowIsHiddenMinimizedOrBehindADialog) {
    form->LiveUpdates1->SetSeconds(1);
    const HWND sink = ::FindWindowExA(HWND_MESSAGE, nullptr, "Sockmere.LiveUpdates", nullptr);
    ASSERT_NE(sink, nullptr);
    ::SetWindowSubclass(sink, &TickSpy::Proc, 1, 0);
    // Each way of waiting: the tick already set may come once, then none.
    auto ticksWhile = [&](DWORD ms) {
        PumpUntil([] { return false; }, 1200);
        TickSpy::ticks = 0;
        const int before = Runs();
        PumpUntil([] { return false; }, ms);
        EXPECT_EQ(Runs(), before);
        return TickSpy::ticks;
    };
    form->Button4Click(form->Button4);
    EXPECT_EQ(ticksWhile(2000), 0);
    form->Restore1Click(form.get());
    int before = Runs();
    EXPECT_TRUE(PumpUntil([&] { return Runs() > before; }, 2500));

    form->SetWindowState(fw::wsMinimized);
    EXPECT_EQ(ticksWhile(2000), 0);
    form->SetWindowState(fw::wsNormal);
    before = Runs();
    EXPECT_TRUE(PumpUntil([&] { return Runs() > before; }, 2500));

    form->lv->SetSelected(0);
    TickSpy::ticks = 0;
    EXPECT_EQ(RunsWhile([&] { form->lvDblClick(form->lv); }), 0);
    EXPECT_LE(TickSpy::ticks, 1);
    ::RemoveWindowSubclass(sink, &TickSpy::Proc, 1);
    EXPECT_TRUE(reports.texts.empty());
}
