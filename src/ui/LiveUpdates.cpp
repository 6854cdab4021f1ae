#include "ui/LiveUpdates.h"

#include <iterator>
#include <string_view>
#include <vector>

#include "framework/Window.h"
#include "settings/AppUtils.h"
#include "ui/TableText.h"

namespace sockmere {
namespace {

constexpr const char* kRefreshEveryValue = "RefreshEvery";
constexpr UINT kListedMessage = WM_APP + 24;
constexpr UINT_PTR kTimerId = 1;
// How often an update that could not start looks again.
constexpr std::uint32_t kRetryMs = 250;

std::vector<ConnectionKey> KeysOf(const fw::TListView& view, bool pids) {
    std::vector<ConnectionKey> keys(static_cast<std::size_t>(view.ItemCount()));
    for (int item = 0; item < view.ItemCount(); ++item)
        keys[static_cast<std::size_t>(item)] = {view.ItemField(item, 1), view.ItemField(item, 2),
                                                view.ItemField(item, 3), view.ItemField(item, 4),
                                                pids ? view.ItemField(item, kPidColumn) : std::string_view()};
    return keys;
}

}  // namespace

// A message-only window: the timer's ticks and the worker's news arrive here, on the GUI thread,
// and die with it.
class TLiveUpdates::Sink final : public fw::Window {
public:
    explicit Sink(TLiveUpdates& owner) : owner_(owner) {
        CreateHandle("Sockmere.LiveUpdates", 0, 0, "", 0, 0, 0, 0, HWND_MESSAGE);
    }
    ~Sink() override { DestroyHandle(); }

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_TIMER && wParam == kTimerId) {
            owner_.Tick();
            return 0;
        }
        if (msg == kListedMessage) {
            owner_.Listed();
            return 0;
        }
        return Window::WndProc(msg, wParam, lParam);
    }
    fw::TComponent* ExceptionSender() override { return &owner_; }

private:
    TLiveUpdates& owner_;
};

TLiveUpdates::TLiveUpdates(fw::TForm* form) : fw::TComponent(form), form_(form), lastEnd_(::GetTickCount()) {}

TLiveUpdates::~TLiveUpdates() {
    // The thread may be running a command that never ends: it is ended first.
    worker_.reset();
    sink_.reset();
}

void TLiveUpdates::ReadStored() {
    SetSeconds(StoredRefreshSeconds(ReadOptionText(IniSection, kRefreshEveryValue)));
}

void TLiveUpdates::SetSeconds(int seconds) {
    seconds_ = seconds;
    if (menu_)
        for (int i = 0; i < menu_->Count(); ++i) menu_->Items(i)->SetChecked(menu_->Items(i)->Tag() == seconds);
    if (seconds == 0) {
        // A running command is ended; its thread goes once its news has come.
        if (Busy()) {
            worker_->Cancel();
            dropping_ = true;
        } else {
            worker_.reset();
        }
        if (sink_) ::KillTimer(sink_->Hwnd(), kTimerId);
        return;
    }
    if (!sink_) sink_ = std::make_unique<Sink>(*this);
    Schedule();
}

void TLiveUpdates::InsertMenu(fw::TMenuItem& menu, int index) {
    // Owned here and held by the menu: whichever goes first takes them out of the other.
    menu_ = new fw::TMenuItem(this);
    menu_->SetName("RefreshEvery1");
    menu_->SetCaption("Refresh Every");
    for (std::size_t i = 0; i < std::size(kRefreshChoices); ++i) {
        const int seconds = kRefreshChoices[i];
        auto* choice = new fw::TMenuItem(this);
        choice->SetCaption(kRefreshCaptions[i]);
        choice->SetTag(seconds);
        choice->SetRadioItem(true);
        choice->SetChecked(seconds == seconds_);
        choice->OnClick = fw::Bind<&TLiveUpdates::ChoiceClick>(this);
        menu_->Add(choice);
    }
    menu.Insert(index, menu_);
}

void TLiveUpdates::ChoiceClick(fw::TObject* sender) {
    const int seconds = static_cast<fw::TMenuItem*>(sender)->Tag();
    if (seconds == seconds_) return;
    SetSeconds(seconds);
    WriteOptionText(IniSection, kRefreshEveryValue, std::to_string(seconds));
}

void TLiveUpdates::RefreshStarting() {
    if (!Busy()) return;
    worker_->Cancel();
    dropping_ = true;
}

void TLiveUpdates::RefreshEnded() {
    lastEnd_ = ::GetTickCount();
    Schedule();
}

void TLiveUpdates::UpdateNow() {
    lastEnd_ = ::GetTickCount() - static_cast<std::uint32_t>(seconds_) * 1000;
    Schedule();
}

void TLiveUpdates::Halt() {
    halted_ = true;
    if (sink_) ::KillTimer(sink_->Hwnd(), kTimerId);
    // The only wait for the thread: the command is ended first, so it is short.
    if (worker_) worker_->Cancel();
    worker_.reset();
}

void TLiveUpdates::Resume() {
    if (!std::exchange(halted_, false)) return;
    Schedule();
}

void TLiveUpdates::Schedule() {
    if (!sink_) return;
    if (seconds_ == 0 || halted_ || Busy()) {
        ::KillTimer(sink_->Hwnd(), kTimerId);
        return;
    }
    Arm(UpdateWait(::GetTickCount(), lastEnd_, static_cast<std::uint32_t>(seconds_) * 1000));
}

void TLiveUpdates::Arm(std::uint32_t ms) {
    ::SetTimer(sink_->Hwnd(), kTimerId, ms < USER_TIMER_MINIMUM ? USER_TIMER_MINIMUM : ms, nullptr);
}

void TLiveUpdates::Tick() {
    ::KillTimer(sink_->Hwnd(), kTimerId);
    if (seconds_ == 0 || halted_ || Busy()) return;
    if (UpdateWait(::GetTickCount(), lastEnd_, static_cast<std::uint32_t>(seconds_) * 1000) > 0) {
        Schedule();
        return;
    }
    Start();
}

bool TLiveUpdates::FormCanShow() const {
    const HWND h = form_->Hwnd();
    if (!h || !::IsWindowVisible(h) || ::IsIconic(h) || !::IsWindowEnabled(h)) return false;
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return !::GetGUIThreadInfo(::GetCurrentThreadId(), &info) ||
           (info.flags & (GUI_INMENUMODE | GUI_POPUPMENUMODE | GUI_SYSTEMMENUMODE)) == 0;
}

void TLiveUpdates::Start() {
    ListingOptions options;
    bool allowed = FormCanShow();
    if (allowed) OnStart(this, options, allowed);
    if (!allowed) {
        Arm(kRetryMs);
        return;
    }
    if (!worker_) worker_ = std::make_unique<ListingWorker>(sink_->Hwnd(), kListedMessage);
    startTick_ = ::GetTickCount();
    dropping_ = false;
    worker_->Request(options);
}

void TLiveUpdates::Listed() {
    if (!Busy()) return;
    ListingCapture capture = worker_->Take();
    const bool drop = std::exchange(dropping_, false) || capture.run.cancelled || halted_;
    // Whatever the handler does, the next update is an interval after this one's end.
    struct NextUpdate {
        TLiveUpdates& self;
        bool ended;
        ~NextUpdate() {
            if (ended) self.lastEnd_ = ::GetTickCount();
            if (self.seconds_ == 0) self.worker_.reset();
            self.Schedule();
        }
    } next{*this, !drop};
    if (!drop) OnListed(this, capture, startTick_);
}

KeptPlace::KeptPlace(fw::TListView& view, bool pids) : view_(view), pids_(pids) {
    const std::vector<ConnectionKey> keys = KeysOf(view, pids);
    // Copied: the texts the keys point into go with the old rows.
    selected_ = Keep(keys, view.Selected());
    top_ = Keep(keys, view.TopItem());
    view.BeginReplace();
}

KeptPlace::~KeptPlace() {
    if (!finished_) view_.EndReplace(-1, -1);
}

KeptPlace::Row KeptPlace::Keep(std::span<const ConnectionKey> keys, int item) {
    Row row;
    if (item < 0) return row;
    const ConnectionKey& key = keys[static_cast<std::size_t>(item)];
    int i = 0;
    for (std::string_view field : {key.protocol, key.localPort, key.remoteAddress, key.remotePort, key.pid}) {
        row.text += field;
        row.sizes[i++] = field.size();
    }
    row.rank = KeyRank(keys, static_cast<std::size_t>(item));
    row.kept = true;
    return row;
}

int KeptPlace::Find(std::span<const ConnectionKey> keys, const Row& row) {
    if (!row.kept) return -1;
    std::string_view fields[5];
    std::string_view rest = row.text;
    for (int i = 0; i < 5; ++i) {
        fields[i] = rest.substr(0, row.sizes[i]);
        rest.remove_prefix(row.sizes[i]);
    }
    return FindKeyRank(keys, {fields[0], fields[1], fields[2], fields[3], fields[4]}, row.rank);
}

void KeptPlace::Finish(int connections) {
    const std::vector<ConnectionKey> keys = KeysOf(view_, pids_);
    finished_ = true;
    const int top = Find(keys, top_);
    view_.EndReplace(Find(keys, selected_), top < connections ? top : -1);
}

}  // namespace sockmere
