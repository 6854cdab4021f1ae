// The main window's stored placement and options, in-process: what a show reads back, what a
// close or a log-off writes, and what a damaged value does.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "UiTestSupport.h"

using namespace uitest;
using settingskey::Text;
using settingskey::Value;
using settingskey::Values;
using sockmere::TForm1;

namespace {

std::string RectText(HWND window) {
    RECT r{};
    ::GetWindowRect(window, &r);
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

void Place(TForm1& form, int left, int top, int width, int height) {
    ::SetWindowPos(form.Handle(), nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

// "Tray", then "Restore" from the tray menu.
void TripToTray(TForm1& form) {
    ::SendMessageA(form.Button4->Handle(), BM_CLICK, 0, 0);
    form.Restore1->Click();
}

bool OnScreen(fw::TCheckBox* box) {
    return ::SendMessageA(box->Handle(), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

}  // namespace

TEST(StoredOptions, ABooleanTextIsReadInAnyCaseAndBlanksElseIgnored) {
    Reports reports;
    Shell shell;
    auto form = FreshForm({"-n"});
    form->Show();
    StoredSettings().SetText("check2_Checked", "  true ");
    TripToTray(*form);
    EXPECT_TRUE(form->check2->Checked());
    EXPECT_TRUE(OnScreen(form->check2));
    for (const char* word : {"yes", "1", ""}) {
        for (bool ticked : {true, false}) {
            form->check2->SetChecked(ticked);
            StoredSettings().SetText("check2_Checked", word);
            TripToTray(*form);
            EXPECT_EQ(form->check2->Checked(), ticked) << '"' << word << '"';
        }
    }
    StoredSettings().SetText("check2_Checked", "FALSE");
    TripToTray(*form);
    EXPECT_FALSE(form->check2->Checked());
    EXPECT_FALSE(OnScreen(form->check2));
    EXPECT_TRUE(reports.texts.empty());
}

TEST(StoredOptions, FirstCloseWritesThePlacementAndEveryBoxAsItIs) {
    Reports reports;
    Shell shell;
    auto form = FreshForm({"-n"});
    form->Show();
    EXPECT_FALSE(form->check1->Checked() || form->check2->Checked() || form->check3->Checked());
    form->check3->SetChecked(true);
    form->Close();
    const Values values = StoredSettings().All();
    const std::string suffix = settingskey::ScreenSuffix();
    std::vector<std::string> names;
    for (const auto& [name, value] : values) {
        names.push_back(name);
        EXPECT_EQ(value.type, static_cast<DWORD>(REG_SZ)) << name;
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Flags", "MinMaxPos", "MinMaxPos" + suffix, "NormPos", "NormPos" + suffix,
                                               "ShowCmd", "Visible", "check1_Checked", "check2_Checked",
                                               "check3_Checked"}));
    EXPECT_EQ(StoredSettings().Read("check1_Checked"), "False");
    EXPECT_EQ(StoredSettings().Read("check2_Checked"), "False");
    EXPECT_EQ(StoredSettings().Read("check3_Checked"), "True");
    EXPECT_EQ(StoredSettings().Read("NormPos"), RectText(form->Handle()));
    EXPECT_EQ(StoredSettings().Read("Visible"), "0");
    EXPECT_TRUE(reports.texts.empty());
}

TEST(StoredOptions, TrayRoundTripPutsBackTheStoredRectangleAndBoxes) {
    Reports reports;
    Shell shell;
    auto form = FreshForm({"-n"});
    form->Show();
    Place(*form, 140, 90, 520, 330);
    const std::string stored = RectText(form->Handle());
    form->check3->SetChecked(true);
    form->Close();
    form->Show();

    Place(*form, 20, 30, 600, 400);
    form->check1->SetChecked(true);
    form->check3->SetChecked(false);
    TripToTray(*form);
    EXPECT_TRUE(form->Visible());
    EXPECT_EQ(RectText(form->Handle()), stored);
    EXPECT_FALSE(form->check1->Checked());
    EXPECT_TRUE(form->check3->Checked());
    EXPECT_TRUE(reports.texts.empty());
}

TEST(StoredOptions, TheFirstRestoreComesBeforeTheStartRefresh) {
    Reports reports;
    Shell shell;
    FakeSetting rows("SOCKMERE_FAKE_ROWS", "2");
    const std::string argsFile = TempPath("sockmere_ui_stored_args.txt");
    ::DeleteFileA(argsFile.c_str());
    FakeSetting record("SOCKMERE_FAKE_ARGS_FILE", argsFile);
    StoredSettings().Wipe();
    StoredSettings().SetText("check1_Checked", "True");
    auto form = std::make_unique<TForm1>(nullptr, std::vector<std::string>{});
    const std::string recorded = ReadFile(argsFile);
    ::DeleteFileA(argsFile.c_str());
    EXPECT_EQ(recorded, "-n\r\n");
    EXPECT_TRUE(form->check1->Checked());
    EXPECT_EQ(form->lv->ItemCount(), 2);
}

TEST(StoredOptions, ShowProcessesIsReadOnceAtStartAndNamesTheOwners) {
    Reports reports;
    Shell shell;
    FakeSetting rows("SOCKMERE_FAKE_ROWS", "10");
    StoredSettings().Wipe();
    StoredSettings().SetText("ShowProcesses", "tRUE");
    auto form = std::make_unique<TForm1>(nullptr, std::vector<std::string>{});
    ASSERT_EQ(form->lv->ColumnCount(), 8);
    // The fake listing's owners in turn: this program, 0, 4, services.exe and a process that is not.
    const std::string self = std::to_string(::GetCurrentProcessId());
    EXPECT_EQ(form->lv->SubItem(0, 5) + " " + form->lv->SubItem(0, 6), self + " win_ui_tests.exe");
    EXPECT_EQ(form->lv->SubItem(3, 6), "services.exe");
    EXPECT_EQ(form->lv->SubItem(4, 6), "");
    EXPECT_EQ(form->lv->SubItem(6, 4) + "|" + form->lv->SubItem(6, 5), "|0");  // UDP, no state
    // Showing the window again reads the boxes, not this option.
    StoredSettings().SetText("ShowProcesses", "False");
    TripToTray(*form);
    EXPECT_TRUE(form->Processes1->Checked());
    for (const char* text : {"yes", " True"}) {
        StoredSettings().SetText("ShowProcesses", text);
        EXPECT_EQ(std::make_unique<TForm1>(nullptr, std::vector<std::string>{"-n"})->lv->ColumnCount(), 6) << text;
    }
    StoredSettings().SetNumber("ShowProcesses", 1);
    EXPECT_EQ(std::make_unique<TForm1>(nullptr, std::vector<std::string>{"-n"})->lv->ColumnCount(), 6);
    EXPECT_TRUE(reports.texts.empty());
    StoredSettings().Wipe();
}

TEST(Session, LogOffQuerySavesAsACloseDoesAndAgrees) {
    Reports reports;
    Shell shell;
    auto form = FreshForm({"-n"});
    form->Show();
    Place(*form, 60, 70, 500, 300);
    form->check2->SetChecked(true);
    EXPECT_EQ(::SendMessageA(form->Handle(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
    EXPECT_EQ(StoredSettings().Read("NormPos"), RectText(form->Handle()));
    EXPECT_EQ(StoredSettings().Read("check2_Checked"), "True");
    EXPECT_EQ(StoredSettings().Read("check1_Checked"), "False");
    EXPECT_TRUE(reports.texts.empty());
}

// Every stored value damaged in turn: a value of the wrong type that a show reads fails the whole
// restore with the store's error, and then nothing is saved at close, so the key stays as it was
// until someone mends it; garbage text and values a show never reads fall back quietly, and the
// close writes everything again. No other value is lost either way.
TEST(BadInput, EachStoredValueOfTheWrongTypeOrGarbage) {
    Reports reports;
    Shell shell;
    Values baseline;
    {
        auto form = FreshForm({"-n"});
        form->Show();
        Place(*form, 120, 90, 530, 340);
        form->check1->SetChecked(true);
        form->Close();
        baseline = StoredSettings().All();
    }
    ASSERT_EQ(baseline.size(), 10u);
    ASSERT_EQ(baseline["check1_Checked"], Text("True"));
    ASSERT_EQ(baseline["check3_Checked"], Text("False"));

    const std::string suffix = settingskey::ScreenSuffix();
    // The values a restore pass reads, in its order; the plain position names are read only when
    // the ones for this screen size are missing.
    const std::vector<std::string> readByPlacement = {"Flags", "MinMaxPos" + suffix, "NormPos" + suffix, "ShowCmd"};
    const DWORD one = 1;
    const Value wrong[] = {{REG_DWORD, std::string(reinterpret_cast<const char*>(&one), sizeof one)},
                           {REG_BINARY, std::string("\x01\x02\x03", 3)},
                           Text(" @@ not, a, value ")};
    for (const auto& [name, original] : baseline) {
        // The other name of the same position value is written from the same window.
        const std::string twin = name.ends_with(suffix)           ? name.substr(0, name.size() - suffix.size())
                                 : baseline.count(name + suffix) ? name + suffix
                                                                 : name;
        for (const Value& bad : wrong) {
            SCOPED_TRACE(name + " of type " + std::to_string(bad.type));
            StoredSettings().Replace(baseline);
            StoredSettings().Set(name, bad);
            const Values planted = StoredSettings().All();
            const bool fails = bad.type != REG_SZ && std::count(readByPlacement.begin(), readByPlacement.end(), name);
            reports.texts.clear();
            bool numeric = false;
            {
                auto form = std::make_unique<TForm1>(nullptr, std::vector<std::string>{"-n"});
                form->Show();
                EXPECT_TRUE(form->Visible());
                numeric = form->check1->Checked();
                // A change that only a save would keep.
                form->check3->SetChecked(true);
                form->Close();
            }
            const Values after = StoredSettings().All();
            if (fails) {
                EXPECT_EQ(reports.texts, std::vector<std::string>{"Invalid data type for '" + name + "'"});
                // The options are not read after a failed placement.
                EXPECT_FALSE(numeric);
                EXPECT_EQ(after, planted);
                continue;
            }
            EXPECT_TRUE(reports.texts.empty());
            EXPECT_EQ(numeric, name != "check1_Checked");
            for (const auto& [other, value] : baseline) {
                if (other == name || other == twin) continue;
                EXPECT_EQ(after.at(other), other == "check3_Checked" ? Text("True") : value) << other;
            }
            EXPECT_EQ(after.at(name).type, static_cast<DWORD>(REG_SZ));
        }
    }
}
