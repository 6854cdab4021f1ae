#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "framework/Errors.h"
#include "framework/FormsTestSupport.h"
#include "framework/StdCtrls.h"
#include "framework/WideText.h"

using namespace fw;
using namespace fwtest;

namespace {

struct EditLog {
    std::vector<std::string> lines;
    TEdit* selectOnClick = nullptr;
    void Click(TObject*) {
        lines.push_back("click");
        if (selectOnClick) selectOnClick->SelectAll();
    }
    void Enter(TObject*) { lines.push_back("enter"); }
    void Change(TObject* s) { lines.push_back("change " + static_cast<TEdit*>(s)->Text()); }
};

std::string WindowText(HWND h) {
    std::string text(static_cast<size_t>(::GetWindowTextLengthA(h)), '\0');
    if (!text.empty()) ::GetWindowTextA(h, text.data(), static_cast<int>(text.size() + 1));
    return text;
}

// The selection as (start, length), read from the window.
std::pair<int, int> Selection(TEdit* edit) {
    DWORD start = 0, end = 0;
    ::SendMessageA(edit->Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return {static_cast<int>(start), static_cast<int>(end - start)};
}

}  // namespace

TEST(Edits, TextFollowsCodeAndTypingAndReadOnlyRefusesTyping) {
    Reports reports;
    Stage stage;
    EditLog log;
    auto* edit = stage.Make<TEdit>({.name = "edit", .left = 8, .top = 8, .width = 120, .height = 21, .caption = "ab"},
                                   {.onChange = Bind<&EditLog::Change>(&log)});
    HWND h = edit->Handle();
    EXPECT_EQ(WindowText(h), "ab");
    edit->SetText("xyz");
    EXPECT_EQ(WindowText(h), "xyz");
    edit->SetText("xyz");  // unchanged: no change event
    ::SendMessageA(h, EM_SETSEL, 3, 3);
    ::SendMessageA(h, WM_CHAR, '!', 1);
    EXPECT_EQ(edit->Text(), "xyz!");
    std::vector<std::string> expected{"change xyz", "change xyz!"};
    EXPECT_EQ(log.lines, expected);

    auto* fixed = stage.Make<TEdit>({.name = "fixed", .left = 8, .top = 40, .width = 120, .height = 21,
                                     .caption = "keep"},
                                    {.readOnly = true});
    EXPECT_TRUE(::GetWindowLongA(fixed->Handle(), GWL_STYLE) & ES_READONLY);
    ::SendMessageA(fixed->Handle(), WM_CHAR, 'x', 1);
    EXPECT_EQ(fixed->Text(), "keep");
    fixed->SetReadOnly(false);
    EXPECT_FALSE(::GetWindowLongA(fixed->Handle(), GWL_STYLE) & ES_READONLY);
}

// The limit met inside a pasted pair, or by its first half typed, leaves no half behind.
TEST(Edits, TheLengthLimitKeepsWholeCharacters) {
    Reports reports;
    Stage stage;
    EditLog log;
    auto* edit = stage.Make<TEdit>({.name = "edit", .left = 8, .top = 8, .width = 120, .height = 21},
                                   {.unicode = true, .maxLength = 4, .onChange = Bind<&EditLog::Change>(&log)});
    HWND h = edit->Handle();
    // Cut at the end, then at the start of what is there.
    ::SendMessageW(h, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"abc\xD83D\xDE00"));
    ::SendMessageW(h, EM_SETSEL, 0, 0);
    ::SendMessageW(h, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"\xD83D\xDE00"));
    wchar_t shown[8] = {};
    ::GetWindowTextW(h, shown, 8);
    EXPECT_TRUE(std::wstring(shown) == L"abc");
    EXPECT_EQ(edit->Text(), "abc");
    ASSERT_FALSE(log.lines.empty());
    for (const std::string& line : log.lines) EXPECT_EQ(line, "change abc");
    EXPECT_TRUE(reports.texts.empty());
}

TEST(Edits, FocusByKeyboardSelectsAllAndAClickRaisesOnClick) {
    Reports reports;
    Stage stage;
    EditLog log;
    auto* first = stage.Make<TEdit>({.name = "first", .left = 8, .top = 8, .width = 120, .height = 21,
                                     .caption = "TCP"});
    auto* second = stage.Make<TEdit>({.name = "second", .left = 8, .top = 40, .width = 120, .height = 21,
                                      .caption = "192.168.0.1"},
                                     {.readOnly = true, .onClick = Bind<&EditLog::Click>(&log),
                                      .onEnter = Bind<&EditLog::Enter>(&log)});
    auto* plain = stage.Make<TEdit>({.name = "plain", .left = 8, .top = 70, .width = 120, .height = 21,
                                     .caption = "no select"});
    plain->SetAutoSelect(false);
    log.selectOnClick = second;
    Pump();
    first->SetFocus();
    EXPECT_EQ(Selection(first).second, 3);
    second->SetFocus();
    EXPECT_EQ(Selection(second).second, 11);
    EXPECT_EQ(log.lines, std::vector<std::string>{"enter"});
    plain->SetFocus();
    EXPECT_EQ(Selection(plain).second, 0);

    // A click places the caret; the click handler then selects everything, and it stays.
    log.lines.clear();
    HWND h = second->Handle();
    ::SendMessageA(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    ::SendMessageA(h, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    std::vector<std::string> expected{"enter", "click"};
    EXPECT_EQ(log.lines, expected);
    EXPECT_EQ(Selection(second), std::make_pair(0, 11));
    EXPECT_TRUE(reports.texts.empty());
}

TEST(Memos, DeleteFirstLineRemovesThroughTheFirstCrLf) {
    Reports reports;
    Stage stage;
    EditLog log;
    auto* memo = stage.Make<TMemo>({.name = "memo", .left = 8, .top = 8, .width = 200, .height = 80},
                                   {.readOnly = true, .onChange = Bind<&EditLog::Change>(&log)});
    memo->SetText("one\r\ntwo\nstill two\r\nthree");
    EXPECT_EQ(memo->LineCount(), 3);
    EXPECT_EQ(memo->Line(1), "two\nstill two");
    memo->DeleteFirstLine();
    EXPECT_EQ(memo->Text(), "two\nstill two\r\nthree");
    memo->DeleteFirstLine();
    EXPECT_EQ(memo->Text(), "three");
    // A last line without CR LF is still a line.
    memo->DeleteFirstLine();
    EXPECT_EQ(memo->Text(), "");
    EXPECT_EQ(memo->LineCount(), 0);
    log.lines.clear();
    memo->DeleteFirstLine();
    EXPECT_TRUE(log.lines.empty());
    memo->SetText("a\r\n");
    EXPECT_EQ(memo->LineCount(), 1);
    memo->DeleteFirstLine();
    EXPECT_EQ(memo->Text(), "");
    EXPECT_EQ(WindowText(memo->Handle()), "");
    EXPECT_EQ(log.lines.size(), 2u);
    EXPECT_TRUE(::GetWindowLongA(memo->Handle(), GWL_STYLE) & ES_MULTILINE);

    // Without any CR LF a lone LF ends a line; the rule of the text as set outlives removals.
    memo->SetText("h1\nh2\nh3\nrow");
    EXPECT_EQ(memo->LineCount(), 4);
    for (int i = 0; i < 3; ++i) memo->DeleteFirstLine();
    EXPECT_EQ(memo->Text(), "row");
    memo->SetText("a\r\nb\nc");
    memo->DeleteFirstLine();
    EXPECT_EQ(memo->LineCount(), 1);
    memo->DeleteFirstLine();
    EXPECT_EQ(memo->Text(), "");
}

TEST(Memos, SharedTextIsHandedOnAndCutWithoutCopies) {
    Reports reports;
    Stage stage;
    EditLog log;
    auto* first = stage.Make<TMemo>({.name = "first", .visible = false}, {.readOnly = true});
    auto* second = stage.Make<TMemo>({.name = "second", .visible = false},
                                     {.readOnly = true, .onChange = Bind<&EditLog::Change>(&log)});
    first->SetText("h1\nh2\nrow one\nrow two");
    second->SetText(first->Shared());
    EXPECT_EQ(second->View().data(), first->View().data());
    EXPECT_EQ(log.lines.size(), 1u);
    // The same text again is no change.
    second->SetText(first->Shared());
    EXPECT_EQ(log.lines.size(), 1u);
    second->DeleteFirstLine();
    second->DeleteFirstLine();
    EXPECT_EQ(second->View().data(), first->View().data() + 6);
    EXPECT_EQ(second->Text(), "row one\nrow two");
    EXPECT_EQ(second->LineCount(), 2);
    EXPECT_EQ(first->Text(), "h1\nh2\nrow one\nrow two");
    // Shown, the memo's window gets what is left.
    second->SetVisible(true);
    EXPECT_EQ(WindowText(second->Handle()), "row one\nrow two");
    first->Clear();
    EXPECT_EQ(second->Text(), "row one\nrow two");
    EXPECT_TRUE(reports.texts.empty());
}

TEST(Memos, AHiddenMemoKeepsLargeTextOutOfItsWindow) {
    Reports reports;
    Stage stage;
    auto* memo = stage.Make<TMemo>({.name = "memo", .left = 8, .top = 8, .width = 200, .height = 80,
                                    .visible = false},
                                   {.readOnly = true, .wordWrap = false});
    // Hidden controls get no window until someone asks for one.
    EXPECT_FALSE(memo->HandleAllocated());
    std::string big;
    for (int i = 0; big.size() < 4'000'000; ++i) big += "TCP    10.0.0.1:" + std::to_string(i) + "    ESTABLISHED\r\n";
    size_t size = big.size();
    const char* storage = big.data();
    DWORD start = ::GetTickCount();
    memo->SetText(std::move(big));
    // Handed over, not copied.
    EXPECT_EQ(memo->Text().data(), storage);
    for (int i = 0; i < 3; ++i) memo->DeleteFirstLine();
    EXPECT_LT(::GetTickCount() - start, 500u);
    EXPECT_LT(memo->Text().size(), size);
    HWND h = memo->Handle();
    EXPECT_EQ(::GetWindowTextLengthA(h), 0);
    // Shown, the memo mirrors its text into the window (a smaller one: the system edit is slow).
    memo->SetText(memo->Text().substr(0, 100000));
    EXPECT_EQ(::GetWindowTextLengthA(h), 0);
    memo->SetVisible(true);
    EXPECT_EQ(static_cast<size_t>(::GetWindowTextLengthA(h)), memo->Text().size());
    memo->SetVisible(false);
    EXPECT_EQ(::GetWindowTextLengthA(h), 0);
    EXPECT_FALSE(memo->Text().empty());
}

// Text in a code page: one "?" for each character it lacks, a pair included, no look-alikes, and
// a code page that refuses the text is an error, never an empty text.
TEST(WideText, TheCodePageGetsOneQuestionMarkPerMissingCharacterOrAnError) {
    const std::wstring name = L"h4-\xD83D\xDE00-Cafe\x0301.exe";  // an emoji, and an accent apart
    const unsigned previous = fw::SetAnsiCodePage(1252);
    EXPECT_EQ(fw::AnsiFromWide(name), "h4-?-Cafe?.exe");
    EXPECT_EQ(fw::AnsiFromWide(L"\x0141\x00F3" L"d\x017A\xD83D"), "?\xF3" "d??");
    fw::SetAnsiCodePage(CP_UTF8);
    EXPECT_EQ(fw::AnsiFromWide(name), fw::Utf8FromWide(name));
    fw::SetAnsiCodePage(12345);  // no such code page
    EXPECT_THROW(fw::AnsiFromWide(name), fw::Error);
    fw::SetAnsiCodePage(previous);
}
