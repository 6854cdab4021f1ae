// The main window's look made with nothing but plain Win32 calls: the same top-level window and
// the same dozen controls at their places, with the common controls' visual styles, shown
// and painted. The least any program with this window does: the start-up benchmark's floor.
#include <windows.h>
#include <commctrl.h>

#include "PlainWindow.h"

namespace {

HWND Child(HWND parent, const char* cls, const char* text, DWORD style, RECT r, HFONT font) {
    HWND c = ::CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | WS_TABSTOP | style, r.left, r.top, r.right,
                               r.bottom, parent, nullptr, nullptr, nullptr);
    ::SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return c;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&icc);
    HWND h = plain::MakeMainWindow(instance, "ControlsWindow", "Controls");
    if (!h) return 1;
    const auto font = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));

    HWND lv = ::CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
                                WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_SINGLESEL,
                                0, 0, 474, 209, h, nullptr, nullptr, nullptr);
    ::SendMessageA(lv, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    const DWORD ex = LVS_EX_FULLROWSELECT | LVS_EX_LABELTIP;
    ::SendMessageA(lv, LVM_SETEXTENDEDLISTVIEWSTYLE, ex, ex);
    const char* captions[] = {"#", "Proto", "Local Port", "Remote Addr", "Remote Port", "Status"};
    const int widths[] = {20, 42, 64, 220, 72, 52};
    for (int i = 0; i < 6; ++i) {
        LVCOLUMNA c{};
        c.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        c.pszText = const_cast<char*>(captions[i]);
        c.cx = widths[i];
        c.iSubItem = i;
        ::SendMessageA(lv, LVM_INSERTCOLUMNA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&c));
    }
    Child(h, "BUTTON", "Get Connections", BS_PUSHBUTTON, {0, 216, 89, 25}, font);
    Child(h, "BUTTON", "Tray", BS_PUSHBUTTON, {96, 216, 57, 25}, font);
    Child(h, "BUTTON", "About", BS_PUSHBUTTON, {160, 216, 59, 25}, font);
    Child(h, "BUTTON", "Close", BS_PUSHBUTTON, {232, 216, 57, 25}, font);
    Child(h, "BUTTON", "Numeric format", BS_AUTOCHECKBOX, {0, 248, 97, 17}, font);
    Child(h, "BUTTON", "All connections", BS_AUTOCHECKBOX, {104, 248, 97, 17}, font);
    Child(h, "BUTTON", "Show time passed in tray", BS_AUTOCHECKBOX, {216, 248, 137, 17}, font);
    HWND status = ::CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | WS_DISABLED, 0, 0, 0, 0, h,
                                    nullptr, nullptr, nullptr);
    ::SendMessageA(status, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    int edges[] = {240, 355, -1};
    ::SendMessageA(status, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(edges));
    ::SendMessageA(status, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>("Ready"));
    ::SendMessageA(status, SB_SETTEXTA, 1, reinterpret_cast<LPARAM>("Last update: 00:00:00"));

    return plain::ShowAndRun(h, show, true);
}
