#pragma once
// Splits captured listing output into lines and the lines into connection rows.
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "framework/TextLines.h"

namespace sockmere {

struct ConnectionRow {
    std::string Number, Protocol, LocalPort, RemoteAddress, RemotePort, Status;
    // The owning process's ID, from a listing that ends its rows with one; else empty.
    std::string Pid{};
    friend bool operator==(const ConnectionRow&, const ConnectionRow&) = default;
};

// Longer lines are cut to this many chars.
inline constexpr std::size_t kMaxLineLength = 4096;

// Yields the lines of a text: a CR LF pair ends a line (a lone LF too when the text has no CR LF
// pair at all), the empty line after a final break does not count, and an empty text has no lines.
class LineReader {
public:
    explicit LineReader(std::string_view text) noexcept : LineReader(text, fw::DetectLineBreaks(text)) {}
    LineReader(std::string_view text, fw::LineBreaks breaks) noexcept : rest_(text), breaks_(breaks) {}
    // Puts the next line (without its break, cut to kMaxLineLength) in line; false at the end.
    bool Next(std::string_view& line) noexcept;

private:
    std::string_view rest_;
    fw::LineBreaks breaks_;
};

std::size_t CountLines(std::string_view text) noexcept;
std::size_t CountLines(std::string_view text, fw::LineBreaks breaks) noexcept;

// The text without its first line and that line's break; a text without lines stays as it is.
std::string_view DropFirstLine(std::string_view text) noexcept;
std::string_view DropFirstLine(std::string_view text, fw::LineBreaks breaks) noexcept;

// A row's fields as views into the line they were split from.
struct ConnectionFields {
    std::size_t Number = 0;
    std::string_view Protocol, LocalPort, RemoteAddress, RemotePort, Status, Pid;
};

// Splits one line into its fields; number becomes the row's Number.
ConnectionFields SplitListingFields(std::string_view line, std::size_t number) noexcept;
// For a listing whose rows end in the owning process's ID (netstat -o): moves the last token of
// Status, after its last blank or tab, into Pid when it is all decimal digits, and trims Status
// again. Anything else leaves the fields as they are.
void SplitOwnerPid(ConnectionFields& fields) noexcept;
ConnectionRow SplitListingLine(std::string_view line, std::size_t number);
ConnectionRow ToRow(const ConnectionFields& fields);

using RowSink = std::function<void(ConnectionRow&&)>;
// For callers that copy the fields anyway: no string is made per row.
using FieldSink = std::function<void(const ConnectionFields&)>;

// Parses what is left after the first three lines were dropped: the first line left is the
// column header, every later one becomes a row numbered from 1. Returns the row count.
std::size_t ParseListingBody(std::string_view rest, const RowSink& sink);
// As ParseListingBody, with the fields as views into rest. Pass the line breaks of the whole
// captured text when rest is what is left of it; without them, rest's own count.
std::size_t ParseListingFields(std::string_view rest, const FieldSink& sink);
std::size_t ParseListingFields(std::string_view rest, fw::LineBreaks breaks, const FieldSink& sink);

// Parses a whole captured listing: drops three lines, then as ParseListingBody.
std::size_t ParseListing(std::string_view text, const RowSink& sink);
// As ParseListing, with the fields as views into text.
std::size_t ParseListingText(std::string_view text, const FieldSink& sink);

}  // namespace sockmere
