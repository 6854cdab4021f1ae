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

// What the open context menu held, and the keys to press in it.
struct MenuDriver {
    TForm1* form = nullptr;
    std::vector<WPARAM> keys;
    std::vector<std::string> items;  // caption, then '-' when disabled, '+' when checked
    RECT place{};
};
MenuDriver g_menu;
VOID CALLBACK DriveMenu(HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    HMENU menu = g_menu.form->PopupMenu2->Handle();
    g_menu.items.clear();
    for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
        char text[64] = {};
        ::GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
        const UINT state = ::GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
        g_menu.items.push_back(std::string(text) + (state & (MF_GRAYED | MF_DISABLED) ? "-" : "") +
                               (state & MF_CHECKED ? "+" : ""));
    }
    if (HWND window = ::FindWindowA("#32768", nullptr)) ::GetWindowRect(window, &g_menu.place);
    if (g_menu.keys.empty()) ::EndMenu();
    for (WPARAM key : g_menu.keys) ::PostMessageA(g_menu.form->lv->Handle(), WM_KEYDOWN, key, 0);
}

// Opens the table's menu from the keyboard and presses keys in it.
void MenuKeys(TForm1& form, std::vector<WPARAM> keys) {
    g_menu = {&form, std::move(keys), {}, {}};
    ::SetTimer(nullptr, 0, 100, DriveMenu);
    ::SendMessageA(form.lv->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(form.lv->Handle()), -1);
}

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
                                                      "Show Processes", "", "Filter..."}));

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
    MenuKeys(*form, {VK_UP, VK_UP, VK_RETURN});  // the last item but "Filter..."
    MenuKeys(*form, {});
    EXPECT_EQ(g_menu.items[5], "Show Processes+");
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
