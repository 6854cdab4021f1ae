#pragma once
// Keeping watch over the connections: the "Notify" and "Log Changes..." options, a balloon from
// the tray icon for new listening ports and programs connecting for the first time while the
// window is in the tray, and the change log.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/ComCtrls.h"
#include "framework/Component.h"
#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/Menus.h"
#include "tray/TrayIcon.h"
#include "ui/ChangeLogFile.h"
#include "ui/ChangeMarks.h"
#include "ui/LiveUpdates.h"
#include "ui/WatchRules.h"

namespace sockmere {

class TConnectionWatch : public fw::TComponent {
public:
    struct Parts {
        fw::TForm* form;
        fw::TListView* table;
        fw::TStatusBar* status;
        TTrayIcon* tray;
        TLiveUpdates* updates;
        // Compares each listing with the one before for the watch too.
        ChangeMarks* marks;
    };
    explicit TConnectionWatch(const Parts& parts);
    ~TConnectionWatch() override;
    const char* ClassName() const override { return "TConnectionWatch"; }

    // The settings section that keeps the options.
    std::string IniSection;
    // The names the options are stored under.
    static constexpr const char* kListeningName = "NotifyListening";
    static constexpr const char* kFirstConnectName = "NotifyFirstConnect";
    static constexpr const char* kChangeLogName = "ChangeLog";
    // The stored options' texts, read once at start.
    void ApplyStored(std::string_view listening, std::string_view firstConnect, std::string_view logPath);

    // Puts "Notify" and "Log Changes..." into menu at index.
    void InsertMenu(fw::TMenuItem& menu, int index);
    fw::TMenuItem* NotifyMenu() const noexcept { return notifyMenu_; }
    fw::TMenuItem* LogItem() const noexcept { return logItem_; }

    // Some option is on: updates go on in the tray.
    bool Active() const noexcept { return listening_ || firstConnect_ || log_; }
    // The rows of a refresh or an update are in the table and compared, their owners' IDs
    // listed at listedAt. A failed listing is compared with nothing.
    void Listed(bool failed, const FILETIME& listedAt);

    // Brings the window back from the tray.
    fw::TNotifyEvent OnRestore;

private:
    // What the next balloon tells.
    struct Pending {
        int listening = 0, connecting = 0;
        std::string lines;   // the first three
        std::string key[4];  // the first event's row
    };

    // The table's connections; owners gets each connecting process's ID and program in turn.
    std::vector<WatchRow> After(const FILETIME& listedAt, std::vector<std::string>& owners) const;
    std::vector<WatchRow> Before() const;
    void Log(std::span<const WatchRow> before, std::span<const WatchRow> after, const RowChanges& changes);
    void Note(std::span<const WatchRow> after, const std::vector<WatchFinding>& found);
    bool InTray() const;
    void ShowPending();
    void PendingTimer(fw::TObject*);
    void BalloonClick(fw::TObject*);
    void ListeningClick(fw::TObject*);
    void FirstConnectClick(fw::TObject*);
    void LogClick(fw::TObject*);
    void StartLog(const std::wstring& path);
    // After a change of option: checks, stores, and what an option needs.
    void Changed(bool turnedOn);

    Parts parts_;
    bool listening_ = false, firstConnect_ = false;
    std::unique_ptr<ChangeLogFile> log_;
    ProgramsSeen seen_;
    Pending pending_;
    Pending shown_;
    bool balloonShown_ = false;
    std::uint32_t lastBalloon_ = 0;
    fw::TTimer* timer_ = nullptr;
    fw::TMenuItem* notifyMenu_ = nullptr;
    fw::TMenuItem* listeningItem_ = nullptr;
    fw::TMenuItem* firstConnectItem_ = nullptr;
    fw::TMenuItem* logItem_ = nullptr;
};

}  // namespace sockmere
