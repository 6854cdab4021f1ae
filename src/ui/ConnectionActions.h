#pragma once
// The table's two actions on the selected row: end the program behind it, after asking, and
// close its TCP connection. Both tell their failures in a box owned by the form, which keeps
// the form disabled meanwhile, and ask for a refresh when the table may have changed.
#include <windows.h>

#include <string>

#include "framework/Component.h"
#include "framework/Event.h"
#include "framework/Forms.h"
#include "framework/Menus.h"
#include "ui/ActionRules.h"

// A row of the system's TCP table, as the system's headers define it.
struct _MIB_TCPROW;

namespace sockmere {

// What became of a request to the system.
struct ActionOutcome {
    // kept: the system answered success, yet the connection is still there.
    enum Kind { done, gone, reused, none, several, failed, kept } kind = done;
    DWORD error = 0;
};

// Ends the process pid when it was already running at listedAt, when the listing that showed it
// began; a process created later holds a reused ID and is left alone. Waits up to 2 s for the end.
ActionOutcome EndListedProcess(DWORD pid, const FILETIME& listedAt);
// Closes the one connection of the system's TCP table that the row stands for.
ActionOutcome CloseListedConnection(const ActionRow& row);

// Seams for tests: how a process is opened to be ended, and how a connection is closed. Null
// restores the system's. Each returns the previous one.
using OpenProcessProc = HANDLE(WINAPI*)(DWORD access, BOOL inherit, DWORD pid);
OpenProcessProc SetOpenProcessProc(OpenProcessProc proc) noexcept;
using SetTcpEntryProc = DWORD(WINAPI*)(_MIB_TCPROW* row);
SetTcpEntryProc SetSetTcpEntryProc(SetTcpEntryProc proc) noexcept;

// The row an action is asked for, valid until the table's next pump; and whether a refresh
// runs, which no action interrupts.
struct ActionTarget {
    bool selected = false;
    ActionRow row{};
    FILETIME listedAt{};
    bool refreshing = false;
};
using TActionTargetEvent = fw::Event<fw::TObject*, ActionTarget&>;

class TConnectionActions : public fw::TComponent {
public:
    explicit TConnectionActions(fw::TForm* form);
    const char* ClassName() const override { return "TConnectionActions"; }

    // Grays the items of the two actions that cannot act on the target now; called as the menu
    // opens.
    void UpdateMenu(fw::TMenuItem& close, fw::TMenuItem& end);

    // The clicks of "End Process..." and "Close Connection".
    void EndProcessClick(fw::TObject* sender);
    void CloseConnectionClick(fw::TObject* sender);

    // Asked for the selected row before each use.
    TActionTargetEvent OnTarget;
    // The table may have changed: a refresh is due.
    fw::TNotifyEvent OnActed;

private:
    ActionTarget Target();
    int Box(const std::string& text, UINT flags);
    // Tells the outcome, when there is something to tell; a refresh follows unless nothing changed.
    void Finish(const std::string& text, bool unchanged);

    fw::TForm* form_;
};

}  // namespace sockmere
