#include "listing/ListingParser.h"

#include "listing/TextOps.h"

namespace sockmere {
namespace {

// 1-based position of the colon ending a bracketed address "[...]:" that opens text (after
// blanks when skipBlanks) and lies before the address's first blank; 0 when there is none.
text::Count BracketedPortColon(std::string_view t, bool skipBlanks) noexcept {
    const std::size_t start = skipBlanks ? t.find_first_not_of(' ') : 0;
    if (start == std::string_view::npos || start >= t.size() || t[start] != '[') return 0;
    const std::size_t blank = t.find(' ', start);
    const std::size_t close = t.find("]:", start);
    if (close == std::string_view::npos || (blank != std::string_view::npos && close + 1 >= blank))
        return 0;
    return static_cast<text::Count>(close) + 2;
}

}  // namespace

bool LineReader::Next(std::string_view& line) noexcept {
    if (rest_.empty()) return false;
    const fw::LineEnd end = fw::FindLineEnd(rest_, breaks_);
    if (end.at == std::string_view::npos) {
        line = rest_;
        rest_ = rest_.substr(rest_.size());
    } else {
        line = rest_.substr(0, end.at);
        rest_ = rest_.substr(end.at + end.length);
    }
    if (line.size() > kMaxLineLength) line = line.substr(0, kMaxLineLength);
    return true;
}

std::size_t CountLines(std::string_view text) noexcept {
    return CountLines(text, fw::DetectLineBreaks(text));
}

std::size_t CountLines(std::string_view text, fw::LineBreaks breaks) noexcept {
    LineReader lines(text, breaks);
    std::string_view line;
    std::size_t count = 0;
    while (lines.Next(line)) ++count;
    return count;
}

std::string_view DropFirstLine(std::string_view text) noexcept {
    return DropFirstLine(text, fw::DetectLineBreaks(text));
}

std::string_view DropFirstLine(std::string_view text, fw::LineBreaks breaks) noexcept {
    const fw::LineEnd end = fw::FindLineEnd(text, breaks);
    return end.at == std::string_view::npos ? text.substr(text.size()) : text.substr(end.at + end.length);
}

ConnectionFields SplitListingFields(std::string_view line, std::size_t number) noexcept {
    using namespace text;
    ConnectionFields row;
    std::string_view l = line;

    row.Protocol = Trim(First(l, 9));
    l = Drop(l, 9);

    Count c = BracketedPortColon(l, true);
    if (c == 0) c = Find(':', l);
    const std::string_view t = From(l, c + 1, 255);
    Count s = Find(' ', t);
    row.LocalPort = Trim(First(t, s - 1));

    const Count b = Find(' ', l);
    l = TrimLeft(Drop(l, b - 1));

    c = BracketedPortColon(l, false);
    if (c == 0) c = Find(':', l);
    const std::string_view remote = First(l, c - 1);
    row.RemoteAddress = remote;
    l = Drop(l, Length(remote) + 1);

    s = Find(' ', l);
    row.RemotePort = Trim(First(l, s));
    l = Drop(l, s);

    row.Status = Trim(l);
    row.Number = number;
    return row;
}

void SplitOwnerPid(ConnectionFields& fields) noexcept {
    const std::string_view status = fields.Status;
    std::size_t start = status.size();
    while (start > 0 && status[start - 1] >= '0' && status[start - 1] <= '9') --start;
    if (start == status.size()) return;
    if (start > 0 && status[start - 1] != ' ' && status[start - 1] != '\t') return;
    fields.Pid = status.substr(start);
    fields.Status = text::Trim(status.substr(0, start));
}

std::size_t ParseListingFields(std::string_view rest, const FieldSink& sink) {
    return ParseListingFields(rest, fw::DetectLineBreaks(rest), sink);
}

std::size_t ParseListingFields(std::string_view rest, fw::LineBreaks breaks, const FieldSink& sink) {
    LineReader lines(rest, breaks);
    std::string_view line;
    if (!lines.Next(line)) return 0;  // the column header
    std::size_t number = 0;
    while (lines.Next(line)) sink(SplitListingFields(line, ++number));
    return number;
}

std::size_t ParseListingText(std::string_view text, const FieldSink& sink) {
    const fw::LineBreaks breaks = fw::DetectLineBreaks(text);
    for (int i = 0; i < 3; ++i) text = DropFirstLine(text, breaks);
    return ParseListingFields(text, breaks, sink);
}

}  // namespace sockmere
