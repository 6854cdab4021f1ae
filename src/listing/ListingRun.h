#pragma once
// One refresh's run of the listing command, with its second run when the first asked for
// something the command does not know.
#include <windows.h>

#include "listing/ListingCommand.h"
#include "listing/ListingOutcome.h"
#include "listing/Runner.h"
#include "listing/TextTarget.h"

namespace sockmere {

// Runs the listing command for options into target; once more without the owners' IDs when
// the -o run ended by itself, non-zero, with no connection row. A failed run's usage text
// reaches target as an empty text, so that it is never taken for rows. cancel: an optional
// manual-reset event; when it is set, the running child is ended at once, nothing is handed
// to target, no rerun follows, and the result says cancelled. wait, when given, does the
// waiting while the command runs. silenceLimitMs 0 is the limit SetListingSilenceLimit set.
// Safe on any thread.
ListingRun RunListing(ListingOptions options, TextTarget& target, HANDLE cancel = nullptr,
                      DWORD silenceLimitMs = 0, RunWait* wait = nullptr);

// How long a listing command may stay silent before it is ended, for the runs that do not say;
// tests shorten it. 0 restores kDefaultSilenceLimitMs. Returns the previous limit.
DWORD SetListingSilenceLimit(DWORD milliseconds) noexcept;

}  // namespace sockmere
