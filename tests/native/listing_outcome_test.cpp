#include "listing/ListingOutcome.h"

#include <gtest/gtest.h>

#include <string>

namespace sockmere {
namespace {

TEST(ShowsNoConnectionTest, NothingOrAUsageTextWithoutRows) {
    EXPECT_TRUE(ShowsNoConnection(""));
    EXPECT_TRUE(ShowsNoConnection("\r\nLists the connections.\r\n\r\nNETSTAT [-a] [-n] [interval]\r\n\r\n  -a  all\r\n"));
    EXPECT_TRUE(ShowsNoConnection("unknown switch -o\nusage: netstat [-A]\n  TCP  the protocol, no row\n"));
    // Whatever else a command prints is its listing, however short; a row keeps the text,
    // whatever follows it; bracketed IPv6 addresses are no switches.
    const std::string header = "\r\nActive Connections\r\n\r\n  Proto  Local Address  Foreign Address  State\r\n";
    for (const char* text : {"The network is down.\r\n", "  [::1]:80 [fe80::1%4]:445 [-]\r\n",
                             "  TCP  127.0.0.1:1061  10.0.0.10:445  ESTABLISHED\r\nusage: netstat [-a]\r\n",
                             "  udp  [::]:137  *:*\r\nNETSTAT [-a]", "  TCPv6 [::1]:80 [::1]:8080 SYN_SENT\r\n[-a]"})
        EXPECT_FALSE(ShowsNoConnection(header + text)) << text;
    EXPECT_FALSE(ShowsNoConnection(header));
}

}  // namespace
}  // namespace sockmere
