#pragma once
// When the table's two actions on a row may run, what they say, and how a row of the table is
// found again among the system's TCP connections.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace sockmere {

// The selected row as the table shows it.
struct ActionRow {
    std::string_view proto, localPort, remoteAddr, remotePort, status, pid, name;
    bool closed = false;  // kept only to show that it closed
};

// A current row whose owner is a known process other than the idle one (0), the system (4) and
// this program itself.
bool CanEndProcess(const ActionRow& row, std::uint32_t ownPid) noexcept;
// A current IPv4 TCP row that is connected or on its way: the system closes only those.
bool CanCloseConnection(const ActionRow& row) noexcept;

// "\"python.exe\" (PID 4242)", or "the program with PID 4242" without a name.
std::string ProgramLabel(std::string_view name, std::string_view pid);
// The two lines that ask before a program is ended.
std::string EndProcessQuestion(std::string_view name, std::string_view pid);

// A connection of the system's TCP table; ports and addresses in host order.
struct TcpEntry {
    std::uint32_t state = 0;
    std::uint32_t localAddr = 0;
    std::uint16_t localPort = 0;
    std::uint32_t remoteAddr = 0;
    std::uint16_t remotePort = 0;
};

// The system's number for a state as the listing names it; 0 for an unknown name.
std::uint32_t TcpStateNumber(std::string_view status) noexcept;

// The entries that may be the row: same state and, where the row shows them as numbers, the same
// ports and remote address (a name matches any). Returns how many there are; `first` is the
// first one's index.
std::size_t MatchTcpEntries(const ActionRow& row, std::span<const TcpEntry> entries, std::size_t& first) noexcept;

}  // namespace sockmere
