#include "listing/ListingRun.h"

#include <string>
#include <utility>

#include "listing/SystemListingCommand.h"

namespace sockmere {
namespace {

// Holds a run's text until it is known whether it is the one to hand on.
class HeldText final : public TextTarget {
public:
    void SetText(std::string text) override { text_ = std::move(text); }
    std::string& Text() noexcept { return text_; }

private:
    std::string text_;
};

}  // namespace

ListingRun RunListing(ListingOptions options, TextTarget& target, HANDLE cancel, DWORD silenceLimitMs) {
    ListingRun run;
    for (;;) {
        HeldText held;
        const CommandOutcome outcome = RunHidden(ComposeListingCommand(options), held, silenceLimitMs, cancel);
        run.started = outcome.started;
        run.exitCode = outcome.exitCode;
        run.silenced = outcome.silenced;
        run.cancelled = outcome.cancelled;
        run.printedNothing = ShowsNoConnection(held.Text());
        if (run.cancelled) return run;
        // Windows 7 and later know -o; Wine's netstat does not.
        if (options.processes && RerunWithoutOwners(run)) {
            options.processes = false;
            run.withoutProcesses = true;
            continue;
        }
        if (!run.started) return run;
        if (run.exitCode != 0 && run.printedNothing) held.Text().clear();
        target.SetText(std::move(held.Text()));
        return run;
    }
}

}  // namespace sockmere
