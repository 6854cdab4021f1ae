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

// At least width digits, with leading zeros.
void AppendNumber(std::string& out, unsigned value, int width) {
    char digits[12];
    int n = 0;
    for (; n < width || value; value /= 10) digits[n++] = static_cast<char>('0' + value % 10);
    while (n) out += digits[--n];
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
    auto samePort = [](const WatchRow& a, const WatchRow& b) {
        return a.protocol == b.protocol && a.localPort == b.localPort;
    };
    // Few rows open a port at once: each is looked for among the rows before.
    for (std::size_t i = 0; i < after.size(); ++i) {
        if (!moved(i) || !Listening(after[i])) continue;
        const auto known = [&](const WatchRow& r) { return samePort(r, after[i]); };
        // Known from before, or found already on another address.
        if (std::none_of(before.begin(), before.end(), known) &&
            std::none_of(found.begin(), found.end(), [&](WatchFinding f) { return known(after[static_cast<std::size_t>(f.row)]); }))
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
