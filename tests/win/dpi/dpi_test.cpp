// The three windows on a display of 144 DPI (this program runs in a prefix of its own at that
// DPI), and the main window moved to a monitor of 192: the design drawn at the scale, every
// length within a pixel, no text cut, nothing overlapping.
#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "framework/Dpi.h"
#include "framework/DpiScale.h"
#include "framework/FormsTestSupport.h"
#include "ui/FilterBar.h"
#include "ui/UiTestSupport.h"
#include "ui/Unit1.h"
#include "ui/Unit2.h"
#include "ui/Unit3.h"

using fw::TControl;
using sockmere::TForm1;
using Controls = std::initializer_list<TControl*>;

namespace {

// A control and its bounds at 96 DPI; a size of -1 is the control's own (an auto-sized label).
struct Designed {
    TControl* control;
    fw::ScaledRect bounds;
};

void ExpectNear(int actual, int designed, int dpi, const std::string& what) {
    EXPECT_NEAR(actual, designed * dpi / 96.0, 1.0) << what << ", designed " << designed;
}

void ExpectScaled(const std::vector<Designed>& design, int dpi) {
    for (const auto& [c, r] : design) {
        ExpectNear(c->Left(), r.left, dpi, c->Name() + " left");
        ExpectNear(c->Top(), r.top, dpi, c->Name() + " top");
        if (r.width >= 0) ExpectNear(c->Width(), r.width, dpi, c->Name() + " width");
        if (r.height >= 0) ExpectNear(c->Height(), r.height, dpi, c->Name() + " height");
    }
}

// The extent of a text in a font; with a width, as a label lays it out in that width.
RECT TextRect(const fw::TFont& font, const std::string& text, int width = 0) {
    fw::WindowDC screen(nullptr);
    fw::SelectScope use(screen.Get(), font.Handle());
    RECT r{0, 0, width, 0};
    ::DrawTextA(screen.Get(), text.c_str(), -1, &r, DT_CALCRECT | DT_EXPANDTABS | (width ? DT_WORDBREAK : 0));
    return r;
}

// A label's text, in its width; a push button's, with its border; a check box's, beside its box.
void ExpectTextFits(TControl* c, int dpi) {
    const bool label = dynamic_cast<fw::TLabel*>(c) != nullptr;
    const RECT text = TextRect(c->Font(), c->Caption(), label ? c->Width() : 0);
    int room = c->Width();
    if (dynamic_cast<fw::TButton*>(c)) room -= fw::ScaleLength(6, dpi);
    if (dynamic_cast<fw::TCheckBox*>(c)) room -= fw::ScaleLength(17, dpi);
    EXPECT_LE(text.right, room) << c->Name() << " \"" << c->Caption() << "\" is cut";
    // A scaled height may fall a pixel short of the font's own rounding of its cell.
    EXPECT_LE(text.bottom, c->Height() + 1) << c->Name() << " \"" << c->Caption() << "\" is cut";
}

// What a control shows: a label its text, any other control its bounds.
RECT Ink(TControl* c) {
    RECT r{c->Left(), c->Top(), c->Left() + c->Width(), c->Top() + c->Height()};
    if (dynamic_cast<fw::TLabel*>(c)) {
        const RECT text = TextRect(c->Font(), c->Caption(), c->Width());
        r.right = r.left + text.right, r.bottom = r.top + text.bottom;
    }
    return r;
}

void ExpectNoOverlap(const std::vector<TControl*>& controls) {
    for (size_t i = 0; i < controls.size(); ++i)
        for (size_t j = i + 1; j < controls.size(); ++j) {
            RECT a = Ink(controls[i]), b = Ink(controls[j]), both;
            EXPECT_FALSE(::IntersectRect(&both, &a, &b))
                << controls[i]->Name() << " overlaps " << controls[j]->Name();
        }
}

void ExpectClientSize(fw::TForm& form, int width, int height, int dpi) {
    RECT client{};
    ::GetClientRect(form.Handle(), &client);
    ExpectNear(client.right, width, dpi, form.Name() + " client width");
    ExpectNear(client.bottom, height, dpi, form.Name() + " client height");
}

// The smallest the user can drag it to is the smallest design, 474 x 223 inside the frame.
void ExpectLeastSize(TForm1& f, int dpi) {
    MINMAXINFO info{};
    ::SendMessageA(f.Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    ::SetWindowPos(f.Handle(), nullptr, 0, 0, info.ptMinTrackSize.x, info.ptMinTrackSize.y,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ExpectClientSize(f, 474, 223, dpi);
}

void ExpectMainWindowAt(TForm1& f, int dpi) {
    ExpectClientSize(f, 474, 285, dpi);
    // At its designed size the resize rules give the list the full client width.
    ExpectScaled({{f.lv, {0, 0, 474, 209}},        {f.Button1, {0, 216, 89, 25}},   {f.Button4, {96, 216, 57, 25}},
                  {f.Button3, {160, 216, 59, 25}}, {f.Button2, {232, 216, 57, 25}}, {f.check1, {0, 248, 97, 17}},
                  {f.check3, {104, 248, 97, 17}},  {f.check2, {216, 248, 137, 17}}, {f.Animate1, {425, 211, 48, 42}},
                  {f.stat, {0, 266, 474, 19}}},
                 dpi);
    EXPECT_EQ(fwtest::Logical(f.lv->Font()).lfHeight, dpi == 144 ? -17 : -22);
    EXPECT_EQ(f.Icon().Width(), dpi == 144 ? 48 : 64);

    ExpectNear(f.lv->ColumnWidth(3), 220, dpi, "fixed column");
    for (int i = 0; i < f.lv->ColumnCount(); ++i)
        EXPECT_GE(f.lv->ColumnWidth(i), TextRect(f.lv->Font(), f.lv->ColumnCaption(i)).right + 12)
            << f.lv->ColumnCaption(i);
    int edges[3] = {};
    ::SendMessageA(f.stat->Handle(), SB_GETPARTS, 3, reinterpret_cast<LPARAM>(edges));
    ExpectNear(edges[0], 240, dpi, "panel 0");
    ExpectNear(edges[1], 240 + 115, dpi, "panel 1");

    const std::vector<TControl*> band{f.lv,     f.Button1, f.Button4, f.Button3,  f.Button2,
                                      f.check1, f.check3,  f.check2,  f.Animate1, f.stat};
    for (TControl* c : Controls{f.Button1, f.Button4, f.Button3, f.Button2, f.check1, f.check3, f.check2})
        ExpectTextFits(c, dpi);
    ExpectNoOverlap(band);

    ExpectLeastSize(f, dpi);
    ExpectNoOverlap(band);
}

// The filter bar open above the table, and the table below it.
void ExpectFilterBarAt(TForm1& f, int dpi) {
    sockmere::TFilterBar* bar = f.FilterBar1;
    ASSERT_TRUE(bar->Visible());
    ExpectScaled({{bar, {0, 0, 474, 27}},
                  {f.lv, {0, 27, 474, 182}},
                  {f.Button1, {0, 216, 89, 25}},
                  {bar->FilterLabel, {6, 7, 34, 13}},
                  {bar->FilterEdit, {42, 3, 300, 21}},
                  {bar->FilterCount, {350, 7, 120, 13}}},
                 dpi);
    bar->FilterCount->SetCaption("100000 of 100000 rows");
    for (TControl* c : Controls{bar->FilterLabel, bar->FilterCount}) ExpectTextFits(c, dpi);
    ExpectNoOverlap({bar->FilterLabel, bar->FilterEdit, bar->FilterCount});
    ExpectNoOverlap({bar, f.lv, f.Button1, f.Animate1});
}

std::unique_ptr<TForm1> MainWindow() {
    settingskey::Key("Software\\win_dpi_tests", "sockmere").Wipe();
    auto form = std::make_unique<TForm1>(nullptr, std::vector<std::string>{"-n"});
    form->Show();
    uitest::Pump();
    return form;
}

}  // namespace

TEST(At144Dpi, MainWindowIsTheDesignAtOneAndAHalf) {
    uitest::Reports reports;
    uitest::Shell shell;
    auto form = MainWindow();
    EXPECT_EQ(form->Dpi(), 144);
    // Minimized and restored, it comes back as it was.
    ::ShowWindow(form->Handle(), SW_MINIMIZE);
    ::ShowWindow(form->Handle(), SW_RESTORE);
    uitest::Pump();
    ExpectMainWindowAt(*form, 144);
    // A column added once the window is made is drawn at its scale too: five-digit IDs fit.
    form->Processes1->Click();
    ASSERT_EQ(form->lv->ColumnCount(), 8);
    ExpectNear(form->lv->ColumnWidth(6), 50, 144, "PID column");
    EXPECT_LE(TextRect(form->lv->Font(), "99999").right + fw::ScaleLength(12, 144), form->lv->ColumnWidth(6));
    EXPECT_TRUE(reports.texts.empty());
}

TEST(At144Dpi, ConnectionInfoAndAboutAreTheDesignAtOneAndAHalf) {
    uitest::Reports reports;
    sockmere::TForm2 info(nullptr);
    ExpectClientSize(info, 226, 257, 144);
    ExpectScaled({{info.Label1, {0, 3, 54, 13}},     {info.Edit1, {56, 0, 169, 21}},
                  {info.Label2, {0, 35, 54, 13}},    {info.Edit2, {56, 32, 169, 21}},
                  {info.Label3, {0, 64, 54, 26}},    {info.Edit3, {56, 64, 169, 21}},
                  {info.Label5, {0, 96, 54, 26}},    {info.Edit4, {56, 96, 169, 21}},
                  {info.Label6, {0, 128, 54, 33}},   {info.Edit5, {56, 128, 169, 21}},
                  {info.Memo1, {0, 160, 225, 57}},   {info.Bevel1, {0, 224, 225, 9}},
                  {info.Button1, {80, 232, 75, 25}}},
                 144);
    for (TControl* c : Controls{info.Label1, info.Label2, info.Label3, info.Label5, info.Label6, info.Button1})
        ExpectTextFits(c, 144);
    ExpectNoOverlap({info.Label1, info.Edit1, info.Label2, info.Edit2, info.Label3, info.Edit3, info.Label5,
                     info.Edit4, info.Label6, info.Edit5, info.Memo1, info.Button1});

    sockmere::TForm3 about(nullptr, nullptr);
    ExpectClientSize(about, 249, 233, 144);
    ExpectScaled({{about.GroupBox1, {0, 0, 249, 233}},  {about.Image1, {8, 16, 32, 32}},
                  {about.c, {48, 16, -1, -1}},          {about.Label1, {48, 32, -1, -1}},
                  {about.Label2, {48, 48, -1, -1}},     {about.Bevel1, {8, 72, 233, 9}},
                  {about.Label4, {8, 80, 233, 57}},     {about.Bevel2, {8, 136, 233, 9}},
                  {about.UrlLabel1, {48, 160, -1, -1}}, {about.Label3, {48, 176, -1, -1}},
                  {about.UrlLabel2, {102, 176, -1, -1}}, {about.Button1, {72, 200, 75, 25}}},
                 144);
    EXPECT_EQ(fwtest::Logical(about.UrlLabel2->Font()).lfHeight, -17);
    for (TControl* c : Controls{about.Label4, about.Button1}) ExpectTextFits(c, 144);
    ExpectNoOverlap({about.Image1, about.c, about.Label1, about.Label2, about.Label4, about.UrlLabel1, about.Label3,
                     about.UrlLabel2, about.Button1});
    EXPECT_TRUE(reports.texts.empty());
}

TEST(At144Dpi, TheFilterBarIsTheDesignAboveTheTableAndFollowsTheWindowTo192Dpi) {
    uitest::Reports reports;
    uitest::Shell shell;
    auto form = MainWindow();
    form->Filter1->Click();
    ExpectFilterBarAt(*form, 144);
    ::PostMessageA(::GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0);
    uitest::Pump();
    ExpectMainWindowAt(*form, 144);
    form->Filter1->Click();
    RECT window{}, client{};
    ::GetWindowRect(form->Handle(), &window);
    ::GetClientRect(form->Handle(), &client);
    RECT doubled{0, 0, 948 + (window.right - window.left - client.right),
                 570 + (window.bottom - window.top - client.bottom)};
    ::SendMessageA(form->Handle(), WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&doubled));
    ExpectFilterBarAt(*form, 192);
    EXPECT_TRUE(reports.texts.empty());
}

TEST(At144Dpi, MovedToA192DpiMonitorTheMainWindowDoublesTheDesignInTheSuggestedPlace) {
    uitest::Reports reports;
    uitest::Shell shell;
    auto form = MainWindow();
    // Twice the designed client area, in the frame the window has, where Windows would put it.
    RECT window{}, client{};
    ::GetWindowRect(form->Handle(), &window);
    ::GetClientRect(form->Handle(), &client);
    RECT suggested{40, 30, 40 + 948 + (window.right - window.left - client.right),
                   30 + 570 + (window.bottom - window.top - client.bottom)};
    ::SendMessageA(form->Handle(), WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&suggested));

    EXPECT_EQ(form->Dpi(), 192);
    RECT now{};
    ::GetWindowRect(form->Handle(), &now);
    EXPECT_TRUE(::EqualRect(&now, &suggested));
    ExpectMainWindowAt(*form, 192);
    EXPECT_TRUE(reports.texts.empty());
}

namespace {

// Moves the window to a monitor of dpi, into the place Windows would suggest.
void MoveTo(TForm1& f, int dpi, int clientWidth, int clientHeight) {
    RECT r{f.Left(), f.Top(), f.Left() + clientWidth + f.Width() - f.ClientWidth(),
           f.Top() + clientHeight + f.Height() - f.ClientHeight()};
    ::SendMessageA(f.Handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&r));
}

// Stands for a system that draws the frame thicker, once it works the frame out again.
bool g_thickerFrame = false;
WNDPROC g_formProc = nullptr;
LRESULT CALLBACK ThickerFrame(HWND h, UINT msg, WPARAM w, LPARAM l) {
    const LRESULT r = ::CallWindowProcA(g_formProc, h, msg, w, l);
    // Either form of the message starts with the rectangle that becomes the client area.
    if (msg == WM_NCCALCSIZE && g_thickerFrame) reinterpret_cast<RECT*>(l)->bottom -= 8;
    return r;
}

// A monitor of 192 DPI above y = 100, where the window is not designed to be.
int Above100At192(const RECT& r) {
    return r.top < 100 ? 192 : 144;
}

}  // namespace

TEST(At144Dpi, MovesBetweenMonitorsComeBackToTheSameBoundsAndTheLeastSizeTakesTheNewFrame) {
    uitest::Reports reports;
    uitest::Shell shell;
    auto form = MainWindow();
    const auto bounds = [&f = *form] {
        std::vector<int> all;
        for (TControl* c : Controls{f.lv, f.Button1, f.Button4, f.Button3, f.Button2, f.check1, f.check3, f.check2})
            all.insert(all.end(), {c->Left(), c->Top(), c->Width(), c->Height()});
        return all;
    };
    const std::vector<int> before = bounds();
    for (int dpi : {120, 168, 144}) MoveTo(*form, dpi, fw::ScaleLength(474, dpi), fw::ScaleLength(285, dpi));
    EXPECT_EQ(bounds(), before);

    // With no place suggested the outer size stays, yet the frame is drawn at the new scale and
    // the least size counts it.
    g_formProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(form->Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ThickerFrame)));
    g_thickerFrame = true;
    ::SendMessageA(form->Handle(), WM_DPICHANGED, MAKEWPARAM(192, 192), 0);
    ExpectLeastSize(*form, 192);
    g_thickerFrame = false;
    ::SetWindowLongPtrA(form->Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_formProc));
    EXPECT_TRUE(reports.texts.empty());
}

// The stored place lies on a monitor of 192 DPI: the window, hidden while it is put there, gets
// no WM_DPICHANGED, yet it is shown at that monitor's scale.
TEST(At144Dpi, AStoredPlacementOnAMonitorOfAnotherScaleShowsAtItsScale) {
    uitest::Reports reports;
    uitest::Shell shell;
    const settingskey::Key stored("Software\\win_dpi_tests", "sockmere");
    stored.Wipe();
    auto form = std::make_unique<TForm1>(nullptr, std::vector<std::string>{"-n"});
    const int right = 20 + 948 + form->Width() - form->ClientWidth();
    const int bottom = 40 + 570 + form->Height() - form->ClientHeight();
    stored.Set("NormPos", settingskey::Text("20,40," + std::to_string(right) + "," + std::to_string(bottom)));
    const auto monitors = fw::SetMonitorDpiProc(&Above100At192);
    form->Show();
    fw::SetMonitorDpiProc(monitors);
    ExpectMainWindowAt(*form, 192);
    EXPECT_TRUE(reports.texts.empty());
}
