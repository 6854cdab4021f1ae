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

RECT Bounds(fw::TControl* c) {
    return {c->Left(), c->Top(), c->Left() + c->Width(), c->Top() + c->Height()};
}

std::wstring g_savePath;
BOOL WINAPI SaveHere(LPOPENFILENAMEW dialog) {
    lstrcpynW(dialog->lpstrFile, g_savePath.c_str(), static_cast<int>(dialog->nMaxFile));
    dialog->nFilterIndex = 2;
    return TRUE;
}

std::vector<WPARAM> g_menuKeys;
VOID CALLBACK PressMenuKeys(HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    for (WPARAM key : g_menuKeys) ::PostMessageA(::GetFocus(), WM_KEYDOWN, key, 0);
}

class FilterTest : public ::testing::Test {
protected:
    void SetUp() override {
        fixture_ = WriteFixture("sockmere_filter_rows.txt", kListing);
        file_ = std::make_unique<FakeSetting>("SOCKMERE_FAKE_FILE", fixture_);
        form = FreshForm({"-n"});
        form->Show();
        form->Button1Click(form.get());
        form->lv->SetFocus();
        Pump();
        bar = form->FilterBar1;
    }
    void TearDown() override {
        form.reset();
        file_.reset();
        ::DeleteFileA(fixture_.c_str());
    }

    void Key(WPARAM key, bool ctrl = false) {
        BYTE keys[256] = {};
        ::GetKeyboardState(keys);
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
    void Retype(std::wstring_view text) {
        bar->FilterEdit->SetText("");
        Type(text);
    }
    // The "#" of each row the table shows, in its order.
    std::string Shown() {
        std::string captions;
        for (int i = 0; i < form->lv->ShownCount(); ++i) captions += form->lv->ItemCaption(form->lv->ItemAtPosition(i));
        EXPECT_EQ(::SendMessageA(form->lv->Handle(), LVM_GETITEMCOUNT, 0, 0), form->lv->ShownCount());
        return captions;
    }
    bool BoxFocused() { return ::GetFocus() == bar->FilterEdit->Handle(); }
    std::wstring BoxText() { return fw::WideFromUtf8(bar->FilterEdit->Text()); }

    Reports reports;
    Shell shell;
    std::unique_ptr<sockmere::TForm1> form;
    sockmere::TFilterBar* bar = nullptr;

private:
    std::string fixture_;
    std::unique_ptr<FakeSetting> file_;
};

}  // namespace

TEST_F(FilterTest, CtrlFAndTheMenuOpenTheBarAboveTheTableAndEscPutsEverythingBack) {
    const std::vector<fw::TControl*> window{form->lv, form->Button1, form->check2, form->Animate1, form->stat};
    std::vector<RECT> before;
    for (fw::TControl* c : window) before.push_back(Bounds(c));
    EXPECT_FALSE(bar->Visible());
    EXPECT_FALSE(bar->HandleAllocated());

    Key('F', true);
    ASSERT_TRUE(bar->Visible());
    EXPECT_TRUE(BoxFocused());
    // Across the top; the table gives up its first rows' height, nothing else moves.
    const RECT top = Bounds(bar);
    EXPECT_EQ(top.left, 0);
    EXPECT_EQ(top.top, 0);
    EXPECT_EQ(top.right, form->ClientWidth());
    RECT table = Bounds(form->lv);
    EXPECT_EQ(table.top, top.bottom);
    EXPECT_EQ(table.bottom, before[0].bottom);
    EXPECT_EQ(table.right, before[0].right);
    for (size_t i = 1; i < window.size(); ++i) {
        const RECT r = Bounds(window[i]);
        EXPECT_TRUE(::EqualRect(&r, &before[i])) << window[i]->Name();
    }
    // The parts sit inside the bar, one after the other, their texts whole.
    RECT previous{0, 0, 0, 0};
    const std::initializer_list<fw::TControl*> parts{bar->FilterLabel, bar->FilterEdit, bar->FilterCount};
    for (fw::TControl* part : parts) {
        const RECT r = Bounds(part);
        EXPECT_GE(r.left, previous.right) << part->Name();
        EXPECT_TRUE(r.top >= 0 && r.bottom <= top.bottom - top.top && r.right <= top.right) << part->Name();
        previous = r;
    }
    bar->FilterCount->SetCaption("100000 of 100000 rows");
    for (fw::TLabel* label : {bar->FilterLabel, bar->FilterCount}) {
        fw::WindowDC dc(nullptr);
        fw::SelectScope font(dc.Get(), label->Font().Handle());
        SIZE text{};
        ::GetTextExtentPoint32A(dc.Get(), label->Caption().c_str(), static_cast<int>(label->Caption().size()), &text);
        EXPECT_LE(text.cx, label->Width()) << label->Caption();
        EXPECT_LE(text.cy, label->Height() + 1) << label->Caption();
    }

    // Opened again, the box keeps its text and selects it.
    Type(L"tcp");
    form->lv->SetFocus();
    Key('F', true);
    DWORD from = 1, to = 0;
    ::SendMessageW(bar->FilterEdit->Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&from),
                   reinterpret_cast<LPARAM>(&to));
    EXPECT_TRUE(BoxFocused());
    EXPECT_EQ(from, 0u);
    EXPECT_EQ(to, 3u);
    EXPECT_EQ(Shown(), "1245");

    Key(VK_ESCAPE);
    EXPECT_FALSE(bar->Visible());
    EXPECT_EQ(BoxText(), L"");
    EXPECT_EQ(Shown(), "12345");
    EXPECT_EQ(::GetFocus(), form->lv->Handle());
    table = Bounds(form->lv);
    EXPECT_TRUE(::EqualRect(&table, &before[0]));

    // The table's menu opens it too, from its last item.
    g_menuKeys = {VK_UP, VK_RETURN};
    ::SetTimer(nullptr, 0, 100, PressMenuKeys);
    ::SendMessageA(form->lv->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(form->lv->Handle()), -1);
    Pump();
    EXPECT_TRUE(bar->Visible());
    EXPECT_TRUE(BoxFocused());
    EXPECT_EQ(BoxText(), L"");
    EXPECT_EQ(bar->FilterCount->Caption(), "5 of 5 rows");
    EXPECT_TRUE(reports.texts.empty());
}

TEST_F(FilterTest, TypingNarrowsAndWidensTheRowsAndAnyTextIsSafe) {
    Key('F', true);
    Type(L"TCP");
    EXPECT_EQ(Shown(), "1245");
    Type(L" -time_WAIT");
    EXPECT_EQ(Shown(), "125");
    EXPECT_EQ(bar->FilterCount->Caption(), "3 of 5 rows");
    Type(L"\b\b\b\b\b\b\b\b\b\b\b");
    EXPECT_EQ(Shown(), "1245");
    // Typed Unicode reaches the box whole and meets the cells as the table shows them.
    Retype(L"CAF\x00C9");
    EXPECT_EQ(Shown(), "4");
    Retype(L"\x0416\x0443\x0440\x043D\x0430\x043B");
    EXPECT_EQ(BoxText(), L"\x0416\x0443\x0440\x043D\x0430\x043B");
    EXPECT_EQ(bar->FilterCount->Caption(), "0 of 5 rows");
    // A lone "-" is a word; dashes alone, a hundred words and more than the box takes are safe.
    for (const wchar_t* text : {L"-", L"- -- ---", L"\xD83D\xDE00 -\xD800"}) {
        Retype(text);
        EXPECT_EQ(Shown(), "") << fw::Utf8FromWide(text);
    }
    std::wstring many;
    for (int i = 0; i < 100; ++i) many += L"-z ";
    Retype(many + many);
    EXPECT_EQ(BoxText().size(), 255u);
    EXPECT_EQ(Shown(), "12345");
    EXPECT_EQ(form->stat->PanelText(0), "Done.");

    // Enter takes the focus to the table, on the first row shown when none was selected.
    Retype(L"tcp 80");
    Key(VK_RETURN);
    EXPECT_EQ(::GetFocus(), form->lv->Handle());
    EXPECT_EQ(form->lv->Selected(), 1);
    EXPECT_TRUE(reports.texts.empty());
}

TEST_F(FilterTest, TheFilterHoldsThroughRefreshesAndSortsAndCopiesAndSavesShowTheRowsShown) {
    Key('F', true);
    Type(L"tcp -time");
    form->lv->SetSelected(4);
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

    // The selected row stays selected while it is shown, and only then.
    bar->FilterEdit->SetFocus();
    form->lv->SetSelected(4);
    Type(L" 49");
    EXPECT_EQ(Shown(), "5");
    EXPECT_EQ(form->lv->Selected(), 4);
    Type(L"\b\b\b");
    form->lv->SetSelected(1);
    // In one change, as a paste makes it: the row shown in its place does not take its mark.
    ::SendMessageW(bar->FilterEdit->Handle(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"tcp -time -8080"));
    EXPECT_EQ(Shown(), "15");
    EXPECT_EQ(form->lv->Selected(), -1);
    fw::Clipboard().SetText("before");
    form->CopyRow1Click(form.get());
    EXPECT_EQ(cliptest::ClipboardText(), "before");
    ::SendMessageW(bar->FilterEdit->Handle(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"tcp -time"));
    EXPECT_EQ(Shown(), "215");
    EXPECT_EQ(form->lv->Selected(), -1);
    EXPECT_TRUE(reports.texts.empty());

    // Nothing of it is stored: the next window starts without a bar.
    form->Close();
    for (const auto& [name, value] : StoredSettings().All())
        EXPECT_EQ(value.data.find("tcp"), std::string::npos) << name;
    form = std::make_unique<sockmere::TForm1>(nullptr, std::vector<std::string>{"-n"});
    EXPECT_FALSE(form->FilterBar1->Visible());
}
