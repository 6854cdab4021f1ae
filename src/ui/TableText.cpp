#include "ui/TableText.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <numeric>
#include <optional>

namespace sockmere {

namespace {

constexpr std::array<ColumnKind, 8> kColumnKinds{ColumnKind::Number, ColumnKind::Text,   ColumnKind::Number,
                                                 ColumnKind::Address, ColumnKind::Number, ColumnKind::Text,
                                                 ColumnKind::Id,      ColumnKind::Text};

bool IsDigit(char c) noexcept {
    return c >= '0' && c <= '9';
}

int HexValue(char c) noexcept {
    if (IsDigit(c)) return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The lower case of a capital of the Latin, Greek or Cyrillic alphabets beyond ASCII.
char32_t LowerBeyondAscii(char32_t c) noexcept {
    if ((c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3AB && c != 0x3A2) || (c >= 0x410 && c <= 0x42F))
        return c + 0x20;
    if (c >= 0x400 && c <= 0x40F) return c + 0x50;
    if (c < 0x100 || c >= 0x180 || c == 0x130 || c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
    if (c == 0x178) return 0xFF;
    // Latin Extended-A pairs a capital with the small letter after it; two runs start on odd.
    const char32_t capitalParity = (c >= 0x139 && c <= 0x148) || c >= 0x179 ? 1 : 0;
    return (c & 1) == capitalParity ? c + 1 : c;
}

// The next character at i in lower case, read as UTF-8 (process names are kept so); a byte that
// starts no valid sequence stands for itself, so ANSI texts compare as their bytes do.
char32_t NextLower(std::string_view text, std::size_t& i) noexcept {
    const auto lead = static_cast<unsigned char>(text[i++]);
    if (lead < 0x80) return lead >= 'A' && lead <= 'Z' ? lead + 0x20u : lead;
    if (lead < 0xC2 || lead > 0xF4) return lead;
    const std::size_t extra = lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : 3;
    if (text.size() - i < extra) return lead;
    char32_t c = lead & (0x3Fu >> extra);
    for (std::size_t k = 0; k < extra; ++k) {
        const auto next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80) return lead;
        c = c << 6 | (next & 0x3Fu);
    }
    i += extra;
    return LowerBeyondAscii(c);
}

int CompareNoCase(std::string_view a, std::string_view b) noexcept {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const char32_t x = NextLower(a, i), y = NextLower(b, j);
        if (x != y) return x < y ? -1 : 1;
    }
    return (i < a.size()) - (j < b.size());
}

template <class T>
int Order(T a, T b) noexcept {
    return a < b ? -1 : b < a ? 1 : 0;
}

std::optional<std::uint32_t> ParseIpv4(std::string_view text) noexcept {
    std::uint32_t value = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (text.empty() || text.front() != '.') return std::nullopt;
            text.remove_prefix(1);
        }
        std::size_t digits = 0;
        unsigned octet = 0;
        while (digits < text.size() && IsDigit(text[digits]) && digits < 3)
            octet = octet * 10 + static_cast<unsigned>(text[digits++] - '0');
        if (digits == 0 || octet > 255) return std::nullopt;
        text.remove_prefix(digits);
        value = value << 8 | octet;
    }
    if (!text.empty()) return std::nullopt;
    return value;
}

struct Ipv6 {
    std::uint64_t hi = 0, lo = 0;
};

// Text form with "::" for a run of zero groups, an optional dotted IPv4 tail, optional
// brackets and an optional zone ("%12"), which does not take part in the value.
std::optional<Ipv6> ParseIpv6(std::string_view text) noexcept {
    if (text.size() >= 2 && text.front() == '[' && text.back() == ']') text = text.substr(1, text.size() - 2);
    if (std::size_t zone = text.find('%'); zone != std::string_view::npos) text = text.substr(0, zone);
    if (text.find(':') == std::string_view::npos) return std::nullopt;

    std::array<std::uint16_t, 8> groups{};
    int count = 0, gap = -1;
    if (text.substr(0, 2) == "::") {
        gap = 0;
        text.remove_prefix(2);
    }
    while (!text.empty()) {
        std::size_t end = text.find(':');
        std::string_view part = text.substr(0, end);
        if (part.find('.') != std::string_view::npos) {
            // The last 32 bits written as IPv4.
            auto v4 = end == std::string_view::npos ? ParseIpv4(part) : std::nullopt;
            if (!v4 || count > 6) return std::nullopt;
            groups[static_cast<std::size_t>(count++)] = static_cast<std::uint16_t>(*v4 >> 16);
            groups[static_cast<std::size_t>(count++)] = static_cast<std::uint16_t>(*v4 & 0xFFFF);
            text = {};
            break;
        }
        if (part.empty() || part.size() > 4 || count == 8) return std::nullopt;
        unsigned value = 0;
        for (char c : part) {
            int h = HexValue(c);
            if (h < 0) return std::nullopt;
            value = value << 4 | static_cast<unsigned>(h);
        }
        groups[static_cast<std::size_t>(count++)] = static_cast<std::uint16_t>(value);
        if (end == std::string_view::npos) {
            text = {};
        } else if (text.substr(end, 2) == "::") {
            if (gap >= 0) return std::nullopt;
            gap = count;
            text.remove_prefix(end + 2);
        } else {
            text.remove_prefix(end + 1);
            if (text.empty()) return std::nullopt;
        }
    }
    if (gap < 0 ? count != 8 : count > 7) return std::nullopt;
    if (gap >= 0) {
        // Move the groups after the gap to the end; zeros fill the gap.
        const int tail = count - gap;
        std::copy_backward(groups.begin() + gap, groups.begin() + count, groups.end());
        std::fill(groups.begin() + gap, groups.end() - tail, std::uint16_t{0});
    }
    Ipv6 v;
    for (int i = 0; i < 4; ++i) v.hi = v.hi << 16 | groups[static_cast<std::size_t>(i)];
    for (int i = 4; i < 8; ++i) v.lo = v.lo << 16 | groups[static_cast<std::size_t>(i)];
    return v;
}

// What a field sorts by, worked out once per field.
struct Key {
    int group = 0;  // which comes first: numbers before names, IPv4 before IPv6 before names
    bool digits = false;
    std::uint64_t hi = 0, lo = 0;
    std::string_view text{};
};

Key MakeKey(ColumnKind kind, std::string_view field) noexcept {
    Key key;
    key.text = field;
    switch (kind) {
    case ColumnKind::Number:
        if (!field.empty() && std::all_of(field.begin(), field.end(), IsDigit)) {
            // Any length: without leading zeros, a longer run of digits is the larger number.
            key.digits = true;
            key.text = field.substr(std::min(field.find_first_not_of('0'), field.size()));
        } else {
            key.group = 1;
        }
        break;
    case ColumnKind::Address:
        if (auto v4 = ParseIpv4(field)) {
            key.lo = *v4;
        } else if (auto v6 = ParseIpv6(field)) {
            key.group = 1, key.hi = v6->hi, key.lo = v6->lo;
        } else {
            key.group = 2;
        }
        break;
    case ColumnKind::Id:
        // An empty text counts as a number without digits, smaller than any other, even 0.
        if (std::all_of(field.begin(), field.end(), IsDigit)) {
            key.digits = true;
            if (!field.empty()) key.text = field.substr(std::min(field.find_first_not_of('0'), field.size() - 1));
        } else {
            key.group = 1;
        }
        break;
    case ColumnKind::Text:
        break;
    }
    return key;
}

int CompareKeys(ColumnKind kind, const Key& a, const Key& b) noexcept {
    if (int c = Order(a.group, b.group)) return c;
    if (a.digits) {
        if (int c = Order(a.text.size(), b.text.size())) return c;
        int c = std::memcmp(a.text.data(), b.text.data(), a.text.size());
        return Order(c, 0);
    }
    if (kind == ColumnKind::Address && a.group < 2) {
        if (int c = Order(a.hi, b.hi)) return c;
        return Order(a.lo, b.lo);
    }
    return CompareNoCase(a.text, b.text);
}

}  // namespace

ColumnKind TableColumnKind(int column) noexcept {
    if (column < 0 || column >= static_cast<int>(kColumnKinds.size())) return ColumnKind::Text;
    return kColumnKinds[static_cast<std::size_t>(column)];
}

int CompareFields(ColumnKind kind, std::string_view a, std::string_view b) {
    return CompareKeys(kind, MakeKey(kind, a), MakeKey(kind, b));
}

std::vector<int> SortedRows(ColumnKind kind, std::span<const std::string_view> fields, bool descending) {
    return SortedRows(kind, fields, {}, descending);
}

std::vector<int> SortedRows(ColumnKind kind, std::span<const std::string_view> fields,
                            std::span<const std::string_view> ids, bool descending) {
    std::vector<Key> keys, idKeys;
    keys.reserve(fields.size());
    for (std::string_view f : fields) keys.push_back(MakeKey(kind, f));
    const bool byIds = ids.size() == fields.size() && !ids.empty();
    if (byIds) {
        idKeys.reserve(ids.size());
        for (std::string_view id : ids) idKeys.push_back(MakeKey(ColumnKind::Id, id));
    }
    auto compare = [&](std::size_t x, std::size_t y) {
        if (int c = CompareKeys(kind, keys[x], keys[y]); c != 0 || !byIds) return c;
        return CompareKeys(ColumnKind::Id, idKeys[x], idKeys[y]);
    };
    std::vector<int> order(fields.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int x, int y) {
        const auto a = static_cast<std::size_t>(x), b = static_cast<std::size_t>(y);
        return descending ? compare(b, a) < 0 : compare(a, b) < 0;
    });
    return order;
}

std::vector<int> SortedRows(ColumnKind kind, std::span<const std::string> fields, bool descending) {
    const std::vector<std::string_view> views(fields.begin(), fields.end());
    return SortedRows(kind, views, descending);
}

void AppendCsvField(std::string& out, std::string_view field) {
    if (field.find_first_of(",\"\r\n") == std::string_view::npos) {
        out.append(field);
        return;
    }
    out.push_back('"');
    for (char c : field) {
        if (c == '"') out.push_back('"');
        out.push_back(c);
    }
    out.push_back('"');
}

std::string TableText(TableFormat format, std::span<const std::string> header, std::size_t rows,
                      const std::function<std::string(std::size_t row, std::size_t column)>& field) {
    std::string out;
    auto append = [&](std::string_view text) {
        if (format == TableFormat::Csv) {
            AppendCsvField(out, text);
            return;
        }
        for (char c : text) out.push_back(c == '\t' || c == '\r' || c == '\n' ? ' ' : c);
    };
    const char separator = format == TableFormat::Csv ? ',' : '\t';
    for (std::size_t column = 0; column < header.size(); ++column) {
        if (column > 0) out.push_back(separator);
        append(header[column]);
    }
    out.append("\r\n");
    for (std::size_t row = 0; row < rows; ++row) {
        for (std::size_t column = 0; column < header.size(); ++column) {
            if (column > 0) out.push_back(separator);
            append(field(row, column));
        }
        out.append("\r\n");
    }
    return out;
}

}  // namespace sockmere
