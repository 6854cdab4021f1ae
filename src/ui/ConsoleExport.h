#pragma once
// A script's export, run instead of the window: one listing taken as a refresh takes it and
// written as Save As writes the whole table, to a file or to standard output, with the outcome
// in the exit code and any message on standard error.
#include <string>
#include <string_view>

#include "listing/ProcessNames.h"
#include "ui/ExportSwitches.h"

namespace sockmere {

// The program's own command line, split in UTF-8 so that a FILE may have any characters.
ExportRequest ProgramExportRequest();

// Carries out a request other than None and returns the exit code. Makes no window, tray icon
// or box, and neither reads nor writes the stored settings.
int RunExport(const ExportRequest& request);

// The table's text of a whole captured listing in the ANSI code page: every row in the
// listing's order, with the PID and Process columns when processColumns says so, filled when
// the rows end with their owners' IDs, which names gives the programs of.
std::string ListingTableText(TableFormat format, std::string_view text, bool processColumns, bool owners,
                             const ProcessNames& names);

}  // namespace sockmere
