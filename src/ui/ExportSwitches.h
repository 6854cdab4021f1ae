#pragma once
// The command line of a script's export: the table written once to a file or to standard
// output, without a window. Its switches, its usage text and its exit codes.
#include <span>
#include <string>
#include <string_view>

#include "listing/ListingCommand.h"
#include "ui/TableText.h"

namespace sockmere {

enum class ExportAction {
    None,    // no export switch: the window starts as usual
    Help,    // print the usage
    Export,  // take the listing and write it
    Bad,     // a command line that cannot be carried out
};

struct ExportRequest {
    ExportAction action = ExportAction::None;
    TableFormat format = TableFormat::Csv;
    std::string path{};  // in UTF-8; kStandardOutput for standard output
    ListingOptions options{};
    std::string error{};  // a Bad command line's message line: what is wrong
};

inline constexpr std::string_view kStandardOutput = "-";

// What a script reads from the exit code.
enum ExportExit : int {
    kExportWritten = 0,
    kExportListingFailed = 1,
    kExportBadCommand = 2,
    kExportNotWritten = 3,
};

// The arguments after the program's own path. The switches --csv, --tsv, --processes,
// --numeric, --all and --help, or /csv, /tsv, /processes, /numeric, /all and /?, match in any
// letter case; with none of them the action is None and the window reads the arguments.
ExportRequest ParseExportArguments(std::span<const std::string> args);

// The usage: the forms of the command, every switch with one line of meaning, the exit codes.
// Lines end with CR LF.
std::string_view ExportUsage() noexcept;

}  // namespace sockmere
