// The table's actions on real processes and a real loopback connection: which rows they may act
// on, what they ask and tell, and what they leave running.
#include <gtest/gtest.h>

#include <windows.h>
#include <in6addr.h>
#include <iphlpapi.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "UiTestSupport.h"
#include "framework/Errors.h"
#include "framework/WideText.h"
#include "ui/ConnectionActions.h"
#include "ui/TableText.h"

using namespace uitest;
using sockmere::TForm1;

namespace {

constexpr char kHead[] = "\r\nActive Connections\r\n\r\n  Proto  Local Address  Foreign Address  State  PID\r\n";

// Each message box this thread shows: its text and default button, answered with the next
// button of answers (the last one again when they run out).
struct Boxes {
    std::vector<int> answers{IDOK};
    std::vector<std::string> texts;
    std::vector<int> defaults;
    HWND last = nullptr;
};
Boxes g_boxes;

BOOL CALLBACK FindBox(HWND hwnd, LPARAM found) {
    char name[16] = {};
    ::GetClassNameA(hwnd, name, sizeof name);
    if (std::string(name) != "#32770" || !::IsWindowVisible(hwnd) || hwnd == g_boxes.last) return TRUE;
    *reinterpret_cast<HWND*>(found) = hwnd;
    return FALSE;
}

VOID CALLBACK AnswerBox(HWND, UINT, UINT_PTR, DWORD) {
    HWND box = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), FindBox, reinterpret_cast<LPARAM>(&box));
    if (!box) return;
    wchar_t text[1024] = {};
    ::GetDlgItemTextW(box, 0xFFFF, text, 1024);
    g_boxes.texts.push_back(fw::Utf8FromWide(text));
    int defaultButton = 0;
    for (int id : {IDOK, IDYES, IDNO})
        if (HWND button = ::GetDlgItem(box, id); button && (::GetWindowLongW(button, GWL_STYLE) & 0xF) == BS_DEFPUSHBUTTON)
            defaultButton = id;
    g_boxes.defaults.push_back(defaultButton);
    const std::size_t n = g_boxes.texts.size() - 1;
    const int answer = g_boxes.answers[std::min(n, g_boxes.answers.size() - 1)];
    g_boxes.last = box;
    ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0);
}

// Answers boxes for one scope.
class BoxAnswers {
public:
    explicit BoxAnswers(std::vector<int> answers) : timer_(::SetTimer(nullptr, 0, 50, AnswerBox)) {
        g_boxes = Boxes{};
        g_boxes.answers = std::move(answers);
    }
    ~BoxAnswers() { ::KillTimer(nullptr, timer_); }

private:
    UINT_PTR timer_;
};

bool Ended(const NamedProcess& p) {
    return ::WaitForSingleObject(p.Process(), 0) == WAIT_OBJECT_0;
}

class ActionsTest : public ::testing::Test {
protected:
    // No option chosen here reaches the tests after these.
    ~ActionsTest() override {
        form.reset();
        StoredSettings().Wipe();
    }
    void List(const std::string& rows) { WriteFixture("sockmere_actions_rows.txt", kHead + rows); }
    void Refresh(bool processes) {
        form->Processes1->SetChecked(processes);
        form->Button1Click(form.get());
    }
    // The two items' captions, '-' when grayed, for the row selected (-1: none).
    std::vector<std::string> ItemsFor(int item) {
        form->lv->SetSelected(item);
        MenuKeys(*form, {});
        return {g_menu.items[5], g_menu.items[6]};
    }

    Reports reports;
    Shell shell;
    FakeSetting file_{"SOCKMERE_FAKE_FILE", TempPath("sockmere_actions_rows.txt")};
    std::unique_ptr<TForm1> form = FreshForm({"-n"});
};

HANDLE WINAPI RefuseToOpen(DWORD, BOOL, DWORD) {
    ::SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
}

MIB_TCPROW g_closed{};
int g_closes = 0;
DWORD WINAPI RecordClose(MIB_TCPROW* row) {
    g_closed = *row;
    ++g_closes;
    using Proc = DWORD(WINAPI*)(MIB_TCPROW*);
    const auto system = reinterpret_cast<Proc>(
        reinterpret_cast<void*>(::GetProcAddress(::LoadLibraryA("iphlpapi.dll"), "SetTcpEntry")));
    const DWORD answer = system(row);
    std::printf("SetTcpEntry answered %lu\n", answer);
    return answer;
}

}  // namespace

TEST_F(ActionsTest, EndProcessAsksWithNoAsDefaultEndsTheHelperAndItsRowGoes) {
    NamedProcess helper(WidePath(TempPath("sockmere_helper.exe")));
    form->Show();
    List("  TCP    127.0.0.1:1061  10.0.0.10:445  ESTABLISHED  " + helper.Pid() + "\r\n"
         "  TCP    127.0.0.1:1062  10.0.0.10:445  ESTABLISHED  4\r\n");
    Refresh(true);
    ASSERT_EQ(form->lv->ItemCount(), 2);
    EXPECT_EQ(ItemsFor(1), (std::vector<std::string>{"Close Connection", "End Process...-"}));
    EXPECT_EQ(ItemsFor(0), (std::vector<std::string>{"Close Connection", "End Process..."}));
    {
        // Delete is too easy to hit: it does nothing.
        BoxAnswers answers({IDNO});
        form->lv->SetFocus();
        ::SendMessageA(form->lv->Handle(), WM_KEYDOWN, VK_DELETE, 0);
        Pump();
        EXPECT_TRUE(g_boxes.texts.empty());
        // No, the default, leaves it running.
        form->Actions1->EndProcessClick(nullptr);
        ASSERT_EQ(g_boxes.texts.size(), 1u);
        EXPECT_FALSE(Ended(helper));
    }
    EXPECT_EQ(g_boxes.texts[0], "End \"sockmere_helper.exe\" (PID " + helper.Pid() +
                                    ")?\nThe program ends at once; what it has not saved is lost.");
    EXPECT_EQ(g_boxes.defaults[0], IDNO);
    List("  TCP    127.0.0.1:1062  10.0.0.10:445  ESTABLISHED  4\r\n");
    {
        BoxAnswers answers({IDYES});
        // The menu key reaches the item: down past the four items and the one before it.
        MenuKeys(*form, {VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN});
        Pump();
    }
    EXPECT_EQ(g_boxes.texts.size(), 1u);
    EXPECT_TRUE(Ended(helper));
    EXPECT_EQ(form->lv->ItemCount(), 1);
    EXPECT_TRUE(reports.texts.empty());
}

// The listing began before the helper was created: its ID, listed, named another program.
TEST_F(ActionsTest, EndProcessLeavesANewerProgramWithTheListedIdAlone) {
    List("");
    std::unique_ptr<NamedProcess> helper;
    FakeSetting delay("SOCKMERE_FAKE_DELAY_MS", "1500");
    std::thread later([&] {
        ::Sleep(300);
        helper = std::make_unique<NamedProcess>(WidePath(TempPath("sockmere_newer.exe")));
        List("  TCP    127.0.0.1:1061  10.0.0.10:445  ESTABLISHED  " + helper->Pid() + "\r\n");
    });
    Refresh(true);
    later.join();
    ASSERT_EQ(form->lv->ItemCount(), 1);
    EXPECT_EQ(form->lv->SubItem(0, sockmere::kProcessColumn - 1), "");
    form->lv->SetSelected(0);
    {
        BoxAnswers answers({IDYES, IDOK});
        form->Actions1->EndProcessClick(nullptr);
    }
    EXPECT_FALSE(Ended(*helper));
    EXPECT_EQ(g_boxes.texts, (std::vector<std::string>{
                                 "End the program with PID " + helper->Pid() +
                                     "?\nThe program ends at once; what it has not saved is lost.",
                                 "The program listed with PID " + helper->Pid() +
                                     " has ended; the ID now belongs to another program, which was left alone."}));
}

TEST_F(ActionsTest, EndProcessRefusedShowsTheReasonAndTheHint) {
    NamedProcess helper(WidePath(TempPath("sockmere_guarded.exe")));
    List("  TCP    127.0.0.1:1061  10.0.0.10:445  ESTABLISHED  " + helper.Pid() + "\r\n");
    Refresh(true);
    form->lv->SetSelected(0);
    const auto previous = sockmere::SetOpenProcessProc(&RefuseToOpen);
    {
        BoxAnswers answers({IDYES, IDOK});
        form->Actions1->EndProcessClick(nullptr);
    }
    sockmere::SetOpenProcessProc(previous);
    EXPECT_FALSE(Ended(helper));
    ASSERT_EQ(g_boxes.texts.size(), 2u);
    EXPECT_EQ(g_boxes.texts[1], "Cannot end \"sockmere_guarded.exe\" (PID " + helper.Pid() + "): " +
                                    fw::SystemErrorText(ERROR_ACCESS_DENIED) +
                                    ".\nPrograms of other users and of the system can be ended only when Sockmere "
                                    "runs as administrator.");
}

TEST_F(ActionsTest, CloseConnectionFindsTheHelpersLoopbackConnectionAndGraysTheOthers) {
    const std::string portsFile = TempPath("sockmere_ports.txt");
    ::DeleteFileA(portsFile.c_str());
    NamedProcess helper(WidePath(TempPath("sockmere_connected.exe")), L"--connect " + WidePath(portsFile));
    ASSERT_TRUE(PumpUntil([&] { return !ReadFile(portsFile).empty(); }, 10000));
    const std::string ports = ReadFile(portsFile);
    const std::string local = ports.substr(0, ports.find(' ')), remote = ports.substr(ports.find(' ') + 1);
    const std::string connection = "  TCP    127.0.0.1:" + local + "  127.0.0.1:" + remote + "  ESTABLISHED\r\n";
    List(connection +
         "  UDP    0.0.0.0:137    *:*\r\n"
         "  TCP    [::1]:80       [::1]:8080      ESTABLISHED\r\n"
         "  TCP    0.0.0.0:135    0.0.0.0:0       LISTENING\r\n"
         "  TCP    127.0.0.1:135  9.1.1.1:443     TIME_WAIT\r\n"
         "  TCP    127.0.0.1:1    127.0.0.1:2     ESTABLISHED\r\n");
    form->Show();
    form->Highlight1Click(nullptr);
    Refresh(false);
    ASSERT_EQ(form->lv->ItemCount(), 6);
    const std::vector<std::string> enabled{"Close Connection", "End Process...-"},
        grayed{"Close Connection-", "End Process...-"};
    EXPECT_EQ(ItemsFor(0), enabled);
    for (int item : {-1, 1, 2, 3, 4}) EXPECT_EQ(ItemsFor(item), grayed) << item;

    form->lv->SetSelected(0);
    const auto previous = sockmere::SetSetTcpEntryProc(&RecordClose);
    {
        BoxAnswers answers({IDOK});
        form->Actions1->CloseConnectionClick(nullptr);
    }
    ASSERT_EQ(g_closes, 1);
    EXPECT_EQ(g_closed.dwState, static_cast<DWORD>(MIB_TCP_STATE_DELETE_TCB));
    EXPECT_EQ(g_closed.dwLocalPort & 0xFFFF, __builtin_bswap16(static_cast<WORD>(std::stoi(local))));
    EXPECT_EQ(g_closed.dwRemotePort & 0xFFFF, __builtin_bswap16(static_cast<WORD>(std::stoi(remote))));
    EXPECT_EQ(g_closed.dwRemoteAddr, 0x0100007Fu);
    // Wine does not close connections; whatever it answers is shown as the refusal it is.
    std::printf("Wine's answer: %s\n", g_boxes.texts.empty() ? "(none)" : g_boxes.texts[0].c_str());
    ASSERT_EQ(g_boxes.texts.size(), 1u);
    EXPECT_EQ(g_boxes.texts[0].rfind("Windows did not close the connection: ", 0), 0u);

    // Nothing open matches the last row; with names, both ends of the helper's connection match.
    form->lv->SetSelected(5);
    {
        BoxAnswers answers({IDOK});
        form->Actions1->CloseConnectionClick(nullptr);
    }
    EXPECT_EQ(g_boxes.texts, (std::vector<std::string>{"The connection is no longer open."}));
    List(connection + "  TCP    127.0.0.1:a  localhost:b  ESTABLISHED\r\n");
    Refresh(false);
    // The rows that are gone stay, marked; they are no more to act on.
    ASSERT_EQ(form->lv->ItemCount(), 7);
    EXPECT_EQ(ItemsFor(6), grayed);
    form->lv->SetSelected(1);
    {
        BoxAnswers answers({IDOK});
        form->Actions1->CloseConnectionClick(nullptr);
    }
    sockmere::SetSetTcpEntryProc(previous);
    EXPECT_EQ(g_closes, 1);
    EXPECT_EQ(g_boxes.texts, (std::vector<std::string>{
                                 "Several connections match; turn on \"Numeric format\" and try again."}));
    ::DeleteFileA(portsFile.c_str());
    EXPECT_TRUE(reports.texts.empty());
}

TEST_F(ActionsTest, WithLiveUpdatesAnActionBringsTheNextUpdateForwardInsteadOfARefresh) {
    const std::string runs = TempPath("sockmere_actions_runs.txt");
    ::DeleteFileA(runs.c_str());
    FakeSetting record("SOCKMERE_FAKE_ARGS_FILE", runs);
    auto count = [&] { const std::string text = ReadFile(runs); return std::count(text.begin(), text.end(), '\n'); };
    List("  TCP    127.0.0.1:1  127.0.0.1:2  ESTABLISHED\r\n");
    form->Show();
    Refresh(false);
    form->LiveUpdates1->SetSeconds(30);
    form->lv->SetSelected(0);
    {
        BoxAnswers answers({IDOK});
        form->Actions1->CloseConnectionClick(nullptr);
    }
    EXPECT_EQ(g_boxes.texts, (std::vector<std::string>{"The connection is no longer open."}));
    EXPECT_EQ(count(), 1);
    EXPECT_TRUE(PumpUntil([&] { return count() == 2; }, 5000));
    form->LiveUpdates1->SetSeconds(0);
    ::DeleteFileA(runs.c_str());
}
