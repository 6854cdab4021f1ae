#include "listing/ListingParser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace sockmere {
namespace {

ConnectionRow Row(std::string number, std::string protocol, std::string localPort,
                  std::string remoteAddress, std::string remotePort, std::string status) {
    return {std::move(number), std::move(protocol), std::move(localPort),
            std::move(remoteAddress), std::move(remotePort), std::move(status)};
}

}  // namespace

static void PrintTo(const ConnectionRow& r, std::ostream* os) {
    *os << '{' << r.Number << '|' << r.Protocol << '|' << r.LocalPort << '|' << r.RemoteAddress
        << '|' << r.RemotePort << '|' << r.Status << '|' << r.Pid << '}';
}

namespace {

std::vector<ConnectionRow> Parse(std::string_view text) {
    std::vector<ConnectionRow> rows;
    const std::size_t count = ParseListing(text, [&](ConnectionRow&& row) { rows.push_back(std::move(row)); });
    EXPECT_EQ(count, rows.size());
    return rows;
}

const std::string kHeader =
    "\r\nActive Connections\r\n\r\n  Proto  Local Address          Foreign Address        State\r\n";

TEST(SplitListingLine, KnownLineShapes) {
    EXPECT_EQ(SplitListingLine("  TCP    127.0.0.1:1061         127.0.0.1:1493         ESTABLISHED", 1),
              Row("1", "TCP", "1061", "127.0.0.1", "1493", "ESTABLISHED"));
    EXPECT_EQ(SplitListingLine("  TCP    0.0.0.0:135            0.0.0.0:0              LISTENING", 2),
              Row("2", "TCP", "135", "0.0.0.0", "0", "LISTENING"));
    EXPECT_EQ(SplitListingLine("  UDP    0.0.0.0:137            *:*", 3),
              Row("3", "UDP", "137", "*", "", "*"));
    EXPECT_EQ(SplitListingLine("  UDP    0.0.0.0:137            *:*    ", 4),
              Row("4", "UDP", "137", "*", "*", ""));
    EXPECT_EQ(SplitListingLine("  TCP    127.0.0.1:1061", 5),
              Row("5", "TCP", "", "127.0.0.1", "", "1061"));
    EXPECT_EQ(SplitListingLine("  TCP    LOCAL                  REMOTE                 CLOSED", 6),
              Row("6", "TCP", "LOCAL", "", "EMOTE", "CLOSED"));
    EXPECT_EQ(SplitListingLine("", 7), Row("7", "", "", "", "", ""));
}

TEST(SplitListingLine, HostNamesAndServiceNames) {
    EXPECT_EQ(SplitListingLine("  TCP    mybox:1234             server.example.com:https  ESTABLISHED", 1),
              Row("1", "TCP", "1234", "server.example.com", "https", "ESTABLISHED"));
    EXPECT_EQ(SplitListingLine("  TCP    mybox:netbios-ssn      localhost:0            LISTENING", 12),
              Row("12", "TCP", "netbios-ssn", "localhost", "0", "LISTENING"));
}

TEST(SplitListingLine, BracketedIpv6Endpoints) {
    EXPECT_EQ(SplitListingLine("  TCP    [::]:135               [::]:0                 LISTENING", 1),
              Row("1", "TCP", "135", "[::]", "0", "LISTENING"));
    EXPECT_EQ(SplitListingLine("  TCP    [fe80::1c2b:3d4e%12]:49664  [fe80::9a:7b%12]:445  ESTABLISHED", 2),
              Row("2", "TCP", "49664", "[fe80::9a:7b%12]", "445", "ESTABLISHED"));
    EXPECT_EQ(SplitListingLine("  TCP    [2001:db8::1]:443      [2001:db8::2]:50000    TIME_WAIT", 3),
              Row("3", "TCP", "443", "[2001:db8::2]", "50000", "TIME_WAIT"));
    EXPECT_EQ(SplitListingLine("  UDP    [::1]:1900             *:*                    ", 4),
              Row("4", "UDP", "1900", "*", "*", ""));
    // An IPv4 side beside an IPv6 side keeps the plain split for that side.
    EXPECT_EQ(SplitListingLine("  TCP    127.0.0.1:80           [::1]:8080             SYN_SENT", 5),
              Row("5", "TCP", "80", "[::1]", "8080", "SYN_SENT"));
    EXPECT_EQ(SplitListingLine("  TCP    [::1]:8080             127.0.0.1:80           SYN_SENT", 6),
              Row("6", "TCP", "8080", "127.0.0.1", "80", "SYN_SENT"));
}

TEST(SplitListingLine, BracketsWithoutPortBeforeBlankUsePlainSplit) {
    // "]:" appears only after the address's first blank, so the first colon counts.
    EXPECT_EQ(SplitListingLine("  TCP    [::] [x]:1   y:2  CLOSED", 1),
              Row("1", "TCP", ":]", "[x]", "1", "y:2  CLOSED"));
    EXPECT_EQ(SplitListingLine("  TCP    a:1  [::] [y]:2  CLOSED", 2),
              Row("2", "TCP", "1", "[", ":]", "[y]:2  CLOSED"));
}

// A row split as a listing of netstat -o is: its fields, then the owning process's ID.
ConnectionRow OwnedRow(std::string_view line) {
    ConnectionFields fields = SplitListingFields(line, 1);
    SplitOwnerPid(fields);
    return ToRow(fields);
}

TEST(SplitOwnerPid, TakesTheTrailingIdOfTcpUdpIpv6AndStatelessRows) {
    auto owned = [](std::string status, std::string pid, ConnectionRow row) {
        row.Status = std::move(status);
        row.Pid = std::move(pid);
        return row;
    };
    EXPECT_EQ(OwnedRow("  TCP    0.0.0.0:135            0.0.0.0:0              LISTENING       1044"),
              owned("LISTENING", "1044", Row("1", "TCP", "135", "0.0.0.0", "0", "")));
    EXPECT_EQ(OwnedRow("  TCP    192.168.1.10:49723     20.42.65.92:443        ESTABLISHED\t5632"),
              owned("ESTABLISHED", "5632", Row("1", "TCP", "49723", "20.42.65.92", "443", "")));
    EXPECT_EQ(OwnedRow("  TCP    [::1]:49670            [::1]:49671            ESTABLISHED     4120"),
              owned("ESTABLISHED", "4120", Row("1", "TCP", "49670", "[::1]", "49671", "")));
    EXPECT_EQ(OwnedRow("  UDP    0.0.0.0:5353           *:*                                    2872"),
              owned("", "2872", Row("1", "UDP", "5353", "*", "*", "")));
    EXPECT_EQ(OwnedRow("  TCP    127.0.0.1:1061         127.0.0.1:1493         ESTABLISHED     0"),
              owned("ESTABLISHED", "0", Row("1", "TCP", "1061", "127.0.0.1", "1493", "")));
    // A last token that is not all digits stays in Status, and so does a row without one.
    for (const char* line : {"  TCP    a:1  b:2  ESTABLISHED  12a", "  TCP    a:1  b:2  ESTABLISHED  -12",
                             "  TCP    a:1  b:2  ESTABLISHED  x12", "  TCP    a:1  b:2  LISTENING", "  UDP    c:3  *:*", ""}) {
        const ConnectionRow row = OwnedRow(line);
        EXPECT_EQ(row, SplitListingLine(line, 1)) << line;
        EXPECT_EQ(row.Pid, "") << line;
    }
}

TEST(ParseListing, HeaderLinesNeverMakeRows) {
    EXPECT_TRUE(Parse("").empty());
    EXPECT_TRUE(Parse("\r\n").empty());
    EXPECT_TRUE(Parse(kHeader).empty());
    // The same four lines without the final break still give none.
    EXPECT_TRUE(Parse(kHeader.substr(0, kHeader.size() - 2)).empty());
}

TEST(ParseListing, FifthLineIsRowOne) {
    const auto rows = Parse(kHeader + "  TCP    0.0.0.0:135            0.0.0.0:0              LISTENING");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], Row("1", "TCP", "135", "0.0.0.0", "0", "LISTENING"));
}

TEST(ParseListing, EmptyLinesAreRowsToo) {
    const auto rows = Parse(kHeader + "\r\n\r\n  UDP    0.0.0.0:137            *:*\r\n");
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0], Row("1", "", "", "", "", ""));
    EXPECT_EQ(rows[1], Row("2", "", "", "", "", ""));
    EXPECT_EQ(rows[2], Row("3", "UDP", "137", "*", "", "*"));
}

TEST(ParseListing, RowsAreNumberedInOrderWithoutGaps) {
    std::string text = kHeader;
    for (int i = 0; i < 1500; ++i) text += "  TCP    10.0.0.1:" + std::to_string(i) + "  10.0.0.2:80  ESTABLISHED\r\n";
    const auto rows = Parse(text);
    ASSERT_EQ(rows.size(), 1500u);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        ASSERT_EQ(rows[i].Number, std::to_string(i + 1));
        ASSERT_EQ(rows[i].LocalPort, std::to_string(i));
    }
}

TEST(ParseListing, StepwiseDropMatchesWholeParse) {
    const std::string text = kHeader + "  TCP    a:1  b:2  CLOSED\r\n  UDP    c:3  *:*";
    std::string_view rest = text;
    for (int i = 0; i < 3; ++i) rest = DropFirstLine(rest);
    std::vector<ConnectionRow> rows;
    EXPECT_EQ(ParseListingBody(rest, [&](ConnectionRow&& row) { rows.push_back(std::move(row)); }), 2u);
    EXPECT_EQ(rows, Parse(text));
    // Drops past the end of a short text change nothing further.
    std::string_view shortText = "only line";
    for (int i = 0; i < 3; ++i) shortText = DropFirstLine(shortText);
    EXPECT_EQ(shortText, "");
}

TEST(ParseListing, LoneCrOrLfStayInsideRow) {
    const auto rows = Parse(kHeader + "  TCP    a:1  b:2  CLOSED\n  UDP    c:3  *:*\r\n");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].Status, "CLOSED\n  UDP    c:3  *:*");
}

TEST(ParseListing, LfOnlyListingMakesRowsAndOneCrLfKeepsTheOldSplit) {
    std::string lf = kHeader + "  TCP    a:1  b:2  CLOSED\r\n  UDP    c:3  *:*\r\n";
    for (std::size_t at; (at = lf.find("\r\n")) != std::string::npos;) lf.erase(at, 1);
    const auto rows = Parse(lf);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], Row("1", "TCP", "1", "b", "2", "CLOSED"));
    EXPECT_EQ(rows[1], Row("2", "UDP", "3", "*", "", "*"));
    // A CR LF in the first line only: the rest is one line, the header block, and makes no row.
    EXPECT_TRUE(Parse("\r\n" + lf.substr(1)).empty());
}

TEST(ParseListing, OverlongRowIsCutBeforeSplitting) {
    const std::string pad(kMaxLineLength, ' ');
    const auto rows = Parse(kHeader + "  TCP    a:1  b:2  " + pad + "LOST\r\n");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], Row("1", "TCP", "1", "b", "2", ""));
}

TEST(ParseListing, FieldViewsLieInTheTextAndGiveTheSameRows) {
    const std::string pad(kMaxLineLength, ' ');
    const std::string text = kHeader + "  TCP    [::]:135  [fe80::1%12]:49664  LISTENING\r\n"
                             "  UDP    0.0.0.0:500  *:*\r\n  TCP    a:1  b:2  " + pad + "LOST\r\n\r\nx";
    std::string_view rest = text;
    for (int i = 0; i < 3; ++i) rest = DropFirstLine(rest);
    std::vector<ConnectionRow> rows;
    std::size_t last = 0;
    const auto inText = [&](std::string_view v) {
        return v.empty() || (v.data() >= text.data() && v.data() + v.size() <= text.data() + text.size());
    };
    EXPECT_EQ(ParseListingFields(rest, [&](const ConnectionFields& f) {
                  EXPECT_EQ(f.Number, last + 1);
                  last = f.Number;
                  for (std::string_view v : {f.Protocol, f.LocalPort, f.RemoteAddress, f.RemotePort, f.Status})
                      EXPECT_TRUE(inText(v)) << v;
                  rows.push_back(ToRow(f));
              }),
              5u);
    EXPECT_EQ(rows, Parse(text));
}

}  // namespace
}  // namespace sockmere
