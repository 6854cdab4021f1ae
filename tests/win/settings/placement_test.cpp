// The form storage on a form of its own: what a show restores, what a close or a destroy
// saves, how failures are reported, and the size limits through the window hook.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "framework/Application.h"
#include "framework/Forms.h"
#include "framework/StdCtrls.h"
#include "framework/Sync.h"
#include "settings/FormPlacement.h"
#include "settings/StoreText.h"
#include "winsize/WindowHook.h"

using namespace sockmere;

namespace {

constexpr const char* kKey = "Software\\SockmerePlacementTest";
const std::string kSection = "sockmere";
const std::string kPath = std::string(kKey) + "\\sockmere";

// Names of the values written through the storage's stores, in order, across forms.
std::vector<std::string> gWrites;

class RecordingStore : public TSettingsStore {
public:
    explicit RecordingStore(std::unique_ptr<TSettingsStore> inner) : inner_(std::move(inner)) {}
    std::string ReadText(const std::string& section, const std::string& name, const std::string& fallback) override {
        return inner_->ReadText(section, name, fallback);
    }
    void WriteText(const std::string& section, const std::string& name, const std::string& text) override {
        inner_->WriteText(section, name, text);
        gWrites.push_back(name);
    }
    void DeleteSection(const std::string& section) override { inner_->DeleteSection(section); }

private:
    std::unique_ptr<TSettingsStore> inner_;
};

class TestStorage : public TFormStorage {
public:
    using TFormStorage::TFormStorage;

protected:
    std::unique_ptr<TSettingsStore> OpenStore() const override {
        return std::make_unique<RecordingStore>(TFormStorage::OpenStore());
    }
};

// A sizeable form like the main window, with one stored check box.
struct PlacementForm : fw::TForm {
    fw::TCheckBox* check1 = nullptr;
    TestStorage* storage = nullptr;
    bool refuseClose = false;

    explicit PlacementForm(const std::function<void(TestStorage&)>& setup = {}) : fw::TForm(nullptr) {
        // Set before loading, so the storage's own close handler takes it over.
        OnCloseQuery = fw::Bind<&PlacementForm::AskClose>(this);
        Describe({.name = "PlacementForm", .caption = "Placement", .left = 100, .top = 80, .clientWidth = 300,
                  .clientHeight = 200, .borderStyle = fw::bsSizeable},
                 [&] {
                     check1 = Make<fw::TCheckBox>(
                         {.name = "check1", .left = 8, .top = 8, .width = 120, .height = 17, .caption = "Numeric"});
                     storage = new TestStorage(this);
                     storage->SetName("FormStorage1");
                     storage->IniFileName = kKey;
                     storage->IniSection = kSection;
                     storage->UseRegistry = true;
                     storage->StoredProps().Add("check1.Checked");
                     if (setup) setup(*storage);
                 });
    }
    ~PlacementForm() override { DoDestroy(); }
    void AskClose(fw::TObject*, bool& canClose) {
        if (refuseClose) canClose = false;
    }
    std::string Designed() const { return PositionText(100, 80, 100 + Width(), 80 + Height()); }
};

WINDOWPLACEMENT PlacementOf(HWND window) {
    WINDOWPLACEMENT p{};
    p.length = sizeof p;
    ::GetWindowPlacement(window, &p);
    return p;
}

std::string NormPos(HWND window) {
    const RECT r = PlacementOf(window).rcNormalPosition;
    return PositionText(r.left, r.top, r.right, r.bottom);
}

std::string Suffix() {
    return ScreenSizeSuffix(::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN));
}

void Pump() {
    fw::Application().ProcessMessages();
}

class Placement : public ::testing::Test {
protected:
    void SetUp() override {
        fw::Application().Initialize();
        ::RegDeleteTreeA(HKEY_CURRENT_USER, kKey);
        gWrites.clear();
        fw::Application().OnException = fw::Event<fw::TComponent*, const std::string&>::Of<&Placement::OnReport>(this);
    }
    void TearDown() override {
        fw::Application().OnException.Clear();
        ::RegDeleteTreeA(HKEY_CURRENT_USER, kKey);
    }
    void OnReport(fw::TComponent*, const std::string& text) { reports.push_back(text); }

    static void SetText(const std::string& name, const std::string& text) {
        ASSERT_EQ(::RegSetKeyValueA(HKEY_CURRENT_USER, kPath.c_str(), name.c_str(), REG_SZ, text.c_str(),
                                    static_cast<DWORD>(text.size() + 1)),
                  ERROR_SUCCESS);
    }
    static void SetDword(const std::string& name, DWORD value) {
        ASSERT_EQ(::RegSetKeyValueA(HKEY_CURRENT_USER, kPath.c_str(), name.c_str(), REG_DWORD, &value, sizeof value),
                  ERROR_SUCCESS);
    }
    static std::string Value(const std::string& name) {
        char data[256];
        DWORD size = sizeof data;
        if (::RegGetValueA(HKEY_CURRENT_USER, kPath.c_str(), name.c_str(), RRF_RT_REG_SZ, nullptr, data, &size) !=
            ERROR_SUCCESS)
            return "missing";
        return data;
    }

    std::vector<std::string> reports;
};

}  // namespace

TEST_F(Placement, FirstStartOpensAsDesignedAndACloseWritesThePlacementInOrder) {
    auto form = std::make_unique<PlacementForm>();
    const std::string designed = form->Designed();
    form->Show();
    HWND h = form->Handle();
    EXPECT_TRUE(::IsWindowVisible(h));
    EXPECT_FALSE(::IsZoomed(h) || ::IsIconic(h));
    EXPECT_EQ(NormPos(h), designed);
    EXPECT_TRUE(form->storage->IsRestored());
    EXPECT_TRUE(gWrites.empty()) << "a show only reads";

    ASSERT_TRUE(form->CloseQuery());
    const std::string s = Suffix();
    const std::vector<std::string> order{"Flags",    "ShowCmd",     "MinMaxPos" + s, "MinMaxPos",
                                         "NormPos" + s, "NormPos", "Visible",       "check1_Checked"};
    EXPECT_EQ(gWrites, order);
    EXPECT_EQ(Value("Flags"), NumberText(static_cast<std::int32_t>(PlacementOf(h).flags)));
    EXPECT_EQ(Value("ShowCmd"), "1");
    EXPECT_EQ(Value("NormPos"), designed);
    EXPECT_EQ(Value("NormPos" + s), designed);
    EXPECT_EQ(Value("MinMaxPos"), Value("MinMaxPos" + s));
    EXPECT_EQ(Value("Visible"), "0");
    EXPECT_EQ(Value("check1_Checked"), "False");

    gWrites.clear();
    form.reset();
    EXPECT_TRUE(gWrites.empty()) << "the destroy after a saved close writes nothing";
    EXPECT_TRUE(reports.empty());
}

TEST_F(Placement, TheNormalRectangleComesFromThisScreensNameThenThePlainOneWordByWord) {
    const std::string s = Suffix();
    struct Case {
        const char* what;
        std::vector<std::pair<std::string, std::string>> values;
        std::string expected;  // empty: the designed rectangle
    };
    const Case cases[] = {
        {"plain name only", {{"NormPos", "50,60,450,360"}}, "50,60,450,360"},
        {"another screen's size", {{"NormPos(1x1)", "1,1,301,301"}, {"NormPos", "50,60,450,360"}}, "50,60,450,360"},
        {"this screen's size wins", {{"NormPos" + s, "70,90,370,290"}, {"NormPos", "50,60,450,360"}},
         "70,90,370,290"},
        {"odd separators", {{"NormPos", " 10 , 20,,300  400"}}, "10,20,300,400"},
        {"two words", {{"NormPos", "10,20"}}, "two words"},
        {"right not past left", {{"NormPos", "5000,20"}}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ::RegDeleteTreeA(HKEY_CURRENT_USER, kKey);
        for (const auto& [name, text] : c.values) SetText(name, text);
        PlacementForm form;
        std::string expected = c.expected.empty() ? form.Designed() : c.expected;
        if (expected == "two words") expected = PositionText(10, 20, 100 + form.Width(), 80 + form.Height());
        form.Show();
        EXPECT_EQ(NormPos(form.Handle()), expected);
        ASSERT_TRUE(form.CloseQuery());
        EXPECT_EQ(Value("NormPos" + s), expected) << "the next save adds this screen's name";
    }
    EXPECT_TRUE(reports.empty());
}

TEST_F(Placement, TheStoredShowCommandChoosesTheStateAndAMaximizedFormSitsAtMinusItsFrame) {
    struct Case {
        const char* showCmd;
        fw::TWindowState state;
    };
    const Case cases[] = {{"3", fw::wsMaximized}, {"2", fw::wsMinimized}, {"6", fw::wsMinimized},
                          {"9", fw::wsNormal},    {"4", fw::wsNormal},    {"x", fw::wsNormal}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.showCmd);
        SetText("ShowCmd", c.showCmd);
        SetText("MinMaxPos", "-1,-1,33,44");
        PlacementForm form;
        form.Show();
        Pump();
        HWND h = form.Handle();
        EXPECT_EQ(::IsZoomed(h) != 0, c.state == fw::wsMaximized);
        EXPECT_EQ(::IsIconic(h) != 0, c.state == fw::wsMinimized) << "not the main form: the state setter";
        if (c.state == fw::wsMaximized) {
            // Wine reports a maximized position of (-1, -1) and maximizes by the frame alone,
            // so the stored one must at least not show; the window sits at minus its frame.
            RECT r;
            ::GetWindowRect(h, &r);
            EXPECT_EQ(r.left, -::GetSystemMetrics(SM_CXFRAME));
            EXPECT_EQ(r.top, -::GetSystemMetrics(SM_CYFRAME));
            EXPECT_NE(PlacementOf(h).ptMaxPosition.x, 33);
        }
    }
    EXPECT_TRUE(reports.empty());
}

TEST_F(Placement, AMinimizedMainFormSavesTwoAndOnItsNextShowMinimizesThroughAPostedCommand) {
    PlacementForm form;
    form.Show();
    HWND h = form.Handle();
    fw::Screen().SetMainForm(&form);
    form.SetWindowState(fw::wsMinimized);
    Pump();
    ASSERT_TRUE(::IsIconic(h));
    ASSERT_TRUE(form.CloseQuery());
    EXPECT_EQ(Value("ShowCmd"), "2");

    // Back from the tray: shown normal first, minimized when the posted command arrives.
    form.SetVisible(false);
    form.Show();
    EXPECT_TRUE(::IsWindowVisible(h));
    EXPECT_FALSE(::IsIconic(h));
    EXPECT_EQ(form.WindowState(), fw::wsNormal);
    MSG msg{};
    ASSERT_TRUE(::PeekMessageA(&msg, fw::Application().MainWindow(), WM_SYSCOMMAND, WM_SYSCOMMAND, PM_NOREMOVE));
    EXPECT_EQ(msg.wParam, WPARAM{SC_MINIMIZE});
    Pump();
    EXPECT_TRUE(::IsIconic(h));
    fw::Screen().SetMainForm(nullptr);
    EXPECT_TRUE(reports.empty());
}

TEST_F(Placement, ARefusedCloseSavesNothingAndAHiddenFormSavesWhereItWas) {
    auto form = std::make_unique<PlacementForm>();
    form->Show();
    form->refuseClose = true;
    EXPECT_FALSE(form->CloseQuery());
    EXPECT_TRUE(gWrites.empty());

    form->SetBounds(150, 120, 320, 260);
    form->SetVisible(false);
    form->refuseClose = false;
    ASSERT_TRUE(form->CloseQuery());
    EXPECT_EQ(Value("NormPos"), "150,120,470,380");
    EXPECT_EQ(Value("Visible"), "0");
    EXPECT_TRUE(reports.empty());
}

TEST_F(Placement, AFailedRestoreIsReportedShowsTheFormAndSkipsStoredPropertiesAndLaterSaves) {
    for (const char* broken : {"", "ShowCmd", "Flags"}) {
        SCOPED_TRACE(broken);
        ::RegDeleteTreeA(HKEY_CURRENT_USER, kKey);
        reports.clear();
        gWrites.clear();
        SetText("check1_Checked", "True");
        if (*broken) SetDword(broken, 3);
        PlacementForm form;
        form.Show();
        EXPECT_TRUE(::IsWindowVisible(form.Handle()));
        if (!*broken) {
            EXPECT_TRUE(reports.empty());
            EXPECT_TRUE(form.check1->Checked());
            continue;
        }
        EXPECT_EQ(reports, std::vector<std::string>{"Invalid data type for '" + std::string(broken) + "'"});
        EXPECT_FALSE(form.check1->Checked());
        EXPECT_FALSE(form.storage->IsRestored());
        EXPECT_TRUE(form.CloseQuery());
        EXPECT_TRUE(gWrites.empty()) << "placement never read: nothing is written over it";
    }
}

TEST_F(Placement, AFailedSaveIsReportedAndTriedOnceMoreOnDestroyWithVisibleSet) {
    // A lasting section cannot live below a volatile key.
    const std::string volatileKey = std::string(kKey) + "\\Volatile";
    HKEY key;
    // Wine makes the missing parents of a volatile key volatile too.
    ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ::RegCloseKey(key);
    ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, volatileKey.c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                                KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ::RegCloseKey(key);
    const std::string failure = "Failed to create key sockmere";

    for (bool mended : {false, true}) {
        SCOPED_TRACE(mended ? "mended before destroy" : "still failing");
        reports.clear();
        auto form = std::make_unique<PlacementForm>([&](TestStorage& s) { s.IniFileName = volatileKey; });
        form->Show();
        EXPECT_TRUE(form->CloseQuery()) << "the close goes on";
        EXPECT_EQ(reports, std::vector<std::string>{failure});
        EXPECT_FALSE(form->storage->IsSaved());
        if (mended) form->storage->IniFileName = kKey;
        const std::string designed = form->Designed();
        form.reset();
        if (mended) {
            EXPECT_EQ(reports, std::vector<std::string>{failure});
            EXPECT_EQ(Value("Visible"), "1");
            EXPECT_EQ(Value("NormPos"), designed);
        } else {
            EXPECT_EQ(reports, (std::vector<std::string>{failure, failure}));
        }
    }
}

TEST_F(Placement, SizeLimitsAndPreventResizeAnswerThroughTheHookWhichDefaultsLeaveDetached) {
    auto minMax = [](HWND h) {
        MINMAXINFO info{};
        info.ptMinTrackSize = {1, 2};
        info.ptMaxTrackSize = {3, 4};
        info.ptMaxSize = {5, 6};
        info.ptMaxPosition = {7, 8};
        ::SendMessageA(h, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
        return info;
    };
    auto hitLeftBorder = [](HWND h) {
        RECT r;
        ::GetWindowRect(h, &r);
        return ::SendMessageA(h, WM_NCHITTEST, 0, MAKELPARAM(r.left + 1, (r.top + r.bottom) / 2));
    };

    PlacementForm form;
    form.Show();
    TWindowHook& hook = form.storage->WindowHook();
    EXPECT_EQ(hook.ControlHook(), nullptr);
    EXPECT_EQ(minMax(form.Handle()).ptMinTrackSize.x, 1);
    ASSERT_EQ(hitLeftBorder(form.Handle()), HTLEFT);

    TWinMinMaxInfo& limits = form.storage->MinMaxInfo();
    limits.Set(TWinMinMaxInfo::MinTrackWidth, 320);
    limits.Set(TWinMinMaxInfo::MaxTrackHeight, 700);
    limits.Set(TWinMinMaxInfo::MaxPosLeft, -9);
    EXPECT_NE(hook.ControlHook(), nullptr);
    MINMAXINFO info = minMax(form.Handle());
    EXPECT_EQ(info.ptMinTrackSize.x, 320);
    EXPECT_EQ(info.ptMinTrackSize.y, 2) << "a zero limit leaves the field";
    EXPECT_EQ(info.ptMaxTrackSize.y, 700);
    EXPECT_EQ(info.ptMaxSize.x, 5);
    EXPECT_EQ(info.ptMaxPosition.x, -9);
    TWinMinMaxInfo none;
    limits.Assign(&none);
    EXPECT_EQ(hook.ControlHook(), nullptr);

    // Set in the description or afterwards alike.
    for (bool described : {true, false}) {
        SCOPED_TRACE(described ? "described" : "set later");
        PlacementForm frozen([&](TestStorage& s) {
            if (described) s.SetPreventResize(true);
        });
        frozen.Show();
        if (!described) frozen.storage->SetPreventResize(true);
        Pump();
        HWND h = frozen.Handle();
        EXPECT_EQ(frozen.BorderIcons() & fw::biMaximize, 0u);
        info = minMax(h);
        EXPECT_EQ(info.ptMinTrackSize.x, frozen.Width());
        EXPECT_EQ(info.ptMinTrackSize.y, frozen.Height());
        EXPECT_EQ(info.ptMaxTrackSize.x, frozen.Width());
        EXPECT_EQ(info.ptMaxTrackSize.y, frozen.Height());
        EXPECT_EQ(hitLeftBorder(h), HTNOWHERE);

        frozen.storage->SetPreventResize(false);
        Pump();
        EXPECT_NE(frozen.BorderIcons() & fw::biMaximize, 0u);
        EXPECT_EQ(frozen.storage->WindowHook().ControlHook(), nullptr);
        EXPECT_EQ(hitLeftBorder(frozen.Handle()), HTLEFT);
    }
    EXPECT_TRUE(reports.empty());
}

// A stored rectangle off the monitors (a second monitor since undocked, a caption above the
// screen) comes back on the nearest work area, in the stored state; the store keeps its text.
TEST_F(Placement, AnUnreachableStoredRectangleIsMovedOntoTheWorkArea) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    ASSERT_TRUE(::GetMonitorInfoA(::MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor));
    // Placements are in workspace coordinates: the work area's corner is their origin.
    const RECT work = monitor.rcWork;
    const int width = work.right - work.left, height = work.bottom - work.top;
    struct Case {
        const char* stored;
        const char* showCmd;
        std::string expected;
    };
    const Case cases[] = {
        {"1200,900,1800,1400", "1", PositionText(width - 600, height - 500, width, height)},
        {"0,-300,600,100", "1", "0,0,600,400"},
        {"-100,-100,3000,3000", "1", PositionText(0, 0, width, height)},
        {"1200,900,1800,1400", "3", PositionText(width - 600, height - 500, width, height)},
        {"10,20,410,320", "1", "10,20,410,320"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        ::RegDeleteTreeA(HKEY_CURRENT_USER, kKey);
        SetText("NormPos", c.stored);
        SetText("ShowCmd", c.showCmd);
        PlacementForm form;
        form.Show();
        Pump();
        EXPECT_EQ(NormPos(form.Handle()), c.expected);
        EXPECT_EQ(::IsZoomed(form.Handle()) != 0, std::string(c.showCmd) == "3");
        EXPECT_EQ(Value("NormPos"), c.stored);
    }
    EXPECT_TRUE(reports.empty());
}

// Another instance's save, one value at a time under the store's lock: this form's save comes
// whole after it, and this form's restore reads it whole, never a mix of the two.
TEST_F(Placement, PassesOfTwoInstancesOnOneStoreNeverMix) {
    const std::pair<std::string, std::string> other[] = {
        {"NormPos" + Suffix(), "11,22,333,444"}, {"NormPos", "11,22,333,444"}, {"check1_Checked", "True"}};
    auto otherSave = [&](HANDLE holding) {
        const fw::NamedLock lock(SettingsLockName(kKey), 10000);
        ::SetEvent(holding);
        for (const auto& [name, text] : other) {
            SetText(name, text);
            ::Sleep(40);
        }
    };
    const fw::HandleOwner holding(::CreateEventA(nullptr, FALSE, FALSE, nullptr));
    {
        PlacementForm form;
        form.Show();
        std::thread instance(otherSave, holding.Get());
        ::WaitForSingleObject(holding.Get(), 10000);
        EXPECT_TRUE(form.CloseQuery());
        instance.join();
        EXPECT_EQ(Value("NormPos"), NormPos(form.Handle()));
        EXPECT_EQ(Value("check1_Checked"), "False");
    }
    SetText("NormPos", "50,60,450,360");
    SetText("check1_Checked", "False");
    std::thread instance(otherSave, holding.Get());
    ::WaitForSingleObject(holding.Get(), 10000);
    PlacementForm form;
    form.Show();
    instance.join();
    EXPECT_EQ(NormPos(form.Handle()), "11,22,333,444");
    EXPECT_TRUE(form.check1->Checked());
    EXPECT_TRUE(reports.empty());
}

namespace {

// Damaged rectangles whose width or height overflows, or that lie far beyond any screen: the
// form opens at its designed place, as for any other invalid rectangle.
TEST_F(Placement, ARectangleBeyondAnyScreenGivesTheDesignedPlace) {
    for (const char* stored : {"-2147483000,0,2147483000,400", "0,2147483000,400,-2147483000", "0,0,70000,400"}) {
        SCOPED_TRACE(stored);
        ::RegDeleteTreeA(HKEY_CURRENT_USER, kKey);
        SetText("NormPos", stored);
        PlacementForm form;
        form.Show();
        EXPECT_EQ(NormPos(form.Handle()), form.Designed());
    }
    EXPECT_TRUE(reports.empty());
}

// Another instance holds the store's lock and does not let go: at the end of the session the
// close waits two seconds at most, then saves all the same. A lock whose holder died is taken
// over at once, and let go after.
TEST_F(Placement, AtTheEndOfTheSessionAHeldLockIsAwaitedBrieflyAndADeadOnesTakenOver) {
    const fw::HandleOwner lock(::CreateMutexA(nullptr, FALSE, SettingsLockName(kKey).c_str()));
    const auto save = [&](bool sessionEnds, bool lockHeld) {
        ::RegDeleteTreeA(HKEY_CURRENT_USER, kKey);
        PlacementForm form;
        form.Show();
        // Taken by a thread that ends without letting go: held, or abandoned once it has ended.
        std::thread holder([&] {
            ::WaitForSingleObject(lock.Get(), 0);
            ::Sleep(lockHeld ? 5000 : 0);
        });
        if (!lockHeld) holder.join();
        ::Sleep(100);
        const DWORD start = ::GetTickCount();
        EXPECT_TRUE(sessionEnds ? ::SendMessageA(form.Handle(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF)
                                : form.CloseQuery());
        const DWORD waited = ::GetTickCount() - start;
        EXPECT_EQ(Value("NormPos"), NormPos(form.Handle()));
        if (holder.joinable()) holder.join();
        return waited;
    };
    const DWORD held = save(true, true);
    EXPECT_GE(held, 1900u);
    EXPECT_LT(held, 4000u);
    EXPECT_LT(save(false, false), 1000u);
    std::thread([&] { EXPECT_EQ(::WaitForSingleObject(lock.Get(), 0), static_cast<DWORD>(WAIT_OBJECT_0)); }).join();
    EXPECT_TRUE(reports.empty());
}

}  // namespace
