#include "ui/ConsoleExport.h"

#include <windows.h>

#include <charconv>
#include <exception>
#include <iterator>
#include <utility>
#include <vector>

#include "framework/Errors.h"
#include "framework/Handles.h"
#include "framework/WideText.h"
#include "listing/ListingParser.h"
#include "listing/ListingRun.h"
#include "ui/MainWindowRules.h"
#include "ui/TableExport.h"

namespace sockmere {

namespace {

// The standard handles the program was given; where one is missing, the console of the
// program that started it, attached only once something is to be written.
class StandardStreams {
public:
    HANDLE Output() { return Get(STD_OUTPUT_HANDLE); }
    HANDLE Error() { return Get(STD_ERROR_HANDLE); }

private:
    HANDLE Get(DWORD which) {
        const HANDLE given = ::GetStdHandle(which);
        if (given && given != INVALID_HANDLE_VALUE) return given;
        if (!attached_) {
            attached_ = true;
            // Fails harmlessly where the program has a console already.
            ::AttachConsole(ATTACH_PARENT_PROCESS);
            console_.Reset(::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                         nullptr, OPEN_EXISTING, 0, nullptr));
        }
        return console_.Get();
    }

    bool attached_ = false;
    fw::HandleOwner console_;
};

// A console takes characters, so that a name shows as it is; anything else takes the bytes.
bool Put(HANDLE handle, std::string_view text) {
    DWORD mode = 0, written = 0;
    if (::GetConsoleMode(handle, &mode)) {
        const std::wstring wide = fw::WideFromMessage(text);
        if (::WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr)) return true;
    }
    return WriteAll(handle, text);
}

// Adds a listed row's cells but its number, as the table shows them.
struct RowCells {
    std::vector<std::string_view>& cells;
    std::size_t columns;
    bool owners;
    const ProcessNames& names;

    void operator()(const ConnectionFields& listed) const {
        ConnectionFields f = listed;
        if (owners) SplitOwnerPid(f);
        const std::string_view row[] = {{}, f.Protocol, f.LocalPort, f.RemoteAddress, f.RemotePort, f.Status, f.Pid,
                                        names.Find(f.Pid)};
        for (std::size_t c = 0; c < columns; ++c) cells.push_back(std::string_view{row[c]});
    }
};

}  // namespace

// The C runtime's own split of the command line, the one the window's arguments come from, in
// its wide form. The last argument is the runtime's start-up record, a lone int.
extern "C" __declspec(dllimport) int __cdecl __wgetmainargs(int*, wchar_t***, wchar_t***, int, int*);

ExportRequest ProgramExportRequest() {
    int argc = 0;
    wchar_t** argv = nullptr;
    wchar_t** env = nullptr;
    int newMode = 0;
    std::vector<std::string> args;
    if (__wgetmainargs(&argc, &argv, &env, 0, &newMode) >= 0)
        for (int i = 1; i < argc; ++i) args.push_back(fw::Utf8FromWide(argv[i]));
    return ParseExportArguments(args);
}

std::string ListingTableText(TableFormat format, std::string_view text, bool processColumns, bool owners,
                             const ProcessNames& names) {
    const std::size_t columns = processColumns ? kProcessColumn + 1 : kPidColumn;
    std::vector<std::string_view> cells;
    for (std::size_t c = 0; c < columns; ++c) cells.push_back(std::string_view{kColumnCaptions[c]});
    ParseListingText(text, RowCells{cells, columns, owners, names});
    // The rows are numbered from 1 in the listing's order, each number in ten places of its own.
    const std::size_t rows = cells.size() / columns - 1;
    std::string numbers(rows * 10, '\0');
    for (std::size_t row = 0; row < rows; ++row) {
        char* const at = &numbers[row * 10];
        cells[(row + 1) * columns] = {at, static_cast<std::size_t>(std::to_chars(at, at + 10, row + 1).ptr - at)};
    }
    return CellsText(format, columns, cells, 1u << kProcessColumn, false);
}

namespace {

// The table that request asks for; false with the failure's text in place of it.
bool TakeTable(const ExportRequest& request, std::string& text) {
    StringTarget target(text);
    const ListingRun run = RunListing(request.options, target);
    if (ListingFailed(run)) {
        text = RefreshEndText(run);
        return false;
    }
    // Right after the command, so that the IDs it printed still name the programs they meant.
    const bool owners = request.options.processes && !run.withoutProcesses;
    text = ListingTableText(request.format, text, request.options.processes, owners,
                            owners ? ProcessNames::Snapshot(target.StartedAt()) : ProcessNames());
    return true;
}

}  // namespace

int RunExport(const ExportRequest& request) {
    StandardStreams streams;
    if (request.action == ExportAction::Help) {
        Put(streams.Output(), ExportUsage());
        return kExportWritten;
    }
    // A message that cannot be written leaves the exit code to speak.
    if (request.action != ExportAction::Export) {
        Put(streams.Error(), request.error);
        Put(streams.Error(), ExportUsage());
        return kExportBadCommand;
    }
    int code = kExportListingFailed;
    std::string text;
    try {
        if (TakeTable(request, text)) {
            code = kExportNotWritten;
            if (request.path != kStandardOutput) {
                WriteFileReplacing(fw::WideFromUtf8(request.path), text);
                return kExportWritten;
            }
            if (Put(streams.Output(), text)) return kExportWritten;
            // A write that stops without a reason has failed all the same.
            const DWORD error = ::GetLastError();
            text = "Cannot write to standard output: " + fw::SystemErrorText(error ? error : ERROR_WRITE_FAULT);
        }
    } catch (const std::exception& e) {
        text = e.what();
    }
    Put(streams.Error(), text.append("\r\n"));
    return code;
}

}  // namespace sockmere
