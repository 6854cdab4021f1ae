#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ClipboardText.h"
#include "framework/Clipboard.h"
#include "framework/FormsTestSupport.h"
#include "dialogs/DialogsTestSupport.h"
#include "ui/Unit3.h"
#include "ui/UrlLabel.h"

using namespace fw;
using namespace fwtest;
using namespace dlgtest;
using sockmere::TForm3;
using sockmere::TUrlLabel;

namespace {

struct ShellCall {
    HWND window;
    std::string verb;
    std::string file;
    bool noParameters;
    bool noDirectory;
    INT show;
};
std::vector<ShellCall> g_shell;

HINSTANCE WINAPI FakeShellExecute(HWND window, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                                  INT show) {
    g_shell.push_back({window, verb ? verb : "", file ? file : "", !parameters, !directory, show});
    return reinterpret_cast<HINSTANCE>(42);
}

// Nothing reaches the real shell while a test runs.
struct ShellWatch {
    TUrlLabel::ShellExecuteFn saved = TUrlLabel::shellExecute;
    ShellWatch() {
        g_shell.clear();
        TUrlLabel::shellExecute = &FakeShellExecute;
    }
    ~ShellWatch() { TUrlLabel::shellExecute = saved; }
    std::vector<std::string> Files() const {
        std::vector<std::string> files;
        for (const ShellCall& call : g_shell) files.push_back(call.file);
        return files;
    }
};

struct ClickCount {
    int clicks = 0;
    void On(TObject*) { ++clicks; }
};

void LeftClick(TWinControl* control) {
    ::SendMessageA(control->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, At(2, 2));
    ::SendMessageA(control->Handle(), WM_LBUTTONUP, 0, At(2, 2));
}

TUrlLabel* MakeLink(Stage& stage, const std::string& caption, const std::string& url) {
    return stage.Make<TUrlLabel>({.name = "Link", .left = 10, .top = 10, .caption = caption,
                                  .cursor = TUrlLabel::kHandCursor},
                                 {.url = url});
}

// A main window with an icon of its own, as the program's is.
struct MainWindow : Stage {
    MainWindow() { Icon().SetHandle(::CopyIcon(::LoadIconA(nullptr, IDI_INFORMATION))); }
};

}  // namespace

TEST(About, CopiesTheMainWindowsIconWhenCreated) {
    Reports reports;
    MainWindow main;
    TForm3 about(nullptr, &main);
    ASSERT_FALSE(about.Image1->Icon().Empty());
    // A picture of its own: the main window's may change or go without touching it.
    EXPECT_NE(about.Image1->Icon().Handle(), main.Icon().Handle());
    EXPECT_EQ(about.Image1->Icon().Width(), main.Icon().Width());
    HICON copied = about.Image1->Icon().Handle();
    main.Icon().SetHandle(nullptr);
    EXPECT_EQ(about.Image1->Icon().Handle(), copied);

    EXPECT_TRUE(ShowModalWith(about, [&] { ::SendMessageA(about.Button1->Handle(), BM_CLICK, 0, 0); }));
    EXPECT_TRUE(ShowModalWith(about, [&] { ::PostMessageA(about.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0); }));
    EXPECT_FALSE(::IsWindowVisible(about.Handle()));
    EXPECT_TRUE(reports.texts.empty());
}

TEST(About, LinkClickOpensTheUrlOrElseTheCaptionAsWritten) {
    Reports reports;
    ShellWatch shell;
    MainWindow main;
    TForm3 about(nullptr, &main);
    about.Show();
    LeftClick(about.UrlLabel1);
    LeftClick(about.UrlLabel2);
    ASSERT_EQ(g_shell.size(), 2u);
    EXPECT_EQ(g_shell[0].window, ::GetDesktopWindow());
    EXPECT_EQ(g_shell[0].verb, "open");
    EXPECT_TRUE(g_shell[0].noParameters && g_shell[0].noDirectory);
    EXPECT_EQ(g_shell[0].show, SW_SHOWNORMAL);
    std::vector<std::string> expected{"https://sockmere.example.org/", "sockmere@example.org"};
    EXPECT_EQ(shell.Files(), expected);

    // Blanks (codes 0 to 32) decide what counts as empty, but the target goes out unchanged.
    Stage stage;
    ClickCount count;
    struct Case {
        const char* caption;
        const char* url;
        const char* opened;  // null: nothing
    } cases[] = {
        {"Caption", " https://a.example/ ", " https://a.example/ "},
        {" mail@b.example ", " \t\r\n", " mail@b.example "},
        {"Caption", "", "Caption"},
        {" \t", "  ", nullptr},
        {"", "", nullptr},
    };
    for (const Case& c : cases) {
        g_shell.clear();
        count.clicks = 0;
        TUrlLabel* link = MakeLink(stage, c.caption, c.url);
        link->OnClick = Bind<&ClickCount::On>(&count);
        LeftClick(link);
        EXPECT_EQ(count.clicks, 1) << c.caption;
        if (c.opened) {
            ASSERT_EQ(g_shell.size(), 1u) << c.caption;
            EXPECT_EQ(g_shell[0].file, c.opened);
        } else {
            EXPECT_TRUE(g_shell.empty()) << "caption \"" << c.caption << "\"";
        }
        delete link;
    }
    EXPECT_TRUE(reports.texts.empty());
}

TEST(About, LinkIsPurpleWhileHeldAndGetsItsColourBackOnRelease) {
    Reports reports;
    ShellWatch shell;
    Stage stage;
    TUrlLabel* link = MakeLink(stage, "Sockmere home page", "https://sockmere.example.org/");
    ClickCount count;
    link->OnClick = Bind<&ClickCount::On>(&count);
    HWND h = link->Handle();
    EXPECT_EQ(link->Font().Color(), clBlue);
    EXPECT_TRUE(Logical(link->Font()).lfUnderline);
    EXPECT_EQ(link->ActiveColor(), TColor{0x800080});

    ::SendMessageA(h, WM_LBUTTONDOWN, MK_LBUTTON, At(2, 2));
    EXPECT_EQ(link->Font().Color(), TColor{0x800080});
    EXPECT_EQ(::GetCapture(), h);
    // Released away from the link: the colour comes back, nothing opens.
    ::SendMessageA(h, WM_LBUTTONUP, 0, At(-40, 200));
    EXPECT_EQ(link->Font().Color(), clBlue);
    EXPECT_TRUE(g_shell.empty());
    EXPECT_EQ(count.clicks, 0);

    // The colour in force at the press comes back, whatever it was; other buttons leave it.
    link->Font().SetColor(clGreen);
    link->SetActiveColor(clRed);
    ::SendMessageA(h, WM_MBUTTONDOWN, MK_MBUTTON, At(2, 2));
    EXPECT_EQ(link->Font().Color(), clGreen);
    ::SendMessageA(h, WM_MBUTTONUP, 0, At(2, 2));
    ::SendMessageA(h, WM_LBUTTONDOWN, MK_LBUTTON, At(2, 2));
    EXPECT_EQ(link->Font().Color(), clRed);
    ::SendMessageA(h, WM_LBUTTONUP, 0, At(2, 2));
    EXPECT_EQ(link->Font().Color(), clGreen);
    EXPECT_EQ(count.clicks, 1);
    EXPECT_EQ(g_shell.size(), 1u);
    EXPECT_TRUE(reports.texts.empty());
}

namespace {
TPopupMenu* g_menu = nullptr;
int g_menuItems = -1;
std::string g_firstItem;

void CALLBACK ChooseFirst(HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    HMENU h = g_menu->Handle();
    g_menuItems = ::GetMenuItemCount(h);
    char text[32] = {};
    ::GetMenuStringA(h, 0, text, sizeof text, MF_BYPOSITION);
    g_firstItem = text;
    for (WPARAM key : {VK_DOWN, VK_RETURN}) ::PostMessageA(Application().UtilityWindow(), WM_KEYDOWN, key, 0);
}
struct MenuOpened {
    void On(TObject*) { ::SetTimer(nullptr, 0, 50, &ChooseFirst); }
};
}  // namespace

TEST(About, CopyPutsTheCaptionNotTheAddressOnTheClipboard) {
    Reports reports;
    MainWindow main;
    TForm3 about(nullptr, &main);
    about.Show();
    for (TUrlLabel* link : {about.UrlLabel1, about.UrlLabel2}) {
        Clipboard().SetText("before");
        g_menu = link->PopupMenu();
        ASSERT_NE(g_menu, nullptr);
        MenuOpened opened;
        g_menu->OnPopup = Bind<&MenuOpened::On>(&opened);
        g_menuItems = -1;
        RECT r;
        ::GetWindowRect(link->Handle(), &r);
        // A right click on the link: its own one-item menu, then "Copy".
        ::SendMessageA(link->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(link->Handle()),
                       MAKELPARAM(r.left + 2, r.top + 2));
        EXPECT_EQ(g_menuItems, 1);
        EXPECT_EQ(g_firstItem, "Copy");
        EXPECT_EQ(cliptest::ClipboardText(), link->Caption());
    }
    EXPECT_EQ(cliptest::ClipboardText(), "sockmere@example.org");
    EXPECT_TRUE(reports.texts.empty());
}

TEST(About, EachNewLinkReplacesTheHandCursorAtIndexFive) {
    Reports reports;
    Stage stage;
    TUrlLabel* first = MakeLink(stage, "first", "");
    HCURSOR before = Screen().Cursors(TUrlLabel::kHandCursor);
    ASSERT_NE(before, nullptr);
    ICONINFO info{}, hand{};
    ASSERT_TRUE(::GetIconInfo(before, &info));
    ASSERT_TRUE(::GetIconInfo(::LoadCursorA(nullptr, IDC_HAND), &hand));
    // Test programs carry no "HAND" resource: the system's hand stands in.
    EXPECT_EQ(info.xHotspot, hand.xHotspot);
    EXPECT_EQ(info.yHotspot, hand.yHotspot);
    for (ICONINFO* i : {&info, &hand}) {
        if (i->hbmMask) ::DeleteObject(i->hbmMask);
        if (i->hbmColor) ::DeleteObject(i->hbmColor);
    }

    TUrlLabel* second = MakeLink(stage, "second", "");
    HCURSOR after = Screen().Cursors(TUrlLabel::kHandCursor);
    ASSERT_NE(after, nullptr);
    EXPECT_NE(after, before);
    // Both links show the cursor now registered at index 5.
    for (TUrlLabel* link : {first, second}) {
        EXPECT_EQ(link->Cursor(), TUrlLabel::kHandCursor);
        HWND h = link->Handle();
        ::SetCursor(nullptr);
        ::SendMessageA(h, WM_SETCURSOR, reinterpret_cast<WPARAM>(h), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        EXPECT_EQ(::GetCursor(), after) << link->Caption();
    }
    EXPECT_TRUE(reports.texts.empty());
}
