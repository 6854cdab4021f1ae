#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/Application.h"
#include "framework/Errors.h"
#include "framework/Menus.h"

using namespace fw;

namespace {

struct MenuLog {
    std::vector<std::string> lines;
    void Item(TObject* sender) { lines.push_back(static_cast<TMenuItem*>(sender)->Caption()); }
    void Popup(TObject*);
};

// What the open menu looked like, and the keys to press in it (none: close it).
struct Driver {
    TPopupMenu* menu = nullptr;
    std::vector<WPARAM> keys;
    int count = -1;
    std::vector<UINT> states;
    int defaultPosition = -2;
};
Driver g_driver;

void CALLBACK DriveMenu(HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    HMENU h = g_driver.menu->Handle();
    g_driver.count = ::GetMenuItemCount(h);
    for (int i = 0; i < g_driver.count; ++i) g_driver.states.push_back(::GetMenuState(h, UINT(i), MF_BYPOSITION));
    g_driver.defaultPosition = int(::GetMenuDefaultItem(h, TRUE, 0));
    if (g_driver.keys.empty()) {
        ::EndMenu();
        return;
    }
    for (WPARAM key : g_driver.keys) ::PostMessageA(Application().UtilityWindow(), WM_KEYDOWN, key, 0);
}

void MenuLog::Popup(TObject*) {
    lines.push_back("popup");
    ::SetTimer(nullptr, 0, 50, &DriveMenu);
}

class MenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        Application().Initialize();
        menu = std::make_unique<TPopupMenu>(nullptr);
        for (const char* caption : {"Restore", "Refresh", "-", "Exit"}) {
            auto* item = new TMenuItem(menu.get());
            item->SetCaption(caption);
            item->OnClick = TNotifyEvent::Of<&MenuLog::Item>(&log);
            menu->Items()->Add(item);
        }
        menu->Items()->Items(0)->SetDefault(true);
        menu->OnPopup = TNotifyEvent::Of<&MenuLog::Popup>(&log);
        g_driver = Driver{};
        g_driver.menu = menu.get();
    }
    std::unique_ptr<TPopupMenu> menu;
    MenuLog log;
};

}  // namespace

TEST_F(MenuTest, PopupShowsSeparatorsTheDefaultItemAndDisabledAndCheckedItemsThenClosesWithoutAClick) {
    menu->Items()->Items(3)->SetEnabled(false);
    menu->Items()->Items(1)->SetChecked(true);
    menu->Popup(100, 100);
    EXPECT_EQ(log.lines, std::vector<std::string>{"popup"});
    EXPECT_EQ(menu->Handle(), nullptr);
    ASSERT_EQ(g_driver.count, 4);
    EXPECT_TRUE(g_driver.states[2] & MF_SEPARATOR);
    EXPECT_FALSE(g_driver.states[1] & (MF_GRAYED | MF_DISABLED));
    EXPECT_TRUE(g_driver.states[3] & MF_GRAYED);
    EXPECT_TRUE(g_driver.states[1] & MF_CHECKED);
    EXPECT_FALSE((g_driver.states[0] | g_driver.states[3]) & MF_CHECKED);
    EXPECT_EQ(g_driver.defaultPosition, 0);
}

TEST_F(MenuTest, TheChosenItemIsClickedAfterTheMenuCloses) {
    g_driver.keys = {VK_DOWN, VK_DOWN, VK_RETURN};
    menu->Popup(100, 100);
    EXPECT_EQ(log.lines, (std::vector<std::string>{"popup", "Refresh"}));
}

TEST_F(MenuTest, ClickRaisesOnClickOnlyWhenEnabled) {
    TMenuItem* exit = menu->Items()->Items(3);
    exit->Click();
    exit->SetEnabled(false);
    exit->Click();
    EXPECT_EQ(log.lines, std::vector<std::string>{"Exit"});
}

TEST_F(MenuTest, ItemsLeaveTheirParentWhenFreedAndTheMenuFreesTheRest) {
    TMenuItem* refresh = menu->Items()->Items(1);
    delete refresh;
    ASSERT_EQ(menu->Items()->Count(), 3);
    EXPECT_EQ(menu->Items()->Items(1)->Caption(), "-");

    auto* sub = new TMenuItem(nullptr);
    sub->SetCaption("More");
    auto* deeper = new TMenuItem(menu.get());
    sub->Add(deeper);
    menu->Items()->Add(sub);
    try {
        menu->Items()->Add(deeper);
        FAIL();
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Menu inserted twice");
    }
    menu.reset();  // frees the sub-menu with its item, and the items it owns; no double free
}

