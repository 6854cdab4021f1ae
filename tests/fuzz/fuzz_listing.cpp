// Feeds arbitrary bytes to the listing parser: it must not crash, and k lines give max(k - 4, 0)
// rows numbered 1..n in order.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "listing/ListingParser.h"
#include "listing/TextOps.h"

namespace {

using sockmere::ConnectionRow;

void Require(bool condition) {
    if (!condition) std::abort();
}

// Lines counted without the parser's own line reader: CR LF pairs end them, or, in a text
// without any, LFs.
std::size_t CountLines(std::string_view text) {
    std::size_t breaks = 0;
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == '\r' && text[i + 1] == '\n') {
            ++breaks;
            ++i;
        }
    }
    if (breaks == 0) {
        const auto lfs = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
        return lfs + (!text.empty() && text.back() != '\n' ? 1 : 0);
    }
    const bool endsWithBreak = text.size() >= 2 && text.substr(text.size() - 2) == "\r\n";
    return breaks + (!text.empty() && !endsWithBreak ? 1 : 0);
}

bool IsTrimmed(std::string_view field) { return field == sockmere::text::Trim(field); }

void CheckRow(const ConnectionRow& row, std::size_t number) {
    Require(row.Number == std::to_string(number));
    Require(row.Protocol.size() <= 9 && IsTrimmed(row.Protocol));
    Require(row.LocalPort.size() <= 255 && IsTrimmed(row.LocalPort));
    Require(IsTrimmed(row.RemotePort) && IsTrimmed(row.Status));
    Require(row.RemoteAddress.find(':') == std::string::npos || row.RemoteAddress.front() == '[');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const ConnectionRow single = sockmere::SplitListingLine(text, size);
    CheckRow(single, size);
    // An owner's ID is digits cut from the end of Status, which stays trimmed.
    sockmere::ConnectionFields owned = sockmere::SplitListingFields(text, size);
    sockmere::SplitOwnerPid(owned);
    CheckRow(sockmere::ToRow(owned), size);
    Require(owned.Pid.find_first_not_of("0123456789") == std::string_view::npos);
    Require(owned.Pid.empty() ? owned.Status == single.Status : single.Status.ends_with(owned.Pid));

    std::size_t expected = 0;
    std::size_t longest = 0;
    const bool lfLines = text.find("\r\n") == std::string_view::npos;
    const std::size_t rows = sockmere::ParseListing(text, [&](ConnectionRow&& row) {
        CheckRow(row, ++expected);
        longest = std::max(longest, row.Protocol.size() + row.RemoteAddress.size() +
                                        row.RemotePort.size() + row.Status.size());
        Require(row.Protocol.find("\r\n") == std::string::npos &&
                row.Status.find("\r\n") == std::string::npos);
        Require(!lfLines || row.Status.find('\n') == std::string::npos);
    });
    const std::size_t lines = CountLines(text);
    Require(rows == expected);
    Require(rows == (lines > 4 ? lines - 4 : 0));
    Require(longest <= sockmere::kMaxLineLength);
    return 0;
}
