#include "ui/ConnectionWatch.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>

#include "framework/WideText.h"
#include "listing/ProcessNames.h"
#include "settings/AppUtils.h"
#include "ui/MainWindowRules.h"
#include "ui/TableExport.h"
#include "ui/TableText.h"

namespace sockmere {

namespace {

// Never more than one balloon in this time; what comes meanwhile waits for the next.
constexpr std::uint32_t kBalloonSpacingMs = 10000;
// What an update needs when a watch is chosen with updates off.
constexpr int kWatchSeconds = 5;
// The fields of a kept row: the key's four, status, PID, name, program.
constexpr std::size_t kFields = 8;

fw::TMenuItem* NewItem(fw::TComponent* owner, const char* name, const char* caption, fw::TNotifyEvent onClick) {
    auto* item = new fw::TMenuItem(owner);
    item->SetName(name);
    item->SetCaption(caption);
    item->OnClick = onClick;
    return item;
}

std::string Ansi(const std::string& utf8) {
    return fw::AnsiFromWide(fw::WideFromUtf8(utf8));
}

}  // namespace

TConnectionWatch::TConnectionWatch(const Parts& parts) : fw::TComponent(parts.form), parts_(parts) {
    parts_.tray->OnBalloonClick = fw::Bind<&TConnectionWatch::BalloonClick>(this);
}

TConnectionWatch::~TConnectionWatch() = default;

void TConnectionWatch::ApplyStored(std::string_view listening, std::string_view firstConnect, std::string_view logPath) {
    listening_ = StoredSwitchOn(listening);
    firstConnect_ = StoredSwitchOn(firstConnect);
    // A path that cannot be written is kept, and told of at the first write.
    if (!logPath.empty()) log_ = std::make_unique<ChangeLogFile>(fw::WideFromUtf8(logPath));
    Changed(false);
}

void TConnectionWatch::InsertMenu(fw::TMenuItem& menu, int index) {
    // Owned here and held by the menu: whichever goes first takes them out of the other.
    notifyMenu_ = NewItem(this, "Notify1", "Notify", {});
    listeningItem_ = NewItem(this, "NotifyListening1", "New Listening Ports",
                             fw::Bind<&TConnectionWatch::ListeningClick>(this));
    firstConnectItem_ = NewItem(this, "NotifyFirstConnect1", "Programs Connecting for the First Time",
                                fw::Bind<&TConnectionWatch::FirstConnectClick>(this));
    notifyMenu_->Add(listeningItem_);
    notifyMenu_->Add(firstConnectItem_);
    logItem_ = NewItem(this, "LogChanges1", "Log Changes...", fw::Bind<&TConnectionWatch::LogClick>(this));
    menu.Insert(index, notifyMenu_);
    menu.Insert(index + 1, logItem_);
    Changed(false);
}

void TConnectionWatch::Changed(bool turnedOn) {
    if (listeningItem_) {
        listeningItem_->SetChecked(listening_);
        firstConnectItem_->SetChecked(firstConnect_);
        logItem_->SetChecked(log_ != nullptr);
    }
    if (turnedOn && parts_.updates->Seconds() == 0) parts_.updates->Choose(kWatchSeconds);
    parts_.updates->SetRunHidden(Active());
    parts_.marks->SetKept(Active());
    if (Active()) return;
    pending_ = {};
    if (timer_) timer_->SetEnabled(false);
}

void TConnectionWatch::ListeningClick(fw::TObject*) {
    listening_ = !listening_;
    WriteOptionText(IniSection, kListeningName, StoredSwitchText(listening_));
    Changed(listening_);
}

void TConnectionWatch::FirstConnectClick(fw::TObject*) {
    firstConnect_ = !firstConnect_;
    // Programs count from the moment the option is turned on.
    seen_.clear();
    WriteOptionText(IniSection, kFirstConnectName, StoredSwitchText(firstConnect_));
    Changed(firstConnect_);
}

void TConnectionWatch::LogClick(fw::TObject*) {
    if (log_) {
        const std::wstring question = fw::WideFromUtf8("Stop logging changes to " + fw::Utf8FromWide(log_->Path()) + "?");
        if (::MessageBoxW(parts_.form->Handle(), question.c_str(), L"Sockmere", MB_YESNO | MB_ICONQUESTION) != IDYES)
            return;
        log_.reset();
        WriteOptionText(IniSection, kChangeLogName, "");
        Changed(false);
        return;
    }
    wchar_t name[MAX_PATH] = L"Sockmere changes.csv";
    // The log is appended to, never replaced: no question about an existing file.
    if (!AskSaveName(parts_.form->Handle(), L"CSV (*.csv)\0*.csv\0", name, 0)) return;
    log_ = std::make_unique<ChangeLogFile>(std::wstring(name));
    WriteOptionText(IniSection, kChangeLogName, fw::Utf8FromWide(name));
    Changed(true);
}

std::vector<WatchRow> TConnectionWatch::After(const FILETIME& listedAt, std::vector<std::string>& owners) const {
    const fw::TListView& lv = *parts_.table;
    auto cell = [&](int item, int column) {
        return column < lv.ColumnCount() ? lv.ItemField(item, column) : std::string_view();
    };
    // The program of a process asked for already, or null.
    auto owner = [&](std::string_view pid) -> const std::string* {
        for (std::size_t i = 0; i < owners.size(); i += 2)
            if (owners[i] == pid) return &owners[i + 1];
        return nullptr;
    };
    const int count = parts_.marks->Connections();
    // A program's path is asked for once per listing and process, and only for connecting rows.
    for (int item = 0; item < count && firstConnect_; ++item) {
        const std::string_view pid = cell(item, kPidColumn), status = cell(item, 5);
        if (pid.empty() || (status != "ESTABLISHED" && status != "SYN_SENT") || owner(pid)) continue;
        std::string path = ProcessImagePath(pid, listedAt);
        owners.emplace_back(pid);
        owners.push_back(path.empty() ? std::string(cell(item, kProcessColumn)) : std::move(path));
    }
    std::vector<WatchRow> rows(static_cast<std::size_t>(count));
    for (int item = 0; item < count; ++item) {
        const std::string* program = owner(cell(item, kPidColumn));
        rows[static_cast<std::size_t>(item)] = {cell(item, 1), cell(item, 2), cell(item, 3), cell(item, 4), cell(item, 5),
                                                cell(item, kPidColumn), cell(item, kProcessColumn),
                                                program ? std::string_view(*program) : std::string_view()};
    }
    return rows;
}

std::vector<WatchRow> TConnectionWatch::Before() const {
    const ChangeMarks& m = *parts_.marks;
    std::vector<WatchRow> rows(static_cast<std::size_t>(m.BeforeCount()));
    for (int i = 0; i < m.BeforeCount(); ++i)
        rows[static_cast<std::size_t>(i)] = {m.BeforeCell(i, 1), m.BeforeCell(i, 2), m.BeforeCell(i, 3),
                                             m.BeforeCell(i, 4), m.BeforeCell(i, 5), m.BeforeCell(i, kPidColumn),
                                             m.BeforeCell(i, kProcessColumn), {}};
    return rows;
}

void TConnectionWatch::Listed(bool failed, const FILETIME& listedAt) {
    if (!Active() || failed) return;
    std::vector<std::string> owners;
    const std::vector<WatchRow> after = After(listedAt, owners);
    const RowChanges* changes = parts_.marks->LastChanges();
    // The first listing of a run finds nothing new; its programs are known from then on.
    if (!changes) {
        NotePrograms(after, seen_);
        return;
    }
    const std::vector<WatchRow> before = Before();
    if (log_) Log(before, after, *changes);
    if (listening_ || firstConnect_) Note(after, FindWatchEvents(before, after, *changes, seen_));
}

void TConnectionWatch::Log(std::span<const WatchRow> before, std::span<const WatchRow> after, const RowChanges& changes) {
    const std::string time = LogTimeNow();
    for (std::size_t i = 0; i < changes.marks.size(); ++i)
        if (changes.marks[i] != kRowSame)
            log_->Add(ChangeLogLine(time, changes.marks[i] == kRowNew ? "opened" : "changed", after[i]));
    for (int row : changes.closed) log_->Add(ChangeLogLine(time, "closed", before[static_cast<std::size_t>(row)]));
    if (const std::string failure = log_->Write(); !failure.empty()) parts_.status->SetPanelText(0, failure);
}

bool TConnectionWatch::InTray() const {
    return !parts_.form->Visible() && parts_.tray->Active();
}

void TConnectionWatch::Note(std::span<const WatchRow> after, const std::vector<WatchFinding>& found) {
    // With the window shown, the marks tell.
    if (!InTray()) return;
    for (const WatchFinding& f : found) {
        const bool listening = f.kind == WatchKind::Listening;
        if (!(listening ? listening_ : firstConnect_)) continue;
        const WatchRow& row = after[static_cast<std::size_t>(f.row)];
        if (pending_.listening + pending_.connecting == 0)
            for (int i = 0; std::string_view field : {row.protocol, row.localPort, row.remoteAddress, row.remotePort})
                pending_.key[i++] = field;
        AddNoticeLine(pending_.lines, pending_.listening + pending_.connecting, NoticeLine(f.kind, row));
        ++(listening ? pending_.listening : pending_.connecting);
    }
    ShowPending();
}

void TConnectionWatch::ShowPending() {
    if (pending_.listening + pending_.connecting == 0) return;
    if (!InTray()) {
        pending_ = {};
        return;
    }
    const std::uint32_t since = ::GetTickCount() - lastBalloon_;
    if (balloonShown_ && since < kBalloonSpacingMs) {
        // Woken once, when the next balloon may show.
        if (!timer_) timer_ = new fw::TTimer(this);
        timer_->ApplyProps({.interval = kBalloonSpacingMs - since, .enabled = true,
                            .onTimer = fw::Bind<&TConnectionWatch::PendingTimer>(this)});
        return;
    }
    const NoticeText notice = MakeNotice(pending_.listening, pending_.connecting, std::move(pending_.lines));
    if (parts_.tray->ShowBalloon(Ansi(notice.title), Ansi(notice.text))) {
        shown_ = std::move(pending_);
        balloonShown_ = true;
        lastBalloon_ = ::GetTickCount();
    }
    pending_ = {};
}

void TConnectionWatch::PendingTimer(fw::TObject*) {
    timer_->SetEnabled(false);
    ShowPending();
}

void TConnectionWatch::BalloonClick(fw::TObject*) {
    if (!balloonShown_) return;
    OnRestore(this);
    fw::TListView& lv = *parts_.table;
    for (int item = 0; item < lv.ItemCount(); ++item) {
        int column = 1;
        while (column <= 4 && lv.ItemField(item, column) == shown_.key[column - 1]) ++column;
        if (column <= 4) continue;
        lv.SetSelected(item);
        ::SendMessageA(lv.Handle(), LVM_ENSUREVISIBLE, static_cast<WPARAM>(std::max(lv.PositionOfItem(item), 0)), FALSE);
        lv.SetFocus();
        return;
    }
}

}  // namespace sockmere
