#pragma once
// Builds the command line that lists the connections.
#include <string>
#include <string_view>

namespace sockmere {

struct ListingOptions {
    bool numeric = false;  // "Numeric format": addresses and ports as numbers
    bool all = false;      // "All connections": listening ports too
};

// The listing program in the Windows directory when it is there, else in the system directory,
// quoted when its path has a blank, then " -n" and " -a" as the options ask, in that order.
std::string ComposeListingCommand(std::string_view windowsDir, std::string_view systemDir,
                                  bool presentInWindowsDir, ListingOptions options);

}  // namespace sockmere
