#include "listing/ListingRun.h"

#include <atomic>
#include <string>
#include <utility>

#include "listing/SystemListingCommand.h"

namespace sockmere {

namespace {

std::atomic<DWORD> g_silenceLimitMs{kDefaultSilenceLimitMs};

}  // namespace

DWORD SetListingSilenceLimit(DWORD milliseconds) noexcept {
    return g_silenceLimitMs.exchange(milliseconds ? milliseconds : kDefaultSilenceLimitMs);
}

ListingRun RunListing(ListingOptions options, TextTarget& target, HANDLE cancel, DWORD silenceLimitMs,
                      RunWait* wait) {
    if (silenceLimitMs == 0) silenceLimitMs = g_silenceLimitMs.load();
    ListingRun run;
    for (;;) {
        std::string text;
        const CommandOutcome outcome = RunHidden(ComposeListingCommand(options), text, silenceLimitMs, cancel, wait);
        run.started = outcome.started;
        run.exitCode = outcome.exitCode;
        run.silenced = outcome.silenced;
        run.cancelled = outcome.cancelled;
        run.printedNothing = ShowsNoConnection(text);
        if (run.cancelled) return run;
        // Windows 7 and later know -o; Wine's netstat does not.
        if (options.processes && RerunWithoutOwners(run)) {
            options.processes = false;
            run.withoutProcesses = true;
            continue;
        }
        if (!run.started) return run;
        if (run.exitCode != 0 && run.printedNothing) text.clear();
        target.Started(outcome.startedAt);
        target.SetText(std::move(text));
        return run;
    }
}

}  // namespace sockmere
