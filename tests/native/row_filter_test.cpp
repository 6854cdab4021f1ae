#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "ui/RowFilter.h"

using namespace sockmere;

namespace {

// A filter over rows given as their cells, "#" first, and the rows that the text leaves.
std::vector<int> Match(std::u16string_view text, std::initializer_list<std::initializer_list<const char16_t*>> rows) {
    RowFilter filter;
    for (const auto& row : rows) {
        int column = 0;
        for (const char16_t* cell : row) filter.AddCell(column++, cell);
        filter.EndRow();
    }
    filter.SetText(text);
    return filter.Matches();
}

const std::initializer_list<std::initializer_list<const char16_t*>> kRows = {
    {u"1", u"TCP", u"1061", u"10.0.0.10", u"443", u"ESTABLISHED"},
    {u"2", u"TCP", u"80", u"[::1]", u"443", u"TIME_WAIT"},
    {u"3", u"UDP", u"137", u"*", u"*", u""},
    {u"443", u"TCP", u"5432", u"db.example", u"postgresql", u"LISTENING", u"4", u"Postgres.exe"},
};

}  // namespace

TEST(RowFilterTest, EveryWordInSomeCellAndNoExcludedOne) {
    EXPECT_EQ(Match(u"443", kRows), (std::vector<int>{0, 1}));
    EXPECT_EQ(Match(u"  443 \t-TIME_WAIT ", kRows), (std::vector<int>{0}));
    EXPECT_EQ(Match(u"tcp 443", kRows), (std::vector<int>{0, 1}));
    EXPECT_EQ(Match(u"tcp -443 -udp", kRows), (std::vector<int>{3}));
    // Words match inside one cell, never across two, and never in the row's number.
    EXPECT_EQ(Match(u"TCP1061", kRows), (std::vector<int>{}));
    EXPECT_EQ(Match(u"2", kRows), (std::vector<int>{3}));
    EXPECT_EQ(Match(u"postgres 4 -missing", kRows), (std::vector<int>{3}));
}

TEST(RowFilterTest, EmptyTextsAndALoneDashKeepTheirPlainMeaning) {
    for (std::u16string_view blank : {u"", u" ", u"\t \x00A0\x3000"})
        EXPECT_EQ(Match(blank, kRows), (std::vector<int>{0, 1, 2, 3}));
    // A lone "-" is a word like any other: only rows with a dash in them.
    EXPECT_EQ(Match(u"-", kRows), (std::vector<int>{}));
    EXPECT_EQ(Match(u"-", {{u"1", u"a-b"}, {u"2", u"ab"}}), (std::vector<int>{0}));
    EXPECT_EQ(Match(u"- -b", {{u"1", u"a-b"}, {u"2", u"a-c"}}), (std::vector<int>{1}));
    RowFilter none;
    none.SetText(u"x");
    EXPECT_TRUE(none.Matches().empty());
    none.SetText(u"  ");
    EXPECT_FALSE(none.Active());
}

TEST(RowFilterTest, LetterCaseIsIgnoredInEveryScriptOfTheCodePages) {
    const std::initializer_list<std::initializer_list<const char16_t*>> rows = {
        {u"1", u"\x0416\x0443\x0440\x043D\x0430\x043B.exe"},  // Журнал.exe
        {u"2", u"CAF\x00C9 \x0160KODA \x0130STANBUL"},        // CAFÉ ŠKODA İSTANBUL
        {u"3", u"\x039F\x0394\x039F\x03A3 \x0406\x0407"},      // ΟΔΟΣ ІЇ
    };
    EXPECT_EQ(Match(u"\x0436\x0423\x0420\x041D\x0410\x041B", rows), (std::vector<int>{0}));
    EXPECT_EQ(Match(u"caf\x00E9 \x0161koda istanbul", rows), (std::vector<int>{1}));
    EXPECT_EQ(Match(u"\x03BF\x03B4\x03BF\x03C2 \x0456\x0457", rows), (std::vector<int>{2}));
    EXPECT_EQ(Match(u"-JOURNAL -\x0416\x0443\x0440", rows), (std::vector<int>{1, 2}));
    // Letters without a pair stay themselves; signs are not letters.
    for (char16_t c : {u'\x00DF', u'\x00D7', u'\x00F7', u'\x0138', u'\x017F', u'@', u'[', u'\x4E2D'})
        EXPECT_EQ(FoldCase(c), c);
    EXPECT_EQ(FoldCase(u'\x0178'), u'\x00FF');
    EXPECT_EQ(FoldCase(u'\x0179'), u'\x017A');
    EXPECT_EQ(FoldCase(u'\x014A'), u'\x014B');
    EXPECT_EQ(FoldCase(u'\xFF21'), u'\xFF41');
}

TEST(RowFilterTest, ManyWordsAndLongTextsStayBounded) {
    std::u16string many;
    for (int i = 0; i < 100; ++i) many += u"- -- t ";
    EXPECT_EQ(Match(many, {{u"1", u"t-"}, {u"2", u"t"}}), (std::vector<int>{}));
    RowFilter filter;
    filter.AddCell(1, std::u16string(100000, u'a'));
    filter.EndRow();
    filter.SetText(std::u16string(255, u'a'));
    EXPECT_EQ(filter.Matches(), std::vector<int>{0});
    filter.ClearRows();
    EXPECT_EQ(filter.RowCount(), 0);
    EXPECT_EQ(ShownRowsText(3, 120), "3 of 120 rows");
}
