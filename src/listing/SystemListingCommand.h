#pragma once
// The listing command line for this machine's directories.
#include <string>

#include "listing/ListingCommand.h"

namespace sockmere {

// The Windows directory without a trailing backslash; empty when it cannot be read.
std::string WindowsDirectory();
// The system directory without a trailing backslash; empty when it cannot be read.
std::string SystemDirectory();

// Reads both directories afresh and looks for netstat.exe in the Windows directory.
std::string ComposeListingCommand(ListingOptions options);

}  // namespace sockmere
