#include "ui/ConnectionWatch.h"

#include <commdlg.h>
#include <commctrl.h>

#include <algorithm>
#include <map>
#include <utility>

#include "framework/WideText.h"
#include "listing/ProcessNames.h"
#include "settings/AppUtils.h"
#include "ui/MainWindowRules.h"
#include "ui/TableExport.h"
#include "ui/TableText.h"

namespace sockmere {

namespace {

constexpr const char* kListeningValue = "NotifyListening";
constexpr const char* kFirstConnectValue = "NotifyFirstConnect";
constexpr const char* kChangeLogValue = "ChangeLog";
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

void TConnectionWatch::ReadStored() {
    ApplyStored(ReadOptionText(IniSection, kListeningValue), ReadOptionText(IniSection, kFirstConnectValue),
                ReadOptionText(IniSection, kChangeLogValue));
}

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
    if (Active()) return;
    // All off: nothing is kept, and the next watch starts from its first listing.
    hasBefore_ = false;
    before_ = {};
    pending_ = {};
    if (timer_) timer_->SetEnabled(false);
}

void TConnectionWatch::ListeningClick(fw::TObject*) {
    listening_ = !listening_;
    WriteOptionText(IniSection, kListeningValue, StoredSwitchText(listening_));
    Changed(listening_);
}

void TConnectionWatch::FirstConnectClick(fw::TObject*) {
    firstConnect_ = !firstConnect_;
    // Programs count from the moment the option is turned on.
    seen_.clear();
    WriteOptionText(IniSection, kFirstConnectValue, StoredSwitchText(firstConnect_));
    Changed(firstConnect_);
}

void TConnectionWatch::LogClick(fw::TObject*) {
    if (log_) {
        const std::wstring question = L"Stop logging changes to " + log_->Path() + L"?";
        if (::MessageBoxW(parts_.form->Handle(), question.c_str(), L"Sockmere", MB_YESNO | MB_ICONQUESTION) != IDYES)
            return;
        log_.reset();
        WriteOptionText(IniSection, kChangeLogValue, "");
        Changed(false);
        return;
    }
    wchar_t name[MAX_PATH] = L"Sockmere changes.csv";
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = parts_.form->Handle();
    dialog.lpstrFilter = L"CSV (*.csv)\0*.csv\0";
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = name;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrDefExt = L"csv";
    // The log is appended to, never replaced: no question about an existing file.
    dialog.Flags = OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!AskSaveName(dialog)) return;
    log_ = std::make_unique<ChangeLogFile>(name);
    WriteOptionText(IniSection, kChangeLogValue, fw::Utf8FromWide(name));
    Changed(true);
}

TConnectionWatch::Snapshot TConnectionWatch::Take(int connections, const FILETIME& listedAt) const {
    const fw::TListView& lv = *parts_.table;
    Snapshot s;
    s.text = std::make_unique<std::string>();
    s.pids = lv.ColumnCount() > kPidColumn;
    const int count = std::min(connections, lv.ItemCount());
    std::vector<std::size_t> ends;
    ends.reserve(static_cast<std::size_t>(count) * kFields);
    // A program's path is asked for once per listing and process.
    std::map<std::string, std::string, std::less<>> programs;
    std::string& text = *s.text;
    auto put = [&](std::string_view field) {
        text += field;
        ends.push_back(text.size());
    };
    for (int item = 0; item < count; ++item) {
        for (int column = 1; column <= 5; ++column) put(lv.ItemField(item, column));
        const std::string_view pid = s.pids ? lv.ItemField(item, kPidColumn) : std::string_view();
        const std::string_view name = s.pids ? lv.ItemField(item, kProcessColumn) : std::string_view();
        put(pid);
        put(name);
        std::string_view program;
        const std::string_view status = lv.ItemField(item, 5);
        if (firstConnect_ && !pid.empty() && (status == "ESTABLISHED" || status == "SYN_SENT")) {
            auto it = programs.find(pid);
            if (it == programs.end()) {
                std::string path = ProcessImagePath(pid, listedAt);
                it = programs.emplace(std::string(pid), path.empty() ? std::string(name) : std::move(path)).first;
            }
            program = it->second;
        }
        put(program);
    }
    s.rows.resize(static_cast<std::size_t>(count));
    std::size_t at = 0, cell = 0;
    auto next = [&] {
        const std::size_t begin = at;
        at = ends[cell++];
        return std::string_view(text).substr(begin, at - begin);
    };
    for (WatchRow& r : s.rows)
        r = {next(), next(), next(), next(), next(), next(), next(), next()};
    return s;
}

void TConnectionWatch::Listed(bool failed, int connections, const FILETIME& listedAt) {
    if (!Active() || failed) return;
    Snapshot now = Take(connections, listedAt);
    if (hasBefore_) {
        const bool withPid = before_.pids && now.pids;
        const RowChanges changes = CompareListings(WatchKeys(before_.rows, withPid), WatchKeys(now.rows, withPid));
        if (log_) Log(now, changes);
        if (listening_ || firstConnect_) Note(now, FindWatchEvents(before_.rows, now.rows, changes, seen_));
    } else {
        NotePrograms(now.rows, seen_);
    }
    before_ = std::move(now);
    hasBefore_ = true;
}

void TConnectionWatch::Log(const Snapshot& now, const RowChanges& changes) {
    const std::string time = LogTimeNow();
    for (std::size_t i = 0; i < changes.marks.size(); ++i)
        if (changes.marks[i] != kRowSame)
            log_->Add(ChangeLogLine(time, changes.marks[i] == kRowNew ? "opened" : "changed", now.rows[i]));
    for (int row : changes.closed) log_->Add(ChangeLogLine(time, "closed", before_.rows[static_cast<std::size_t>(row)]));
    if (const std::string failure = log_->Write(); !failure.empty()) parts_.status->SetPanelText(0, failure);
}

bool TConnectionWatch::InTray() const {
    return !parts_.form->Visible() && parts_.tray->Active();
}

void TConnectionWatch::Note(const Snapshot& now, const std::vector<WatchFinding>& found) {
    // With the window shown, the marks tell.
    if (!InTray()) return;
    for (const WatchFinding& f : found) {
        const bool listening = f.kind == WatchKind::Listening;
        if (!(listening ? listening_ : firstConnect_)) continue;
        const WatchRow& row = now.rows[static_cast<std::size_t>(f.row)];
        if (pending_.listening + pending_.connecting == 0)
            for (int i = 0; std::string_view field : {row.protocol, row.localPort, row.remoteAddress, row.remotePort})
                pending_.key[i++] = field;
        ++(listening ? pending_.listening : pending_.connecting);
        if (pending_.lines.size() < 3) pending_.lines.push_back(NoticeLine(f.kind, row));
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
    const NoticeText notice = MakeNotice(pending_.listening, pending_.connecting, pending_.lines);
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
