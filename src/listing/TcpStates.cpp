#include "listing/TcpStates.h"

#include <array>
#include <utility>

namespace sockmere {
namespace {

constexpr std::array<std::pair<std::string_view, std::string_view>, 11> kStates{{
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
}};

}  // namespace

std::string_view DescribeTcpState(std::string_view state) noexcept {
    for (const auto& [name, description] : kStates) {
        if (name == state) return description;
    }
    return "???";
}

}  // namespace sockmere
