#pragma once
// The table's filter: the words of a filter text, the rows' searchable text folded once, and
// the rows that match. Texts are UTF-16, as the table shows them.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sockmere {

// The lower-case form of a UTF-16 unit: ASCII, Latin, Greek, Cyrillic and full-width Latin
// letters, the letters that the ANSI code pages hold; anything else stays as it is.
char16_t FoldCase(char16_t c) noexcept;

// "N of M rows".
std::string ShownRowsText(int shown, int total);

class RowFilter {
public:
    // Column 0 holds the row's number, which is not searched.
    static constexpr int kFirstSearchedColumn = 1;

    // Takes the filter text: words split at blanks; a word of "-" and more excludes the rest.
    void SetText(std::u16string_view text);
    // False when the text has no word: every row matches.
    bool Active() const noexcept { return !wanted_.empty() || !excluded_.empty(); }

    // The rows, each given cell by cell and ended by EndRow.
    void AddCell(int column, std::u16string_view cell);
    void EndRow();
    int RowCount() const noexcept { return static_cast<int>(rowEnds_.size()); }
    // Forgets the rows and gives their memory back.
    void ClearRows();

    // The rows that hold every word in one of their searched cells and no excluded one, in
    // row order; every row when the text has no word.
    std::vector<int> Matches() const;

private:
    bool RowMatches(std::u16string_view row) const;

    std::vector<std::u16string> wanted_, excluded_;  // folded
    std::u16string text_;  // each row's searched cells, folded, each ended by a 0
    std::vector<std::uint32_t> rowEnds_;
};

}  // namespace sockmere
