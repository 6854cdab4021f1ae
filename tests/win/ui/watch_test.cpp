// Keeping watch from the tray: updates there only while an option is on, the balloon and its
// click, the spacing of balloons, and the change log on disk.
#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "UiTestSupport.h"
#include "ui/ConnectionWatch.h"
#include "ui/TableExport.h"
#include "ui/Unit1.h"

using namespace uitest;
using sockmere::TForm1;

namespace {

const std::string kOwn = std::to_string(::GetCurrentProcessId());

// A process that ran before the test, with a name of its own.
std::string ServicesPid() {
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    std::string pid;
    for (BOOL more = ::Process32First(snapshot, &entry); more && pid.empty(); more = ::Process32Next(snapshot, &entry))
        if (::lstrcmpiA(entry.szExeFile, "services.exe") == 0) pid = std::to_string(entry.th32ProcessID);
    ::CloseHandle(snapshot);
    return pid;
}

// Connections from local ports from, from + 1, ... to 10.0.0.2:443, with their owner's ID when given.
std::string Rows(int from, int count, const std::string& pid = "") {
    std::string text;
    for (int port = from; port < from + count; ++port)
        text += "  TCP    127.0.0.1:" + std::to_string(port) + "     10.0.0.2:443     ESTABLISHED     " + pid + "\r\n";
    return text;
}

std::string Listing(const std::string& rows) {
    return "\r\nActive Connections\r\n\r\n  Proto  Local Address          Foreign Address        State           PID\r\n" +
           rows;
}

// The save dialog's stand-in: names the file, and notes the name it was offered.
struct LogDialog {
    static inline std::wstring path, offered;
    static BOOL WINAPI Proc(LPOPENFILENAMEW dialog) {
        offered = dialog->lpstrFile;
        ::lstrcpynW(dialog->lpstrFile, path.c_str(), static_cast<int>(dialog->nMaxFile));
        return TRUE;
    }
};

// The log's lines after its header, each without its time.
std::vector<std::string> LoggedLines(const std::string& file) {
    std::vector<std::string> lines;
    for (std::size_t at = file.find("\r\n"); at != std::string::npos && at + 2 < file.size();) {
        const std::size_t end = file.find("\r\n", at + 2);
        const std::string line = file.substr(at + 2, end - at - 2);
        lines.push_back(line.substr(line.find(',') + 1));
        at = end;
    }
    return lines;
}

class WatchTest : public ::testing::Test {
protected:
    void SetUp() override {
        Serve(Listing(Rows(1000, 3)));
        form = RefreshedForm();
    }
    void TearDown() override {
        form.reset();
        StoredSettings().Wipe();
    }

    void Serve(const std::string& text) { listing_.Serve(text); }
    int Runs() { return listing_.Runs(); }
    fw::TMenuItem* NotifyItem(int i) { return form->Watch1->NotifyMenu()->Items(i); }
    void ToTray() {
        form->Button4Click(form->Button4);
        Pump();
    }
    // Waits for the next update in the tray to start and end.
    bool NextUpdate() {
        const int before = Runs();
        form->stat->SetPanelText(0, "waiting");
        return PumpUntil([&] { return Runs() > before && form->stat->PanelText(0) != "waiting"; }, 4000);
    }

    Reports reports;
    Shell shell;
    ServedListing listing_{"sockmere_watch"};
    std::unique_ptr<TForm1> form;
};

}  // namespace

TEST_F(WatchTest, UpdatesGoOnInTheTrayOnlyWhileAnOptionIsOn) {
    EXPECT_EQ(form->PopupMenu2->Items()->Items(11)->Caption(), "Notify");
    EXPECT_FALSE(NotifyItem(0)->Checked() || NotifyItem(1)->Checked() || form->Watch1->LogItem()->Checked());
    // A watch needs updates: chosen with them off, they come every 5 seconds.
    NotifyItem(1)->Click();
    EXPECT_EQ(form->LiveUpdates1->Seconds(), 5);
    EXPECT_EQ(StoredSettings().Read("RefreshEvery"), "5");
    EXPECT_EQ(StoredSettings().Read("NotifyFirstConnect"), "True");
    NotifyItem(1)->Click();
    EXPECT_EQ(StoredSettings().Read("NotifyFirstConnect"), "False");

    form->LiveUpdates1->SetSeconds(1);
    ToTray();
    int before = Runs();
    PumpUntil([] { return false; }, 2500);
    EXPECT_EQ(Runs(), before);
    NotifyItem(0)->Click();
    EXPECT_TRUE(NotifyItem(0)->Checked());
    EXPECT_TRUE(PumpUntil([&] { return Runs() >= before + 2; }, 4000));
    NotifyItem(0)->Click();
    PumpUntil([] { return false; }, 1500);
    before = Runs();
    PumpUntil([] { return false; }, 2500);
    EXPECT_EQ(Runs(), before);
    EXPECT_TRUE(reports.texts.empty());
}

TEST_F(WatchTest, OneBalloonPerUpdateAtMostEveryTenSecondsAndItsClickShowsTheRow) {
    const std::string services = ServicesPid();
    ASSERT_FALSE(services.empty());
    form->Processes1Click(form->Processes1);
    NotifyItem(0)->Click();
    NotifyItem(1)->Click();
    form->LiveUpdates1->SetSeconds(1);
    // Found with the window shown: the marks tell, no balloon.
    Serve(Listing(Rows(1000, 3, kOwn) + "  UDP    0.0.0.0:137    *:*     " + kOwn + "\r\n"));
    ASSERT_TRUE(NextUpdate());
    ToTray();
    const std::string own = "win_ui_tests.exe";
    Serve(Listing(Rows(1000, 3, kOwn) + "  TCP    0.0.0.0:8080   0.0.0.0:0   LISTENING   " + kOwn + "\r\n" +
                  "  TCP    [::]:8080      [::]:0      LISTENING   " + kOwn + "\r\n" +
                  "  UDP    0.0.0.0:5353   *:*     " + kOwn + "\r\n" +
                  "  TCP    127.0.0.1:52311   140.82.121.4:443   ESTABLISHED   " + services + "\r\n" +
                  "  TCP    127.0.0.1:52312   140.82.121.4:443   ESTABLISHED   " + services + "\r\n" +
                  "  UDP    0.0.0.0:137    *:*     " + kOwn + "\r\n"));
    ASSERT_TRUE(NextUpdate());
    ASSERT_EQ(shell.Balloons(), (std::vector<std::string>{
                                    "2 new listening ports, a program connected for the first time\n"
                                    "TCP 8080 " + own + "\nUDP 5353 " + own + "\nTCP 52311 to 140.82.121.4:443 services.exe"}));
    const DWORD first = ::GetTickCount();

    // Two more within ten seconds wait, summed, for the next balloon.
    Serve(Listing(Rows(1000, 3, kOwn) + "  TCP    0.0.0.0:9090   0.0.0.0:0   LISTENING   " + kOwn + "\r\n"));
    ASSERT_TRUE(NextUpdate());
    Serve(Listing(Rows(1000, 3, kOwn) + "  TCP    0.0.0.0:9091   0.0.0.0:0   LISTENING   " + kOwn + "\r\n" +
                  "  TCP    0.0.0.0:9090   0.0.0.0:0   LISTENING   " + kOwn + "\r\n"));
    ASSERT_TRUE(NextUpdate());
    form->LiveUpdates1->SetSeconds(30);
    EXPECT_EQ(shell.Balloons().size(), 1u);
    ASSERT_TRUE(PumpUntil([&] { return shell.Balloons().size() == 2; }, 11000));
    EXPECT_GE(::GetTickCount() - first, 9900u);
    EXPECT_EQ(shell.Balloons()[1], "2 new listening ports\nTCP 9090 " + own + "\nTCP 9091 " + own);

    // A click on it brings the window back with its first row selected.
    ::SendMessageA(form->tray->CallbackWindow(), sockmere::kTrayCallbackMessage, 0, NIN_BALLOONUSERCLICK);
    EXPECT_TRUE(form->Visible());
    ASSERT_GE(form->lv->Selected(), 0);
    EXPECT_EQ(form->lv->ItemField(form->lv->Selected(), 2), "9090");
    EXPECT_TRUE(reports.texts.empty());
}

TEST_F(WatchTest, TheLogGetsEveryChangeKeepsItsLinesThroughFailuresAndSaysWhatItDropped) {
    const std::string path = TempPath("sockmere watch log.csv");
    ::DeleteFileA(path.c_str());
    LogDialog::path = WidePath(path);
    const auto previous = sockmere::SetSaveDialogProc(&LogDialog::Proc);
    form->Watch1->LogItem()->Click();
    sockmere::SetSaveDialogProc(previous);
    EXPECT_EQ(LogDialog::offered, L"Sockmere changes.csv");
    EXPECT_TRUE(form->Watch1->LogItem()->Checked());
    EXPECT_EQ(StoredSettings().Read("ChangeLog"), path);
    form->LiveUpdates1->SetSeconds(0);

    // The first listing is compared with nothing; the next one logs.
    form->Button1Click(form.get());
    std::string next = Listing(Rows(1001, 3));
    next.replace(next.find("ESTABLISHED"), 11, "TIME_WAIT  ");
    Serve(next);
    form->Button1Click(form.get());
    std::string file = ReadFile(path);
    EXPECT_EQ(file.rfind("\xEF\xBB\xBFTime,Event,Proto,Local Port,Remote Addr,Remote Port,Status,PID,Process\r\n", 0), 0u);
    EXPECT_EQ(LoggedLines(file), (std::vector<std::string>{"changed,TCP,1001,10.0.0.2,443,TIME_WAIT,,",
                                                           "opened,TCP,1003,10.0.0.2,443,ESTABLISHED,,",
                                                           "closed,TCP,1000,10.0.0.2,443,ESTABLISHED,,"}));
    const std::string time = file.substr(file.find("\r\n") + 2, 25);
    EXPECT_TRUE(time[4] == '-' && time[10] == 'T' && (time[19] == '+' || time[19] == '-') && time[22] == ':') << time;

    // Deleted meanwhile: it starts again with its header.
    ASSERT_TRUE(::DeleteFileA(path.c_str()));
    Serve(Listing(Rows(1001, 2)));
    form->Button1Click(form.get());
    EXPECT_EQ(LoggedLines(ReadFile(path)), (std::vector<std::string>{"changed,TCP,1001,10.0.0.2,443,ESTABLISHED,,",
                                                                     "closed,TCP,1003,10.0.0.2,443,ESTABLISHED,,"}));

    // Held by a program that shares nothing: told once, kept, then written; past 10,000 lines
    // the rest is counted.
    HANDLE lock = ::CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    Serve(Listing(Rows(1001, 3)));
    form->Button1Click(form.get());
    EXPECT_EQ(form->stat->PanelText(0).rfind("Change log: cannot write \"" + path + "\": ", 0), 0u)
        << form->stat->PanelText(0);
    Serve(Listing(Rows(5000, 10001)));
    form->Button1Click(form.get());
    EXPECT_EQ(form->stat->PanelText(0), "Done.");
    ::CloseHandle(lock);
    form->Button1Click(form.get());
    const std::vector<std::string> lines = LoggedLines(ReadFile(path));
    ASSERT_EQ(lines.size(), 2u + 10000 + 1);
    EXPECT_EQ(lines[2], "opened,TCP,1003,10.0.0.2,443,ESTABLISHED,,");
    EXPECT_EQ(lines[3], "opened,TCP,5000,10.0.0.2,443,ESTABLISHED,,");
    EXPECT_EQ(lines.back(), "dropped,,,,,5,,");
    EXPECT_TRUE(reports.texts.empty());
}
