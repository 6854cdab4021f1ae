// Drives a running Sockmere from outside its process, for the run and screenshot scripts:
//   probe wait-done SECONDS      wait until the status bar reads "Done." (or "Done. (...)"), print
//                                the window rect
//   probe rect CLASS             print the rect of the first top-level window of that class
//   probe click CAPTION          press the main window's button with that caption
//   probe open-row N             double-click row N of the table (opens Connection Info)
//   probe close CLASS            close the first top-level window of that class
//   probe status                 print the status bar's first panel
//   probe columns                print the table's column captions, tab-separated
//   probe row N                  print the texts of the row shown at N, tab-separated
//   probe header N               click the table's column header N
//   probe menu [KEY...]          open the table's menu as the menu key does, then press the keys
//                                in it (up, down, return, escape); without keys it stays open
//   probe keys KEY...            press those keys in the open menu
//   probe size W H               give the main window that outer size
//   probe scroll DX              scroll the table sideways by DX pixels, as its scroll bar does
//   probe clipboard              print the text on the clipboard
//   probe save PATH              fill the open save dialog's file name with PATH and save
//   probe type TEXT              type TEXT, any Unicode, into the filter box
//   probe box KEY                press KEY (escape, return) in the filter box
//   probe count                  print the filter bar's row count
//   probe pids NAME              print the IDs of the processes of that file name
//   probe select N               select the row shown at N
//   probe answer ID              press the button with that ID (6 Yes, 7 No, 1 OK) in the open
//                                message box
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "RemoteUi.h"

namespace {

constexpr const char* kMainClass = "TForm1";

int PrintRect(HWND hwnd) {
    RECT r{};
    if (!hwnd || !::GetWindowRect(hwnd, &r)) return 1;
    std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
    return 0;
}

int WaitDone(int seconds) {
    for (int waited = 0; waited < seconds * 10; ++waited) {
        HWND main = remote::FindTopWindow(0, kMainClass);
        HWND status = main ? remote::FindChild(main, STATUSCLASSNAMEA) : nullptr;
        if (status && ::IsWindowVisible(main) && remote::StatusPanel(status, 0).rfind("Done.", 0) == 0) {
            ::Sleep(300);  // let the last paint land before anyone takes a picture
            return PrintRect(main);
        }
        ::Sleep(100);
    }
    std::fprintf(stderr, "probe: no \"Done.\" within %d s\n", seconds);
    return 1;
}

int Click(const char* caption) {
    HWND main = remote::FindTopWindow(0, kMainClass);
    HWND button = main ? remote::FindChild(main, "Button", caption) : nullptr;
    if (!button) return 1;
    ::PostMessageA(button, BM_CLICK, 0, 0);
    return 0;
}

int OpenRow(int row) {
    HWND main = remote::FindTopWindow(0, kMainClass);
    HWND list = main ? remote::FindChild(main, WC_LISTVIEWA) : nullptr;
    if (!list || row >= remote::ListCount(list)) return 1;
    remote::RemoteBuffer buffer(list, sizeof(RECT));
    RECT r{LVIR_BOUNDS, 0, 0, 0};
    buffer.Write(&r, sizeof r);
    ::SendMessageA(list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(buffer.Address()));
    buffer.Read(&r, sizeof r);
    LPARAM at = MAKELPARAM(r.left + 8, (r.top + r.bottom) / 2);
    ::PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::PostMessageA(list, WM_LBUTTONUP, 0, at);
    ::PostMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    ::PostMessageA(list, WM_LBUTTONUP, 0, at);
    return 0;
}

HWND MainList() {
    HWND main = remote::FindTopWindow(0, kMainClass);
    return main ? remote::FindChild(main, WC_LISTVIEWA) : nullptr;
}

HWND ListHeader(HWND list) {
    return list ? reinterpret_cast<HWND>(::SendMessageA(list, LVM_GETHEADER, 0, 0)) : nullptr;
}

int PrintTexts(const std::vector<std::string>& texts) {
    for (std::size_t i = 0; i < texts.size(); ++i) std::printf("%s%s", i ? "\t" : "", texts[i].c_str());
    std::printf("\n");
    return 0;
}

int Columns() {
    HWND header = ListHeader(MainList());
    if (!header) return 1;
    std::vector<std::string> captions;
    constexpr std::size_t kText = 256;
    remote::RemoteBuffer buffer(header, sizeof(HDITEMA) + kText);
    auto* text = static_cast<char*>(buffer.Address()) + sizeof(HDITEMA);
    const int count = static_cast<int>(::SendMessageA(header, HDM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        HDITEMA item{};
        item.mask = HDI_TEXT;
        item.pszText = text;
        item.cchTextMax = kText;
        buffer.Write(&item, sizeof item);
        ::SendMessageA(header, HDM_GETITEMA, i, reinterpret_cast<LPARAM>(buffer.Address()));
        char caption[kText] = {};
        buffer.Read(caption, kText - 1, sizeof(HDITEMA));
        captions.emplace_back(caption);
    }
    return PrintTexts(captions);
}

int Row(int row) {
    HWND list = MainList();
    HWND header = ListHeader(list);
    if (!header || row >= remote::ListCount(list)) return 1;
    return PrintTexts(remote::ListRow(list, row, static_cast<int>(::SendMessageA(header, HDM_GETITEMCOUNT, 0, 0))));
}

int ClickHeader(int column) {
    HWND header = ListHeader(MainList());
    if (!header) return 1;
    remote::RemoteBuffer buffer(header, sizeof(RECT));
    RECT r{};
    if (!::SendMessageA(header, HDM_GETITEMRECT, column, reinterpret_cast<LPARAM>(buffer.Address()))) return 1;
    buffer.Read(&r, sizeof r);
    const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    ::PostMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::PostMessageA(header, WM_LBUTTONUP, 0, at);
    return 0;
}

int Menu(bool open, int keyCount, char** keys) {
    HWND list = MainList();
    if (!list) return 1;
    if (open) {
        ::PostMessageA(list, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list), -1);
        ::Sleep(500);  // the menu's own loop takes the keys once it runs
    }
    for (int i = 0; i < keyCount; ++i) {
        const std::string key = keys[i];
        const WPARAM code = key == "up" ? VK_UP : key == "down" ? VK_DOWN : key == "return" ? VK_RETURN
                          : key == "escape" ? VK_ESCAPE : 0;
        if (code == 0) return 2;
        ::PostMessageA(list, WM_KEYDOWN, code, 0);
        ::Sleep(100);
    }
    return 0;
}

int PrintClipboard() {
    if (!::OpenClipboard(nullptr)) return 1;
    const HANDLE data = ::GetClipboardData(CF_TEXT);
    const char* text = data ? static_cast<const char*>(::GlobalLock(data)) : nullptr;
    if (text) std::fwrite(text, 1, std::strlen(text), stdout);
    if (text) ::GlobalUnlock(data);
    ::CloseClipboard();
    return text ? 0 : 1;
}

HWND FilterBox() {
    HWND main = remote::FindTopWindow(0, kMainClass);
    return main ? remote::FindChild(main, "Edit") : nullptr;
}

// The text as typed: the command line's own UTF-16, which the ANSI arguments may have lost.
int Type() {
    HWND box = FilterBox();
    int argc = 0;
    LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    if (!box || !argv || argc < 3) return 1;
    for (const wchar_t* c = argv[2]; *c; ++c) ::PostMessageW(box, WM_CHAR, *c, 1);
    ::LocalFree(argv);
    return 0;
}

int BoxKey(const std::string& key) {
    HWND box = FilterBox();
    const WPARAM code = key == "escape" ? VK_ESCAPE : key == "return" ? VK_RETURN : 0;
    return box && code && ::PostMessageA(box, WM_KEYDOWN, code, 1) ? 0 : 1;
}

int Select(int row) {
    HWND list = MainList();
    remote::RemoteBuffer buffer(list, sizeof(LVITEMA));
    LVITEMA item{};
    item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
    if (!list || !buffer.Valid() || !buffer.Write(&item, sizeof item)) return 1;
    ::SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(buffer.Address()));
    ::SetForegroundWindow(::GetAncestor(list, GA_ROOT));
    return 0;
}

int Pids(const char* name) {
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32First(snapshot, &entry); more; more = ::Process32Next(snapshot, &entry))
        if (::lstrcmpiA(entry.szExeFile, name) == 0) std::printf("%lu\n", entry.th32ProcessID);
    ::CloseHandle(snapshot);
    return 0;
}

int PrintCount() {
    HWND main = remote::FindTopWindow(0, kMainClass);
    HWND bar = main ? remote::FindChild(main, "Edit") : nullptr;
    // The count is the bar's last label.
    HWND count = bar ? ::GetWindow(bar, GW_HWNDNEXT) : nullptr;
    char text[64] = {};
    if (!count || !::GetWindowTextA(count, text, sizeof text)) return 1;
    std::printf("%s\n", text);
    return 0;
}

int Save(const char* path) {
    HWND dialog = nullptr;
    for (int i = 0; i < 50 && !dialog; ++i, ::Sleep(100)) dialog = remote::FindTopWindow(0, "#32770");
    if (!dialog) return 1;
    // The file name box of the system's save dialog: a combo box (cmb13) or, in the old style, an edit (edt1).
    HWND name = ::GetDlgItem(dialog, 0x47c);
    if (!name) name = ::GetDlgItem(dialog, 0x480);
    if (!name) return 1;
    ::SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path));
    ::PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::string(argv[1]) == "clipboard") return PrintClipboard();
    if (argc == 2 && std::string(argv[1]) == "status") {
        HWND main = remote::FindTopWindow(0, kMainClass);
        HWND status = main ? remote::FindChild(main, STATUSCLASSNAMEA) : nullptr;
        if (!status) return 1;
        std::printf("%s\n", remote::StatusPanel(status, 0).c_str());
        return 0;
    }
    if (argc == 2 && std::string(argv[1]) == "columns") return Columns();
    if (argc == 2 && std::string(argv[1]) == "count") return PrintCount();
    if (argc >= 2 && std::string(argv[1]) == "menu") return Menu(true, argc - 2, argv + 2);
    if (argc >= 3 && std::string(argv[1]) == "keys") return Menu(false, argc - 2, argv + 2);
    if (argc == 4 && std::string(argv[1]) == "size") {
        HWND main = remote::FindTopWindow(0, kMainClass);
        return main && ::SetWindowPos(main, nullptr, 0, 0, std::atoi(argv[2]), std::atoi(argv[3]),
                                      SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE) ? 0 : 1;
    }
    if (argc < 3) {
        std::fprintf(stderr, "usage: probe wait-done SECONDS | rect CLASS | click CAPTION | open-row N | close CLASS"
                             " | status | columns | row N | header N | menu [KEY...] | keys KEY... | size W H"
                             " | clipboard | save PATH | scroll DX | type TEXT | box KEY | count\n");
        return 2;
    }
    std::string verb = argv[1];
    if (verb == "wait-done") return WaitDone(std::atoi(argv[2]));
    if (verb == "rect") return PrintRect(remote::FindTopWindow(0, argv[2]));
    if (verb == "click") return Click(argv[2]);
    if (verb == "open-row") return OpenRow(std::atoi(argv[2]));
    if (verb == "row") return Row(std::atoi(argv[2]));
    if (verb == "header") return ClickHeader(std::atoi(argv[2]));
    if (verb == "scroll") {
        HWND list = MainList();
        return list && ::SendMessageA(list, LVM_SCROLL, std::atoi(argv[2]), 0) ? 0 : 1;
    }
    if (verb == "save") return Save(argv[2]);
    if (verb == "type") return Type();
    if (verb == "box") return BoxKey(argv[2]);
    if (verb == "select") return Select(std::atoi(argv[2]));
    if (verb == "pids") return Pids(argv[2]);
    if (verb == "answer") {
        HWND box = remote::FindTopWindow(0, "#32770");
        return box && ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(std::atoi(argv[2]), BN_CLICKED), 0) ? 0 : 1;
    }
    if (verb == "close") {
        HWND hwnd = remote::FindTopWindow(0, argv[2]);
        return hwnd && ::PostMessageA(hwnd, WM_CLOSE, 0, 0) ? 0 : 1;
    }
    std::fprintf(stderr, "probe: unknown verb %s\n", verb.c_str());
    return 2;
}
