#include "ui/WatchRules.h"

#include <algorithm>
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

void AppendNumber(std::string& out, long long value, int width) {
    std::string digits = std::to_string(value < 0 ? -value : value);
    if (digits.size() < static_cast<std::size_t>(width)) out.append(static_cast<std::size_t>(width) - digits.size(), '0');
    out += digits;
}

}  // namespace

ListingKeys WatchKeys(std::span<const WatchRow> rows, bool withPid) {
    ListingKeys listing;
    listing.keys.reserve(rows.size());
    listing.status.reserve(rows.size());
    for (const WatchRow& r : rows) {
        const std::string_view cells[] = {{}, r.protocol, r.localPort, r.remoteAddress, r.remotePort, r.status, r.pid};
        listing.keys.push_back(TableRowKey(cells, withPid));
        listing.status.push_back(r.status);
    }
    return listing;
}

std::vector<WatchFinding> FindWatchEvents(std::span<const WatchRow> before, std::span<const WatchRow> after,
                                          const RowChanges& changes, ProgramsSeen& seen) {
    std::vector<WatchFinding> found;
    // A row the pairing kept as it was cannot have opened a port or a first connection.
    auto moved = [&](std::size_t i) { return i < changes.marks.size() && changes.marks[i] != kRowSame; };
    std::set<std::pair<std::string_view, std::string_view>> ports;
    bool portsMade = false;
    for (std::size_t i = 0; i < after.size(); ++i) {
        if (!moved(i) || !Listening(after[i])) continue;
        if (!std::exchange(portsMade, true))
            for (const WatchRow& r : before) ports.emplace(r.protocol, r.localPort);
        // Known from before, or found already on another address.
        if (ports.emplace(after[i].protocol, after[i].localPort).second)
            found.push_back({WatchKind::Listening, static_cast<int>(i)});
    }
    for (std::size_t i = 0; i < after.size(); ++i) {
        if (!Connecting(after[i])) continue;
        const bool first = seen.emplace(after[i].program).second;
        if (first && moved(i)) found.push_back({WatchKind::FirstConnect, static_cast<int>(i)});
    }
    return found;
}

void NotePrograms(std::span<const WatchRow> rows, ProgramsSeen& seen) {
    for (const WatchRow& r : rows)
        if (Connecting(r)) seen.emplace(r.program);
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

NoticeText MakeNotice(int listening, int connecting, std::span<const std::string> lines) {
    NoticeText notice;
    if (listening > 0)
        notice.title = listening == 1 ? "New listening port" : std::to_string(listening) + " new listening ports";
    if (connecting > 0) {
        if (!notice.title.empty()) notice.title += ", ";
        notice.title += connecting == 1
                            ? (listening > 0 ? "a program connected for the first time"
                                             : "A program connected for the first time")
                            : std::to_string(connecting) + " programs connected for the first time";
    }
    const std::size_t shown = std::min<std::size_t>(lines.size(), 3);
    for (std::size_t i = 0; i < shown; ++i) {
        if (i) notice.text += '\n';
        notice.text += lines[i];
    }
    const std::size_t events = static_cast<std::size_t>(listening + connecting);
    if (events > shown) notice.text += "\nand " + std::to_string(events - shown) + " more";
    return notice;
}

std::string LogTime(int year, int month, int day, int hour, int minute, int second, int offsetMinutes) {
    std::string t;
    AppendNumber(t, year, 4);
    for (auto [separator, value] : {std::pair{'-', month}, {'-', day}, {'T', hour}, {':', minute}, {':', second}}) {
        t += separator;
        AppendNumber(t, value, 2);
    }
    t += offsetMinutes < 0 ? '-' : '+';
    AppendNumber(t, (offsetMinutes < 0 ? -offsetMinutes : offsetMinutes) / 60, 2);
    t += ':';
    AppendNumber(t, (offsetMinutes < 0 ? -offsetMinutes : offsetMinutes) % 60, 2);
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
    const std::string count = std::to_string(dropped_);
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
