// Rows that own their texts, for callers that keep them past the listing. The program itself
// keeps fields as places in the captured text; in a file of their own, these stay out of it.
#include "listing/ListingParser.h"

namespace sockmere {

ConnectionRow ToRow(const ConnectionFields& f) {
    return {std::to_string(f.Number),     std::string(f.Protocol),   std::string(f.LocalPort),
            std::string(f.RemoteAddress), std::string(f.RemotePort), std::string(f.Status),
            std::string(f.Pid)};
}

ConnectionRow SplitListingLine(std::string_view line, std::size_t number) {
    return ToRow(SplitListingFields(line, number));
}

std::size_t ParseListingBody(std::string_view rest, const RowSink& sink) {
    return ParseListingFields(rest, [&sink](const ConnectionFields& f) { sink(ToRow(f)); });
}

std::size_t ParseListing(std::string_view text, const RowSink& sink) {
    return ParseListingText(text, [&sink](const ConnectionFields& f) { sink(ToRow(f)); });
}

}  // namespace sockmere
