#include <gtest/gtest.h>

#include <windowsx.h>

#include <climits>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/Application.h"
#include "framework/Clipboard.h"
#include "framework/ComCtrls.h"
#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/Menus.h"
#include "framework/StdCtrls.h"
#include "framework/FormsTestSupport.h"

using namespace fw;
using namespace fwtest;

namespace {

// Records events by the sender's name.
struct Log {
    std::vector<std::string> lines;
    void Click(TObject* s) { lines.push_back("click " + Name(s)); }
    void Change(TObject* s) { lines.push_back("change " + Name(s)); }
    void Enter(TObject* s) { lines.push_back("enter " + Name(s)); }
    void Throw(TObject*) { throw std::runtime_error("Handler failed"); }
    void Down(TObject* s, TMouseButton b, TShiftState, int, int) {
        lines.push_back("down " + Name(s) + (b == mbLeft ? " left" : " other"));
    }
    void Up(TObject* s, TMouseButton b, TShiftState, int, int) {
        lines.push_back("up " + Name(s) + (b == mbLeft ? " left" : " other"));
    }
    static std::string Name(TObject* s) { return static_cast<TComponent*>(s)->Name(); }
};

LPARAM At(int x, int y) {
    return MAKELPARAM(x, y);
}

}  // namespace

TEST(Controls, ButtonsReflectClicksAndEscPressesCancel) {
    Reports reports;
    Stage stage;
    Log log;
    TButton* ok = stage.Make<TButton>({.name = "ok", .left = 8, .top = 8, .width = 75, .height = 25, .caption = "OK"},
                                      {.onClick = Bind<&Log::Click>(&log)});
    TButton* cancel = stage.Make<TButton>({.name = "cancel", .left = 90, .top = 8, .width = 75, .height = 25,
                                           .caption = "Cancel"},
                                          {.cancel = true, .onClick = Bind<&Log::Click>(&log)});
    TButton* broken = stage.Make<TButton>({.name = "broken", .left = 170, .top = 8, .width = 75, .height = 25},
                                          {.onClick = Bind<&Log::Throw>(&log)});
    TEdit* edit = stage.Make<TEdit>({.name = "edit", .left = 8, .top = 40, .width = 100, .height = 21});
    // System controls keep their class names, so tools outside the process find them.
    char className[32];
    ::GetClassNameA(ok->Handle(), className, sizeof className);
    EXPECT_STREQ(className, "Button");

    // The system button's own click notification reaches the button object through its parent.
    ::SendMessageA(ok->Handle(), BM_CLICK, 0, 0);
    cancel->Click();
    // A failing handler is reported and the program goes on.
    ::SendMessageA(broken->Handle(), BM_CLICK, 0, 0);
    ASSERT_EQ(reports.texts.size(), 1u);
    EXPECT_EQ(reports.texts[0], "Handler failed");

    // Keys go through the message loop's dialog navigation; Enter presses nothing.
    for (UINT key : {VK_ESCAPE, VK_RETURN}) {
        ::PostMessageA(edit->Handle(), WM_KEYDOWN, key, 1);
        Pump();
    }
    // A disabled cancel button is not pressed.
    cancel->SetEnabled(false);
    ::PostMessageA(edit->Handle(), WM_KEYDOWN, VK_ESCAPE, 1);
    Pump();
    std::vector<std::string> expected{"click ok", "click cancel", "click cancel"};
    EXPECT_EQ(log.lines, expected);
}

TEST(Controls, CheckBoxFollowsCodeAndUser) {
    Reports reports;
    Stage stage;
    Log log;
    auto* check = stage.Make<TCheckBox>({.name = "check", .left = 8, .top = 8, .width = 120, .height = 17,
                                         .caption = "Option"},
                                        {.onClick = Bind<&Log::Click>(&log)});
    check->SetChecked(true);
    HWND h = check->Handle();
    EXPECT_EQ(::SendMessageA(h, BM_GETCHECK, 0, 0), BST_CHECKED);
    check->SetChecked(false);
    EXPECT_EQ(::SendMessageA(h, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_TRUE(log.lines.empty());
    ::SendMessageA(h, BM_CLICK, 0, 0);
    EXPECT_TRUE(check->Checked());
    ASSERT_EQ(log.lines.size(), 1u);
    check->SetEnabled(false);
    EXPECT_FALSE(::IsWindowEnabled(h));
}

namespace {
// Overrides the label's operations as a hyperlink label does.
struct ProbeLabel : TLabel {
    std::vector<std::string>* log;
    ProbeLabel(TComponent* owner, std::vector<std::string>* l) : TLabel(owner), log(l) {}
    void Click() override {
        log->push_back("click");
        TLabel::Click();
    }
    void MouseDown(TMouseButton b, TShiftState s, int x, int y) override {
        log->push_back(b == mbLeft ? "down" : "down other");
        TLabel::MouseDown(b, s, x, y);
    }
    void MouseUp(TMouseButton b, TShiftState s, int x, int y) override {
        log->push_back(b == mbLeft ? "up" : "up other");
        TLabel::MouseUp(b, s, x, y);
    }
};
}  // namespace

TEST(Controls, LabelCapturesTheMouseAndClicksOnlyWhenReleasedOverIt) {
    Reports reports;
    Stage stage;
    std::vector<std::string> log;
    auto* label = new ProbeLabel(&stage, &log);
    label->ApplyCommon({.name = "link", .left = 10, .top = 10, .caption = "www.example.org", .cursor = 5}, &stage);
    HWND h = label->Handle();
    char className[32];
    ::GetClassNameA(h, className, sizeof className);
    EXPECT_STREQ(className, "fw.Label");

    ::SendMessageA(h, WM_LBUTTONDOWN, MK_LBUTTON, At(2, 2));
    EXPECT_EQ(::GetCapture(), h);
    ::SendMessageA(h, WM_LBUTTONUP, 0, At(2, 2));
    EXPECT_NE(::GetCapture(), h);
    // Pressed on the label, released outside it: no click, but the release still arrives.
    ::SendMessageA(h, WM_LBUTTONDOWN, MK_LBUTTON, At(2, 2));
    ::SendMessageA(h, WM_LBUTTONUP, 0, At(-50, 300));
    // A release without a press on the label is no click either.
    ::SendMessageA(h, WM_LBUTTONUP, 0, At(2, 2));
    std::vector<std::string> expected{"down", "click", "up", "down", "up", "up"};
    EXPECT_EQ(log, expected);

    // The popup menu reference goes when the menu does.
    auto* menu = new TPopupMenu(&stage);
    label->SetPopupMenu(menu);
    EXPECT_EQ(label->PopupMenu(), menu);
    delete menu;
    EXPECT_EQ(label->PopupMenu(), nullptr);

    // The label's cursor index chooses the cursor over it from the screen's table.
    HCURSOR hand = ::LoadCursorA(nullptr, IDC_HAND);
    Screen().SetCursors(5, CopyCursor(hand));
    EXPECT_EQ(::SendMessageA(h, WM_SETCURSOR, reinterpret_cast<WPARAM>(h), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)), TRUE);
    EXPECT_EQ(::GetCursor(), Screen().Cursors(5));
    Screen().SetCursors(5, nullptr);
}

TEST(Controls, LabelSizesToItsCaptionAndKeepsItsOwnFont) {
    Reports reports;
    Stage stage;
    auto* label = stage.Make<TLabel>({.name = "label", .left = 10, .top = 10, .caption = "Short"});
    int shortWidth = label->Width();
    EXPECT_GT(shortWidth, 0);
    EXPECT_GT(label->Height(), 0);
    label->SetCaption("A rather longer caption");
    EXPECT_GT(label->Width(), shortWidth);
    int oneLine = label->Height();
    label->SetCaption("Two\r\nlines");
    EXPECT_GT(label->Height(), oneLine);

    // Word wrap keeps the width and grows the height.
    auto* wrapped = stage.Make<TLabel>({.name = "wrapped", .left = 10, .top = 60, .width = 60,
                                        .caption = "several words that cannot fit on one line"},
                                       {.wordWrap = true});
    EXPECT_EQ(wrapped->Width(), 60);
    EXPECT_GT(wrapped->Height(), 2 * oneLine);
    // A fixed-size label keeps its bounds.
    auto* fixed = stage.Make<TLabel>({.name = "fixed", .left = 10, .top = 150, .width = 54, .height = 13,
                                      .caption = "A long caption"},
                                     {.autoSize = false});
    EXPECT_EQ(fixed->Width(), 54);
    EXPECT_EQ(fixed->Height(), 13);

    // A font of its own survives the parent's font changes; a following one does not.
    auto* link = stage.Make<TLabel>({.name = "link", .left = 10, .top = 170, .caption = "link",
                                     .font = FontDesc{.color = clBlue, .style = fsUnderline}});
    EXPECT_FALSE(link->ParentFont());
    EXPECT_TRUE(label->ParentFont());
    auto* button = stage.Make<TButton>({.name = "button", .left = 200, .top = 10, .width = 75, .height = 25});
    link->Font().SetColor(clPurple);
    stage.Font().SetDesc({.height = -14});
    EXPECT_EQ(Logical(link->Font()).lfHeight, -11);
    EXPECT_EQ(link->Font().Color(), clPurple);
    EXPECT_TRUE(Logical(link->Font()).lfUnderline);
    EXPECT_EQ(Logical(label->Font()).lfHeight, -14);
    EXPECT_EQ(reinterpret_cast<HFONT>(::SendMessageA(button->Handle(), WM_GETFONT, 0, 0)),
              stage.Font().Handle());
}

namespace {
COLORREF CornerOf(TWinControl* control) {
    HWND h = control->Handle();
    WindowDC screen(h);
    MemoryDC dc(screen.Get());
    BitmapOwner bitmap(::CreateCompatibleBitmap(screen.Get(), control->Width(), control->Height()));
    SelectScope use(dc.Get(), bitmap.Get());
    ::SendMessageA(h, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.Get()), PRF_CLIENT | PRF_ERASEBKGND);
    return ::GetPixel(dc.Get(), 0, 0);
}
}  // namespace

TEST(Controls, TransparentLabelShowsItsParentsBackground) {
    Reports reports;
    Stage stage;
    auto* box = stage.Make<TGroupBox>({.name = "box", .left = 0, .top = 0, .width = 300, .height = 200});
    auto* opaque = stage.Make<TLabel>({.name = "opaque", .left = 10, .top = 20, .caption = "Opaque",
                                       .parent = box, .color = clRed});
    auto* clear = stage.Make<TLabel>({.name = "clear", .left = 10, .top = 40, .caption = "Clear",
                                      .parent = box, .color = clRed},
                                     {.transparent = true});
    EXPECT_EQ(CornerOf(opaque), RGB(255, 0, 0));
    EXPECT_EQ(CornerOf(clear), ::GetSysColor(COLOR_BTNFACE));
    EXPECT_TRUE(::GetWindowLongA(box->Handle(), GWL_EXSTYLE) & WS_EX_CONTROLPARENT);
}
