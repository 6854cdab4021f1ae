#include "ui/ActionRules.h"

#include <array>
#include <utility>

namespace sockmere {
namespace {

bool ParseNumber(std::string_view text, std::uint32_t& value, std::uint32_t max) noexcept {
    if (text.empty() || text.size() > 10) return false;
    std::uint64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + static_cast<unsigned>(c - '0');
    }
    if (v > max) return false;
    value = static_cast<std::uint32_t>(v);
    return true;
}

// A dotted IPv4 address of exactly four decimal parts, in host order.
bool ParseIpv4(std::string_view text, std::uint32_t& address) noexcept {
    std::uint32_t result = 0;
    for (int part = 0; part < 4; ++part) {
        const std::size_t dot = part < 3 ? text.find('.') : text.size();
        std::uint32_t byte = 0;
        if (dot == std::string_view::npos || !ParseNumber(text.substr(0, dot), byte, 255)) return false;
        result = result << 8 | byte;
        text.remove_prefix(part < 3 ? dot + 1 : dot);
    }
    address = result;
    return true;
}

}  // namespace

bool CanEndProcess(const ActionRow& row, std::uint32_t ownPid) noexcept {
    std::uint32_t pid = 0;
    return !row.closed && ParseNumber(row.pid, pid, 0xFFFFFFFFu) && pid != 0 && pid != 4 && pid != ownPid;
}

bool CanCloseConnection(const ActionRow& row) noexcept {
    return !row.closed && row.proto == "TCP" && !row.remoteAddr.empty() && row.remoteAddr.front() != '[' &&
           row.status != "LISTENING" && row.status != "TIME_WAIT" && TcpStateNumber(row.status) != 0;
}

std::string ProgramLabel(std::string_view name, std::string_view pid) {
    // Appended in place: no temporaries.
    std::string label(name.empty() ? "the program with PID " : "\"");
    if (!name.empty()) label.append(name).append("\" (PID ");
    label.append(pid);
    if (!name.empty()) label += ')';
    return label;
}

std::string EndProcessQuestion(std::string_view name, std::string_view pid) {
    std::string question = "End ";
    question.append(ProgramLabel(name, pid)).append("?\nThe program ends at once; what it has not saved is lost.");
    return question;
}

std::uint32_t TcpStateNumber(std::string_view status) noexcept {
    // In the order of the system's numbers, from 1.
    static constexpr std::array<std::string_view, 11> kNames{
        "CLOSED",     "LISTENING",  "SYN_SENT", "SYN_RECEIVED", "ESTABLISHED", "FIN_WAIT_1",
        "FIN_WAIT_2", "CLOSE_WAIT", "CLOSING",  "LAST_ACK",     "TIME_WAIT"};
    for (std::size_t i = 0; i < kNames.size(); ++i)
        if (kNames[i] == status) return static_cast<std::uint32_t>(i + 1);
    return 0;
}

std::size_t MatchTcpEntries(const ActionRow& row, std::span<const TcpEntry> entries, std::size_t& first) noexcept {
    std::uint32_t localPort = 0, remotePort = 0, remoteAddr = 0;
    const bool byLocal = ParseNumber(row.localPort, localPort, 0xFFFF);
    const bool byRemote = ParseNumber(row.remotePort, remotePort, 0xFFFF);
    const bool byAddr = ParseIpv4(row.remoteAddr, remoteAddr);
    const std::uint32_t state = TcpStateNumber(row.status);
    std::size_t count = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const TcpEntry& e = entries[i];
        if (e.state != state || (byLocal && e.localPort != localPort) || (byRemote && e.remotePort != remotePort) ||
            (byAddr && e.remoteAddr != remoteAddr))
            continue;
        if (count++ == 0) first = i;
    }
    return count;
}

}  // namespace sockmere
