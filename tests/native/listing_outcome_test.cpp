#include "listing/ListingOutcome.h"

#include <gtest/gtest.h>

namespace sockmere {
namespace {

constexpr char kHeader[] = "\r\nActive Connections\r\n\r\n  Proto  Local Address          Foreign Address        State\r\n";

TEST(ShowsNoConnectionTest, NothingOrAUsageTextWithoutRows) {
    EXPECT_TRUE(ShowsNoConnection(""));
    EXPECT_TRUE(ShowsNoConnection("\r\nLists the connections.\r\n\r\nNETSTAT [-a] [-n] [interval]\r\n\r\n"
                                  "  -a            Lists every connection.\r\n"));
    EXPECT_TRUE(ShowsNoConnection("netstat: unknown switch -o\nusage: netstat [-anp]\n"));
    EXPECT_TRUE(ShowsNoConnection("netstat [-A]"));

    // Whatever else a command prints is its listing, however short.
    EXPECT_FALSE(ShowsNoConnection(kHeader));
    EXPECT_FALSE(ShowsNoConnection("\r\n"));
    EXPECT_FALSE(ShowsNoConnection("The network is down.\r\n"));
    // Bracketed IPv6 addresses are no switches.
    EXPECT_FALSE(ShowsNoConnection("  [::1]:80 [fe80::1%4]:445 [-]\r\n"));
    // A row keeps the text, whatever follows it.
    for (const char* row : {"  TCP    127.0.0.1:1061         10.0.0.10:445          ESTABLISHED\r\n",
                            "  udp    [::]:137               *:*\r\n", "  TCPv6 [::1]:80 [::1]:8080 SYN_SENT"})
        EXPECT_FALSE(ShowsNoConnection(std::string(kHeader) + row + "usage: netstat [-a]\r\n")) << row;
    // A protocol word without an address after it is not a row.
    EXPECT_TRUE(ShowsNoConnection("  -p proto      TCP or UDP\r\n  TCP  the protocol\r\nNETSTAT [-p proto]\r\n"));
}

TEST(RerunWithoutOwnersTest, OnlyARefusalThatEndedByItself) {
    const ListingRun refused{.started = true, .exitCode = 1, .printedNothing = true};
    EXPECT_TRUE(RerunWithoutOwners(refused));
    auto rerunsWith = [&](void (*change)(ListingRun&)) {
        ListingRun run = refused;
        change(run);
        return RerunWithoutOwners(run);
    };
    EXPECT_FALSE(rerunsWith([](ListingRun& r) { r.silenced = true; }));
    EXPECT_FALSE(rerunsWith([](ListingRun& r) { r.cancelled = true; }));
    EXPECT_FALSE(rerunsWith([](ListingRun& r) { r.started = false; }));
    EXPECT_FALSE(rerunsWith([](ListingRun& r) { r.exitCode = 0; }));
    EXPECT_FALSE(rerunsWith([](ListingRun& r) { r.printedNothing = false; }));
}

}  // namespace
}  // namespace sockmere
