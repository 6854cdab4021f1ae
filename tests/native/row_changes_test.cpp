#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "ui/MainWindowRules.h"
#include "ui/RowChanges.h"

using namespace sockmere;

namespace {

using Cells = std::vector<std::string_view>;

// Compares rows given as table cells: "#", "Proto", "Local Port", "Remote Addr", "Remote Port",
// "Status" and, when given, "PID" and "Process".
RowChanges Compare(const std::vector<Cells>& before, const std::vector<Cells>& after, bool withPid) {
    ListingKeys listings[2];
    for (int side = 0; side < 2; ++side) {
        for (const Cells& cells : side == 0 ? before : after) {
            listings[side].keys.push_back(TableRowKey(cells));
            listings[side].status.push_back(cells[5]);
            if (withPid) listings[side].pid.push_back(cells[6]);
        }
    }
    return CompareListings(listings[0], listings[1]);
}

}  // namespace

TEST(RowChanges, DuplicatesAndReordersMarkOnlyWhatChanged) {
    const std::vector<Cells> before{{"1", "TCP", "80", "10.0.0.1", "445", "ESTABLISHED"},
                                    {"2", "TCP", "80", "10.0.0.1", "445", "ESTABLISHED"},
                                    {"3", "UDP", "137", "*", "*", ""},
                                    {"4", "TCP", "81", "10.0.0.2", "80", "SYN_SENT"},
                                    {"5", "TCP", "82", "10.0.0.3", "80", "LISTENING"}};
    // Moved round and renumbered; of the twins one closed and the other changed; one is new.
    const std::vector<Cells> after{{"1", "TCP", "81", "10.0.0.2", "80", "ESTABLISHED"},
                                   {"2", "UDP", "137", "*", "*", ""},
                                   {"3", "TCP", "80", "10.0.0.1", "445", "TIME_WAIT"},
                                   {"4", "TCP", "83", "10.0.0.3", "80", "LISTENING"}};
    const RowChanges changes = Compare(before, after, false);
    EXPECT_EQ(changes.marks, "C.CN");
    EXPECT_EQ(changes.closed, (std::vector<int>{1, 4}));
    EXPECT_EQ(ChangeCountsText(changes.counts), " 1 new, 2 changed, 2 closed.");

    // The same rows in another order change nothing.
    const std::vector<Cells> shuffled{before[4], before[2], before[0], before[3], before[1]};
    const RowChanges none = Compare(before, shuffled, false);
    EXPECT_EQ(none.marks, ".....");
    EXPECT_TRUE(none.closed.empty());
    EXPECT_EQ(ChangeCountsText(none.counts), "");
}

TEST(RowChanges, AnotherProcessIsAChangeOfTheSameConnectionWhileItsColumnShows) {
    const std::vector<Cells> before{{"1", "TCP", "80", "10.0.0.1", "445", "ESTABLISHED", "100", "a.exe"},
                                    {"2", "TCP", "81", "10.0.0.1", "445", "ESTABLISHED", "", ""}};
    const std::vector<Cells> after{{"1", "TCP", "80", "10.0.0.1", "445", "ESTABLISHED", "200", "b.exe"},
                                   {"2", "TCP", "81", "10.0.0.1", "445", "ESTABLISHED", "", ""}};
    const RowChanges withPid = Compare(before, after, true);
    EXPECT_EQ(withPid.marks, "C.");
    EXPECT_EQ(Compare(before, after, false).marks, "..");
    // A row cut short keys with empty fields.
    EXPECT_TRUE(TableRowKey(Cells{"1", "TCP", "80"}) == (ConnectionKey{"TCP", "80", "", ""}));
}

TEST(RowChanges, AConnectionGoingToTimeWaitWithPidZeroIsOneChange) {
    const Cells established{"1", "TCP", "80", "10.0.0.1", "445", "ESTABLISHED", "1234", "a.exe"};
    const Cells timeWait{"1", "TCP", "80", "10.0.0.1", "445", "TIME_WAIT", "0", ""};
    EXPECT_EQ(ChangeCountsText(Compare({established}, {timeWait}, true).counts), " 1 changed.");
    // Three twins become two, one of them closing: the one still established stays as it was.
    const RowChanges twins = Compare({established, established, established}, {timeWait, established}, true);
    EXPECT_EQ(twins.marks, "C.");
    EXPECT_EQ(twins.closed, std::vector<int>{2});
    EXPECT_EQ(ChangeCountsText(twins.counts), " 1 changed, 1 closed.");
}

TEST(RowChanges, EndTextCarriesTheCountsBeforeTheProcessNote) {
    const ListingRun done{}, noOwners{.withoutProcesses = true}, failed{.started = false};
    EXPECT_EQ(RefreshEndText(done, {.added = 3, .changed = 1, .closed = 2}), "Done. 3 new, 1 changed, 2 closed.");
    EXPECT_EQ(RefreshEndText(done, {.closed = 1}), "Done. 1 closed.");
    EXPECT_EQ(RefreshEndText(noOwners, {.added = 2}), "Done. 2 new. (no process information)");
    EXPECT_EQ(RefreshEndText(failed, {.added = 2}), "Failed: netstat could not be started.");
}
