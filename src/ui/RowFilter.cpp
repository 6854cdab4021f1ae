#include "ui/RowFilter.h"

#include <algorithm>
#include <charconv>

namespace sockmere {

namespace {

bool Blank(char16_t c) noexcept {
    return c <= u' ' || c == 0xA0 || c == 0x3000;
}

void AppendFolded(std::u16string& to, std::u16string_view text) {
    for (char16_t c : text) to += FoldCase(c);
}

}  // namespace

char16_t FoldCase(char16_t c) noexcept {
    auto in = [c](unsigned from, unsigned to) { return c >= from && c <= to; };
    if (in('A', 'Z') || (in(0xC0, 0xDE) && c != 0xD7) || in(0x391, 0x3AB) || in(0x410, 0x42F) || in(0xFF21, 0xFF3A))
        return static_cast<char16_t>(c + 32);
    if (c < 0x100) return c;
    // Latin Extended-A pairs each capital with the small letter after it: on even units up to
    // U+0137 and from U+014A to U+0177, on odd ones elsewhere. Two small letters have no pair.
    if (c < 0x180) {
        if (c == 0x130) return u'i';
        if (c == 0x178) return 0xFF;
        const bool oddCapital = in(0x139, 0x148) || c >= 0x179;
        return c != 0x138 && c != 0x17F && (c & 1) == oddCapital ? static_cast<char16_t>(c + 1) : c;
    }
    if (c == 0x1A0 || c == 0x1AF) return static_cast<char16_t>(c + 1);  // Vietnamese O and U with horn
    if (c == 0x386) return 0x3AC;
    if (in(0x388, 0x38A)) return static_cast<char16_t>(c + 37);
    if (c == 0x38C) return 0x3CC;
    if (in(0x38E, 0x38F)) return static_cast<char16_t>(c + 63);
    if (c == 0x3C2) return 0x3C3;  // the final sigma is a sigma
    if (in(0x400, 0x40F)) return static_cast<char16_t>(c + 80);
    if (c == 0x4C0) return 0x4CF;
    if ((in(0x460, 0x481) || in(0x48A, 0x4BF) || in(0x4D0, 0x52F)) && !(c & 1)) return static_cast<char16_t>(c + 1);
    if (in(0x4C1, 0x4CE) && (c & 1)) return static_cast<char16_t>(c + 1);
    return c;
}

std::string ShownRowsText(int shown, int total) {
    char text[40];
    char* end = std::to_chars(text, text + 11, shown).ptr;
    end = std::copy_n(" of ", 4, end);
    end = std::to_chars(end, end + 11, total).ptr;
    end = std::copy_n(" rows", 5, end);
    return std::string(text, end);
}

void RowFilter::SetText(std::u16string_view text) {
    wanted_.clear();
    excluded_.clear();
    for (std::size_t at = 0; at < text.size();) {
        if (Blank(text[at])) {
            ++at;
            continue;
        }
        std::size_t end = at;
        while (end < text.size() && !Blank(text[end])) ++end;
        const bool excluded = text[at] == u'-' && end - at > 1;
        std::u16string word;
        AppendFolded(word, text.substr(at + excluded, end - at - excluded));
        // A word said twice is looked for once.
        std::vector<std::u16string>& words = excluded ? excluded_ : wanted_;
        if (std::find(words.begin(), words.end(), word) == words.end()) words.push_back(std::move(word));
        at = end;
    }
}

void RowFilter::AddCell(int column, std::u16string_view cell) {
    if (column < kFirstSearchedColumn) return;
    AppendFolded(text_, cell);
    // No word holds a 0, so none runs from one cell into the next.
    text_ += u'\0';
}

void RowFilter::EndRow() {
    rowEnds_.push_back(static_cast<std::uint32_t>(text_.size()));
}

void RowFilter::ClearRows() {
    std::u16string().swap(text_);
    std::vector<std::uint32_t>().swap(rowEnds_);
}

bool RowFilter::RowMatches(std::u16string_view row) const {
    for (const std::u16string& word : wanted_)
        if (row.find(word) == std::u16string_view::npos) return false;
    for (const std::u16string& word : excluded_)
        if (row.find(word) != std::u16string_view::npos) return false;
    return true;
}

std::vector<int> RowFilter::Matches() const {
    std::vector<int> rows;
    const std::u16string_view text = text_;
    std::uint32_t start = 0;
    for (int row = 0; row < RowCount(); ++row) {
        const std::uint32_t end = rowEnds_[static_cast<std::size_t>(row)];
        if (RowMatches(text.substr(start, end - start))) rows.push_back(row);
        start = end;
    }
    return rows;
}

}  // namespace sockmere
