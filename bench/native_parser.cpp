// Parser throughput on a large, realistic listing: MB/s and rows/s against the 300 MB/s target;
// the parser keeps -O2 while the rest of the program is built for size.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

#include "listing/ListingParser.h"

namespace {

constexpr int kRows = 200000;
constexpr double kTargetMBps = 300.0;

std::uint32_t Next(std::uint32_t& state) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}

std::string Listing() {
    constexpr const char* kStates[] = {"ESTABLISHED", "LISTENING", "TIME_WAIT", "CLOSE_WAIT", "SYN_SENT"};
    std::string text = "\r\nActive Connections\r\n\r\n"
                       "  Proto  Local Address          Foreign Address        State\r\n";
    std::uint32_t r = 88172645u;
    char line[256];
    for (int i = 0; i < kRows; ++i) {
        const unsigned a = Next(r) % 256, b = Next(r) % 256, port = 49152 + Next(r) % 16384;
        const char* state = kStates[Next(r) % 5];
        switch (i % 5) {
        case 0:
        case 1:
            std::snprintf(line, sizeof line, "  TCP    192.168.%u.%u:%-10u 93.184.%u.%u:443%-9s %s\r\n", a, b, port,
                          b, a, "", state);
            break;
        case 2:
            std::snprintf(line, sizeof line, "  TCP    [fe80::%x:%x%%12]:%u  [2001:db8::%x]:443  %s\r\n", a, b, port,
                          a * b, state);
            break;
        case 3:
            std::snprintf(line, sizeof line, "  UDP    0.0.0.0:%-15u *:*                    \r\n", port);
            break;
        default:
            std::snprintf(line, sizeof line, "  TCP    mybox:%-16u server%u.example.com:https  %s\r\n", port, a,
                          state);
            break;
        }
        text += line;
    }
    return text;
}

}  // namespace

int main() {
    const std::string text = Listing();
    using Clock = std::chrono::steady_clock;
    std::size_t checksum = 0;
    std::size_t rows = 0;
    int passes = 0;
    const auto start = Clock::now();
    double seconds = 0;
    do {
        rows += sockmere::ParseListing(text, [&](sockmere::ConnectionRow&& row) {
            checksum += row.LocalPort.size() + row.RemoteAddress.size() + row.Status.size();
        });
        ++passes;
        seconds = std::chrono::duration<double>(Clock::now() - start).count();
    } while (seconds < 2.0 || passes < 3);

    const double megabytes = static_cast<double>(text.size()) * passes / 1e6;
    const double mbps = megabytes / seconds;
    std::printf("native_parser: %d rows, %.1f MB listing, %d passes in %.2f s (checksum %zu)\n", kRows,
                static_cast<double>(text.size()) / 1e6, passes, seconds, checksum);
    std::printf("native_parser: %.1f MB/s, %.2f million rows/s; target %.0f MB/s %s\n", mbps,
                static_cast<double>(rows) / seconds / 1e6, kTargetMBps, mbps >= kTargetMBps ? "met" : "NOT met");
    return 0;
}
