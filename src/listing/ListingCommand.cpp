#include "listing/ListingCommand.h"

namespace sockmere {

std::string ComposeListingCommand(std::string_view windowsDir, std::string_view systemDir,
                                  bool presentInWindowsDir, ListingOptions options) {
    std::string program(presentInWindowsDir ? windowsDir : systemDir);
    program += "\\netstat";
    std::string command;
    // Unquoted, "C:\My Windows\netstat" would start C:\My.exe.
    if (program.find_first_of(" \t") != std::string::npos) {
        command.reserve(program.size() + 8);
        command += '"';
        command += program;
        command += '"';
    } else {
        command = std::move(program);
    }
    if (options.numeric) command += " -n";
    if (options.all) command += " -a";
    if (options.processes) command += " -o";
    return command;
}

}  // namespace sockmere
