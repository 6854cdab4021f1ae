#include "listing/TcpStates.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace sockmere {
namespace {

TEST(TcpStates, EveryStateHasItsOwnText) {
    const std::pair<const char*, const char*> expected[] = {
        {"ESTABLISHED", "Connection has been established and is active."},
        {"CLOSED", "Socket is closed and not being used."},
        {"LISTENING", "Listening for incoming connections."},
        {"SYN_SENT", "Actively trying to establish connection."},
        {"SYN_RECEIVED", "Initial synchronization of the connection under way."},
        {"CLOSE_WAIT", "Remote shut down: waiting for the socket to close."},
        {"FIN_WAIT_1", "Socket closed, shutting down connection."},
        {"CLOSING", "Closed, then remote shutdown: awaiting acknowledgement."},
        {"LAST_ACK", "Remote shut down, then closed: awaiting acknowledgement."},
        {"FIN_WAIT_2", "Socket closed, waiting for shutdown from remote."},
        {"TIME_WAIT", "Wait after close for remote shutdown retransmission."},
    };
    for (const auto& [state, text] : expected) EXPECT_EQ(DescribeTcpState(state), text) << state;
}

TEST(TcpStates, OnlyExactNamesAreKnown) {
    for (const char* state : {"", "*", "established", "Established", "LISTENING ", " LISTENING",
                              "LISTEN", "LISTENINGS", "FIN_WAIT", "SYN_RECV", "TIME_WAIT\r"}) {
        EXPECT_EQ(DescribeTcpState(state), "???") << '"' << state << '"';
    }
    EXPECT_EQ(DescribeTcpState(std::string_view("CLOSED\0", 7)), "???");
}

}  // namespace
}  // namespace sockmere
