#pragma once
// Runs the listing command on a thread of its own, one run at a time, and tells a window by a
// posted message when a run has ended, so that the window's thread never waits for it.
#include <windows.h>

#include <string>

#include "framework/RequestThread.h"
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

class ListingWorker {
public:
    // Starts the thread, which waits for requests; message goes to notify at the end of each run.
    ListingWorker(HWND notify, UINT message) : thread_(notify, message) {}

    // Runs the command for options. One run at a time: the last one must have been taken.
    void Request(ListingOptions options);
    // Ends the running command at once; the run still ends and posts, as cancelled.
    void Cancel() noexcept { thread_.Cancel(); }
    // Requested and not yet taken.
    bool Busy() const noexcept { return thread_.Busy(); }
    // What the run requested last left; waits for its end, which the message has told of.
    ListingCapture Take();

private:
    static void Run(void* self, HANDLE cancel);

    ListingOptions options_;  // with capture_, the thread's own from a request until it is taken
    ListingCapture capture_;
    // Last, so that it ends before what its jobs write to goes.
    fw::TRequestThread thread_;
};

}  // namespace sockmere
