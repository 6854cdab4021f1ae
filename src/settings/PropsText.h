#pragma once
// Text rules of stored properties: entry lines, set texts and whole numbers.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sockmere {

// Without leading and trailing characters of code 32 or less.
std::string_view TrimControls(std::string_view text) noexcept;

// An entry line "component.property", split at its first dot, both parts trimmed.
struct PropLine {
    std::string_view component;
    std::string_view property;
};
// Nothing for a line without a dot or with an empty part.
std::optional<PropLine> SplitPropLine(std::string_view line) noexcept;

// The words of a set text, separated by any of blank, ",", "[" and "]".
std::vector<std::string_view> SetWords(std::string_view text);
// "[a,b]" from the member names in the order given.
std::string SetText(const std::vector<std::string_view>& names);

// A decimal 32-bit integer with an optional sign; anything else gives 0.
std::int32_t DecimalOrZero(std::string_view text) noexcept;

}  // namespace sockmere
