#pragma once
// What one refresh's listing command did, and the rules that read it: whether its text holds
// any connection at all, and whether the run must be made again without the owners' IDs.
#include <string_view>

namespace sockmere {

struct ListingRun {
    bool started = true;
    int exitCode = 0;
    // The text held no connection row: nothing at all, or the command's usage text.
    bool printedNothing = false;
    // The command was run again without asking for the owning processes, which it did not know.
    bool withoutProcesses = false;
    // The command was ended by the silence limit, not by itself.
    bool silenced = false;
    // The run was called off; nothing was handed on.
    bool cancelled = false;
};

// True for a text that shows no connection: an empty one, or one without a single connection row
// that prints the command's usage (a syntax line such as "NETSTAT [-a] [-n]"), as a netstat does
// that is given a switch it does not know.
bool ShowsNoConnection(std::string_view text);

// For a run that asked for the owners' IDs: the command refused them, ending by itself with a
// non-zero code and showing no connection. A command that hung is not asked again.
bool RerunWithoutOwners(const ListingRun& run);

}  // namespace sockmere
