#include "ui/WatchRules.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <utility>

#include "ui/TableText.h"

namespace sockmere {

namespace {

bool Listening(const WatchRow& row) {
    return (row.protocol.starts_with("TCP") && row.status == "LISTENING") || row.protocol.starts_with("UDP");
}

bool Connecting(const WatchRow& row) {
    return row.protocol.starts_with("TCP") && (row.status == "ESTABLISHED" || row.status == "SYN_SENT") &&
           !row.program.empty();
}

// FNV-1a over protocol and local port.
std::uint32_t PortHash(const WatchRow& row) {
    std::uint32_t h = 2166136261u;
    for (std::string_view field : {row.protocol, row.localPort}) {
        for (unsigned char c : field) h = (h ^ c) * 16777619u;
        h = (h ^ 0xFFu) * 16777619u;
    }
    return h;
}

// At least width digits, with leading zeros.
void AppendNumber(std::string& out, unsigned value, int width) {
    char digits[12];
    int n = 0;
    for (; n < width || value; value /= 10) digits[n++] = static_cast<char>('0' + value % 10);
    while (n) out += digits[--n];
}

// Adds a program to seen; true when it was not there. Looked up first: most rows are of programs
// seen already, and a new entry costs a copy.
bool Note(ProgramsSeen& seen, std::string_view program) {
    if (seen.find(program) != seen.end()) return false;
    seen.emplace(program);
    return true;
}

std::string Number(int value) {
    std::string text;
    AppendNumber(text, static_cast<unsigned>(value), 1);
    return text;
}

}  // namespace

std::vector<WatchFinding> FindWatchEvents(std::span<const WatchRow> before, std::span<const WatchRow> after,
                                          const RowChanges& changes, ProgramsSeen& seen) {
    std::vector<WatchFinding> found;
    // A row the pairing kept as it was cannot have opened a port or a first connection.
    auto moved = [&](std::size_t i) { return i < changes.marks.size() && changes.marks[i] != kRowSame; };
    // The rows before in an open-addressing table by protocol and local port, made at the first
    // row that may open a port, which is then looked for among the few of its hash.
    std::vector<int> slots;
    auto listed = [&](const WatchRow& row) {
        if (slots.empty()) {
            std::size_t capacity = 16;
            while (capacity < before.size() * 2) capacity *= 2;
            slots = std::vector<int>(capacity, -1);
            for (std::size_t r = 0; r < before.size(); ++r) {
                std::size_t slot = PortHash(before[r]) & (capacity - 1);
                while (slots[slot] >= 0) slot = (slot + 1) & (capacity - 1);
                slots[slot] = static_cast<int>(r);
            }
        }
        for (std::size_t slot = PortHash(row) & (slots.size() - 1); slots[slot] >= 0; slot = (slot + 1) & (slots.size() - 1)) {
            const WatchRow& other = before[static_cast<std::size_t>(slots[slot])];
            if (other.protocol == row.protocol && other.localPort == row.localPort) return true;
        }
        return false;
    };
    for (std::size_t i = 0; i < after.size(); ++i) {
        if (!moved(i) || !Listening(after[i])) continue;
        const auto samePort = [&](WatchFinding f) {
            const WatchRow& other = after[static_cast<std::size_t>(f.row)];
            return other.protocol == after[i].protocol && other.localPort == after[i].localPort;
        };
        // Known from before, or found already on another address.
        if (!listed(after[i]) && std::none_of(found.begin(), found.end(), samePort))
            found.push_back({WatchKind::Listening, static_cast<int>(i)});
    }
    for (std::size_t i = 0; i < after.size(); ++i) {
        if (!Connecting(after[i])) continue;
        const bool first = Note(seen, after[i].program);
        if (first && moved(i)) found.push_back({WatchKind::FirstConnect, static_cast<int>(i)});
    }
    return found;
}

void NotePrograms(std::span<const WatchRow> rows, ProgramsSeen& seen) {
    for (const WatchRow& r : rows)
        if (Connecting(r)) Note(seen, r.program);
}

std::string NoticeLine(WatchKind kind, const WatchRow& row) {
    std::string line(row.protocol);
    line += ' ';
    line += row.localPort;
    if (kind == WatchKind::FirstConnect) {
        line += " to ";
        line += row.remoteAddress;
        line += ':';
        line += row.remotePort;
    }
    if (!row.process.empty()) {
        line += ' ';
        line += row.process;
    }
    return line;
}

void AddNoticeLine(std::string& text, int events, std::string_view line) {
    if (events >= 3) return;
    if (events) text += '\n';
    text += line;
}

NoticeText MakeNotice(int listening, int connecting, std::string lines) {
    NoticeText notice;
    if (listening > 0)
        notice.title = listening == 1 ? "New listening port" : Number(listening) + " new listening ports";
    if (connecting > 0) {
        if (!notice.title.empty()) notice.title += ", ";
        notice.title += connecting == 1
                            ? (listening > 0 ? "a program connected for the first time"
                                             : "A program connected for the first time")
                            : Number(connecting) + " programs connected for the first time";
    }
    notice.text = std::move(lines);
    if (listening + connecting > 3) notice.text += "\nand " + Number(listening + connecting - 3) + " more";
    return notice;
}

std::string LogTime(int year, int month, int day, int hour, int minute, int second, int offsetMinutes) {
    std::string t;
    AppendNumber(t, static_cast<unsigned>(year), 4);
    const int parts[] = {month, day, hour, minute, second};
    for (int i = 0; i < 5; ++i) {
        t += "--T::"[i];
        AppendNumber(t, static_cast<unsigned>(parts[i]), 2);
    }
    t += offsetMinutes < 0 ? '-' : '+';
    const unsigned offset = static_cast<unsigned>(offsetMinutes < 0 ? -offsetMinutes : offsetMinutes);
    AppendNumber(t, offset / 60, 2);
    t += ':';
    AppendNumber(t, offset % 60, 2);
    return t;
}

std::string ChangeLogHeader() {
    return "\xEF\xBB\xBFTime,Event,Proto,Local Port,Remote Addr,Remote Port,Status,PID,Process\r\n";
}

std::string ChangeLogLine(std::string_view time, std::string_view event, const WatchRow& row) {
    std::string line;
    const std::string_view fields[] = {time,           event,      row.protocol, row.localPort, row.remoteAddress,
                                       row.remotePort, row.status, row.pid,      row.process};
    for (std::size_t i = 0; i < std::size(fields); ++i) {
        if (i) line += ',';
        AppendCsvField(line, fields[i]);
    }
    line += "\r\n";
    return line;
}

void ChangeLogQueue::Add(std::string_view line) {
    if (lines_ >= kMaxLines) {
        ++dropped_;
        return;
    }
    text_ += line;
    ++lines_;
}

std::string ChangeLogQueue::Text(std::string_view time) const {
    if (dropped_ == 0) return text_;
    const std::string count = Number(static_cast<int>(dropped_));
    WatchRow row{};
    row.status = count;
    return text_ + ChangeLogLine(time, "dropped", row);
}

void ChangeLogQueue::Clear() noexcept {
    text_.clear();
    lines_ = 0;
    dropped_ = 0;
}

}  // namespace sockmere
