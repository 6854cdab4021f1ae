// The table as a user works it: header clicks, keys, the context menu, copies and saves.
#include <gtest/gtest.h>

#include <windows.h>
#include <dlgs.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "UiTestSupport.h"
#include "ClipboardText.h"
#include "ScriptRun.h"
#include "framework/Clipboard.h"
#include "framework/Handles.h"
#include "framework/WideText.h"
#include "ui/TableExport.h"
#include "ui/Unit1.h"
#include "ui/Unit2.h"

using namespace uitest;
using sockmere::TForm1;

namespace {

constexpr char kListing[] =
    "\r\nActive Connections\r\n\r\n  Proto  Local Address          Foreign Address        State\r\n"
    "  TCP    127.0.0.1:1061     10.0.0.10:445        ESTABLISHED\r\n"
    "  TCP    127.0.0.1:80       [::1]:8080           SYN_SENT\r\n"
    "  UDP    0.0.0.0:137        *:*                  \r\n"
    "  TCP    127.0.0.1:135      9.1.1.1:https        TIME_WAIT\r\n"
    "  TCP    127.0.0.1:49664    host.example:80      LISTENING\r\n";
constexpr char kHeader[] = "#\tProto\tLocal Port\tRemote Addr\tRemote Port\tStatus\r\n";
constexpr char kRow5[] = "5\tTCP\t49664\thost.example\t80\tLISTENING\r\n";

// A main window filled from the listing above, shown, with the table focused.
class TableTest : public ::testing::Test {
protected:
    void SetUp() override {
        fixture_ = WriteFixture("sockmere_table_rows.txt", kListing);
        file_ = std::make_unique<FakeSetting>("SOCKMERE_FAKE_FILE", fixture_);
        form = std::make_unique<TForm1>(nullptr, std::vector<std::string>{"-n"});
        form->Show();
        form->Button1Click(form.get());
        form->lv->SetFocus();
        Pump();
    }
    void TearDown() override {
        form.reset();
        file_.reset();
        ::DeleteFileA(fixture_.c_str());
    }

    // Captions in the order the control shows them, read back through the control.
    std::string Shown() {
        std::string captions;
        for (int i = 0; i < static_cast<int>(::SendMessageA(form->lv->Handle(), LVM_GETITEMCOUNT, 0, 0)); ++i) {
            char text[32] = {};
            LVITEMA item{};
            item.pszText = text;
            item.cchTextMax = sizeof text;
            ::SendMessageA(form->lv->Handle(), LVM_GETITEMTEXTA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
            captions += text;
        }
        return captions;
    }
    // What the header shows: per column 'u', 'd' or '-' for its sort mark.
    std::string Marks() {
        HWND header = reinterpret_cast<HWND>(::SendMessageA(form->lv->Handle(), LVM_GETHEADER, 0, 0));
        std::string marks;
        for (int i = 0; i < form->lv->ColumnCount(); ++i) {
            HDITEMA item{};
            item.mask = HDI_FORMAT;
            ::SendMessageA(header, HDM_GETITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
            marks += item.fmt & HDF_SORTUP ? 'u' : item.fmt & HDF_SORTDOWN ? 'd' : '-';
        }
        return marks;
    }
    // A left click on a header item, as the header reports it to the list view.
    void ClickHeader(int column) {
        HWND header = reinterpret_cast<HWND>(::SendMessageA(form->lv->Handle(), LVM_GETHEADER, 0, 0));
        NMHEADERA nm{};
        nm.hdr.hwndFrom = header;
        nm.hdr.idFrom = static_cast<UINT_PTR>(::GetDlgCtrlID(header));
        nm.hdr.code = HDN_ITEMCLICKA;
        nm.iItem = column;
        ::SendMessageA(form->lv->Handle(), WM_NOTIFY, nm.hdr.idFrom, reinterpret_cast<LPARAM>(&nm));
    }
    void SelectShown(int position) {
        LVITEMA state{};
        state.stateMask = state.state = LVIS_SELECTED | LVIS_FOCUSED;
        ::SendMessageA(form->lv->Handle(), LVM_SETITEMSTATE, static_cast<WPARAM>(position), reinterpret_cast<LPARAM>(&state));
    }
    void Key(WPARAM key, bool ctrl = false) {
        BYTE keys[256] = {};
        ::GetKeyboardState(keys);
        keys[VK_CONTROL] = ctrl ? 0x80 : 0;
        ::SetKeyboardState(keys);
        ::PostMessageA(::GetFocus(), WM_KEYDOWN, key, 0);
        Pump();
        keys[VK_CONTROL] = 0;
        ::SetKeyboardState(keys);
    }

    Reports reports;
    Shell shell;
    std::unique_ptr<TForm1> form;

private:
    std::string fixture_;
    std::unique_ptr<FakeSetting> file_;
};

std::wstring g_savePath;
DWORD g_saveType = 1;

// Answers as the system's dialog does, once given a default extension: a new name typed without
// an extension takes the chosen type's, before the overwrite prompt looks at it.
BOOL WINAPI FakeSaveDialog(LPOPENFILENAMEW dialog) {
    static const wchar_t types[] = L"CSV (*.csv)\0*.csv\0Text, tab-separated (*.txt)\0*.txt\0";
    if (std::memcmp(dialog->lpstrFilter, types, sizeof types) != 0) return FALSE;
    if (!dialog->lpstrDefExt || !(dialog->Flags & OFN_OVERWRITEPROMPT)) return FALSE;
    std::wstring name = g_savePath;
    if (name.find(L'.', name.find_last_of(L"\\/") + 1) == std::wstring::npos &&
        ::GetFileAttributesW(name.c_str()) == INVALID_FILE_ATTRIBUTES)
        name += g_saveType == 2 ? L".txt" : L".csv";
    lstrcpynW(dialog->lpstrFile, name.c_str(), static_cast<int>(dialog->nMaxFile));
    dialog->nFilterIndex = g_saveType;
    return TRUE;
}

}  // namespace

TEST_F(TableTest, HeaderClicksSortUpThenDownAndTheSortOutlivesARefresh) {
    ASSERT_EQ(Shown(), "12345");
    EXPECT_EQ(Marks(), "------");
    ClickHeader(4);  // "Remote Port": 445, 8080, *, https, 80
    EXPECT_EQ(Shown(), "51234");
    EXPECT_EQ(Marks(), "----u-");
    ClickHeader(4);
    EXPECT_EQ(Shown(), "43215");
    EXPECT_EQ(Marks(), "----d-");
    form->Button1Click(form.get());
    EXPECT_EQ(Shown(), "43215");
    ClickHeader(3);  // "Remote Addr": IPv4 by value, then IPv6, then names
    EXPECT_EQ(Shown(), "41235");
    EXPECT_EQ(Marks(), "---u--");
    // The item keeps its index, whatever its place.
    EXPECT_EQ(form->lv->ItemCaption(0), "1");
    EXPECT_EQ(form->lv->SubItem(4, 2), "host.example");
    EXPECT_TRUE(reports.texts.empty());
}

TEST_F(TableTest, KeysRefreshOpenInfoOnTheShownRowAndCopyIt) {
    std::string argsFile = TempPath("sockmere_table_args.txt");
    ::DeleteFileA(argsFile.c_str());
    FakeSetting record("SOCKMERE_FAKE_ARGS_FILE", argsFile);
    Key(VK_F5);
    // A key that lands in a refresh's pump is ignored, as the disabled button would be.
    ::PostMessageA(form->lv->Handle(), WM_KEYDOWN, VK_F5, 0);
    form->Button1Click(form.get());
    Pump();
    std::string runs = ReadFile(argsFile);
    ::DeleteFileA(argsFile.c_str());
    EXPECT_EQ(std::count(runs.begin(), runs.end(), '\n'), 2) << runs;
    EXPECT_EQ(form->stat->PanelText(0), "Done.");

    ClickHeader(4);
    SelectShown(0);
    std::vector<std::string> fields;
    g_infoFields = &fields;
    ::SetTimer(nullptr, 0, 100, ReadAndCloseInfo);
    Key(VK_RETURN);
    g_infoFields = nullptr;
    fields.resize(std::min<size_t>(fields.size(), 5));
    EXPECT_EQ(fields, (std::vector<std::string>{"TCP", "49664", "host.example", "80", "LISTENING"}));

    fw::Clipboard().SetText("before");
    Key('C', true);
    EXPECT_EQ(cliptest::ClipboardText(), std::string(kHeader) + kRow5);
    // Without a selection there is nothing to copy, and Enter opens nothing.
    form->lv->SetSelected(-1);
    fw::Clipboard().SetText("before");
    const int forms = static_cast<int>(ThreadForms().size());
    Key('C', true);
    Key(VK_RETURN);
    EXPECT_EQ(cliptest::ClipboardText(), "before");
    EXPECT_EQ(static_cast<int>(ThreadForms().size()), forms);
    EXPECT_TRUE(reports.texts.empty());
}

TEST_F(TableTest, ContextMenuNeedsASelectionForTheRowAndCopiesInTheShownOrder) {
    MenuKeys(*form, {});
    EXPECT_EQ(g_menu.items, (std::vector<std::string>{"Connection Info...-", "Copy Row-", "Copy All", "Save As...", "",
                                                      "Close Connection-", "End Process...-", "", "Show Processes",
                                                      "Refresh Every", "Highlight Changes", "Notify", "Log Changes...", "",
                                                      "Filter..."}));

    ClickHeader(0);
    ClickHeader(0);
    fw::Clipboard().SetText("before");
    MenuKeys(*form, {VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN});  // past the disabled two: "Copy All"
    EXPECT_EQ(cliptest::ClipboardText(), std::string(kHeader) +
                                             "5\tTCP\t49664\thost.example\t80\tLISTENING\r\n"
                                             "4\tTCP\t135\t9.1.1.1\thttps\tTIME_WAIT\r\n"
                                             "3\tUDP\t137\t*\t*\t\r\n"
                                             "2\tTCP\t80\t[::1]\t8080\tSYN_SENT\r\n"
                                             "1\tTCP\t1061\t10.0.0.10\t445\tESTABLISHED\r\n");

    form->lv->SetSelected(4);
    RECT row{};
    row.left = LVIR_BOUNDS;
    ::SendMessageA(form->lv->Handle(), LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row));
    ::MapWindowPoints(form->lv->Handle(), nullptr, reinterpret_cast<POINT*>(&row), 2);
    MenuKeys(*form, {VK_DOWN, VK_DOWN, VK_RETURN});
    EXPECT_EQ(g_menu.items[0], "Connection Info...");
    // Opened from the keyboard, the menu sits under the selected row.
    EXPECT_EQ(g_menu.place.top, row.bottom);
    EXPECT_EQ(cliptest::ClipboardText(), std::string(kHeader) + kRow5);
    EXPECT_TRUE(reports.texts.empty());
}

TEST_F(TableTest, SaveAsWritesTheChosenTypeAndAFailureKeepsTheOldFile) {
    const auto previous = sockmere::SetSaveDialogProc(&FakeSaveDialog);
    auto saveAs = [&](const std::string& path, DWORD type) {
        g_savePath = WidePath(path);
        g_saveType = type;
        MenuKeys(*form, {VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN});
    };
    ClickHeader(3);
    const std::string target = TempPath("sockmere_table.csv");
    saveAs(target, 1);
    const std::string csv = ReadFile(target);
    EXPECT_EQ(csv.substr(0, csv.find("\r\n", 50) + 2),
              "#,Proto,Local Port,Remote Addr,Remote Port,Status\r\n4,TCP,135,9.1.1.1,https,TIME_WAIT\r\n");
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 6);

    // A name without an extension takes the chosen type's.
    saveAs(TempPath("sockmere_table"), 2);
    const std::string tsv = ReadFile(TempPath("sockmere_table.txt"));
    EXPECT_EQ(tsv.substr(0, tsv.find("\r\n") + 2), kHeader);
    EXPECT_EQ(std::count(tsv.begin(), tsv.end(), '\t'), 30);
    ::DeleteFileA(TempPath("sockmere_table.txt").c_str());
    // One that has an extension keeps it, whatever the type.
    saveAs(TempPath("sockmere_table.log"), 1);
    EXPECT_EQ(ReadFile(TempPath("sockmere_table.log")), csv);
    ::DeleteFileA(TempPath("sockmere_table.log").c_str());
    ::DeleteFileA(target.c_str());
    EXPECT_TRUE(reports.texts.empty());

    // A folder that no one may write to, even root; a folder that is not there; and a name
    // taken by a folder, which fails only at the final move.
    const std::string unwritable = "Z:\\proc\\version";
    const std::string before = ReadFile(unwritable);
    ASSERT_FALSE(before.empty());
    saveAs(unwritable, 1);
    EXPECT_EQ(ReadFile(unwritable), before);
    saveAs(TempPath("sockmere_no_such_folder\\table.csv"), 1);
    const std::string folder = TempPath("sockmere_table_folder");
    ::CreateDirectoryA(folder.c_str(), nullptr);
    saveAs(folder, 1);
    const DWORD attributes = ::GetFileAttributesA(folder.c_str());
    ::RemoveDirectoryA(folder.c_str());
    sockmere::SetSaveDialogProc(previous);
    EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY));
    ASSERT_EQ(reports.texts.size(), 3u) << ::testing::PrintToString(reports.texts);
    const std::string expected[] = {unwritable, TempPath("sockmere_no_such_folder\\table.csv"), folder};
    for (int i = 0; i < 3; ++i) {
        const std::string prefix = "Cannot save \"" + expected[i] + "\": ";
        EXPECT_EQ(reports.texts[i].rfind(prefix, 0), 0u) << reports.texts[i];
        // Followed by the system's own words for the failure.
        EXPECT_GT(reports.texts[i].size(), prefix.size() + 5) << reports.texts[i];
    }
    // No temporary file is left behind.
    WIN32_FIND_DATAA found{};
    HANDLE search = ::FindFirstFileA(TempPath("smr*.tmp").c_str(), &found);
    EXPECT_EQ(search, INVALID_HANDLE_VALUE) << found.cFileName;
    if (search != INVALID_HANDLE_VALUE) ::FindClose(search);
}

int g_writes = 0;
// Writes ten bytes, then nothing, and names no reason.
BOOL WINAPI StallingWrite(HANDLE file, LPCVOID data, DWORD size, LPDWORD written, LPOVERLAPPED overlapped) {
    if (g_writes++ == 0) return ::WriteFile(file, data, std::min<DWORD>(size, 10), written, overlapped);
    ::SetLastError(ERROR_SUCCESS);
    *written = 0;
    return TRUE;
}

// A write that stops without a reason, a target that may not be replaced, and a folder too long
// for a temporary name beside it: each is reported, and the target stays as it was, whole.
TEST_F(TableTest, SaveAsNeverPutsAPartOrAProtectedFileInPlace) {
    const auto previous = sockmere::SetSaveDialogProc(&FakeSaveDialog);
    auto saveAs = [&](const std::string& path) {
        g_savePath = WidePath(path);
        g_saveType = 1;
        MenuKeys(*form, {VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN});
    };
    const std::string before = "the report before\r\n";
    const std::string target = WriteFixture("sockmere_kept.csv", before);
    const auto write = sockmere::SetWriteFileProc(&StallingWrite);
    saveAs(target);
    sockmere::SetWriteFileProc(write);
    EXPECT_EQ(ReadFile(target), before);
    ::SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_READONLY);
    saveAs(target);
    ::SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ReadFile(target), before);
    ::DeleteFileA(target.c_str());
    // As long as a path may be with the name beside it.
    std::string folder = TempPath("");
    folder.append(248 - folder.size(), 'f');
    ::CreateDirectoryA(folder.c_str(), nullptr);
    saveAs(folder + "\\t.csv");
    sockmere::SetSaveDialogProc(previous);
    EXPECT_TRUE(::RemoveDirectoryA(folder.c_str())) << "something was left in the long folder";

    ASSERT_EQ(reports.texts.size(), 3u) << ::testing::PrintToString(reports.texts);
    for (const std::string& text : reports.texts) EXPECT_EQ(text.rfind("Cannot save \"C:", 0), 0u) << text;
    WIN32_FIND_DATAA found{};
    EXPECT_EQ(::FindFirstFileA(TempPath("smr*.tmp").c_str(), &found), INVALID_HANDLE_VALUE) << found.cFileName;
}

// Fails as ReplaceFileW may once it has moved the target away; a folder in the target's place
// stops the plain move after it too.
BOOL WINAPI ReplaceLosingTheTarget(LPCWSTR target, LPCWSTR, LPCWSTR, DWORD, LPVOID, LPVOID) {
    ::DeleteFileW(target);
    ::CreateDirectoryW(target, nullptr);
    ::SetLastError(ERROR_UNABLE_TO_MOVE_REPLACEMENT);
    return FALSE;
}

TEST(SaveFile, AReplacementThatFailsWithTheTargetMovedAwayKeepsTheNewFileAndNamesIt) {
    const std::string target = WriteFixture("sockmere_moved.csv", "old\r\n");
    const auto replace = sockmere::SetReplaceFileProc(&ReplaceLosingTheTarget);
    std::string error;
    try {
        sockmere::WriteFileReplacing(WidePath(target), "new\r\n");
    } catch (const fw::Error& e) {
        error = e.what();
    }
    sockmere::SetReplaceFileProc(replace);
    ::RemoveDirectoryA(target.c_str());
    EXPECT_EQ(error.rfind("Cannot save \"" + target + "\": ", 0), 0u) << error;
    const std::size_t at = error.find(". The new file is \"");
    ASSERT_NE(at, std::string::npos) << error;
    const std::string temp = error.substr(at + 19, error.size() - at - 20);
    EXPECT_EQ(ReadFile(temp), "new\r\n") << temp;
    ::DeleteFileA(temp.c_str());
}

TEST_F(TableTest, ShowProcessesAddsOwnerColumnsToSortsCopiesAndConnectionInfoAndIsStored) {
    const std::string self = std::to_string(::GetCurrentProcessId());
    const std::string args = TempPath("sockmere_table_owner_args.txt"), owned = TempPath("sockmere_table_owned.txt");
    ::DeleteFileA(args.c_str());
    FakeSetting record("SOCKMERE_FAKE_ARGS_FILE", args);
    WriteFixture("sockmere_table_owned.txt",
                 "\r\nActive Connections\r\n\r\n  Proto  Local Address  Foreign Address  State  PID\r\n"
                 "  TCP    127.0.0.1:1061     10.0.0.10:445        ESTABLISHED     " + self + "\r\n"
                 "  UDP    0.0.0.0:137        *:*                                  99999\r\n"
                 "  TCP    [::1]:80           [::1]:8080           SYN_SENT\r\n"
                 "  TCP    127.0.0.1:135      9.1.1.1:https        TIME_WAIT\t" + self + "\r\n");
    FakeSetting file("SOCKMERE_FAKE_FILE", owned);
    StoredSettings().Wipe();
    ASSERT_EQ(form->lv->ColumnCount(), 6);
    MenuKeys(*form, {VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN});  // past both separators
    MenuKeys(*form, {});
    EXPECT_EQ(g_menu.items[8], "Show Processes+");
    EXPECT_EQ(StoredSettings().Read("ShowProcesses"), "True");
    ASSERT_EQ(form->lv->ColumnCount(), 8);
    EXPECT_EQ(form->lv->ColumnCaption(6) + form->lv->ColumnCaption(7), "PIDProcess");
    auto row = [&](int item) {
        return std::vector<std::string>{form->lv->SubItem(item, 4), form->lv->SubItem(item, 5), form->lv->SubItem(item, 6)};
    };
    EXPECT_EQ(row(0), (std::vector<std::string>{"ESTABLISHED", self, "win_ui_tests.exe"}));
    EXPECT_EQ(row(1), (std::vector<std::string>{"", "99999", ""}));
    EXPECT_EQ(row(2), (std::vector<std::string>{"SYN_SENT", "", ""}));

    ClickHeader(6);
    EXPECT_EQ(Shown(), "3142");
    ClickHeader(6);
    EXPECT_EQ(Shown(), "2143");
    ClickHeader(7);  // names, empty first, then by ID
    EXPECT_EQ(Shown(), "3214");
    form->CopyAll1Click(form.get());
    const std::string copied = cliptest::ClipboardText();
    EXPECT_EQ(copied.substr(0, copied.find("\r\n", copied.find("\r\n") + 2)),
              std::string("#\tProto\tLocal Port\tRemote Addr\tRemote Port\tStatus\tPID\tProcess\r\n") +
                  "3\tTCP\t80\t[::1]\t8080\tSYN_SENT\t\t");

    std::vector<std::string> fields;
    g_infoFields = &fields;
    for (int item : {3, 2}) {
        form->lv->SetSelected(item);
        ::SetTimer(nullptr, 0, 100, ReadAndCloseInfo);
        form->lvDblClick(form->lv);
    }
    g_infoFields = nullptr;
    ASSERT_EQ(fields.size(), 18u);
    EXPECT_EQ(fields[6] + "|" + fields[7], "win_ui_tests.exe|" + self);
    EXPECT_TRUE(fields[8].ends_with("\\win_ui_tests.exe")) << fields[8];
    EXPECT_EQ(fields[15] + fields[16] + fields[17], "");

    // Asked for while a refresh runs, the option stays as it is.
    InPump pump;
    pump.Post([&] { form->Processes1->Click(); });
    form->Button1Click(form.get());
    EXPECT_TRUE(form->Processes1->Checked());
    EXPECT_EQ(StoredSettings().Read("ShowProcesses"), "True");
    form->Processes1->Click();
    EXPECT_EQ(form->lv->ColumnCount(), 6);
    EXPECT_EQ(form->lv->SortColumn(), -1);
    EXPECT_EQ(StoredSettings().Read("ShowProcesses"), "False");
    const std::string runs = ReadFile(args);
    EXPECT_EQ(runs, "-o\r\n-o\r\n\r\n") << runs;
    ::DeleteFileA(args.c_str());
    ::DeleteFileA(owned.c_str());
    EXPECT_TRUE(reports.texts.empty());
}

// Folders outside the ANSI code page: the file lands in exactly the folder chosen, never in
// the one the code page would map its name to, and a failure names it as typed.
TEST_F(TableTest, SaveAsReachesFoldersOutsideTheCodePage) {
    const auto previous = sockmere::SetSaveDialogProc(&FakeSaveDialog);
    const std::wstring temp = WidePath(TempPath(""));
    const std::wstring cyrillic = temp + L"\x041E\x0442\x0447\x0451\x0442";   // Отчёт
    const std::wstring stroke = temp + L"\x0141odz", plain = temp + L"Lodz";  // Łodz, Lodz
    for (const std::wstring& folder : {cyrillic, stroke, plain}) ::CreateDirectoryW(folder.c_str(), nullptr);
    const std::string sibling = "kept by the sibling folder\r\n";
    {
        const fw::HandleOwner file(::CreateFileW((plain + L"\\report.csv").c_str(), GENERIC_WRITE, 0, nullptr,
                                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        ::WriteFile(file.Get(), sibling.data(), static_cast<DWORD>(sibling.size()), &written, nullptr);
    }
    const std::string table = sockmere::ListViewText(*form->lv, sockmere::TableFormat::Csv, false);
    for (const std::wstring& folder : {cyrillic, stroke}) {
        g_savePath = folder + L"\\report";
        g_saveType = 1;
        MenuKeys(*form, {VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN});
        EXPECT_EQ(ReadFile(folder + L"\\report.csv"), table);
    }
    EXPECT_EQ(ReadFile(plain + L"\\report.csv"), sibling);
    EXPECT_TRUE(reports.texts.empty()) << ::testing::PrintToString(reports.texts);

    g_savePath = cyrillic + L"\\missing\\report.csv";
    MenuKeys(*form, {VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN});
    sockmere::SetSaveDialogProc(previous);
    ASSERT_EQ(reports.texts.size(), 1u);
    EXPECT_EQ(reports.texts[0].rfind("Cannot save \"" + fw::Utf8FromWide(g_savePath) + "\": ", 0), 0u)
        << reports.texts[0];
    for (const std::wstring& folder : {cyrillic, stroke, plain}) {
        ::DeleteFileW((folder + L"\\report.csv").c_str());
        ::RemoveDirectoryW(folder.c_str());
    }
}

namespace {

struct WindowSearch {
    const wchar_t* className;
    HWND other;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM data) {
    auto& s = *reinterpret_cast<WindowSearch*>(data);
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, 64);
    if (std::wcscmp(name, s.className) != 0 || !::IsWindowVisible(window) || !::GetWindowTextLengthW(window))
        return TRUE;
    if (window == s.other) return TRUE;
    s.found = window;
    return FALSE;
}

// A visible window of the thread's with this class and a caption, other than the one given,
// waited for up to 10 s.
HWND AwaitThreadWindow(DWORD thread, const wchar_t* className, HWND other = nullptr) {
    for (int i = 0; i < 500; ++i) {
        WindowSearch search{className, other, nullptr};
        ::EnumThreadWindows(thread, MatchWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found) return search.found;
        ::Sleep(20);
    }
    return nullptr;
}

}  // namespace

// The system's own dialog, driven as a user would: "sockmere_report" typed with the text type
// chosen, where only sockmere_report.txt exists, asks before replacing it; "No" keeps the file.
TEST_F(TableTest, SaveAsAsksBeforeReplacingTheFileTheChosenTypeNames) {
    const std::string existing = TempPath("sockmere_report.txt");
    ::DeleteFileA(TempPath("sockmere_report.csv").c_str());
    const std::string before = "an older report\r\n";
    {
        const fw::HandleOwner file(::CreateFileA(existing.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                                 FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        ::WriteFile(file.Get(), before.data(), static_cast<DWORD>(before.size()), &written, nullptr);
    }
    const DWORD gui = ::GetCurrentThreadId();
    std::wstring prompt;
    std::thread user([&] {
        const HWND dialog = AwaitThreadWindow(gui, L"#32770");
        if (!dialog) return;
        // Shown before it is filled in: an answered message says its own loop runs.
        DWORD_PTR answer = 0;
        ::SendMessageTimeoutW(dialog, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &answer);
        const HWND types = ::GetDlgItem(dialog, cmb1);
        ::SendMessageW(types, CB_SETCURSEL, 1, 0);
        // A choice from the list reports both, and dialogs differ in which they act on.
        for (WORD code : {CBN_SELCHANGE, CBN_SELENDOK})
            ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(cmb1, code), reinterpret_cast<LPARAM>(types));
        // The name box is a combo box with an edit inside, one level deeper in some versions.
        const HWND names = ::GetDlgItem(dialog, cmb13);
        HWND edit = ::FindWindowExW(names, nullptr, L"Edit", nullptr);
        if (!edit) edit = ::FindWindowExW(::FindWindowExW(names, nullptr, L"ComboBox", nullptr), nullptr, L"Edit", nullptr);
        ::SetWindowTextW(edit, WidePath(TempPath("sockmere_report")).c_str());
        ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(dialog, IDOK)));
        if (const HWND box = AwaitThreadWindow(gui, L"#32770", dialog)) {
            wchar_t text[512] = {};
            ::GetDlgItemTextW(box, 0xFFFF, text, 512);
            prompt = text;
            ::PostMessageW(box, WM_COMMAND, IDNO, 0);
            for (int i = 0; i < 100 && ::IsWindow(box); ++i) ::Sleep(20);
        }
        for (int i = 0; i < 100 && ::IsWindow(dialog); ++i) {
            ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
            ::Sleep(20);
        }
    });
    MenuKeys(*form, {VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN});
    user.join();
    EXPECT_NE(prompt.find(L"replace"), std::wstring::npos) << fw::Utf8FromWide(prompt);
    EXPECT_EQ(ReadFile(existing), before);
    EXPECT_TRUE(reports.texts.empty()) << ::testing::PrintToString(reports.texts);
    ::DeleteFileA(existing.c_str());
    ::DeleteFileA(TempPath("sockmere_report.csv").c_str());
}

namespace {

// The colour a row is drawn in, beside the text of its first cell.
COLORREF RowColor(HWND lv, int position) {
    ::RedrawWindow(lv, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    RECT row{};
    row.left = LVIR_BOUNDS;
    ::SendMessageA(lv, LVM_GETITEMRECT, static_cast<WPARAM>(position), reinterpret_cast<LPARAM>(&row));
    HDC dc = ::GetDC(lv);
    const COLORREF color = ::GetPixel(dc, row.left + 2, (row.top + row.bottom) / 2);
    ::ReleaseDC(lv, dc);
    return color;
}

std::string OwnedListing(std::initializer_list<std::string> pids) {
    std::string text = "\r\nActive Connections\r\n\r\n  Proto  Local Address  Foreign Address  State  PID\r\n";
    for (const std::string& pid : pids) text += "  TCP    127.0.0.1:135      10.0.0.10:445    ESTABLISHED  " + pid + "\r\n";
    return text;
}

// Connection Info's process name and path for an item.
std::vector<std::string> ProcessFieldsOf(TForm1& form, int item) {
    std::vector<std::string> fields;
    g_infoFields = &fields;
    form.lv->SetSelected(item);
    ::SetTimer(nullptr, 0, 100, ReadAndCloseInfo);
    form.lvDblClick(form.lv);
    g_infoFields = nullptr;
    fields.resize(9);
    return {fields[6], fields[8]};
}

}  // namespace

// kListing, then: 137 as it was, 80 changed, 1061 as it was, 5000 new; 135 and 49664 closed.
TEST_F(TableTest, HighlightChangesMarksNewChangedAndClosedRowsAfterTheNextRefresh) {
    const std::string fixture = TempPath("sockmere_table_rows.txt");
    constexpr char kNext[] =
        "\r\nActive Connections\r\n\r\n  Proto  Local Address          Foreign Address        State\r\n"
        "  UDP    0.0.0.0:137        *:*                  \r\n"
        "  TCP    127.0.0.1:80       [::1]:8080           ESTABLISHED\r\n"
        "  TCP    127.0.0.1:1061     10.0.0.10:445        ESTABLISHED\r\n"
        "  TCP    127.0.0.1:5000     10.0.0.20:443        SYN_SENT\r\n";
    MenuKeys(*form, {VK_UP, VK_UP, VK_UP, VK_UP, VK_RETURN});  // the item before "Notify"
    MenuKeys(*form, {});
    EXPECT_EQ(g_menu.items[10], "Highlight Changes+");
    EXPECT_EQ(StoredSettings().Read("HighlightChanges"), "True");
    WriteFixture("sockmere_table_rows.txt", kNext);
    form->Button1Click(form.get());
    EXPECT_EQ(form->stat->PanelText(0), "Done. 1 new, 1 changed, 2 closed.");
    ASSERT_EQ(form->lv->ItemCount(), 6);
    EXPECT_EQ(form->lv->ItemCaption(4), "");
    EXPECT_EQ(form->lv->SubItem(4, 1) + form->lv->SubItem(5, 1), "13549664");

    const HWND lv = form->lv->Handle();
    const COLORREF white = RowColor(lv, 0), green = RowColor(lv, 3), yellow = RowColor(lv, 1), red = RowColor(lv, 4);
    EXPECT_EQ(white, ::GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(RowColor(lv, 2), white);
    EXPECT_EQ(RowColor(lv, 5), red);
    // Light: green, yellow and red lead, and none is the plain background.
    EXPECT_TRUE(GetGValue(green) > GetRValue(green) && GetRValue(yellow) > GetBValue(yellow) + 40 &&
                GetRValue(red) > GetGValue(red) + 20 && GetGValue(red) > 0xA0)
        << std::hex << green << " " << yellow << " " << red;
    form->lv->SetSelected(1);
    form->lv->SetFocus();
    EXPECT_EQ(RowColor(lv, 1), ::GetSysColor(COLOR_HIGHLIGHT));

    // Closed rows are no longer connections: the whole table leaves them out, a row does not.
    ClickHeader(4);  // "Remote Port": 80 (closed), 443, 445, 8080, then *, https (closed)
    std::vector<int> items;
    for (int position = 0; position < 6; ++position) items.push_back(form->lv->ItemAtPosition(position));
    EXPECT_EQ(items, (std::vector<int>{5, 3, 2, 1, 0, 4}));
    form->CopyAll1Click(form.get());
    const std::string all = cliptest::ClipboardText();
    EXPECT_EQ(std::count(all.begin(), all.end(), '\n'), 5) << all;
    EXPECT_EQ(all.find("49664"), std::string::npos) << all;
    form->lv->SetSelected(4);
    form->CopyRow1Click(form.get());
    EXPECT_EQ(cliptest::ClipboardText(), std::string(kHeader) + "\tTCP\t135\t9.1.1.1\thttps\tTIME_WAIT\r\n");
    const auto previous = sockmere::SetSaveDialogProc(&FakeSaveDialog);
    g_savePath = WidePath(TempPath("sockmere_marks.txt"));
    g_saveType = 2;
    form->SaveAs1Click(form.get());
    sockmere::SetSaveDialogProc(previous);
    EXPECT_EQ(ReadFile(g_savePath), all);
    ::DeleteFileW(g_savePath.c_str());

    // A failed refresh marks nothing; the next one compares with the listing before it.
    WriteFixture("sockmere_table_rows.txt", "");
    {
        FakeSetting fail("SOCKMERE_FAKE_EXIT", "1");
        form->Button1Click(form.get());
    }
    EXPECT_EQ(form->lv->ItemCount(), 0);
    WriteFixture("sockmere_table_rows.txt", kListing);
    form->Button1Click(form.get());
    EXPECT_EQ(form->stat->PanelText(0), "Done. 2 new, 1 changed, 1 closed.");

    // Off, the marks and the closed rows go at once, and it is stored.
    form->lv->SetSelected(0);
    MenuKeys(*form, {VK_UP, VK_UP, VK_UP, VK_UP, VK_RETURN});
    EXPECT_EQ(form->lv->ItemCount(), 5);
    EXPECT_EQ(form->lv->Selected(), 0);
    for (int position : {0, 4}) EXPECT_EQ(RowColor(lv, position), white) << position;
    EXPECT_EQ(StoredSettings().Read("HighlightChanges"), "False");
    // Read at start: a window made now starts with it on.
    StoredSettings().Set("HighlightChanges", settingskey::Text("True"));
    EXPECT_TRUE(TForm1(nullptr, {"-n"}).Highlight1->Checked());
    StoredSettings().Wipe();
    EXPECT_TRUE(reports.texts.empty()) << ::testing::PrintToString(reports.texts);
}

// Names beyond the code page are exact in the table, its sort, Connection Info and the Unicode
// copy; the ANSI copy and the saved file have "?" for what the code page lacks.
TEST_F(TableTest, ProcessNamesKeepEveryCharacter) {
    ASSERT_EQ(::GetACP(), 1252u);
    const std::wstring proxy = L"\x0141\x00F3" L"d\x017A-\x043F\x0440\x043E\x043A\x0441\x0438.exe";  // Łódź-прокси
    const std::wstring lower = L"\x0142\x00F3" L"d\x017A-a.exe";                                     // łódź-a
    NamedProcess first(WidePath(TempPath("")) + proxy), second(WidePath(TempPath("")) + lower);
    const std::string self = std::to_string(::GetCurrentProcessId());
    const std::string listing = WriteFixture("sockmere_table_names.txt", OwnedListing({first.Pid(), second.Pid(), self}));
    FakeSetting file("SOCKMERE_FAKE_FILE", listing);
    form->Processes1->SetChecked(true);
    form->Button1Click(form.get());
    EXPECT_EQ(fw::Utf8FromWide(form->lv->ShownText(0, 7)), fw::Utf8FromWide(proxy));
    const std::vector<std::string> fields = ProcessFieldsOf(*form, 0);
    EXPECT_EQ(fields[0] + "|" + fields[1].substr(fields[1].rfind('\\') + 1), fw::Utf8FromWide(proxy + L"|" + proxy));

    ClickHeader(7);  // case ignored beyond ASCII: "win_ui_tests", "łódź-a", "Łódź-прокси"
    EXPECT_EQ(Shown(), "321");
    form->CopyAll1Click(form.get());
    const std::string tail = "\r\n1\tTCP\t135\t10.0.0.10\t445\tESTABLISHED\t" + first.Pid() + "\t";
    EXPECT_TRUE(cliptest::ClipboardText<wchar_t>().ends_with(L"\t" + lower + WidePath(tail) + proxy + L"\r\n"));
    EXPECT_TRUE(cliptest::ClipboardText().ends_with("\t?\xF3" "d?-a.exe" + tail + "?\xF3" "d?-??????.exe\r\n"))
        << cliptest::ClipboardText();
    // What Save As writes.
    const std::string saved = sockmere::ListViewText(*form->lv, sockmere::TableFormat::Csv, false);
    EXPECT_TRUE(saved.ends_with(",?\xF3" "d?-??????.exe\r\n")) << saved;
    ::DeleteFileA(listing.c_str());
    EXPECT_TRUE(reports.texts.empty()) << ::testing::PrintToString(reports.texts);
}

// The filter compares its words with the names as the table shows them, whatever their script.
TEST_F(TableTest, TheFilterFindsProcessNamesBeyondTheCodePage) {
    const std::wstring proxy = L"\x0141\x00F3" L"d\x017A-\x043F\x0440\x043E\x043A\x0441\x0438.exe";  // Łódź-прокси
    NamedProcess first(WidePath(TempPath("")) + proxy);
    const std::string self = std::to_string(::GetCurrentProcessId());
    const std::string listing = WriteFixture("sockmere_table_names.txt", OwnedListing({self, first.Pid(), self}));
    FakeSetting file("SOCKMERE_FAKE_FILE", listing);
    form->Processes1->SetChecked(true);
    form->Button1Click(form.get());
    form->Filter1Click(form.get());
    for (wchar_t c : std::wstring(L"\x041F\x0420\x041E\x041A\x0421\x0418 \x0142\x00D3"))  // ПРОКСИ łÓ
        ::PostMessageW(::GetFocus(), WM_CHAR, c, 1);
    Pump();
    EXPECT_EQ(Shown(), "2");
    ::DeleteFileA(listing.c_str());
    EXPECT_TRUE(reports.texts.empty()) << ::testing::PrintToString(reports.texts);
}

// netstat saw another owner behind an ID whose process began after it: no name, no path.
TEST_F(TableTest, AProcessStartedAfterTheListingBeganOwnsNothing) {
    const std::string args = TempPath("sockmere_table_late_args.txt"), listing = TempPath("sockmere_table_late.txt");
    for (const std::string& path : {args, listing}) ::DeleteFileA(path.c_str());
    FakeSetting record("SOCKMERE_FAKE_ARGS_FILE", args), file("SOCKMERE_FAKE_FILE", listing),
        delay("SOCKMERE_FAKE_DELAY_MS", "3000");
    std::unique_ptr<NamedProcess> late;
    // Started once the listing command has, and listed by it.
    std::thread starter([&] {
        for (int i = 0; i < 1000 && ::GetFileAttributesA(args.c_str()) == INVALID_FILE_ATTRIBUTES; ++i) ::Sleep(5);
        late = std::make_unique<NamedProcess>(WidePath(TempPath("sockmere_late.exe")));
        WriteFixture("sockmere_table_late.txt", OwnedListing({late->Pid(), std::to_string(::GetCurrentProcessId())}));
    });
    form->Processes1->SetChecked(true);
    form->Button1Click(form.get());
    starter.join();
    EXPECT_EQ(form->lv->SubItem(0, 5) + "|" + form->lv->SubItem(0, 6), late->Pid() + "|");
    EXPECT_EQ(ProcessFieldsOf(*form, 0), (std::vector<std::string>{"", ""}));
    EXPECT_EQ(ProcessFieldsOf(*form, 1)[0], "win_ui_tests.exe");
    for (const std::string& path : {args, listing}) ::DeleteFileA(path.c_str());
    EXPECT_TRUE(reports.texts.empty()) << ::testing::PrintToString(reports.texts);
}

// A script's export of the same listing writes the very bytes that Save As writes, with and
// without the process columns, a name beyond the code page and with a comma included.
TEST_F(TableTest, TheCommandLineExportWritesWhatSaveAsWrites) {
    const std::wstring name = L"\x0141\x00F3" L"d\x017A, \x043F\x0440\x043E\x043A\x0441\x0438.exe";  // Łódź, прокси
    NamedProcess owner(WidePath(TempPath("")) + name);
    const std::string owned = WriteFixture("sockmere_table_export.txt", OwnedListing({owner.Pid(), "99999"}));
    const std::string saved = TempPath("sockmere_saved.csv"), exported = TempPath("sockmere_exported.csv");
    const auto previous = sockmere::SetSaveDialogProc(&FakeSaveDialog);
    for (bool processes : {false, true}) {
        if (processes) {
            // Unset with the fixture's own listing at the end.
            ::SetEnvironmentVariableA("SOCKMERE_FAKE_FILE", owned.c_str());
            form->Processes1->SetChecked(true);
            form->Button1Click(form.get());
        }
        g_savePath = WidePath(saved);
        g_saveType = 1;
        form->SaveAs1Click(form.get());
        const std::string args = "--csv \"" + exported + (processes ? "\" /processes" : "\"");
        EXPECT_EQ(scriptrun::RunScript(scriptrun::Program(args)).code, 0);
        EXPECT_EQ(ReadFile(exported), ReadFile(saved));
    }
    sockmere::SetSaveDialogProc(previous);
    EXPECT_NE(ReadFile(saved).find(",\"?\xF3" "d?, ??????.exe\"\r\n"), std::string::npos) << ReadFile(saved);
    for (const std::string& path : {owned, saved, exported}) ::DeleteFileA(path.c_str());
}
