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
// to target, no rerun follows, and the result says cancelled. Safe on any thread.
ListingRun RunListing(ListingOptions options, TextTarget& target, HANDLE cancel = nullptr,
                      DWORD silenceLimitMs = kDefaultSilenceLimitMs);

}  // namespace sockmere
