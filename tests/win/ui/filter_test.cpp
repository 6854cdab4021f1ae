// The filter bar as a user works it: Ctrl+F and the menu, typing, Esc and Enter, and the rows
// that refreshes, sorts, copies and saves see through it.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "ClipboardText.h"
#include "UiTestSupport.h"
#include "framework/Clipboard.h"
#include "framework/WideText.h"
#include "ui/FilterBar.h"
#include "ui/TableExport.h"
#include "ui/Unit1.h"

using namespace uitest;

namespace {

// netstat prints in the OEM code page: "caf\x82" is café.
constexpr char kListing[] =
    "\r\nActive Connections\r\n\r\n  Proto  Local Address          Foreign Address        State\r\n"
    "  TCP    127.0.0.1:1061     10.0.0.10:445        ESTABLISHED\r\n"
    "  TCP    127.0.0.1:80       [::1]:8080           SYN_SENT\r\n"
    "  UDP    0.0.0.0:137        *:*                  \r\n"
    "  TCP    127.0.0.1:135      caf\x82.example:https  TIME_WAIT\r\n"
    "  TCP    127.0.0.1:49664    host.example:80      LISTENING\r\n";

std::vector<int> Bounds(fw::TControl* c) {
    return {c->Left(), c->Top(), c->Left() + c->Width(), c->Top() + c->Height()};
}

std::wstring g_savePath;
BOOL WINAPI SaveHere(LPOPENFILENAMEW dialog) {
    lstrcpynW(dialog->lpstrFile, g_savePath.c_str(), static_cast<int>(dialog->nMaxFile));
    dialog->nFilterIndex = 2;
    return TRUE;
}

class FilterTest : public ::testing::Test {
protected:
    void SetUp() override {
        file_ = std::make_unique<FakeSetting>("SOCKMERE_FAKE_FILE", WriteFixture("sockmere_filter.txt", kListing));
        form = FreshForm({"-n"});
        form->Show();
        form->Button1Click(form.get());
        form->lv->SetFocus();
        bar = form->FilterBar1;
    }
    void TearDown() override { ::DeleteFileA(TempPath("sockmere_filter.txt").c_str()); }

    void Key(WPARAM key, bool ctrl = false) {
        BYTE keys[256] = {};
        keys[VK_CONTROL] = ctrl ? 0x80 : 0;
        ::SetKeyboardState(keys);
        ::PostMessageA(::GetFocus(), WM_KEYDOWN, key, 0);
        Pump();
        keys[VK_CONTROL] = 0;
        ::SetKeyboardState(keys);
    }
    // Characters as the keyboard sends them, through the message loop; 8 is a backspace.
    void Type(std::wstring_view text) {
        for (wchar_t c : text) ::PostMessageW(::GetFocus(), WM_CHAR, c, 1);
        Pump();
    }
    // The whole text in one change, as a paste makes it.
    void Paste(const wchar_t* text) {
        ::SendMessageW(bar->FilterEdit->Handle(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
    }
    // The "#" of each row the table shows, in its order.
    std::string Shown() {
        std::string captions;
        for (int i = 0; i < form->lv->ShownCount(); ++i) captions += form->lv->ItemCaption(form->lv->ItemAtPosition(i));
        EXPECT_EQ(::SendMessageA(form->lv->Handle(), LVM_GETITEMCOUNT, 0, 0), form->lv->ShownCount());
        return captions;
    }
    bool BoxFocused() { return ::GetFocus() == bar->FilterEdit->Handle(); }

    Reports reports;
    Shell shell;
    std::unique_ptr<FakeSetting> file_;
    std::unique_ptr<sockmere::TForm1> form;
    sockmere::TFilterBar* bar = nullptr;
};

}  // namespace

TEST_F(FilterTest, CtrlFAndTheMenuOpenTheBarAboveTheTableAndEscPutsEverythingBack) {
    const std::vector<fw::TControl*> fixed{form->lv, form->Button1, form->check2, form->Animate1, form->stat};
    std::vector<std::vector<int>> before;
    for (fw::TControl* c : fixed) before.push_back(Bounds(c));
    Key('F', true);
    ASSERT_TRUE(bar->Visible());
    EXPECT_TRUE(BoxFocused());
    // Across the top; the table gives up its top rows' height and nothing else moves.
    const std::vector<int> top = Bounds(bar);
    EXPECT_EQ(top, (std::vector<int>{0, 0, form->ClientWidth(), top[3]}));
    EXPECT_EQ(Bounds(form->lv), (std::vector<int>{0, top[3], before[0][2], before[0][3]}));
    for (size_t i = 1; i < fixed.size(); ++i) EXPECT_EQ(Bounds(fixed[i]), before[i]) << fixed[i]->Name();
    // The parts one after the other inside the bar, their texts whole.
    int right = 0;
    bar->FilterCount->SetCaption("100000 of 100000 rows");
    for (fw::TControl* part : std::vector<fw::TControl*>{bar->FilterLabel, bar->FilterEdit, bar->FilterCount}) {
        const std::vector<int> r = Bounds(part);
        EXPECT_TRUE(r[0] >= right && r[1] >= 0 && r[2] <= top[2] && r[3] <= top[3]) << part->Name();
        right = r[2];
        fw::WindowDC dc(nullptr);
        fw::SelectScope font(dc.Get(), part->Font().Handle());
        SIZE text{};
        ::GetTextExtentPoint32A(dc.Get(), part->Caption().c_str(), static_cast<int>(part->Caption().size()), &text);
        EXPECT_TRUE(text.cx <= part->Width() && text.cy <= part->Height() + 1) << part->Caption();
    }

    // Opened again, the box keeps its text and selects it; Esc puts everything back.
    Type(L"tcp");
    form->lv->SetFocus();
    Key('F', true);
    EXPECT_TRUE(BoxFocused());
    EXPECT_EQ(::SendMessageW(bar->FilterEdit->Handle(), EM_GETSEL, 0, 0), MAKELRESULT(0, 3));
    EXPECT_EQ(Shown(), "1245");
    Key(VK_ESCAPE);
    EXPECT_FALSE(bar->Visible());
    EXPECT_EQ(Shown(), "12345");
    EXPECT_EQ(::GetFocus(), form->lv->Handle());
    EXPECT_EQ(Bounds(form->lv), before[0]);

    // The table menu's last item opens it too, empty.
    form->Filter1->Click();
    EXPECT_TRUE(BoxFocused());
    EXPECT_EQ(bar->FilterEdit->Text(), "");
    EXPECT_EQ(bar->FilterCount->Caption(), "5 of 5 rows");
    EXPECT_TRUE(reports.texts.empty());
}

TEST_F(FilterTest, TypingNarrowsAndWidensTheRowsAndAnyTextIsSafe) {
    Key('F', true);
    Type(L"TCP -time_WAIT");
    EXPECT_EQ(Shown(), "125");
    EXPECT_EQ(bar->FilterCount->Caption(), "3 of 5 rows");
    Type(L"\b\b\b\b\b\b\b\b\b\b\b");
    EXPECT_EQ(Shown(), "1245");
    // Typed Unicode reaches the box whole and meets the cells as the table shows them.
    Paste(L"");
    Type(L"CAF\x00C9");
    EXPECT_EQ(Shown(), "4");
    Type(L" \x0416");
    EXPECT_EQ(fw::WideFromUtf8(bar->FilterEdit->Text()), L"CAF\x00C9 \x0416");
    EXPECT_EQ(bar->FilterCount->Caption(), "0 of 5 rows");
    // A lone "-" is a word; dashes alone, broken pairs and more than the box takes are safe.
    for (const wchar_t* text : {L"-", L"- -- ---", L"\xD83D\xDE00 -\xD800"}) {
        Paste(text);
        EXPECT_EQ(Shown(), "") << fw::Utf8FromWide(text);
    }
    std::wstring many;
    for (int i = 0; i < 200; ++i) many += L"-z ";
    Paste(L"");
    Type(many);
    EXPECT_EQ(bar->FilterEdit->Text().size(), 255u);
    EXPECT_EQ(Shown(), "12345");
    EXPECT_EQ(form->stat->PanelText(0), "Done.");

    // Enter takes the focus to the table, on the first row shown when none was selected.
    Paste(L"tcp 80");
    Key(VK_RETURN);
    EXPECT_EQ(::GetFocus(), form->lv->Handle());
    EXPECT_EQ(form->lv->Selected(), 1);
    EXPECT_TRUE(reports.texts.empty());
}

TEST_F(FilterTest, TheFilterHoldsThroughRefreshesAndSortsAndCopiesAndSavesShowTheRowsShown) {
    Key('F', true);
    Type(L"tcp -time");
    form->Button1Click(form.get());
    EXPECT_EQ(Shown(), "125");
    EXPECT_EQ(bar->FilterCount->Caption(), "3 of 5 rows");
    EXPECT_EQ(form->stat->PanelText(0), "Done.");

    form->lvColumnClick(form->lv, 4);  // "Remote Port": 445, 8080, 80
    form->lvColumnClick(form->lv, 4);
    EXPECT_EQ(Shown(), "215");
    EXPECT_EQ(form->lv->ItemCaption(4), "5");
    form->CopyAll1Click(form.get());
    const std::string shown = "#\tProto\tLocal Port\tRemote Addr\tRemote Port\tStatus\r\n"
                              "2\tTCP\t80\t[::1]\t8080\tSYN_SENT\r\n"
                              "1\tTCP\t1061\t10.0.0.10\t445\tESTABLISHED\r\n"
                              "5\tTCP\t49664\thost.example\t80\tLISTENING\r\n";
    EXPECT_EQ(cliptest::ClipboardText(), shown);
    const auto previous = sockmere::SetSaveDialogProc(&SaveHere);
    g_savePath = WidePath(TempPath("sockmere_filtered.txt"));
    form->SaveAs1Click(form.get());
    sockmere::SetSaveDialogProc(previous);
    EXPECT_EQ(ReadFile(g_savePath), shown);
    ::DeleteFileW(g_savePath.c_str());

    // The selected row stays selected while it is shown; the row shown in its place after it
    // is hidden does not take its mark, nor does it come back with it.
    form->lv->SetSelected(4);
    Paste(L"tcp -time 49");
    EXPECT_EQ(Shown(), "5");
    EXPECT_EQ(form->lv->Selected(), 4);
    form->lv->SetSelected(1);
    Paste(L"tcp -time -8080");
    EXPECT_EQ(Shown(), "15");
    EXPECT_EQ(form->lv->Selected(), -1);
    fw::Clipboard().SetText("before");
    form->CopyRow1Click(form.get());
    EXPECT_EQ(cliptest::ClipboardText(), "before");
    Paste(L"tcp -time");
    EXPECT_EQ(form->lv->Selected(), -1);
    EXPECT_TRUE(reports.texts.empty());

    // Nothing of it is stored: the next window starts without it.
    form->Close();
    for (const auto& [name, value] : StoredSettings().All())
        EXPECT_EQ(value.data.find("tcp"), std::string::npos) << name;
}
