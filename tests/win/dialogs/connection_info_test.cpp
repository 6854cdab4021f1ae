#include <gtest/gtest.h>

#include <array>
#include <string>

#include "framework/FormsTestSupport.h"
#include "dialogs/DialogsTestSupport.h"
#include "ui/Unit2.h"

using namespace fw;
using namespace fwtest;
using namespace dlgtest;
using sockmere::TForm2;

namespace {

using Row = std::array<std::string, 5>;

std::string WindowText(TWinControl* control) {
    HWND h = control->Handle();
    std::string text(static_cast<size_t>(::GetWindowTextLengthA(h)), '\0');
    ::GetWindowTextA(h, text.data(), static_cast<int>(text.size() + 1));
    return text;
}

// As the main window opens it: a new dialog, the row's five fields, then the modal showing.
TForm2* OpenWith(TForm& owner, const Row& row) {
    auto* f = new TForm2(&owner);
    f->Edit1->SetText(row[0]);
    f->Edit2->SetText(row[1]);
    f->Edit3->SetText(row[2]);
    f->Edit4->SetText(row[3]);
    f->Edit5->SetText(row[4]);
    return f;
}

struct Seen {
    Row fields;
    std::string memo;
    bool firstFieldFocused = false;
    bool firstFieldSelected = false;
};

Seen Look(TForm2* f) {
    Seen seen;
    TEdit* edits[] = {f->Edit1, f->Edit2, f->Edit3, f->Edit4, f->Edit5};
    for (size_t i = 0; i < 5; ++i) seen.fields[i] = WindowText(edits[i]);
    seen.memo = WindowText(f->Memo1);
    seen.firstFieldFocused = ::GetFocus() == f->Edit1->Handle();
    seen.firstFieldSelected = SelectionOf(f->Edit1) == Whole(f->Edit1);
    return seen;
}

}  // namespace

TEST(ConnectionInfo, ShowsTheRowsFieldsAndItsStateInWords) {
    Reports reports;
    Stage main;
    struct Case {
        Row row;
        const char* memo;
    } cases[] = {
        {{"TCP", "1042", "192.168.1.20", "443", "ESTABLISHED"}, "Connection has been established and is active."},
        {{"UDP", "137", "*", "", "*"}, "???"},
        {{"TCP", "139", "0.0.0.0", "", "LISTENING"}, "Listening for incoming connections."},
    };
    for (const Case& c : cases) {
        TForm2* f = OpenWith(main, c.row);
        Seen seen;
        EXPECT_TRUE(ShowModalWith(*f, [&] {
            seen = Look(f);
            ::SendMessageA(f->Button1->Handle(), BM_CLICK, 0, 0);
        }));
        EXPECT_EQ(seen.fields, c.row);
        EXPECT_EQ(seen.memo, c.memo);
        EXPECT_TRUE(seen.firstFieldFocused) << c.row[4];
        EXPECT_TRUE(seen.firstFieldSelected) << c.row[4];
        // Closed, the dialog stays with its owner, hidden, until the owner goes.
        EXPECT_FALSE(::IsWindowVisible(f->Handle()));
        EXPECT_EQ(f->Owner(), &main);
    }

    // Every showing describes the state the dialog holds then.
    TForm2* f = OpenWith(main, {"TCP", "1042", "10.0.0.1", "80", "ESTABLISHED"});
    ShowModalWith(*f, [&] { f->Close(); });
    f->Edit5->SetText("TIME_WAIT");
    Seen seen;
    ShowModalWith(*f, [&] {
        seen = Look(f);
        f->Close();
    });
    EXPECT_EQ(seen.memo, "Wait after close for remote shutdown retransmission.");
    EXPECT_TRUE(reports.texts.empty());
}

TEST(ConnectionInfo, EscOkAndTheCloseBoxEndTheModalShowing) {
    Reports reports;
    Stage main;
    TForm2* f = OpenWith(main, {"TCP", "1042", "192.168.1.20", "443", "ESTABLISHED"});
    // Esc as typed into the focused field, through the loop's dialog navigation.
    EXPECT_TRUE(ShowModalWith(*f, [] { ::PostMessageA(::GetFocus(), WM_KEYDOWN, VK_ESCAPE, 1); }));
    EXPECT_TRUE(::IsWindowEnabled(main.Handle()));
    EXPECT_TRUE(ShowModalWith(*f, [&] { ::SendMessageA(f->Button1->Handle(), BM_CLICK, 0, 0); }));
    EXPECT_TRUE(ShowModalWith(*f, [&] { ::PostMessageA(f->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0); }));
    EXPECT_FALSE(f->Visible());
    EXPECT_TRUE(reports.texts.empty());
}

TEST(ConnectionInfo, ClickingOrTabbingIntoAFieldSelectsAllOfIt) {
    Reports reports;
    Stage main;
    TForm2* f = OpenWith(main, {"TCP", "1042", "192.168.100.200", "8080", "ESTABLISHED"});
    f->Show();
    TEdit* edits[] = {f->Edit1, f->Edit2, f->Edit3, f->Edit4, f->Edit5};

    // A click places the caret where it lands; the click handler then selects everything.
    for (TEdit* edit : edits) {
        f->Memo1->SetFocus();
        ::SendMessageA(edit->Handle(), EM_SETSEL, 0, 0);
        ::SendMessageA(edit->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, At(30, 5));
        ::SendMessageA(edit->Handle(), WM_LBUTTONUP, 0, At(30, 5));
        EXPECT_EQ(SelectionOf(edit), Whole(edit)) << edit->Name();
    }

    // Tabbing selects too; without the automatic selection the fields' own handlers still do.
    for (bool autoSelect : {true, false}) {
        for (TEdit* edit : edits) edit->SetAutoSelect(autoSelect);
        f->Edit1->SetFocus();
        for (size_t i = 1; i < 5; ++i) {
            ::SendMessageA(edits[i]->Handle(), EM_SETSEL, 0, 0);
            ::PostMessageA(::GetFocus(), WM_KEYDOWN, VK_TAB, 1);
            Pump();
            ASSERT_EQ(::GetFocus(), edits[i]->Handle()) << "auto " << autoSelect << " " << i;
            EXPECT_EQ(SelectionOf(edits[i]), Whole(edits[i])) << "auto " << autoSelect << " " << i;
        }
    }
    EXPECT_TRUE(reports.texts.empty());
}

TEST(ConnectionInfo, TheProcessFieldsSitBelowTheConnectionsAndPushTheRestDown) {
    Reports reports;
    Stage main;
    auto* f = new TForm2(&main, true);
    f->Show();
    RECT client{};
    ::GetClientRect(f->Handle(), &client);
    auto top = [](TWinControl* c) { return c->Top(); };
    auto bottom = [](TWinControl* c) { return c->Top() + c->Height(); };
    // Below the connection's fields, one under the other, then the state, the line and the button.
    EXPECT_LE(bottom(f->Edit5), top(f->Edit6));
    EXPECT_LE(bottom(f->Edit6), top(f->Edit7));
    EXPECT_LE(bottom(f->Edit7), top(f->Edit8));
    EXPECT_LE(bottom(f->Edit8), top(f->Memo1));
    // Grown only as much as needed: the button still ends at the bottom edge.
    EXPECT_EQ(bottom(f->Button1), client.bottom);
    for (TEdit* edit : {f->Edit6, f->Edit7, f->Edit8}) EXPECT_TRUE(edit->ReadOnly());
    f->Edit5->SetFocus();
    ::PostMessageA(::GetFocus(), WM_KEYDOWN, VK_TAB, 1);
    Pump();
    EXPECT_EQ(::GetFocus(), f->Edit6->Handle());
    EXPECT_TRUE(reports.texts.empty());
}
