#include <gtest/gtest.h>

#include <vector>

#include "ui/ActionRules.h"

using namespace sockmere;

namespace {
constexpr ActionRow kRow{"TCP", "1061", "10.0.0.10", "445", "ESTABLISHED", "4242", "python.exe"};
}

TEST(ActionRules, EndProcessNeedsAnotherProgramsKnownIdOnACurrentRow) {
    EXPECT_TRUE(CanEndProcess(kRow, 100));
    for (const char* pid : {"", "0", "4", "100", "x1", "4294967296", "-5"}) {
        ActionRow row = kRow;
        row.pid = pid;
        EXPECT_FALSE(CanEndProcess(row, 100)) << pid;
    }
    ActionRow closed = kRow;
    closed.closed = true;
    EXPECT_FALSE(CanEndProcess(closed, 100));
}

TEST(ActionRules, CloseConnectionOnlyForCurrentIpv4TcpThatIsNotListeningOrWaiting) {
    EXPECT_TRUE(CanCloseConnection(kRow));
    auto with = [](auto change) {
        ActionRow row = kRow;
        change(row);
        return CanCloseConnection(row);
    };
    EXPECT_TRUE(with([](ActionRow& r) { r.remoteAddr = "host.example"; }));
    EXPECT_TRUE(with([](ActionRow& r) { r.status = "SYN_SENT"; }));
    EXPECT_FALSE(with([](ActionRow& r) { r.proto = "UDP"; }));
    EXPECT_FALSE(with([](ActionRow& r) { r.remoteAddr = "[::1]"; }));
    EXPECT_FALSE(with([](ActionRow& r) { r.status = "LISTENING"; }));
    EXPECT_FALSE(with([](ActionRow& r) { r.status = "TIME_WAIT"; }));
    EXPECT_FALSE(with([](ActionRow& r) { r.status = ""; }));
    EXPECT_FALSE(with([](ActionRow& r) { r.closed = true; }));
}

TEST(ActionRules, QuestionNamesTheProgramOrOnlyItsId) {
    EXPECT_EQ(EndProcessQuestion("python.exe", "4242"),
              "End \"python.exe\" (PID 4242)?\nThe program ends at once; what it has not saved is lost.");
    EXPECT_EQ(ProgramLabel("", "4242"), "the program with PID 4242");
}

TEST(ActionRules, TcpMatchUsesStatePortsAndNumericAddressOnly) {
    const std::vector<TcpEntry> table{
        {5, 0x7F000001, 1061, 0x0A00000A, 446},  // another remote port
        {2, 0x7F000001, 1061, 0, 0},             // listening
        {5, 0x7F000001, 1061, 0x0A00000B, 445},  // another address
        {5, 0x7F000001, 1061, 0x0A00000A, 445},
    };
    std::size_t first = 99;
    EXPECT_EQ(MatchTcpEntries(kRow, table, first), 1u);
    EXPECT_EQ(first, 3u);
    // A name stands for any address, a service name for any port.
    ActionRow named = kRow;
    named.remoteAddr = "host.example";
    EXPECT_EQ(MatchTcpEntries(named, table, first), 2u);
    EXPECT_EQ(first, 2u);
    named.remotePort = "microsoft-ds";
    EXPECT_EQ(MatchTcpEntries(named, table, first), 3u);
    ActionRow odd = kRow;
    odd.remoteAddr = "10.0.0.10.1";
    EXPECT_EQ(MatchTcpEntries(odd, table, first), 2u);
    odd.status = "LISTEN";
    EXPECT_EQ(MatchTcpEntries(odd, table, first), 0u);
    EXPECT_EQ(TcpStateNumber("TIME_WAIT"), 11u);
}
