#include "ui/ConnectionActions.h"

#include <in6addr.h>
#include <iphlpapi.h>

#include <cstring>
#include <string>
#include <vector>

#include "framework/Errors.h"
#include "framework/Handles.h"
#include "framework/Library.h"
#include "framework/WideText.h"
#include "listing/ProcessNames.h"

namespace sockmere {

namespace {

OpenProcessProc g_openProcess = &::OpenProcess;

DWORD WINAPI SystemSetTcpEntry(MIB_TCPROW* row) {
    static const auto proc = fw::LibraryProc<SetTcpEntryProc>("iphlpapi.dll", "SetTcpEntry");
    return proc ? proc(row) : ERROR_PROC_NOT_FOUND;
}
SetTcpEntryProc g_setTcpEntry = &SystemSetTcpEntry;

ActionOutcome Failed(DWORD error) {
    return {ActionOutcome::failed, error};
}

// The system's TCP table, grown until it fits; empty with the error when it cannot be read.
std::vector<std::uint8_t> ReadTcpTable(DWORD& error) {
    using GetTableProc = ULONG(WINAPI*)(MIB_TCPTABLE*, ULONG*, BOOL);
    static const auto proc = fw::LibraryProc<GetTableProc>("iphlpapi.dll", "GetTcpTable");
    std::vector<std::uint8_t> bytes(sizeof(MIB_TCPTABLE) + 64 * sizeof(MIB_TCPROW));
    error = proc ? ERROR_INSUFFICIENT_BUFFER : ERROR_PROC_NOT_FOUND;
    // The table may grow between the two calls.
    for (int attempt = 0; attempt < 4 && error == ERROR_INSUFFICIENT_BUFFER; ++attempt) {
        ULONG size = static_cast<ULONG>(bytes.size());
        error = proc(reinterpret_cast<MIB_TCPTABLE*>(bytes.data()), &size, FALSE);
        if (error == ERROR_INSUFFICIENT_BUFFER) bytes.resize(size + 16 * sizeof(MIB_TCPROW));
    }
    if (error != NO_ERROR) bytes.clear();
    return bytes;
}

// Windows gives 317 (no message text) where it means the same as 5.
bool AccessDenied(DWORD error) {
    return error == ERROR_ACCESS_DENIED || error == 317;
}

}  // namespace

OpenProcessProc SetOpenProcessProc(OpenProcessProc proc) noexcept {
    return std::exchange(g_openProcess, proc ? proc : &::OpenProcess);
}

SetTcpEntryProc SetSetTcpEntryProc(SetTcpEntryProc proc) noexcept {
    return std::exchange(g_setTcpEntry, proc ? proc : &SystemSetTcpEntry);
}

ActionOutcome EndListedProcess(DWORD pid, const FILETIME& listedAt) {
    const fw::HandleOwner process(
        g_openProcess(PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, pid));
    if (!process) {
        const DWORD error = ::GetLastError();
        // No process has the ID any more.
        return error == ERROR_INVALID_PARAMETER ? ActionOutcome{ActionOutcome::gone} : Failed(error);
    }
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!::GetProcessTimes(process.Get(), &created, &exited, &kernel, &user)) return Failed(::GetLastError());
    if (::CompareFileTime(&created, &listedAt) > 0) return {ActionOutcome::reused};
    // Ended, though its handles still keep the ID from being reused.
    if (::WaitForSingleObject(process.Get(), 0) == WAIT_OBJECT_0) return {ActionOutcome::gone};
    if (!::TerminateProcess(process.Get(), 1)) return Failed(::GetLastError());
    ::WaitForSingleObject(process.Get(), 2000);
    return {};
}

ActionOutcome CloseListedConnection(const ActionRow& row) {
    DWORD error = 0;
    const std::vector<std::uint8_t> bytes = ReadTcpTable(error);
    if (bytes.empty()) return Failed(error);
    const auto& table = *reinterpret_cast<const MIB_TCPTABLE*>(bytes.data());
    std::vector<TcpEntry> entries;
    entries.reserve(table.dwNumEntries);
    // Ports are the low 16 bits in network order, addresses in network order.
    auto port = [](DWORD value) { return __builtin_bswap16(static_cast<std::uint16_t>(value)); };
    for (DWORD i = 0; i < table.dwNumEntries; ++i) {
        const MIB_TCPROW& r = table.table[i];
        entries.push_back({r.dwState, __builtin_bswap32(r.dwLocalAddr), port(r.dwLocalPort), __builtin_bswap32(r.dwRemoteAddr),
                           port(r.dwRemotePort)});
    }
    std::size_t first = 0;
    const std::size_t count = MatchTcpEntries(row, entries, first);
    if (count == 0) return {ActionOutcome::none};
    if (count > 1) return {ActionOutcome::several};
    MIB_TCPROW target = table.table[first];
    target.dwState = MIB_TCP_STATE_DELETE_TCB;
    error = g_setTcpEntry(&target);
    if (error != NO_ERROR) return Failed(error);
    // Some systems answer success and close nothing: only a table without it tells.
    const std::vector<std::uint8_t> after = ReadTcpTable(error);
    const auto& now = *reinterpret_cast<const MIB_TCPTABLE*>(after.data());
    for (DWORD i = 0; !after.empty() && i < now.dwNumEntries; ++i)
        if (std::memcmp(&now.table[i], &table.table[first], sizeof(MIB_TCPROW)) == 0) return {ActionOutcome::kept};
    return {};
}

TConnectionActions::TConnectionActions(fw::TForm* form) : fw::TComponent(form), form_(form) {}

ActionTarget TConnectionActions::Target() {
    ActionTarget target;
    OnTarget(this, target);
    return target;
}

void TConnectionActions::UpdateMenu(fw::TMenuItem& close, fw::TMenuItem& end) {
    const ActionTarget target = Target();
    const bool can = target.selected && !target.refreshing;
    close.SetEnabled(can && CanCloseConnection(target.row));
    end.SetEnabled(can && CanEndProcess(target.row, ::GetCurrentProcessId()));
}

int TConnectionActions::Box(const std::string& text, UINT flags) {
    return ::MessageBoxW(form_->Handle(), fw::WideFromUtf8(text).c_str(), fw::WideFromUtf8(form_->Caption()).c_str(),
                         flags);
}

void TConnectionActions::EndProcessClick(fw::TObject*) {
    const ActionTarget target = Target();
    if (!target.selected || target.refreshing || !CanEndProcess(target.row, ::GetCurrentProcessId())) return;
    // Taken before the question, whose pumps may let the table change.
    const std::string pidText(target.row.pid), program = ProgramLabel(target.row.name, pidText);
    const FILETIME listedAt = target.listedAt;
    if (Box(EndProcessQuestion(target.row.name, pidText), MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return;
    DWORD pid = 0;
    ParseProcessId(pidText, pid);
    const ActionOutcome outcome = EndListedProcess(pid, listedAt);
    std::string text;
    if (outcome.kind == ActionOutcome::reused)
        text = fw::Format("The program listed with PID %s has ended; the ID now belongs to another program, which "
                          "was left alone.", pidText);
    else if (outcome.kind == ActionOutcome::gone) {
        text = program;
        // The label starts a sentence here.
        if (text[0] == 't') text[0] = 'T';
        text += " has already ended.";
    }
    else if (outcome.kind == ActionOutcome::failed)
        text = fw::Format("Cannot end %s: %s.%s", program, fw::SystemErrorText(outcome.error),
                          AccessDenied(outcome.error) ? "\nPrograms of other users and of the system can be ended "
                                                        "only when Sockmere runs as administrator." : "");
    Finish(text, outcome.kind == ActionOutcome::failed);
}

void TConnectionActions::CloseConnectionClick(fw::TObject*) {
    const ActionTarget target = Target();
    if (!target.selected || target.refreshing || !CanCloseConnection(target.row)) return;
    const ActionOutcome outcome = CloseListedConnection(target.row);
    const bool denied = AccessDenied(outcome.error);
    std::string text;
    if (outcome.kind == ActionOutcome::none)
        text = "The connection is no longer open.";
    else if (outcome.kind == ActionOutcome::several)
        text = "Several connections match; turn on \"Numeric format\" and try again.";
    else if (outcome.kind == ActionOutcome::failed)
        text = fw::Format("Windows did not close the connection: %s.%s",
                          fw::SystemErrorText(denied ? ERROR_ACCESS_DENIED : outcome.error),
                          denied ? "\nConnections can be closed only when Sockmere runs as administrator." : "");
    else if (outcome.kind == ActionOutcome::kept)
        text = "Windows did not close the connection: it reported success, but the connection is still open.";
    // Nothing changed on a failure or where the user is to choose again.
    Finish(text, outcome.kind == ActionOutcome::failed || outcome.kind == ActionOutcome::several ||
                     outcome.kind == ActionOutcome::kept);
}

void TConnectionActions::Finish(const std::string& text, bool unchanged) {
    if (!text.empty()) Box(text, MB_OK | (unchanged ? MB_ICONERROR : MB_ICONINFORMATION));
    if (!unchanged) OnActed(this);
}

}  // namespace sockmere
