// What the watch counts against reference tables, its balloon's texts and the change log's lines.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/WatchRules.h"

using namespace sockmere;

namespace {

// Protocol, local port, remote address, remote port, status, PID, name, program.
WatchRow R(std::string_view proto, std::string_view port, std::string_view status, std::string_view program = {},
           std::string_view remote = "0.0.0.0", std::string_view remotePort = "0") {
    const std::string_view name = program.substr(program.find_last_of('\\') + 1);
    return {proto, port, remote, remotePort, status, program.empty() ? "" : "7", name, program};
}

// The rows' keys and statuses, as the marks take them from the table.
ListingKeys Keys(const std::vector<WatchRow>& rows) {
    ListingKeys listing;
    for (const WatchRow& r : rows) {
        const std::string_view cells[] = {{}, r.protocol, r.localPort, r.remoteAddress, r.remotePort, r.status};
        listing.keys.push_back(TableRowKey(cells));
        listing.status.push_back(r.status);
    }
    return listing;
}

std::vector<std::string> Found(const std::vector<WatchRow>& before, const std::vector<WatchRow>& after,
                               ProgramsSeen& seen) {
    const RowChanges changes = CompareListings(Keys(before), Keys(after));
    std::vector<std::string> lines;
    for (const WatchFinding& f : FindWatchEvents(before, after, changes, seen))
        lines.push_back(NoticeLine(f.kind, after[static_cast<std::size_t>(f.row)]));
    return lines;
}

}  // namespace

TEST(WatchRules, NewListeningPortsByProtocolAndPortWhateverTheAddress) {
    ProgramsSeen seen;
    const std::vector<WatchRow> before = {R("TCP", "80", "LISTENING"), R("UDP", "53", ""),
                                          R("TCP", "5000", "ESTABLISHED", "", "10.0.0.1", "443")};
    const std::vector<WatchRow> after = {
        R("TCP", "80", "LISTENING"), R("UDP", "53", ""),
        R("TCP", "5000", "ESTABLISHED", "", "10.0.0.1", "443"),
        R("TCP", "80", "LISTENING", "", "[::]"),        // the same port on IPv6: known
        R("TCP", "8080", "LISTENING", "C:\\py\\python.exe"),
        R("TCP", "8080", "LISTENING", "C:\\py\\python.exe", "[::]"),  // IPv4 and IPv6: once
        R("UDP", "5353", ""),
        R("UDP", "5000", ""),                         // a UDP port is not a TCP one
        R("TCP", "5000", "LISTENING"),                // listed before, as a connection
        R("TCP", "9000", "TIME_WAIT", "", "10.0.0.2", "80"),
    };
    EXPECT_EQ(Found(before, after, seen),
              (std::vector<std::string>{"TCP 8080 python.exe", "UDP 5353", "UDP 5000"}));
    // A duplicate row that pairs nothing does not open a known port again.
    EXPECT_TRUE(Found(after, std::vector<WatchRow>(after.begin(), after.end()), seen).empty());
}

TEST(WatchRules, AProgramConnectsForTheFirstTimeOncePerRunByPathOrName) {
    ProgramsSeen seen;
    const std::vector<WatchRow> first = {R("TCP", "50000", "ESTABLISHED", "C:\\a\\git.exe", "1.2.3.4", "443")};
    NotePrograms(first, seen);
    std::vector<WatchRow> after = first;
    after.push_back(R("TCP", "50001", "ESTABLISHED", "C:\\a\\git.exe", "1.2.3.4", "443"));     // seen
    after.push_back(R("TCP", "50002", "SYN_SENT", "C:\\b\\git.exe", "140.82.121.4", "443"));  // another path
    after.push_back(R("TCP", "50003", "ESTABLISHED", "C:\\b\\git.exe", "140.82.121.4", "22")); // once
    after.push_back(R("TCP", "50004", "ESTABLISHED", "curl.exe", "5.6.7.8", "80"));            // no path
    after.push_back(R("TCP", "50005", "CLOSE_WAIT", "C:\\c\\x.exe", "5.6.7.8", "80"));
    after.push_back(R("TCP", "50006", "ESTABLISHED", "", "5.6.7.8", "80"));                    // no owner
    EXPECT_EQ(Found(first, after, seen),
              (std::vector<std::string>{"TCP 50002 to 140.82.121.4:443 git.exe", "TCP 50004 to 5.6.7.8:80 curl.exe"}));
    // Closed and back, or turned from CLOSE_WAIT to ESTABLISHED: known or first as ever.
    std::vector<WatchRow> again = {after[0], after[2], after[5]};
    again[2].status = "ESTABLISHED";
    EXPECT_EQ(Found(after, again, seen), (std::vector<std::string>{"TCP 50005 to 5.6.7.8:80 x.exe"}));
}

TEST(WatchRules, TheBalloonsTitleAndLines) {
    std::string lines;
    for (int i = 0; i < 7; ++i) AddNoticeLine(lines, i, std::string(1, static_cast<char>('a' + i)));
    const NoticeText one = MakeNotice(1, 0, "a");
    EXPECT_EQ(one.title, "New listening port");
    EXPECT_EQ(one.text, "a");
    EXPECT_EQ(MakeNotice(0, 1, lines).title, "A program connected for the first time");
    EXPECT_EQ(MakeNotice(0, 3, lines).title, "3 programs connected for the first time");
    const NoticeText both = MakeNotice(2, 5, lines);
    EXPECT_EQ(both.title, "2 new listening ports, 5 programs connected for the first time");
    EXPECT_EQ(both.text, "a\nb\nc\nand 4 more");
}

TEST(WatchRules, LogLinesTimesAndTheQueueThatCountsWhatItDrops) {
    EXPECT_EQ(LogTime(2026, 3, 9, 7, 5, 2, 60), "2026-03-09T07:05:02+01:00");
    EXPECT_EQ(LogTime(2026, 12, 31, 23, 59, 59, -570), "2026-12-31T23:59:59-09:30");
    EXPECT_EQ(ChangeLogHeader().substr(0, 3), "\xEF\xBB\xBF");
    WatchRow row = R("TCP", "80", "ESTABLISHED", "", "1.2.3.4", "443");
    row.process = "a, \"b\".exe";
    EXPECT_EQ(ChangeLogLine("T", "opened", row), "T,opened,TCP,80,1.2.3.4,443,ESTABLISHED,,\"a, \"\"b\"\".exe\"\r\n");

    ChangeLogQueue queue;
    EXPECT_TRUE(queue.Empty());
    for (std::size_t i = 0; i < ChangeLogQueue::kMaxLines + 3; ++i) queue.Add("x\r\n");
    EXPECT_EQ(queue.Lines(), ChangeLogQueue::kMaxLines);
    const std::string text = queue.Text("T");
    EXPECT_EQ(text.size(), ChangeLogQueue::kMaxLines * 3 + std::string("T,dropped,,,,,3,,\r\n").size());
    EXPECT_TRUE(text.ends_with("x\r\nT,dropped,,,,,3,,\r\n"));
    queue.Clear();
    EXPECT_TRUE(queue.Empty());
}
