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
// How often an update that could not start looks again.
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
    WriteOptionText(IniSection, kStoredName, std::to_string(seconds));
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

}  // namespace sockmere
