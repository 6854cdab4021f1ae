// The filter's matching speed over a table of 50,000 rows with owning processes: MB of cell
// text searched per second, counted one byte a character as the table stores it, against the
// 200 MB/s target. Each text is matched over all rows, as every change of the filter text is.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "ui/RowFilter.h"

namespace {

constexpr int kRows = 50000;
constexpr double kTargetMBps = 200.0;

std::uint32_t Next(std::uint32_t& state) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}

std::u16string Wide(const char* text) {
    return {text, text + std::char_traits<char>::length(text)};
}

}  // namespace

int main() {
    constexpr const char* kStates[] = {"ESTABLISHED", "LISTENING", "TIME_WAIT", "CLOSE_WAIT", "SYN_SENT"};
    constexpr const char16_t* kPrograms[] = {u"chrome.exe", u"svchost.exe", u"postgres.exe",
                                             u"\x0416\x0443\x0440\x043D\x0430\x043B.exe", u"System"};
    sockmere::RowFilter filter;
    std::uint32_t r = 88172645u;
    std::size_t characters = 0;
    char text[64];
    for (int i = 0; i < kRows; ++i) {
        const unsigned a = Next(r) % 256, b = Next(r) % 256, port = 49152 + Next(r) % 16384;
        std::snprintf(text, sizeof text, "%u.%u.%u.%u", 10 + a % 200, b, a, 1 + b % 254);
        std::vector<std::u16string> cells = {Wide(i % 4 == 3 ? "UDP" : "TCP"), Wide(std::to_string(port).c_str()),
                                             Wide(text), Wide(i % 3 ? "443" : "https"), Wide(kStates[Next(r) % 5]),
                                             Wide(std::to_string(Next(r) % 9000 * 4).c_str()),
                                             kPrograms[Next(r) % 5]};
        filter.AddCell(0, Wide(std::to_string(i + 1).c_str()));
        for (std::size_t c = 0; c < cells.size(); ++c) {
            filter.AddCell(static_cast<int>(c) + 1, cells[c]);
            characters += cells[c].size();
        }
        filter.EndRow();
    }

    // Narrowing and widening, single words and several, exclusions, and words no row has.
    const std::u16string texts[] = {u"4", u"44", u"443", u"443 -time_wait", u"443 -time_wait est", u"443",
                                    u"svchost", u"SVCHOST 49", u"\x0436\x0443\x0440", u"-listening", u"10.1",
                                    u"10.12", u"zzz", u"tcp udp", u"chrome 443 -close"};
    using Clock = std::chrono::steady_clock;
    std::size_t shown = 0;
    int passes = 0;
    const auto start = Clock::now();
    double seconds = 0;
    do {
        for (const std::u16string& t : texts) {
            filter.SetText(t);
            shown += filter.Matches().size();
        }
        ++passes;
        seconds = std::chrono::duration<double>(Clock::now() - start).count();
    } while (seconds < 2.0 || passes < 3);

    const int matches = passes * static_cast<int>(std::size(texts));
    const double mbps = static_cast<double>(characters) * matches / 1e6 / seconds;
    std::printf("native_filter: %d rows, %.2f MB of searched cell text, %d texts matched in %.2f s "
                "(%.2f ms each; %zu rows shown in all)\n",
                kRows, static_cast<double>(characters) / 1e6, matches, seconds, seconds * 1000 / matches, shown);
    std::printf("native_filter: %.0f MB/s of cell text; target %.0f MB/s %s\n", mbps, kTargetMBps,
                mbps >= kTargetMBps ? "met" : "NOT met");
    return 0;
}
