#include "ui/LiveUpdates.h"

#include <iterator>
#include <string_view>
#include <vector>

#include "framework/Window.h"
#include "settings/AppUtils.h"
#include "ui/TableText.h"

namespace sockmere {
namespace {

constexpr UINT kListedMessage = WM_APP + 24;
constexpr UINT_PTR kTimerId = 1;
// How often an update waiting for a menu looks again: the end of a menu is not reported.
constexpr std::uint32_t kRetryMs = 250;

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
    formHook_.reset();
    sink_.reset();
}

void TLiveUpdates::SetStored(std::string_view text) {
    SetSeconds(StoredRefreshSeconds(text));
}

void TLiveUpdates::SetSeconds(int seconds) {
    seconds_ = seconds;
    if (menu_)
        for (int i = 0; i < menu_->Count(); ++i) menu_->Items(i)->SetChecked(menu_->Items(i)->Tag() == seconds);
    if (seconds == 0) {
        held_.reset();
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
    Choose(static_cast<fw::TMenuItem*>(sender)->Tag());
}

void TLiveUpdates::Choose(int seconds) {
    if (seconds == seconds_) return;
    SetSeconds(seconds);
    WriteOptionText(IniSection, kStoredName, std::to_string(seconds));
}

void TLiveUpdates::RefreshStarting() {
    // The refresh's rows are newer than a held result.
    held_.reset();
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
    held_.reset();
    if (sink_) ::KillTimer(sink_->Hwnd(), kTimerId);
    // The only wait for the thread: the command is ended first, so it is short.
    if (worker_) worker_->Cancel();
    worker_.reset();
}

void TLiveUpdates::Resume() {
    if (!std::exchange(halted_, false)) return;
    Schedule();
}

void TLiveUpdates::SetRunHidden(bool on) {
    if (std::exchange(runHidden_, on) == on) return;
    Schedule();
}

void TLiveUpdates::Schedule() {
    if (!sink_) return;
    ::KillTimer(sink_->Hwnd(), kTimerId);
    if (seconds_ == 0 || halted_ || Busy() || Waiting(WaitFor(!held_))) return;
    if (held_) {
        Wake();
        return;
    }
    Arm(UpdateWait(::GetTickCount(), lastEnd_, static_cast<std::uint32_t>(seconds_) * 1000));
}

void TLiveUpdates::Arm(std::uint32_t ms) {
    ::SetTimer(sink_->Hwnd(), kTimerId, ms < USER_TIMER_MINIMUM ? USER_TIMER_MINIMUM : ms, nullptr);
}

void TLiveUpdates::Tick() {
    ::KillTimer(sink_->Hwnd(), kTimerId);
    if (held_) {
        Wake();
        return;
    }
    if (seconds_ == 0 || halted_ || Busy()) return;
    if (UpdateWait(::GetTickCount(), lastEnd_, static_cast<std::uint32_t>(seconds_) * 1000) > 0) {
        Schedule();
        return;
    }
    Start();
}

TLiveUpdates::Wait TLiveUpdates::WaitFor(bool starting) const {
    const HWND h = form_->Hwnd();
    if (!h) return Wait::Menu;
    if (!::IsWindowEnabled(h)) return Wait::FormState;
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (::GetGUIThreadInfo(::GetCurrentThreadId(), &info) &&
        (info.flags & (GUI_INMENUMODE | GUI_POPUPMENUMODE | GUI_SYSTEMMENUMODE)) != 0)
        return Wait::Menu;
    // A result may still go into a table that is out of sight.
    if (starting && (::IsIconic(h) || (!::IsWindowVisible(h) && !runHidden_))) return Wait::FormState;
    return Wait::None;
}

bool TLiveUpdates::Waiting(Wait wait) {
    if (wait == Wait::Menu) Arm(kRetryMs);
    if (wait == Wait::FormState) WatchForm();
    return wait != Wait::None;
}

void TLiveUpdates::WatchForm() {
    // Once: the form's window then tells of every show, restore and enable.
    if (!formHook_) formHook_ = fw::WindowSubclass::Install(form_->Hwnd(), this, &TLiveUpdates::FormMessage, this);
}

void TLiveUpdates::FormMessage(void* self, fw::TMessage& m) {
    auto& owner = *static_cast<TLiveUpdates*>(self);
    m.Result = owner.formHook_->CallSaved(m);
    const bool shown = m.Msg == WM_WINDOWPOSCHANGED && (reinterpret_cast<const WINDOWPOS*>(m.LParam)->flags & SWP_SHOWWINDOW);
    const bool restored = m.Msg == WM_SIZE && (m.WParam == SIZE_RESTORED || m.WParam == SIZE_MAXIMIZED);
    // At once, not posted: a dialog's caller that writes the table right after sees its rows.
    if (shown || restored || (m.Msg == WM_ENABLE && m.WParam) || m.Msg == WM_EXITMENULOOP) owner.Wake();
}

void TLiveUpdates::Wake() {
    if (!sink_ || halted_) return;
    if (held_) {
        if (Waiting(WaitFor(false))) return;
        ListingCapture capture = std::move(*held_);
        held_.reset();
        PutIn(capture, heldStart_);
        return;
    }
    Schedule();
}

void TLiveUpdates::Start() {
    ListingOptions options;
    bool allowed = true;
    if (Waiting(WaitFor(true))) return;
    // Refused while a refresh runs, whose end schedules again.
    OnStart(this, options, allowed);
    if (!allowed) return;
    if (!worker_) worker_ = std::make_unique<ListingWorker>(sink_->Hwnd(), kListedMessage);
    startTick_ = ::GetTickCount();
    dropping_ = false;
    worker_->Request(options);
}

void TLiveUpdates::Listed() {
    if (!Busy()) return;
    ListingCapture capture = worker_->Take();
    const bool drop = std::exchange(dropping_, false) || capture.run.cancelled || halted_;
    if (drop) {
        if (seconds_ == 0) worker_.reset();
        Schedule();
        return;
    }
    // The table never changes under a dialog or menu: the newest result waits for its end.
    if (const Wait wait = WaitFor(false); wait != Wait::None) {
        held_ = std::move(capture);
        heldStart_ = startTick_;
        lastEnd_ = ::GetTickCount();
        Waiting(wait);
        return;
    }
    PutIn(capture, startTick_);
}

void TLiveUpdates::PutIn(ListingCapture& capture, std::uint32_t startTick) {
    // Whatever the handler does, the next update is an interval after this one's end.
    struct NextUpdate {
        TLiveUpdates& self;
        ~NextUpdate() {
            self.lastEnd_ = ::GetTickCount();
            if (self.seconds_ == 0) self.worker_.reset();
            self.Schedule();
        }
    } next{*this};
    OnListed(this, capture, startTick);
}

}  // namespace sockmere
