#include "ui/Unit1.h"

#include <windows.h>

#include <iterator>
#include <memory>
#include <span>
#include <utility>

#include "app/Resources.h"
#include "framework/Application.h"
#include "framework/ScopeExit.h"
#include "listing/ListingRun.h"
#include "settings/AppUtils.h"
#include "ui/FilterBar.h"
#include "ui/MainWindowRules.h"
#include "ui/TableExport.h"
#include "ui/TableText.h"
#include "ui/Unit2.h"
#include "ui/Unit3.h"

namespace sockmere {

using fw::Bind;

namespace {

// The runner replaces the hidden memo's whole text.
class MemoTarget final : public TextTarget {
public:
    explicit MemoTarget(fw::TMemo& memo) noexcept : memo_(memo) {}
    void Started(const FILETIME& at) override { startedAt_ = at; }
    void SetText(std::string text) override { memo_.SetText(std::move(text)); }
    const FILETIME& StartedAt() const noexcept { return startedAt_; }

private:
    fw::TMemo& memo_;
    FILETIME startedAt_{};
};

// The frames of the tray animation, stored in the program's resources.
std::span<const std::uint8_t> FramesResource() {
    HMODULE module = ::GetModuleHandleA(nullptr);
    HRSRC info = ::FindResourceA(module, RES_TRAYFRAMES, MAKEINTRESOURCEA(10));  // RT_RCDATA
    HGLOBAL data = info ? ::LoadResource(module, info) : nullptr;
    if (!data) return {};
    return {static_cast<const std::uint8_t*>(::LockResource(data)), ::SizeofResource(module, info)};
}

// Marks a refresh under way for one scope; a nested mark keeps the outer one.
class RefreshMark {
public:
    explicit RefreshMark(bool& flag) noexcept : flag_(flag), outer_(std::exchange(flag, true)) {}
    RefreshMark(const RefreshMark&) = delete;
    RefreshMark& operator=(const RefreshMark&) = delete;
    ~RefreshMark() { flag_ = outer_; }

private:
    bool& flag_;
    bool outer_;
};

// A menu line as a description gives it: owned by the menu, named, with its caption and click;
// at the end, or at a place of its own.
fw::TMenuItem* AddMenuItem(fw::TPopupMenu& menu, const char* name, const char* caption, fw::TNotifyEvent onClick,
                           int index = -1) {
    auto* item = new fw::TMenuItem(&menu);
    item->SetName(name);
    item->SetCaption(caption);
    item->OnClick = onClick;
    menu.Items()->Insert(index < 0 ? menu.Items()->Count() : index, item);
    return item;
}

// Stored options of the table's menu, beside the options that the form storage keeps.
constexpr const char* kShowProcessesValue = "ShowProcesses";
constexpr const char* kHighlightChangesValue = "HighlightChanges";

char DecimalSeparator() {
    char sep[4] = {};
    return ::GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, sep, sizeof sep) > 1 ? sep[0] : '.';
}

}  // namespace

// The refresh's wait for its command: messages that other threads send are answered (the end of
// the session asks so), and a close waiting in the queue ends the command, so that no close waits
// for a command that hangs. What is posted stays for the refresh's next pump.
class RefreshWait final : public RunWait {
public:
    RefreshWait(HWND form, HANDLE cancel) noexcept : form_(form), cancel_(cancel) {}
    DWORD Wait(DWORD count, const HANDLE* handles, DWORD milliseconds) override {
        process_ = handles[0];
        const DWORD result = ::MsgWaitForMultipleObjects(count, handles, FALSE, milliseconds,
                                                         QS_SENDMESSAGE | QS_POSTMESSAGE);
        MSG msg;
        if (result == WAIT_OBJECT_0 + count && ::PeekMessageW(&msg, form_, WM_CLOSE, WM_CLOSE, PM_NOREMOVE))
            ::SetEvent(cancel_);
        return result;
    }
    // A close answered from inside the wait: the command is gone before the answer is.
    void EndCommand() noexcept {
        ::SetEvent(cancel_);
        if (process_ && ::TerminateProcess(process_, kCancelledChildExitCode))
            ::WaitForSingleObject(process_, 5000);
    }

private:
    HWND form_;
    HANDLE cancel_;
    HANDLE process_ = nullptr;
};

TForm1::TForm1(fw::TComponent* owner, std::vector<std::string> args)
    : fw::TForm(owner), args_(std::move(args)) {
    Describe(
        {.name = "Form1",
         .caption = "Sockmere",
         .left = 202,
         .top = 109,
         .clientWidth = 474,
         .clientHeight = 285,
         .onCreate = Bind<&TForm1::FormCreate>(this),
         .onResize = Bind<&TForm1::FormResize>(this),
         .onShortCut = Bind<&TForm1::FormShortCut>(this)},
        [this] {
            // 32 x 32 as designed, at the window's scale.
            Icon().LoadResource(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_MAINICON),
                                fw::ScaleLength(32, Dpi()));
            lv = Make<fw::TListView>(
                {.name = "lv", .left = 0, .top = 0, .width = 473, .height = 209, .tabOrder = 13},
                {.columns = {{kColumnCaptions[0], fw::ColumnHeaderWidth},
                             {kColumnCaptions[1], fw::ColumnHeaderWidth},
                             {kColumnCaptions[2], fw::ColumnHeaderWidth},
                             {kColumnCaptions[3], 220},
                             {kColumnCaptions[4], fw::ColumnHeaderWidth},
                             {kColumnCaptions[5], fw::ColumnHeaderWidth}},
                 .rowSelect = true,
                 .onDblClick = Bind<&TForm1::lvDblClick>(this),
                 .onColumnClick = Bind<&TForm1::lvColumnClick>(this),
                 .onSortRows = Bind<&TForm1::lvSortRows>(this)});
            lv->OnItemImage = Bind<&TForm1::lvItemImage>(this);
            Button1 = Make<fw::TButton>({.name = "Button1", .left = 0, .top = 216, .width = 89, .height = 25,
                                         .caption = "Get Connections", .tabOrder = 1},
                                        {.onClick = Bind<&TForm1::Button1Click>(this)});
            Button4 = Make<fw::TButton>({.name = "Button4", .left = 96, .top = 216, .width = 57, .height = 25,
                                         .caption = "Tray", .tabOrder = 4},
                                        {.onClick = Bind<&TForm1::Button4Click>(this)});
            Button3 = Make<fw::TButton>({.name = "Button3", .left = 160, .top = 216, .width = 59, .height = 25,
                                         .caption = "About", .tabOrder = 7},
                                        {.onClick = Bind<&TForm1::Button3Click>(this)});
            Button2 = Make<fw::TButton>({.name = "Button2", .left = 232, .top = 216, .width = 57, .height = 25,
                                         .caption = "Close", .tabOrder = 2},
                                        {.onClick = Bind<&TForm1::Button2Click>(this)});
            check1 = Make<fw::TCheckBox>({.name = "check1", .left = 0, .top = 248, .width = 97, .height = 17,
                                          .caption = "Numeric format", .tabOrder = 11});
            check3 = Make<fw::TCheckBox>({.name = "check3", .left = 104, .top = 248, .width = 97, .height = 17,
                                          .caption = "All connections", .tabOrder = 15});
            check2 = Make<fw::TCheckBox>({.name = "check2", .left = 216, .top = 248, .width = 137, .height = 17,
                                          .caption = "Show time passed in tray", .tabOrder = 14});
            Animate1 = Make<fw::TAnimate>(
                {.name = "Animate1", .left = 408, .top = 211, .width = 48, .height = 42},
                {.commonAVI = fw::aviFindComputer, .active = false, .startFrame = 1, .stopFrame = 8,
                 .repetitions = 0, .center = true, .transparent = true});
            stat = Make<fw::TStatusBar>(
                {.name = "stat", .left = 0, .top = 266, .width = 474, .height = 19, .enabled = false,
                 .align = fw::alBottom},
                {.panels = {{"Ready", 240}, {"Last update: 00:00:00", 115}, {"", 120}}, .sizeGrip = false});
            Memo1 = Make<fw::TMemo>({.name = "Memo1", .caption = "Memo1", .visible = false},
                                    {.readOnly = true, .wordWrap = false,
                                     .onChange = Bind<&TForm1::Memo1Change>(this)});
            Memo2 = Make<fw::TMemo>({.name = "Memo2", .visible = false}, {.readOnly = true, .wordWrap = false});
            Button5 = Make<fw::TButton>({.name = "Button5", .caption = "Format", .visible = false},
                                        {.onClick = Bind<&TForm1::Button5Click>(this)});
            Timer1 = Make<fw::TTimer>({.name = "Timer1"},
                                      {.interval = 1000, .enabled = false, .onTimer = Bind<&TForm1::Timer1Timer>(this)});
            Timer2 = Make<fw::TTimer>({.name = "Timer2"},
                                      {.interval = 1000, .enabled = false, .onTimer = Bind<&TForm1::Timer2Timer>(this)});
            Timer3 = Make<fw::TTimer>({.name = "Timer3"},
                                      {.interval = 50, .enabled = false, .onTimer = Bind<&TForm1::Timer3Timer>(this)});
            FilterBar1 = Make<TFilterBar>({.name = "FilterBar1", .width = 474, .tabOrder = 12, .visible = false},
                                          {.table = lv, .onShowHide = Bind<&TForm1::FormResize>(this)});
            table_ = std::make_unique<TableListing>(*lv, *FilterBar1);
            table_->OnNames = Bind<&TForm1::TableNames>(this);
            DescribeTray();
            DescribeMinMax();
            DescribeTableMenu();
            // Before the form storage takes the event over, which then calls this handler first.
            OnCloseQuery = Bind<&TForm1::FormCloseQuery>(this);
            DescribeFormStorage();
            DescribeLiveUpdates();
        });
}

TForm1::~TForm1() {
    // The handlers of OnDestroy may still look at the components.
    DoDestroy();
}

void TForm1::DescribeTray() {
    tray = new TTrayIcon(this);
    tray->SetName("tray");
    // Applied first, so that nothing shows while the window loads.
    tray->SetActive(false);
    tray->SetHint("Sockmere");
    // The same picture as the window's, loaded once.
    tray->SetIcon(&Icon());
    if (auto frames = FramesResource(); !frames.empty()) tray->Icons().ReadIcons(frames);
    tray->SetInterval(70);

    PopupMenu1 = new fw::TPopupMenu(this);
    PopupMenu1->SetName("PopupMenu1");
    auto item = [menu = PopupMenu1](const char* name, const char* caption, fw::TNotifyEvent onClick) {
        return AddMenuItem(*menu, name, caption, onClick);
    };
    Restore1 = item("Restore1", "Restore", Bind<&TForm1::Restore1Click>(this));
    Restore1->SetDefault(true);
    Refresh1 = item("Refresh1", "Refresh", Bind<&TForm1::Refresh1Click>(this));
    N1 = item("N1", "-", {});
    Exit1 = item("Exit1", "Exit", Bind<&TForm1::Exit1Click>(this));

    tray->SetPopupMenu(PopupMenu1);
    tray->OnMouseMove = Bind<&TForm1::trayMouseMove>(this);
}

void TForm1::DescribeMinMax() {
    MinMax1 = new TMinMax(this);
    MinMax1->SetName("MinMax1");
    MinMax1->MinTrackSize().X = 482;
    MinMax1->MinTrackSize().Y = 250;
    MinMax1->Options = {TMinMaxOption::opAllowResize, TMinMaxOption::opMinTrackSize};
    // Hooking the form asks for its window, which therefore exists from here on.
    MinMax1->SetParent(this);
}

void TForm1::DescribeTableMenu() {
    PopupMenu2 = new fw::TPopupMenu(this);
    PopupMenu2->SetName("PopupMenu2");
    PopupMenu2->OnPopup = Bind<&TForm1::PopupMenu2Popup>(this);
    auto item = [menu = PopupMenu2](const char* name, const char* caption, fw::TNotifyEvent onClick) {
        return AddMenuItem(*menu, name, caption, onClick);
    };
    Info1 = item("Info1", "Connection Info...", Bind<&TForm1::Info1Click>(this));
    Info1->SetDefault(true);
    CopyRow1 = item("CopyRow1", "Copy Row", Bind<&TForm1::CopyRow1Click>(this));
    CopyAll1 = item("CopyAll1", "Copy All", Bind<&TForm1::CopyAll1Click>(this));
    SaveAs1 = item("SaveAs1", "Save As...", Bind<&TForm1::SaveAs1Click>(this));
    N2 = item("N2", "-", {});
    Actions1 = new TConnectionActions(this);
    Actions1->SetName("Actions1");
    Actions1->OnTarget = Bind<&TForm1::Actions1Target>(this);
    Actions1->OnActed = Bind<&TForm1::Actions1Acted>(this);
    CloseConnection1 =
        item("CloseConnection1", "Close Connection", Bind<&TConnectionActions::CloseConnectionClick>(Actions1));
    EndProcess1 = item("EndProcess1", "End Process...", Bind<&TConnectionActions::EndProcessClick>(Actions1));
    N4 = item("N4", "-", {});
    const int processesAt = PopupMenu2->Items()->Count();
    Processes1 = item("Processes1", "Show Processes", Bind<&TForm1::Processes1Click>(this));
    Highlight1 = AddMenuItem(*PopupMenu2, "Highlight1", "Highlight Changes", Bind<&TForm1::Highlight1Click>(this),
                             processesAt + 1);
    N3 = item("N3", "-", {});
    Filter1 = item("Filter1", "Filter...", Bind<&TForm1::Filter1Click>(this));
    lv->SetPopupMenu(PopupMenu2);
}

void TForm1::DescribeFormStorage() {
    FormStorage1 = new TFormStorage(this);
    FormStorage1->SetName("FormStorage1");
    FormStorage1->IniSection = "sockmere";
    FormStorage1->UseRegistry = true;
    for (const char* line : {"check1.Checked", "check2.Checked", "check3.Checked"})
        FormStorage1->StoredProps().Add(line);
}

void TForm1::DescribeLiveUpdates() {
    LiveUpdates1 = new TLiveUpdates(this);
    LiveUpdates1->SetName("LiveUpdates1");
    LiveUpdates1->IniSection = FormStorage1->IniSection;
    LiveUpdates1->OnStart = Bind<&TForm1::LiveUpdates1Start>(this);
    LiveUpdates1->OnListed = Bind<&TForm1::LiveUpdates1Listed>(this);
    LiveUpdates1->InsertMenu(*PopupMenu2->Items(), PopupMenu2->Items()->IndexOf(Processes1) + 1);

    Watch1 = new TConnectionWatch(
        {.form = this, .table = lv, .status = stat, .tray = tray, .updates = LiveUpdates1, .marks = &table_->Marks()});
    Watch1->SetName("Watch1");
    Watch1->IniSection = FormStorage1->IniSection;
    Watch1->OnRestore = Bind<&TForm1::Restore1Click>(this);
    Watch1->InsertMenu(*PopupMenu2->Items(), PopupMenu2->Items()->IndexOf(Highlight1) + 1);
}

void TForm1::FormCreate(fw::TObject*) {
    SetVisible(false);
    StartInTray = false;
    FetchAtStart = true;
    Memo2->SetText(Memo1->Text());
    // Read once, before any refresh; showing the window does not read it again.
    // In one pass: another instance that holds the settings is waited for once.
    const std::vector<std::string> stored = ReadOptionTexts(
        FormStorage1->IniSection, {kShowProcessesValue, TLiveUpdates::kStoredName, kHighlightChangesValue,
                                   TConnectionWatch::kListeningName, TConnectionWatch::kFirstConnectName,
                                   TConnectionWatch::kChangeLogName});
    Processes1->SetChecked(StoredSwitchOn(stored[0]));
    ShowProcessColumns(Processes1->Checked());
    LiveUpdates1->SetStored(stored[1]);
    Highlight1->SetChecked(StoredSwitchOn(stored[2]));
    table_->Marks().SetEnabled(Highlight1->Checked());
    Watch1->ApplyStored(stored[3], stored[4], stored[5]);

    std::vector<const char*> argv{"Sockmere"};
    for (const std::string& a : args_) argv.push_back(a.c_str());
    StartSwitches switches = ParseStartSwitches(static_cast<int>(argv.size()), argv.data());
    StartInTray = switches.startInTray;
    FetchAtStart = switches.fetchAtStart;

    if (StartInTray) {
        tray->SetActive(true);
        Timer3->SetEnabled(true);
    }
    if (FetchAtStart) {
        Show();
        Repaint();
        Button1->Click();
        // A tick that fell into the refresh's pumps was undone by the refresh's end: arm the
        // one-shot again, so "-t" always ends in the tray.
        if (StartInTray && !Timer3->Enabled() && Visible()) Timer3->SetEnabled(true);
    }
}

void TForm1::Button1Click(fw::TObject*) {
    // Clicks and the tray's "Refresh" that land in this refresh's pumps would nest a second one.
    if (refreshing_) return;
    RefreshMark mark(refreshing_);
    LiveUpdates1->RefreshStarting();
    stat->SetPanelText(0, "Checking connections...please be patient");
    stat->SetPanelText(1, "Refreshing");
    stat->SetPanelText(2, "Counting...");
    Timer2->SetTag(static_cast<std::int32_t>(::GetTickCount()));
    Timer2->SetEnabled(true);
    Timer1->SetTag(0);
    Timer1->SetEnabled(false);
    tray->SetAnimated(true);
    tray->SetHint("Checking connections...");
    table_->Emptying();
    lv->Clear();
    ShowProcessColumns(Processes1->Checked());
    Memo1->Clear();
    for (fw::TControl* c : std::initializer_list<fw::TControl*>{check1, check2, check3, Button1, Button2, Button3, Button4})
        c->SetEnabled(false);
    Animate1->SetActive(true);
    // Whatever a step throws, the window comes back usable; the error still reaches the report.
    fw::ScopeExit settle([this] {
        for (fw::TControl* c :
             std::initializer_list<fw::TControl*>{Button1, Button2, Button3, Button4, check1, check2, check3})
            c->SetEnabled(true);
        Animate1->SetActive(false);
        tray->SetAnimated(false);
        tray->SetHint("Sockmere");
        Timer2->SetEnabled(false);
    });
    fw::Application().ProcessMessages();

    MemoTarget target(*Memo1);
    ListingOptions options{.numeric = check1->Checked(), .all = check3->Checked(), .processes = Processes1->Checked()};
    refreshCancel_.Reset();
    RefreshWait wait(Hwnd(), refreshCancel_.Handle());
    refreshWait_ = &wait;
    {
        fw::ScopeExit waited([this] { refreshWait_ = nullptr; });
        lastRun_ = RunListing(options, target, refreshCancel_.Handle(), 0, &wait);
    }
    if (lastRun_.withoutProcesses) options.processes = false;
    table_->NameOwners(options.processes, target.StartedAt());

    stat->SetPanelText(0, "Formatting...");
    Animate1->SetActive(false);
    fw::Application().ProcessMessages();
    Memo2->SetText(Memo1->Shared());
    for (fw::TControl* c : std::initializer_list<fw::TControl*>{Button1, Button2, Button3, Button4, check1, check2, check3})
        c->SetEnabled(true);
    Button5Click(this);
}

void TForm1::Button5Click(fw::TObject*) {
    // The refresh lasts to the end of this step, pumps included.
    RefreshMark mark(refreshing_);
    fw::Screen().SetCursor(fw::crDefault);
    for (int i = 0; i < 3; ++i) {
        Memo2->DeleteFirstLine();
        fw::Application().ProcessMessages();
    }
    const ChangeCounts changes = table_->Fill(Memo2->Shared(), Memo2->Breaks(), ListingFailed(lastRun_));

    // A close asked for during the first refresh stands: the window does not come back.
    if (tray->Active() && !ClosedBeforeMain()) {
        Show();
        tray->SetHint("Sockmere");
        tray->SetActive(false);
    }
    tray->SetAnimated(false);
    tray->SetHint("Sockmere");
    Timer2->SetEnabled(false);
    std::uint32_t elapsed = ::GetTickCount() - static_cast<std::uint32_t>(Timer2->Tag());
    stat->SetPanelText(2, FormatElapsed(elapsed, DecimalSeparator()));
    Timer2->SetTag(0);
    Timer1->SetEnabled(true);
    stat->SetPanelText(0, RefreshEndText(lastRun_, changes));
    Watch1->Listed(ListingFailed(lastRun_), table_->Names().ListedAt());
    LiveUpdates1->RefreshEnded();
}

void TForm1::LiveUpdates1Start(fw::TObject*, ListingOptions& options, bool& allowed) {
    allowed = !refreshing_;
    options = {.numeric = check1->Checked(), .all = check3->Checked(), .processes = Processes1->Checked()};
}

void TForm1::LiveUpdates1Listed(fw::TObject*, ListingCapture& capture, std::uint32_t startTick) {
    // A failed update leaves the rows, their marks and the clock of their age as they were.
    ChangeCounts changes;
    if (!ListingFailed(capture.run)) {
        changes = table_->Replace(capture);
        Timer1->SetEnabled(false);
        Timer1->SetTag(0);
        stat->SetPanelText(1, FormatLastUpdate(0));
        Timer1->SetEnabled(true);
    }
    stat->SetPanelText(2, FormatElapsed(::GetTickCount() - startTick, DecimalSeparator()));
    stat->SetPanelText(0, RefreshEndText(capture.run, changes, false));
    Watch1->Listed(ListingFailed(capture.run), table_->Names().ListedAt());
}

void TForm1::Memo1Change(fw::TObject*) {
    Memo2->SetText(Memo1->Shared());
}

void TForm1::Timer1Timer(fw::TObject*) {
    Timer1->SetTag(Timer1->Tag() + 1);
    stat->SetPanelText(1, FormatLastUpdate(Timer1->Tag()));
    fw::Application().ProcessMessages();
}

void TForm1::Timer2Timer(fw::TObject*) {
    // Reads the start tick without changing it: the final elapsed time is taken from it.
    std::uint32_t elapsed = ::GetTickCount() - static_cast<std::uint32_t>(Timer2->Tag());
    stat->SetPanelText(2, "Elapsed: " + FormatClock(static_cast<std::int32_t>(elapsed / 1000)));
    fw::Application().ProcessMessages();
}

void TForm1::Timer3Timer(fw::TObject*) {
    Button4->Click();
    Timer3->SetEnabled(false);
}

void TForm1::Button2Click(fw::TObject*) {
    Close();
}

void TForm1::Button3Click(fw::TObject*) {
    // A click queued before the About window took over lands in its modal loop.
    if (about_ && !about_->Visible()) about_->ShowModal();
}

void TForm1::Button4Click(fw::TObject*) {
    Hide();
    tray->SetActive(true);
}

void TForm1::lvDblClick(fw::TObject*) {
    int row = lv->Selected();
    // The double click may land on the empty part of the table, which clears the selection.
    if (row < 0) return;
    // Freed as soon as its showing ends: kept, every closed dialog would pile up until exit.
    const bool process = lv->ColumnCount() > kPidColumn;
    auto dialog = std::make_unique<TForm2>(this, process);
    fw::TEdit* edits[] = {dialog->Edit1, dialog->Edit2, dialog->Edit3, dialog->Edit4, dialog->Edit5};
    for (int i = 0; i < 5; ++i) edits[i]->SetText(lv->SubItem(row, i));
    if (process) {
        const std::string pid = lv->SubItem(row, kPidColumn - 1);
        dialog->Edit6->SetText(lv->SubItem(row, kProcessColumn - 1));
        dialog->Edit7->SetText(pid);
        dialog->Edit8->SetText(ProcessImagePath(pid, table_->Names().ListedAt()));
    }
    dialog->ShowModal();
}

void TForm1::Restore1Click(fw::TObject*) {
    tray->SetActive(false);
    Show();
}

void TForm1::Refresh1Click(fw::TObject* sender) {
    Button1Click(sender);
}

void TForm1::Exit1Click(fw::TObject*) {
    Close();
}

void TForm1::trayMouseMove(fw::TObject*, fw::TShiftState, int, int) {
    tray->SetHint(TrayTip(check2->Checked(), stat->PanelText(1), stat->PanelText(2)));
}

void TForm1::FormResize(fw::TObject*) {
    // A minimized window keeps the layout of its restored size.
    const SIZE outer = DesignOuterSize();
    MainLayout l = LayoutForOuterSize(outer.cx, outer.cy, Dpi(), FilterBar1->Visible());
    FilterBar1->SetWidth(l.listWidth);
    lv->SetBounds(lv->Left(), l.listTop, l.listWidth, l.listHeight);
    Animate1->SetTop(l.animateTop);
    Animate1->SetLeft(l.animateLeft);
    Button1->SetTop(l.buttonTop);
    check1->SetTop(l.checkBoxTop);
    check2->SetTop(l.checkBoxTop);
    check3->SetTop(l.checkBoxTop);
    Button4->SetTop(l.buttonTop);
    Button3->SetTop(l.buttonTop);
    Button2->SetTop(l.buttonTop);
}

void TForm1::FormShortCut(fw::TObject*, WORD key, fw::TShiftState shift, bool& handled) {
    const fw::TShiftState mods = shift & (fw::ssShift | fw::ssCtrl | fw::ssAlt);
    if (FilterBar1->ShortCut(key, mods, handled)) return;
    if (key == VK_F5 && mods == 0) {
        handled = true;
        // Ignored while a refresh runs, as the disabled button is.
        if (Button1->Enabled()) Button1Click(Button1);
    } else if (key == VK_RETURN && mods == 0 && lv->Selected() >= 0) {
        // A focused push button keeps its own Enter.
        if (dynamic_cast<fw::TButton*>(fw::TWinControl::FindControl(::GetFocus()))) return;
        handled = true;
        lvDblClick(lv);
    } else if (key == 'C' && mods == fw::ssCtrl) {
        handled = true;
        CopyListView(*lv, true);
    }
}

void TForm1::lvColumnClick(fw::TObject*, int column) {
    // A second click on the same header turns the order round.
    lv->SetSort(column, column == lv->SortColumn() && !lv->SortDescending());
}

void TForm1::lvSortRows(fw::TObject*, int column, bool descending, std::vector<int>& order) {
    // Views into the rows: sorting copies no text.
    std::vector<std::string_view> fields;
    fields.reserve(static_cast<std::size_t>(lv->ItemCount()));
    for (int item = 0; item < lv->ItemCount(); ++item) fields.push_back(lv->ItemField(item, column));
    if (column != kProcessColumn) {
        order = SortedRows(TableColumnKind(column), fields, descending);
        return;
    }
    // Rows of one program go by their process IDs.
    std::vector<std::string_view> ids;
    ids.reserve(fields.size());
    for (int item = 0; item < lv->ItemCount(); ++item) ids.push_back(lv->ItemField(item, kPidColumn));
    order = SortedRows(TableColumnKind(column), fields, ids, descending);
}

void TForm1::PopupMenu2Popup(fw::TObject*) {
    const bool selected = lv->Selected() >= 0;
    Info1->SetEnabled(selected);
    CopyRow1->SetEnabled(selected);
    Actions1->UpdateMenu(*CloseConnection1, *EndProcess1);
}

void TForm1::Info1Click(fw::TObject*) {
    lvDblClick(lv);
}

void TForm1::CopyRow1Click(fw::TObject*) {
    CopyListView(*lv, true);
}

void TForm1::CopyAll1Click(fw::TObject*) {
    CopyListView(*lv, false, table_->Marks().Connections());
}

void TForm1::SaveAs1Click(fw::TObject*) {
    SaveListViewAs(*lv, Handle(), fw::Event<int&>::Of<&ChangeMarks::CountConnections>(&table_->Marks()));
}

void TForm1::Processes1Click(fw::TObject*) {
    // Ignored while a refresh runs, as F5 is: nothing changes and nothing is stored.
    if (refreshing_ || !Button1->Enabled()) return;
    Processes1->SetChecked(!Processes1->Checked());
    Button1Click(Button1);
    WriteOptionText(FormStorage1->IniSection, kShowProcessesValue, StoredSwitchText(Processes1->Checked()));
}

void TForm1::Highlight1Click(fw::TObject*) {
    Highlight1->SetChecked(!Highlight1->Checked());
    table_->Marks().SetEnabled(Highlight1->Checked());
    // Turned off, the closed rows go.
    FilterBar1->ApplyToRows();
    WriteOptionText(FormStorage1->IniSection, kHighlightChangesValue, StoredSwitchText(Highlight1->Checked()));
}

void TForm1::FormCloseQuery(fw::TObject*, bool&) {
    // A close of any kind ends a refresh's or an update's command first, so that no child
    // outlives the program and no close waits for one.
    refreshCancel_.Set();
    if (refreshWait_) refreshWait_->EndCommand();
    LiveUpdates1->Halt();
}

LRESULT TForm1::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    // Another program kept the session going after all: the updates go on.
    if (msg == WM_ENDSESSION && !wParam) LiveUpdates1->Resume();
    return fw::TForm::WndProc(msg, wParam, lParam);
}

void TForm1::Filter1Click(fw::TObject*) {
    FilterBar1->Open();
}

void TForm1::Actions1Target(fw::TObject*, ActionTarget& target) {
    const int item = lv->Selected();
    target.refreshing = refreshing_;
    target.selected = item >= 0;
    if (item < 0) return;
    const bool process = lv->ColumnCount() > kPidColumn;
    target.row = {lv->ItemField(item, 1), lv->ItemField(item, 2), lv->ItemField(item, 3), lv->ItemField(item, 4),
                  lv->ItemField(item, 5), process ? lv->ItemField(item, kPidColumn) : std::string_view(),
                  process ? lv->ItemField(item, kProcessColumn) : std::string_view(),
                  item >= table_->Marks().Connections()};
    target.listedAt = table_->Names().ListedAt();
}

void TForm1::Actions1Acted(fw::TObject*) {
    // The row goes, or turns red, at once.
    if (LiveUpdates1->Seconds() > 0)
        LiveUpdates1->UpdateNow();
    else
        Button1Click(Button1);
}

void TForm1::lvItemImage(fw::TObject*, int item, int& image) {
    image = icons_ ? icons_->ImageOf(lv->ItemField(item, kPidColumn)) : -1;
}

void TForm1::TableNames(fw::TObject*) {
    if (!icons_) return;
    if (icons_->SetDpi(lv->Dpi())) lv->SetCellImages(icons_->Images(), kProcessColumn);
    icons_->Apply(table_->Names());
}

void TForm1::ShowProcessColumns(bool show) {
    if (show && ShowIcons && !icons_) icons_ = std::make_unique<ProgramIcons>(lv->Dpi());
    lv->SetCellImages(show && icons_ ? icons_->Images() : nullptr, kProcessColumn);
    if (show && lv->ColumnCount() == kPidColumn) {
        lv->AddColumn(kColumnCaptions[kPidColumn], 50, true);
        // Names come in UTF-8, with every character.
        lv->AddColumn(kColumnCaptions[kProcessColumn], fw::ColumnHeaderWidth, false, true);
    } else if (!show && lv->ColumnCount() > kPidColumn) {
        // A sort by either of them ends with them, back to netstat's order.
        lv->DeleteColumn(kProcessColumn);
        lv->DeleteColumn(kPidColumn);
    }
}

}  // namespace sockmere
