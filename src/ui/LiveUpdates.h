#pragma once
// Live updates of the main window's table: the "Refresh Every" choice and its stored value, the
// timer that starts an update once the interval has passed and the window can show it, the
// thread that runs the update's listing command, and the one-step replacement of the rows.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "framework/ComCtrls.h"
#include "framework/Component.h"
#include "framework/Event.h"
#include "framework/Forms.h"
#include "framework/Menus.h"
#include "framework/ProcEntry.h"
#include "listing/ListingWorker.h"
#include "ui/LiveUpdateRules.h"

namespace sockmere {

// Sender, the options of the update's command to fill in, and whether it may start now.
using TUpdateStartEvent = fw::Event<fw::TObject*, ListingOptions&, bool&>;
// Sender, what the update's command left, and the tick count at the update's start.
using TUpdateListedEvent = fw::Event<fw::TObject*, ListingCapture&, std::uint32_t>;

class TLiveUpdates : public fw::TComponent {
public:
    // Updates wait while form is hidden or minimized, while a modal window disables it, and
    // while a menu is open; a result that comes meanwhile is held until the dialog or menu ends.
    explicit TLiveUpdates(fw::TForm* form);
    // Ends a running command at once and waits for its thread.
    ~TLiveUpdates() override;
    const char* ClassName() const override { return "TLiveUpdates"; }

    // The settings section that keeps the interval, under this name.
    std::string IniSection;
    static constexpr const char* kStoredName = "RefreshEvery";
    // Takes the stored interval's text: once, at start.
    void SetStored(std::string_view text);

    // Seconds from the end of a refresh or update to the next update; 0 is off, with no timer
    // and no thread.
    int Seconds() const noexcept { return seconds_; }
    void SetSeconds(int seconds);
    // As the user's choice: sets and stores it.
    void Choose(int seconds);

    // Puts the "Refresh Every" submenu into menu at index; a choice sets and stores the interval.
    void InsertMenu(fw::TMenuItem& menu, int index);
    fw::TMenuItem* Menu() const noexcept { return menu_; }

    // A refresh starts: a running update's command is ended and its result dropped.
    void RefreshStarting();
    // A refresh ended: the next update is due an interval from now.
    void RefreshEnded();
    // The connections changed by the program's own doing: the next update is due at once.
    void UpdateNow();
    // The program is closing: a running command is ended and its thread waited for, and no update
    // starts until Resume.
    void Halt();
    void Resume();
    // Updates go on while the form is hidden (minimized, they still wait).
    void SetRunHidden(bool on);

    TUpdateStartEvent OnStart;
    TUpdateListedEvent OnListed;

private:
    class Sink;

    void ChoiceClick(fw::TObject* sender);
    void Schedule();
    void Arm(std::uint32_t ms);
    void Tick();
    // Why nothing may reach the table now: a menu (which ends unseen, so it is looked at again
    // shortly) or a state whose end the form's window reports.
    enum class Wait { None, Menu, FormState };
    Wait WaitFor(bool starting) const;
    bool Waiting(Wait wait);
    void WatchForm();
    static void FormMessage(void* self, fw::TMessage& message);
    void Wake();
    void Start();
    void Listed();
    void PutIn(ListingCapture& capture, std::uint32_t startTick);
    bool Busy() const noexcept { return worker_ && worker_->Busy(); }

    fw::TForm* form_;
    int seconds_ = 0;
    bool halted_ = false;
    bool dropping_ = false;  // the running update's result is not wanted
    bool runHidden_ = false;
    std::uint32_t lastEnd_;  // tick count at the end of the last refresh or update
    std::uint32_t startTick_ = 0;
    fw::TMenuItem* menu_ = nullptr;
    std::unique_ptr<Sink> sink_;
    std::unique_ptr<ListingWorker> worker_;
    // A result that came while a dialog or menu was open, and its update's start.
    std::optional<ListingCapture> held_;
    std::uint32_t heldStart_ = 0;
    fw::WindowSubclass::Ptr formHook_;
};

}  // namespace sockmere
