#pragma once
// Keeping watch over the connections: what counts as a new listening port or a program
// connecting for the first time, the balloon that tells of them, and the lines of the change log
// with the queue that keeps them while the file cannot be written.
#include <cstddef>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ui/RowChanges.h"

namespace sockmere {

// A row of the table as the watch reads it. program is its executable's path, or its name where
// there is no path; empty when the owner is not known.
struct WatchRow {
    std::string_view protocol, localPort, remoteAddress, remotePort, status, pid, process, program;
};

enum class WatchKind : char { Listening, FirstConnect };
struct WatchFinding {
    WatchKind kind;
    int row;  // in the listing after
};

// Programs that have had a connecting row in this run, by path or name.
using ProgramsSeen = std::set<std::string, std::less<>>;

// What after brings against before, paired as changes tells (CompareListings): the new
// listening ports (a TCP row in LISTENING or a UDP row whose protocol and local port no row of
// before had; once per protocol and port), then the programs whose first TCP row in ESTABLISHED
// or SYN_SENT this is (once per program). Every program with such a row is added to seen.
std::vector<WatchFinding> FindWatchEvents(std::span<const WatchRow> before, std::span<const WatchRow> after,
                                          const RowChanges& changes, ProgramsSeen& seen);
// Notes the connecting programs of a listing with nothing to compare it with.
void NotePrograms(std::span<const WatchRow> rows, ProgramsSeen& seen);

// "TCP 8080 python.exe" or "TCP 52311 to 140.82.121.4:443 git.exe" (no name when unknown).
std::string NoticeLine(WatchKind kind, const WatchRow& row);

// Adds an event's line to a balloon's text: the first three are shown.
void AddNoticeLine(std::string& text, int events, std::string_view line);

struct NoticeText {
    std::string title, text;
};
// The balloon for the events found since the last one: the titles by count (listening first),
// then the lines added, and "and N more" for the rest.
NoticeText MakeNotice(int listening, int connecting, std::string lines);

// "2026-12-08T07:40:29+02:00": local time and its offset from UTC in minutes.
std::string LogTime(int year, int month, int day, int hour, int minute, int second, int offsetMinutes);

// The byte order mark and header line a new or empty log starts with.
std::string ChangeLogHeader();
// One line of the log, quoted as Save As quotes, ended by CR LF; event is "opened", "changed"
// or "closed".
std::string ChangeLogLine(std::string_view time, std::string_view event, const WatchRow& row);

// The lines waiting for the log file, at most kMaxLines; the newer ones beyond are counted as
// dropped, and the text to write then ends with a line that says how many.
class ChangeLogQueue {
public:
    static constexpr std::size_t kMaxLines = 10000;
    void Add(std::string_view line);
    bool Empty() const noexcept { return lines_ == 0 && dropped_ == 0; }
    std::size_t Lines() const noexcept { return lines_; }
    std::size_t Dropped() const noexcept { return dropped_; }
    // The text to append now; time stamps the line of the dropped count.
    std::string Text(std::string_view time) const;
    // The text was written.
    void Clear() noexcept;

private:
    std::string text_;
    std::size_t lines_ = 0;
    std::size_t dropped_ = 0;
};

}  // namespace sockmere
