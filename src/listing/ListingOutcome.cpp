#include "listing/ListingOutcome.h"

#include "listing/ListingParser.h"
#include "listing/TextOps.h"

namespace sockmere {
namespace {

std::string_view FirstWord(std::string_view text) noexcept {
    std::size_t end = 0;
    while (end < text.size() && !text::IsBlank(text[end])) ++end;
    return text.substr(0, end);
}

// A protocol that netstat names, TCP or UDP (the one part of a row no translation changes),
// then an address with its port after a colon.
bool IsConnectionRow(std::string_view line) noexcept {
    const std::string_view protocol = FirstWord(line);
    if (protocol.size() < 3) return false;
    const char name[] = {static_cast<char>(protocol[0] | 0x20), static_cast<char>(protocol[1] | 0x20),
                         static_cast<char>(protocol[2] | 0x20)};
    const std::string_view start(name, 3);
    if (start != "tcp" && start != "udp") return false;
    return FirstWord(text::TrimLeft(line.substr(protocol.size()))).find(':') != std::string_view::npos;
}

// A syntax line lists the switches in brackets, "[-a]"; no address starts with "[-".
bool IsUsageLine(std::string_view line) noexcept {
    for (std::size_t at = line.find("[-"); at != std::string_view::npos; at = line.find("[-", at + 1)) {
        const char next = at + 2 < line.size() ? static_cast<char>(line[at + 2] | 0x20) : '\0';
        if (next >= 'a' && next <= 'z') return true;
    }
    return false;
}

}  // namespace

bool ShowsNoConnection(std::string_view text) noexcept {
    if (text.empty()) return true;
    bool usage = false;
    LineReader lines(text);
    for (std::string_view line; lines.Next(line);) {
        line = text::TrimLeft(line);
        if (IsConnectionRow(line)) return false;
        usage = usage || IsUsageLine(line);
    }
    return usage;
}

bool RerunWithoutOwners(const ListingRun& run) noexcept {
    return run.started && !run.cancelled && !run.silenced && run.exitCode != 0 && run.printedNothing;
}

}  // namespace sockmere
