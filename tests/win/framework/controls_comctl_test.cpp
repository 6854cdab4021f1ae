#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <climits>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "ClipboardText.h"
#include "framework/Clipboard.h"
#include "framework/ComCtrls.h"
#include "framework/Errors.h"
#include "framework/ExtCtrls.h"
#include "framework/FormsTestSupport.h"
#include "framework/SharedText.h"

using namespace fw;
using namespace fwtest;

namespace {

std::string ItemText(HWND list, int item, int sub) {
    char buffer[256] = {};
    LVITEMA it{};
    it.iSubItem = sub;
    it.pszText = buffer;
    it.cchTextMax = sizeof buffer;
    ::SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&it));
    return buffer;
}

TListView* MakeList(Stage& stage) {
    return stage.Make<TListView>({.name = "lv", .left = 0, .top = 0, .width = 380, .height = 200},
                                 {.columns = {{"#", ColumnHeaderWidth},
                                              {"Proto", ColumnHeaderWidth},
                                              {"Remote Addr", 120},
                                              {"Status", ColumnHeaderWidth}},
                                  .rowSelect = true});
}

struct Clicks {
    int doubles = 0;
    void Double(TObject*) { ++doubles; }
};

}  // namespace

TEST(ListView, RowsAreServedFromTheObjectByIndex) {
    Reports reports;
    Stage stage;
    TListView* lv = MakeList(stage);
    HWND h = lv->Handle();
    LONG style = ::GetWindowLongA(h, GWL_STYLE);
    EXPECT_EQ(style & LVS_TYPEMASK, LVS_REPORT);
    EXPECT_TRUE(style & LVS_SINGLESEL);
    EXPECT_FALSE(style & LVS_EDITLABELS);
    EXPECT_TRUE(::SendMessageA(h, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_FULLROWSELECT);

    EXPECT_EQ(lv->AddItem("1", {"TCP", "10.0.0.1", "ESTABLISHED"}), 0);
    EXPECT_EQ(lv->AddItem("2", {"UDP", "*"}), 1);
    EXPECT_EQ(lv->AddItem("3", {"TCP", "host", "LISTENING"}), 2);
    EXPECT_EQ(::SendMessageA(h, LVM_GETITEMCOUNT, 0, 0), 3);
    EXPECT_EQ(lv->ItemCaption(1), "2");
    EXPECT_EQ(lv->SubItem(0, 2), "ESTABLISHED");
    EXPECT_EQ(lv->SubItem(1, 1), "*");
    // A row with fewer sub-items reads as empty there.
    EXPECT_EQ(lv->SubItem(1, 2), "");
    EXPECT_THROW(lv->SubItem(3, 0), ListError);
    // What the window shows comes from the rows through the window's own requests.
    EXPECT_EQ(ItemText(h, 2, 0), "3");
    EXPECT_EQ(ItemText(h, 2, 3), "LISTENING");
    EXPECT_EQ(ItemText(h, 1, 3), "");

    EXPECT_EQ(lv->Selected(), -1);
    lv->SetSelected(2);
    EXPECT_EQ(lv->Selected(), 2);
    lv->SetSelected(1);
    EXPECT_EQ(lv->Selected(), 1);
    lv->Clear();
    EXPECT_EQ(lv->ItemCount(), 0);
    EXPECT_EQ(::SendMessageA(h, LVM_GETITEMCOUNT, 0, 0), 0);
    EXPECT_EQ(lv->Selected(), -1);
    EXPECT_TRUE(reports.texts.empty());
}

TEST(ListView, FieldsInASharedTextStayPlacesInItAndOutliveIt) {
    Reports reports;
    Stage stage;
    TListView* lv = MakeList(stage);
    HWND h = lv->Handle();
    lv->SetColumnWidth(2, ColumnTextWidth);
    SharedText first(std::string("TCP 10.0.0.1 ESTABLISHED-AND-THEN-SOME"));
    const std::string_view t = first.View();
    lv->ShareText(first);
    lv->Reserve(2, 4);
    lv->AddItem("1", {t.substr(0, 3), t.substr(4, 8), t.substr(13)});
    // A field from elsewhere is copied, whatever the shared text holds.
    lv->AddItem("2", {std::string_view("UDP"), t.substr(4, 8), std::string_view("*")});
    EXPECT_EQ(lv->SubItem(0, 2), "ESTABLISHED-AND-THEN-SOME");
    EXPECT_EQ(ItemText(h, 1, 1), "UDP");
    EXPECT_EQ(ItemText(h, 0, 2), "10.0.0.1");
    // Widths by content were measured as the rows came, outside any batch.
    const int wide = lv->ColumnWidth(2);
    EXPECT_GT(wide, 0);
    // A cell longer than the window's buffer is cut, not overrun.
    char small[5] = "####";
    LVITEMA it{};
    it.iSubItem = 3;
    it.pszText = small;
    it.cchTextMax = 4;
    ::SendMessageA(h, LVM_GETITEMTEXTA, 0, reinterpret_cast<LPARAM>(&it));
    EXPECT_STREQ(small, "EST");

    // Another text taken on, and the first dropped: the old rows keep their fields.
    lv->ShareText(SharedText(std::string("SECOND")));
    first = SharedText();
    EXPECT_EQ(lv->SubItem(0, 0), "TCP");
    EXPECT_EQ(lv->SubItem(1, 1), "10.0.0.1");
    EXPECT_EQ(ItemText(h, 0, 3), "ESTABLISHED-AND-THEN-SOME");
    lv->Clear();
    EXPECT_EQ(lv->ItemCount(), 0);
    EXPECT_TRUE(reports.texts.empty());
}

TEST(ListView, DoubleClickOnARowRaisesOnDblClick) {
    Reports reports;
    Stage stage;
    TListView* lv = MakeList(stage);
    Clicks clicks;
    lv->OnDblClick = Bind<&Clicks::Double>(&clicks);
    lv->AddItem("1", {"TCP", "a", "b"});
    HWND h = lv->Handle();
    Pump();
    RECT row{};
    row.left = LVIR_BOUNDS;
    ASSERT_TRUE(::SendMessageA(h, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row)));
    LPARAM at = MAKELPARAM(row.left + 5, (row.top + row.bottom) / 2);
    ::SendMessageA(h, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::SendMessageA(h, WM_LBUTTONUP, 0, at);
    ::SendMessageA(h, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    ::SendMessageA(h, WM_LBUTTONUP, 0, at);
    Pump();
    EXPECT_EQ(clicks.doubles, 1);
    EXPECT_EQ(lv->Selected(), 0);
}

TEST(ListView, ColumnWidthRulesFitTheContentOrTheHeaderOrTheRest) {
    Reports reports;
    Stage stage;
    TListView* lv = MakeList(stage);
    HWND h = lv->Handle();
    // Header rule on a middle column: its caption decides, not the rows.
    int proto = lv->ColumnWidth(1);
    lv->AddItem("1", {"A-protocol-name-much-wider-than-its-header", "x", "y"});
    EXPECT_EQ(lv->ColumnWidth(1), proto);
    EXPECT_GT(lv->ColumnWidth(0), 0);
    EXPECT_EQ(lv->ColumnWidth(2), 120);
    // The last column under the header rule fills the rest of the view.
    RECT client;
    ::GetClientRect(h, &client);
    int sum = 0;
    for (int i = 0; i < lv->ColumnCount(); ++i) sum += lv->ColumnWidth(i);
    EXPECT_EQ(sum, client.right);
    lv->SetWidth(lv->Width() + 60);
    ::GetClientRect(h, &client);
    sum = 0;
    for (int i = 0; i < lv->ColumnCount(); ++i) sum += lv->ColumnWidth(i);
    EXPECT_EQ(sum, client.right);

    // The content rule takes the widest entry, and follows later rows.
    lv->SetColumnWidth(2, ColumnTextWidth);
    int narrow = lv->ColumnWidth(2);
    lv->AddItem("2", {"TCP", "a-remote-host-with-a-long-name.example.org", "z"});
    int wide = lv->ColumnWidth(2);
    EXPECT_GT(wide, narrow);
    lv->BeginUpdate();
    lv->AddItem("3", {"TCP", "short", "z"});
    lv->EndUpdate();
    EXPECT_EQ(lv->ColumnWidth(2), wide);
    // A clear leaves the width as it is; once rows arrive, only the new rows count.
    lv->Clear();
    EXPECT_EQ(lv->ColumnWidth(2), wide);
    lv->SetWidth(lv->Width() - 30);
    EXPECT_EQ(lv->ColumnWidth(2), wide);
    lv->AddItem("1", {"TCP", "short", "z"});
    EXPECT_LT(lv->ColumnWidth(2), wide);
    // A fixed width ends the rule.
    lv->SetColumnWidth(2, 77);
    lv->AddItem("2", {"TCP", "a-remote-host-with-a-long-name.example.org", "z"});
    EXPECT_EQ(lv->ColumnWidth(2), 77);

    // Widths are measured in the font set, even one given the handle of a font freed before.
    const char* text = "a-remote-host-with-a-long-name";
    TListView reused(nullptr), fresh(nullptr);
    reused.AddColumn("Remote", ColumnTextWidth);
    reused.Font().SetDesc({.height = -13});
    reused.AddItem(text);
    const HFONT first = reused.Font().Handle();
    int changes = 0;
    // Each change frees the font before it, and the next one is made in its place.
    do reused.Font().SetDesc({.height = -20 - changes++ % 2});
    while (reused.Font().Handle() != first && changes < 1000);
    ASSERT_LT(changes, 1000) << "no font was given the freed handle";
    fresh.AddColumn("Remote", ColumnTextWidth);
    fresh.Font().SetDesc({.height = -20 - (changes - 1) % 2});
    fresh.AddItem(text);
    reused.SetParent(&stage);
    fresh.SetParent(&stage);
    EXPECT_EQ(reused.ColumnWidth(0), fresh.ColumnWidth(0));

    // Without rows a fitted column is as wide as its header asks.
    TListView bare(nullptr);
    bare.AddColumn("Remote Addr", ColumnTextWidth);
    bare.AddColumn("Remote Addr", ColumnHeaderWidth);
    bare.AddColumn("Status", ColumnHeaderWidth);
    bare.SetParent(&stage);
    EXPECT_EQ(bare.ColumnWidth(0), bare.ColumnWidth(1));
}

TEST(ListView, ColumnsAddedAndDeletedTakeTheRowsFieldsAlong) {
    Reports reports;
    Stage stage;
    TListView* lv = MakeList(stage);
    HWND h = lv->Handle();
    lv->AddColumn("PID", 50, true);
    HWND header = reinterpret_cast<HWND>(::SendMessageA(h, LVM_GETHEADER, 0, 0));
    auto format = [&](int column) {
        HDITEMA item{};
        item.mask = HDI_FORMAT;
        ::SendMessageA(header, HDM_GETITEMA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&item));
        return item.fmt & HDF_JUSTIFYMASK;
    };
    EXPECT_EQ(format(4), HDF_RIGHT);
    EXPECT_EQ(format(3), HDF_LEFT);
    lv->AddItem("1", {"TCP", "10.0.0.1", "ESTABLISHED", "900"});
    lv->AddItem("2", {"UDP", "*", "", "80"});
    lv->SetSort(4, false);
    lv->SetSelected(0);
    ASSERT_EQ(ItemText(h, 0, 0), "2");

    // The sort by a deleted column ends: the rows show in the order they came, selection kept.
    lv->DeleteColumn(4);
    EXPECT_EQ(lv->ColumnCount(), 4);
    EXPECT_EQ(::SendMessageA(header, HDM_GETITEMCOUNT, 0, 0), 4);
    EXPECT_EQ(lv->SortColumn(), -1);
    EXPECT_EQ(ItemText(h, 0, 0), "1");
    EXPECT_EQ(lv->Selected(), 0);
    // A sort by a later column follows it to its new index; the rows' later fields move along.
    lv->SetSort(3, true);
    lv->DeleteColumn(1);
    EXPECT_EQ(lv->SortColumn(), 2);
    EXPECT_TRUE(lv->SortDescending());
    EXPECT_EQ(lv->ColumnCaption(1), "Remote Addr");
    EXPECT_EQ(lv->ItemField(1, 1), "*");
    EXPECT_EQ(lv->SubItem(0, 1), "ESTABLISHED");
    EXPECT_EQ(ItemText(h, 0, 2), "ESTABLISHED");
    lv->AddItem("3", {"1.2.3.4", "LISTENING"});
    EXPECT_EQ(lv->ItemField(2, 2), "LISTENING");
    EXPECT_EQ(ItemText(h, 0, 0), "3");
    EXPECT_TRUE(reports.texts.empty());
}

// A UTF-8 column's characters all reach the window; an ANSI column's come through its code page.
TEST(ListView, CellsReachTheWindowWithEveryCharacter) {
    Reports reports;
    Stage stage;
    TListView* lv = MakeList(stage);
    lv->AddColumn("Process", ColumnTextWidth, false, true);
    lv->AddItem("1", {"TCP", "caf\xE9", "", "\xD0\xBF\xD1\x80\xD0\xBE\xD0\xBA\xD1\x81\xD0\xB8.exe"});  // прокси.exe
    wchar_t cells[2][32] = {};
    for (int i = 0; i < 2; ++i) {
        LVITEMW it{};
        it.iSubItem = 2 + 2 * i;
        it.pszText = cells[i];
        it.cchTextMax = 32;
        ::SendMessageW(lv->Handle(), LVM_GETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&it));
    }
    ASSERT_EQ(::GetACP(), 1252u);
    EXPECT_TRUE(lv->ShownText(0, 2) == L"caf\x00E9" && lv->ShownText(0, 2) == cells[0]);
    EXPECT_TRUE(lv->ShownText(0, 4) == L"\x043F\x0440\x043E\x043A\x0441\x0438.exe" && lv->ShownText(0, 4) == cells[1]);
    // Measured as drawn, not by its bytes.
    const auto drawn = ::SendMessageW(lv->Handle(), LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(cells[1]));
    EXPECT_TRUE(lv->ColumnWidth(4) >= drawn && lv->ColumnWidth(4) < drawn + 20) << lv->ColumnWidth(4) << " " << drawn;

    // A cell longer than a path is measured by its characters too, and a cut keeps whole ones.
    std::string longName = "a\xF0\x9F\x98\x80";  // a, then a character beyond 16 bits
    for (int i = 0; i < 300; ++i) longName += "\xD0\xBF";
    lv->AddItem("2", {"TCP", "", "", longName});
    const std::wstring wide = lv->ShownText(1, 4);
    const auto drawnLong = ::SendMessageW(lv->Handle(), LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(wide.c_str()));
    EXPECT_TRUE(lv->ColumnWidth(4) >= drawnLong && lv->ColumnWidth(4) < drawnLong + 20)
        << lv->ColumnWidth(4) << " " << drawnLong;
    wchar_t cut[3] = {};
    LVITEMW it{};
    it.iSubItem = 4, it.pszText = cut, it.cchTextMax = 3;
    ::SendMessageW(lv->Handle(), LVM_GETITEMTEXTW, 1, reinterpret_cast<LPARAM>(&it));
    EXPECT_TRUE(std::wstring(it.pszText) == L"a") << static_cast<int>(it.pszText[1]);
    EXPECT_TRUE(reports.texts.empty());
}

namespace {

// The pixels of the whole form, as they are now on its surface.
std::vector<std::uint32_t> Pixels(HWND form) {
    RECT r;
    ::GetWindowRect(form, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    HDC window = ::GetWindowDC(form);
    HDC memory = ::CreateCompatibleDC(window);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(window, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, w, h, window, 0, 0, SRCCOPY);
    std::vector<std::uint32_t> pixels(static_cast<const std::uint32_t*>(bits),
                                      static_cast<const std::uint32_t*>(bits) + static_cast<size_t>(w) * h);
    ::SelectObject(memory, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(form, window);
    return pixels;
}

}  // namespace

// What a clear or a batch leaves on screen (scroll bars shown or hidden, the header's new
// widths) must be what the view draws when asked to paint everything afresh.
TEST(ListView, AClearAndABatchLeaveOnScreenWhatAFreshPaintDraws) {
    Reports reports;
    Stage stage;
    TListView* lv = MakeList(stage);
    // The last column then leaves the rest of the view empty, as the main window's table does.
    lv->SetColumnWidth(2, ColumnTextWidth);
    lv->SetColumnWidth(3, ColumnTextWidth);
    const auto settled = [&] {
        ::RedrawWindow(stage.Handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        const std::vector<std::uint32_t> shown = Pixels(stage.Handle());
        ::RedrawWindow(lv->Handle(), nullptr, nullptr,
                       RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
        return shown == Pixels(stage.Handle());
    };
    const auto fill = [&](const char* remote, const char* status) {
        lv->Clear();
        EXPECT_TRUE(settled()) << "cleared before " << remote;
        lv->BeginUpdate();
        for (int i = 0; i < 40; ++i) lv->AddItem(std::to_string(i), {"TCP", remote, status});
        lv->EndUpdate();
        EXPECT_TRUE(settled()) << "rows with " << remote << " " << status;
    };
    fill("short", "LISTENING");
    fill("a-remote-host-with-a-much-longer-name.example.org", "LISTENING");
    // The user drags a column of a fixed width narrower; the next batch narrows the one after it.
    lv->SetColumnWidth(2, 200);
    HWND header = reinterpret_cast<HWND>(::SendMessageA(lv->Handle(), LVM_GETHEADER, 0, 0));
    RECT remote{};
    ::SendMessageA(header, HDM_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&remote));
    ::SendMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(remote.right, 4));
    ::SendMessageA(header, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(remote.left + 40, 4));
    ::SendMessageA(header, WM_LBUTTONUP, 0, MAKELPARAM(remote.left + 40, 4));
    ASSERT_EQ(lv->ColumnWidth(2), 40);
    fill("short", "X");
    EXPECT_TRUE(reports.texts.empty());
}

TEST(ListView, FiftyThousandRowsInOneBatchAreSmall) {
    Reports reports;
    Stage stage;
    TListView* lv = MakeList(stage);
    lv->SetColumnWidth(2, ColumnTextWidth);
    lv->SetColumnWidth(3, ColumnTextWidth);
    HWND h = lv->Handle();
    PROCESS_MEMORY_COUNTERS before{};
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &before, sizeof before);
    lv->BeginUpdate();
    for (int i = 1; i <= 50000; ++i) {
        std::string n = std::to_string(i);
        lv->AddItem(n, {"TCP", "host" + n + ".example.org", i == 25000 ? "ESTABLISHED-AND-THEN-SOME" : "LISTENING"});
    }
    lv->EndUpdate();
    Pump();
    PROCESS_MEMORY_COUNTERS after{};
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &after, sizeof after);
    EXPECT_EQ(::SendMessageA(h, LVM_GETITEMCOUNT, 0, 0), 50000);
    EXPECT_EQ(ItemText(h, 49999, 2), "host50000.example.org");
    // The rows in one pool: a few megabytes, not a window item per row.
    EXPECT_LT(after.WorkingSetSize - std::min(after.WorkingSetSize, before.WorkingSetSize), 20u << 20);
    // The widest entry anywhere in the batch decides the width.
    int withLongest = lv->ColumnWidth(3);
    lv->Clear();
    lv->AddItem("1", {"TCP", "h", "LISTENING"});
    EXPECT_GT(withLongest, lv->ColumnWidth(3));
}

TEST(StatusBar, PanelsShowTextAtTheBottomWithoutMouseOrGrip) {
    Reports reports;
    Stage stage(474, 285);
    auto* bar = stage.Make<TStatusBar>({.name = "stat", .left = 0, .top = 266, .width = 474, .height = 19,
                                        .enabled = false},
                                       {.panels = {{"Ready", 240}, {"Last update: 00:00:00", 115}, {"", 120}}});
    HWND h = bar->Handle();
    char text[64] = {};
    ::SendMessageA(h, SB_GETTEXTA, 1, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, "Last update: 00:00:00");
    EXPECT_EQ(::SendMessageA(h, SB_GETPARTS, 0, 0), 3);
    bar->SetPanelText(0, "Done.");
    ::SendMessageA(h, SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, "Done.");
    EXPECT_EQ(bar->PanelText(0), "Done.");
    EXPECT_THROW(bar->SetPanelText(3, "x"), ListError);
    EXPECT_FALSE(::IsWindowEnabled(h));
    EXPECT_FALSE(::GetWindowLongA(h, GWL_STYLE) & SBARS_SIZEGRIP);

    // Bottom-aligned at its own height, whatever size the form takes.
    stage.SetClientSize(500, 250);
    RECT r;
    ::GetWindowRect(h, &r);
    ::MapWindowPoints(nullptr, stage.Handle(), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.top, 250 - 19);
    EXPECT_EQ(r.bottom, 250);
    EXPECT_EQ(r.right - r.left, 500);
    EXPECT_EQ(bar->Top(), 231);
}

TEST(Animate, ThePlayingStateNeverRaisesEvenWithoutTheClip) {
    Reports reports;
    Stage stage;
    auto* animate = stage.Make<TAnimate>({.name = "Animate1", .left = 308, .top = 11, .width = 48, .height = 42},
                                         {.commonAVI = aviFindComputer, .startFrame = 1, .stopFrame = 8});
    HWND h = animate->Handle();
    LONG style = ::GetWindowLongA(h, GWL_STYLE);
    EXPECT_TRUE(style & ACS_CENTER);
    EXPECT_TRUE(style & ACS_TRANSPARENT);
    for (int i = 0; i < 3; ++i) {
        animate->SetActive(true);
        EXPECT_TRUE(animate->Active());
        Pump();
        animate->SetActive(false);
        EXPECT_FALSE(animate->Active());
    }
    animate->SetCommonAVI(aviNone);
    animate->SetActive(true);
    EXPECT_TRUE(reports.texts.empty());
}

namespace {
struct Ticks {
    TTimer* timer = nullptr;
    int count = 0;
    bool fail = false;
    void Tick(TObject* sender) {
        EXPECT_EQ(sender, timer);
        ++count;
        if (fail) throw std::runtime_error("Tick failed");
    }
};
}  // namespace

TEST(Timer, TicksFromTheLoopKeepsItsTagAndReportsFailures) {
    Reports reports;
    Stage stage;
    Ticks ticks;
    ticks.timer = stage.Make<TTimer>({.name = "Timer1"},
                                     {.interval = 10, .enabled = false, .onTimer = Bind<&Ticks::Tick>(&ticks)});
    ticks.timer->SetTag(INT_MIN);
    EXPECT_EQ(ticks.timer->Tag(), INT_MIN);
    ticks.timer->SetTag(-1);
    EXPECT_EQ(ticks.timer->Tag(), -1);
    ::Sleep(30);
    Pump();
    EXPECT_EQ(ticks.count, 0);
    ticks.timer->SetEnabled(true);
    EXPECT_TRUE(PumpUntil([&] { return ticks.count >= 2; }));
    // A failing tick is reported, and the timer goes on.
    ticks.fail = true;
    int failedAt = ticks.count;
    EXPECT_TRUE(PumpUntil([&] { return ticks.count >= failedAt + 2; }));
    EXPECT_GE(reports.texts.size(), 2u);
    EXPECT_EQ(reports.texts[0], "Tick failed");
    ticks.timer->SetEnabled(false);
    int stoppedAt = ticks.count;
    ::Sleep(40);
    Pump();
    EXPECT_EQ(ticks.count, stoppedAt);
    // A timer freed with a tick pending leaves nothing behind to call.
    ticks.timer->SetEnabled(true);
    ::Sleep(30);
    delete ticks.timer;
    Pump();
    EXPECT_EQ(ticks.count, stoppedAt);
}

TEST(Clipboard, TextGoesInAndComesBackOut) {
    Reports reports;
    Clipboard().SetText("mail@example.org");
    EXPECT_EQ(cliptest::ClipboardText(), "mail@example.org");
    Clipboard().SetText("");
    EXPECT_EQ(cliptest::ClipboardText(), "");
}
