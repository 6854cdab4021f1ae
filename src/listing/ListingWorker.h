#pragma once
// Runs the listing command on a thread of its own, one run at a time, and tells a window by a
// posted message when a run has ended, so that the window's thread never waits for it.
#include <windows.h>

#include <string>

#include "framework/Sync.h"
#include "framework/Thread.h"
#include "listing/ListingCommand.h"
#include "listing/ListingRun.h"
#include "listing/ProcessNames.h"

namespace sockmere {

// What one run left.
struct ListingCapture {
    ListingRun run{};
    std::string text;
    // The rows end with their owners' IDs, which names gives the programs of.
    bool owners = false;
    ProcessNames names;
};

class ListingWorker final : private fw::TThread {
public:
    // Starts the thread, which waits for requests; message goes to notify at the end of each run.
    ListingWorker(HWND notify, UINT message);
    // Ends a running command at once and waits for the thread to end.
    ~ListingWorker() override;

    // Runs the command for options. One run at a time: the last one must have been taken.
    void Request(ListingOptions options);
    // Ends the running command at once; the run still ends and posts, as cancelled.
    void Cancel() noexcept { cancel_.Set(); }
    // Requested and not yet taken.
    bool Busy() const noexcept { return busy_; }
    // What the run requested last left; waits for its end, which the message has told of.
    ListingCapture Take();

private:
    void Execute() override;

    HWND notify_;
    UINT message_;
    fw::SyncEvent request_{false, false};
    fw::SyncEvent done_{false, false};
    fw::SyncEvent cancel_{true, false};
    bool busy_ = false;        // only the requesting thread looks
    ListingOptions options_;   // the thread's own from a request until done_ is set
    ListingCapture capture_;
};

}  // namespace sockmere
