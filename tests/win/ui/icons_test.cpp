// The programs' icons in the Process column: one image per distinct program path, the default
// one where a program has no path, none without a name, and nothing held after many updates.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cctype>
#include <string>
#include <vector>

#include "UiTestSupport.h"
#include "framework/Handles.h"
#include "ui/ProgramIcons.h"
#include "ui/TableText.h"

using namespace uitest;

namespace {

// The image the table draws in a row's Process cell, asked as the table asks.
int ShownImage(sockmere::TForm1& form, int item) {
    int image = -1;
    form.lv->OnItemImage(form.lv, item, image);
    return image;
}

}  // namespace

TEST(ProgramIconsTest, OneImagePerDistinctPathAndNoneWithoutAName) {
    Reports reports;
    Shell shell;
    NamedProcess a1(WidePath(TempPath("sockmere_icon_a.exe")));
    NamedProcess a2(WidePath(TempPath("sockmere_icon_a.exe")));
    NamedProcess b(WidePath(TempPath("sockmere_icon_b.exe")));
    std::string rows = "\r\nActive Connections\r\n\r\n  Proto  Local Address  Foreign Address  State  PID\r\n";
    for (const std::string& pid : {a1.Pid(), a2.Pid(), b.Pid(), std::string("99999")})
        rows += "  TCP    127.0.0.1:135  10.0.0.10:445  ESTABLISHED  " + pid + "\r\n";
    FakeSetting file("SOCKMERE_FAKE_FILE", WriteFixture("sockmere_icon_rows.txt", rows));
    auto form = FreshForm({"-n"});
    form->Show();
    form->Processes1->SetChecked(true);
    form->Button1Click(form.get());
    ASSERT_NE(form->Icons(), nullptr);
    const int images = ::ImageList_GetImageCount(form->Icons()->Images());
    EXPECT_EQ(ShownImage(*form, 0), ShownImage(*form, 1));
    EXPECT_GT(ShownImage(*form, 0), 0);
    EXPECT_GT(ShownImage(*form, 2), 0);
    EXPECT_NE(ShownImage(*form, 2), ShownImage(*form, 0));
    EXPECT_EQ(ShownImage(*form, 3), -1);
    int size = 0, height = 0;
    ::ImageList_GetIconSize(form->Icons()->Images(), &size, &height);
    EXPECT_EQ(size, 16);
    // Looked up once per path: a second refresh adds nothing.
    form->Button1Click(form.get());
    EXPECT_EQ(::ImageList_GetImageCount(form->Icons()->Images()), images);
    EXPECT_EQ(ShownImage(*form, 1), ShownImage(*form, 0));
    EXPECT_TRUE(reports.texts.empty());
}

// Each update shows 200 programs, 5 of them new, each a real file under a path of its own; a
// program without a path shows the default icon.
TEST(ProgramIconsTest, AThousandUpdatesHoldNoMoreGdiObjectsThanTen) {
    wchar_t system[MAX_PATH] = {};
    ::GetSystemDirectoryW(system, MAX_PATH);
    const std::string file = fw::Utf8FromWide(system) + "\\notepad.exe";
    // The same file under the n-th spelling of its name: the case of each letter is a bit of n.
    auto spelling = [&](int n) {
        std::string path = file;
        for (char& c : path)
            if (std::isalpha(static_cast<unsigned char>(c))) {
                c = static_cast<char>(n & 1 ? std::toupper(c) : std::tolower(c));
                n >>= 1;
            }
        return path;
    };
    sockmere::ProgramIcons icons(96);
    auto update = [&](int k) {
        sockmere::ProcessNames names;
        for (int j = 0; j < 200; ++j) {
            names.Add(static_cast<DWORD>(1000 + j), "notepad.exe", spelling(k * 5 + j));
        }
        names.Add(4, "System");
        names.Finish();
        icons.Taken(names);
        icons.Apply(names);
        EXPECT_EQ(icons.ImageOf("4"), 0);
    };
    for (int k = 0; k < 10; ++k) update(k);
    const long gdi = fw::LiveGdiObjects();
    for (int k = 10; k < 1000; ++k) update(k);
    EXPECT_LE(fw::LiveGdiObjects(), gdi);
    EXPECT_LE(::ImageList_GetImageCount(icons.Images()), sockmere::ProgramIcons::kMaxIcons);
    EXPECT_GT(icons.ImageOf("1000"), 0);
}

TEST(ProgramIconsTest, SizedToTheDpiAndLookedUpAgainWhenItChanges) {
    wchar_t system[MAX_PATH] = {};
    ::GetSystemDirectoryW(system, MAX_PATH);
    sockmere::ProcessNames names;
    names.Add(1000, "notepad.exe", fw::Utf8FromWide(system) + "\\notepad.exe");
    names.Finish();
    sockmere::ProgramIcons icons(144);
    auto shown = [&](int dpi) {
        icons.Taken(names);
        icons.Apply(names);
        int width = 0, height = 0;
        ::ImageList_GetIconSize(icons.Images(), &width, &height);
        EXPECT_EQ(width, dpi / 6) << dpi;
        EXPECT_EQ(::ImageList_GetImageCount(icons.Images()), 2) << dpi;
        EXPECT_EQ(icons.ImageOf("1000"), 1) << dpi;
    };
    shown(144);
    EXPECT_FALSE(icons.SetDpi(144));
    EXPECT_TRUE(icons.SetDpi(192));
    shown(192);
}
