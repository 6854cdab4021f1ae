#include "listing/TextOps.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "listing/ListingParser.h"

namespace sockmere {
namespace {

using namespace text;

TEST(ListingTextOps, FirstFromDropHonourTheirBounds) {
    EXPECT_EQ(First("abcdef", 3), "abc");
    EXPECT_EQ(First("abc", 9), "abc");
    EXPECT_EQ(First("abc", 0), "");
    EXPECT_EQ(First("abc", -4), "");

    EXPECT_EQ(From("abcdef", 2, 3), "bcd");
    EXPECT_EQ(From("abcdef", 0, 2), "ab");
    EXPECT_EQ(From("abcdef", -7, 2), "ab");
    EXPECT_EQ(From("abcdef", 5, 99), "ef");
    EXPECT_EQ(From("abcdef", 6, 1), "f");
    EXPECT_EQ(From("abcdef", 7, 1), "");
    EXPECT_EQ(From("", 1, 1), "");

    EXPECT_EQ(Drop("abcdef", 2), "cdef");
    EXPECT_EQ(Drop("abc", 0), "abc");
    EXPECT_EQ(Drop("abc", -1), "abc");
    EXPECT_EQ(Drop("abc", 3), "");
    EXPECT_EQ(Drop("abc", 4), "");
}

TEST(ListingTextOps, FindCountsFromOne) {
    EXPECT_EQ(Find(':', "a:b:c"), 2);
    EXPECT_EQ(Find(':', ":"), 1);
    EXPECT_EQ(Find(':', "abc"), 0);
    EXPECT_EQ(Find(':', ""), 0);
}

TEST(ListingTextOps, TrimRemovesControlCharsButKeepsHighBytes) {
    EXPECT_EQ(Trim(std::string_view("\0\t x y \r\n\x1f", 9)), "x y");
    EXPECT_EQ(Trim("\xa0x\xff"), "\xa0x\xff");
    EXPECT_EQ(Trim("   "), "");
    EXPECT_EQ(TrimLeft("  x  "), "x  ");
    EXPECT_EQ(TrimLeft(""), "");
}

std::vector<std::string> Lines(std::string_view text) {
    std::vector<std::string> lines;
    LineReader reader(text);
    std::string_view line;
    while (reader.Next(line)) lines.emplace_back(line);
    EXPECT_EQ(CountLines(text), lines.size());
    return lines;
}

using Strings = std::vector<std::string>;

TEST(ListingLines, OnlyCrLfPairsEndLines) {
    EXPECT_EQ(Lines(""), Strings{});
    EXPECT_EQ(Lines("a"), Strings{"a"});
    EXPECT_EQ(Lines("a\r\nb"), (Strings{"a", "b"}));
    EXPECT_EQ(Lines("a\rb\nc\r\n"), Strings{"a\rb\nc"});
    EXPECT_EQ(Lines("a\n\rb\r\nc"), (Strings{"a\n\rb", "c"}));
    EXPECT_EQ(Lines("a\r\r\nb"), (Strings{"a\r", "b"}));
    EXPECT_EQ(Lines("a\r"), Strings{"a\r"});
}

TEST(ListingLines, LfEndsLinesOnlyInATextWithoutCrLf) {
    EXPECT_EQ(Lines("a\nb\n"), (Strings{"a", "b"}));
    EXPECT_EQ(Lines("\n\na\rb\nc"), (Strings{"", "", "a\rb", "c"}));
    EXPECT_EQ(DropFirstLine("a\nb\nc"), "b\nc");
    // One CR LF anywhere decides for the whole text, and a dropped line does not change that.
    EXPECT_EQ(Lines("a\nb\r\nc\nd"), (Strings{"a\nb", "c\nd"}));
    EXPECT_EQ(DropFirstLine(DropFirstLine("a\r\nb\nc", fw::LineBreaks::CrLf), fw::LineBreaks::CrLf), "");
}

TEST(ListingLines, FinalBreakAddsNoEmptyLine) {
    EXPECT_EQ(Lines("a\r\n"), Strings{"a"});
    EXPECT_EQ(Lines("\r\n"), Strings{""});
    EXPECT_EQ(Lines("\r\n\r\n"), (Strings{"", ""}));
    EXPECT_EQ(Lines("a\r\n\r\nb\r\n"), (Strings{"a", "", "b"}));
}

TEST(ListingLines, LongLinesAreCut) {
    const std::string exact(kMaxLineLength, 'x');
    const std::string longer = std::string(kMaxLineLength, 'y') + "tail";
    EXPECT_EQ(Lines(exact + "\r\n" + longer + "\r\nz"), (Strings{exact, longer.substr(0, kMaxLineLength), "z"}));
}

TEST(ListingLines, DropFirstLineRemovesOneLineAndItsBreak) {
    EXPECT_EQ(DropFirstLine("a\r\nb\r\nc"), "b\r\nc");
    EXPECT_EQ(DropFirstLine("\r\nb"), "b");
    EXPECT_EQ(DropFirstLine("a\r\n"), "");
    EXPECT_EQ(DropFirstLine("a\rb\r\nc"), "c");
    EXPECT_EQ(DropFirstLine(""), "");
    const std::string longer = std::string(kMaxLineLength + 10, 'y') + "\r\nnext";
    EXPECT_EQ(DropFirstLine(longer), "next");
}

}  // namespace
}  // namespace sockmere
