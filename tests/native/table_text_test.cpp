#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "ui/TableText.h"

using namespace sockmere;

namespace {

// The texts in the order SortedRows shows them.
std::vector<std::string> Sorted(ColumnKind kind, const std::vector<std::string>& fields, bool descending = false) {
    std::vector<std::string> shown;
    for (int row : SortedRows(kind, fields, descending)) shown.push_back(fields[static_cast<std::size_t>(row)]);
    return shown;
}

// An RFC 4180 reader, written apart from the writer: quoted fields may hold anything.
std::vector<std::vector<std::string>> ReadCsv(const std::string& text) {
    std::vector<std::vector<std::string>> rows(1, std::vector<std::string>(1));
    std::size_t i = 0;
    while (i < text.size()) {
        std::string& field = rows.back().back();
        if (text[i] == '"') {
            for (++i; i < text.size(); ++i) {
                if (text[i] != '"') field.push_back(text[i]);
                else if (i + 1 < text.size() && text[i + 1] == '"') field.push_back(text[++i]);
                else break;
            }
            ++i;
        } else if (text[i] == ',') {
            rows.back().emplace_back();
            ++i;
        } else if (text.compare(i, 2, "\r\n") == 0) {
            rows.emplace_back(1);
            i += 2;
        } else {
            field.push_back(text[i++]);
        }
    }
    rows.pop_back();  // after the last CR LF
    return rows;
}

}  // namespace

TEST(TableSort, ColumnKindsFollowTheTable) {
    EXPECT_EQ(TableColumnKind(0), ColumnKind::Number);
    EXPECT_EQ(TableColumnKind(1), ColumnKind::Text);
    EXPECT_EQ(TableColumnKind(2), ColumnKind::Number);
    EXPECT_EQ(TableColumnKind(3), ColumnKind::Address);
    EXPECT_EQ(TableColumnKind(4), ColumnKind::Number);
    EXPECT_EQ(TableColumnKind(5), ColumnKind::Text);
    EXPECT_EQ(TableColumnKind(kPidColumn), ColumnKind::Id);
    EXPECT_EQ(TableColumnKind(kProcessColumn), ColumnKind::Text);
}

TEST(TableSort, ProcessIdsByValueAfterEmptyAndNamesThenIds) {
    EXPECT_EQ(Sorted(ColumnKind::Id, {"5632", "", "4", "0", "10044", "", "872"}),
              (std::vector<std::string>{"", "", "0", "4", "872", "5632", "10044"}));
    // Names ignoring case, then the row's ID; equal pairs keep the listing's order either way.
    const std::vector<std::string_view> names{"svchost.exe", "", "System", "SVCHOST.EXE", "svchost.exe", "", "a.exe"};
    const std::vector<std::string_view> ids{"1044", "99999", "4", "872", "1044", "", "7"};
    const std::vector<int> up = SortedRows(ColumnKind::Text, names, ids, false);
    EXPECT_EQ(up, (std::vector<int>{5, 1, 6, 3, 0, 4, 2}));
    EXPECT_EQ(SortedRows(ColumnKind::Text, names, ids, true), (std::vector<int>{2, 0, 4, 3, 6, 1, 5}));
}

// Process names are UTF-8: compared by character, case ignored beyond ASCII too; a byte of an
// ANSI text that starts no UTF-8 sequence still compares as itself.
TEST(TableSort, NamesInUtf8IgnoreCaseBeyondAscii) {
    const std::string lodz = "\xC5\x81\xC3\xB3" "d\xC5\xBA-\xD0\x9F\xD0\xA0\xD0\x9E.exe";  // Łódź-ПРО.exe
    EXPECT_EQ(CompareFields(ColumnKind::Text, lodz, "\xC5\x82\xC3\x93" "D\xC5\xB9-\xD0\xBF\xD1\x80\xD0\xBE.EXE"), 0);
    EXPECT_EQ(Sorted(ColumnKind::Text, {lodz, "\xC5\x82\xC3\x93" "dz-a.exe", "Lodz.exe", "\xCE\xA9.exe"}),
              (std::vector<std::string>{"Lodz.exe", "\xC5\x82\xC3\x93" "dz-a.exe", lodz, "\xCE\xA9.exe"}));
    EXPECT_LT(CompareFields(ColumnKind::Text, "ABH\xD6REN", "ABH\xF6REN"), 0);
    EXPECT_GT(CompareFields(ColumnKind::Text, "\xE2\x82", "\xE2"), 0);
}

TEST(TableSort, PortsByValueThenServiceNamesAndStarAlphabetically) {
    const std::vector<std::string> ports{"https", "8080", "*", "445", "0", "Domain", "00443", "99999999999999999999999",
                                         "", "http", "80"};
    EXPECT_EQ(Sorted(ColumnKind::Number, ports),
              (std::vector<std::string>{"0", "80", "00443", "445", "8080", "99999999999999999999999", "", "*",
                                        "Domain", "http", "https"}));
    EXPECT_EQ(Sorted(ColumnKind::Number, {"10", "9", "100"}, true), (std::vector<std::string>{"100", "10", "9"}));
}

TEST(TableSort, AddressesIpv4ThenIpv6ThenNamesIgnoringCase) {
    const std::vector<std::string> addresses{
        "zeta.example", "[::1]", "10.0.0.2", "*", "[2001:db8::2]", "Alpha.example", "9.255.255.255",
        "[fe80::9a:7b%12]", "[::ffff:1.2.3.4]", "10.0.0.10", "[::]", "beta", "256.1.1.1", "[1:2:3:4:5:6:7:8]"};
    EXPECT_EQ(Sorted(ColumnKind::Address, addresses),
              (std::vector<std::string>{"9.255.255.255", "10.0.0.2", "10.0.0.10", "[::]", "[::1]", "[::ffff:1.2.3.4]",
                                        "[1:2:3:4:5:6:7:8]", "[2001:db8::2]", "[fe80::9a:7b%12]", "*", "256.1.1.1",
                                        "Alpha.example", "beta", "zeta.example"}));
    // Written differently, the same address.
    EXPECT_EQ(CompareFields(ColumnKind::Address, "[2001:DB8:0:0::2]", "[2001:db8::0:2]"), 0);
    EXPECT_EQ(CompareFields(ColumnKind::Address, "[::ffff:1.2.3.4]", "[::ffff:102:304]"), 0);
    // Not addresses: sorted as names.
    for (const char* name : {"1.2.3", "1.2.3.4.5", "[1::2::3]", "[1:2:3:4:5:6:7:8:9]", "[12345::]", "[1:]"})
        EXPECT_GT(CompareFields(ColumnKind::Address, name, "[ffff:ffff:ffff:ffff:ffff:ffff:ffff:ffff]"), 0) << name;
}

TEST(TableSort, TiesKeepTheListingOrderInBothDirections) {
    const std::vector<std::string> status{"LISTENING", "ESTABLISHED", "established", "TIME_WAIT", "ESTABLISHED", "*"};
    EXPECT_EQ(SortedRows(ColumnKind::Text, status, false), (std::vector<int>{5, 1, 2, 4, 0, 3}));
    EXPECT_EQ(SortedRows(ColumnKind::Text, status, true), (std::vector<int>{3, 0, 1, 2, 4, 5}));
    EXPECT_EQ(SortedRows(ColumnKind::Address, std::vector<std::string>{"[::1]", "[::1%3]", "host", "HOST"}, true),
              (std::vector<int>{2, 3, 0, 1}));
    EXPECT_TRUE(SortedRows(ColumnKind::Number, std::vector<std::string>{}, false).empty());
}

TEST(TableTextFormat, TabSeparatedWithHeaderAndCrLf) {
    const std::vector<std::string> header{"#", "Proto", "Status"};
    const std::vector<std::vector<std::string>> rows{{"2", "UDP", "*"}, {"1", "TCP", "bad\tfield\r\n"}};
    auto field = [&](std::size_t r, std::size_t c) { return rows[r][c]; };
    EXPECT_EQ(TableText(TableFormat::Tsv, header, 2, field), "#\tProto\tStatus\r\n2\tUDP\t*\r\n1\tTCP\tbad field  \r\n");
    EXPECT_EQ(TableText(TableFormat::Tsv, header, 0, field), "#\tProto\tStatus\r\n");
}

TEST(TableTextFormat, CsvQuotesOnlyWhatNeedsIt) {
    const std::vector<std::string> header{"a", "b,c", "d"};
    const std::vector<std::string> row{"plain", "say \"hi\"", ""};
    const std::vector<std::string> row2{"line\nbreak", "cr\rhere", "x y"};
    auto field = [&](std::size_t r, std::size_t c) { return (r == 0 ? row : row2)[c]; };
    EXPECT_EQ(TableText(TableFormat::Csv, header, 2, field),
              "a,\"b,c\",d\r\nplain,\"say \"\"hi\"\"\",\r\n\"line\nbreak\",\"cr\rhere\",x y\r\n");
}

TEST(TableTextFormat, ArbitraryFieldsRoundTripThroughCsv) {
    std::mt19937 random(20240611);
    const std::string alphabet = "ab,\"\r\n \t;'";
    for (int round = 0; round < 500; ++round) {
        const std::size_t columns = 1 + random() % 6, rows = random() % 5;
        std::vector<std::vector<std::string>> table(rows + 1, std::vector<std::string>(columns));
        for (auto& line : table)
            for (auto& f : line)
                for (std::size_t n = random() % 8; n > 0; --n) f.push_back(alphabet[random() % alphabet.size()]);
        const std::string text = TableText(TableFormat::Csv, table[0], rows,
                                           [&](std::size_t r, std::size_t c) { return table[r + 1][c]; });
        ASSERT_EQ(ReadCsv(text), table) << text;
    }
}
