#pragma once
// Builds the command line that lists the connections.
#include <string>
#include <string_view>

namespace sockmere {

struct ListingOptions {
    bool numeric = false;  // "Numeric format": addresses and ports as numbers
    bool all = false;      // "All connections": listening ports too
    // "Show Processes": each row ends in the ID of the process that owns the connection
    bool processes = false;
};

// The listing program in the Windows directory when it is there, else in the system directory,
// quoted when its path has a blank, then " -n", " -a" and " -o" as the options ask, in that order.
std::string ComposeListingCommand(std::string_view windowsDir, std::string_view systemDir,
                                  bool presentInWindowsDir, ListingOptions options);

}  // namespace sockmere
