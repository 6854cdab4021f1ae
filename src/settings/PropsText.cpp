#include "settings/PropsText.h"

#include <charconv>

namespace sockmere {

std::string_view TrimControls(std::string_view text) noexcept {
    auto blank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

std::optional<PropLine> SplitPropLine(std::string_view line) noexcept {
    const size_t dot = line.find('.');
    if (dot == std::string_view::npos) return std::nullopt;
    PropLine parts{TrimControls(line.substr(0, dot)), TrimControls(line.substr(dot + 1))};
    if (parts.component.empty() || parts.property.empty()) return std::nullopt;
    return parts;
}

std::vector<std::string_view> SetWords(std::string_view text) {
    constexpr std::string_view separators = " ,[]";
    std::vector<std::string_view> words;
    size_t at = 0;
    while ((at = text.find_first_not_of(separators, at)) != std::string_view::npos) {
        size_t end = text.find_first_of(separators, at);
        if (end == std::string_view::npos) end = text.size();
        words.push_back(text.substr(at, end - at));
        at = end;
    }
    return words;
}

std::string SetText(const std::vector<std::string_view>& names) {
    std::string text = "[";
    for (size_t i = 0; i < names.size(); ++i) {
        if (i) text += ',';
        text += names[i];
    }
    return text + "]";
}

std::int32_t DecimalOrZero(std::string_view text) noexcept {
    // from_chars takes a minus sign only, so a plus is dropped here, but not before another sign.
    if (text.size() > 1 && text.front() == '+' && text[1] != '-') text.remove_prefix(1);
    std::int32_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return 0;
    return value;
}

}  // namespace sockmere
