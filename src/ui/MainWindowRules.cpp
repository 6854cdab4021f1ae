#include "ui/MainWindowRules.h"

#include <algorithm>
#include <charconv>

namespace sockmere {

std::string FormatElapsed(std::uint32_t elapsedMs, char decimalSeparator) {
    // Seconds with the milliseconds as decimals, trailing zeros dropped: 2.345, 2.3, 2.
    char digits[16];
    std::string text = "Elapsed: ";
    text.append(digits, std::to_chars(digits, digits + sizeof digits, elapsedMs / 1000).ptr);
    if (std::uint32_t ms = elapsedMs % 1000) {
        text += decimalSeparator;
        for (std::uint32_t unit = 100; ms; unit /= 10) {
            text += static_cast<char>('0' + ms / unit);
            ms %= unit;
        }
    }
    text += " s";
    return text;
}

std::string FormatClock(std::int32_t seconds) {
    // Each part as "%.2d" would give it: at least two digits, a sign before them when negative.
    std::string text;
    for (const std::int32_t part : {seconds / 3600, seconds % 3600 / 60, seconds % 60}) {
        if (!text.empty()) text += ':';
        if (part < 0) text += '-';
        const std::uint32_t value = part < 0 ? 0u - static_cast<std::uint32_t>(part) : static_cast<std::uint32_t>(part);
        if (value < 10) text += '0';
        char digits[12];
        text.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
    }
    return text;
}

std::string FormatLastUpdate(std::int32_t ticks) {
    return "Last update: " + FormatClock(ticks);
}

std::string TrayTip(bool showTimePassed, std::string_view lastUpdatePanel, std::string_view elapsedPanel) {
    if (!showTimePassed) return "Sockmere";
    std::string tip = "Sockmere : ";
    tip += lastUpdatePanel;
    tip += " * ";
    tip += elapsedPanel;
    return tip;
}

bool ListingFailed(const ListingRun& run) noexcept {
    return !run.started || run.silenced || run.cancelled || (run.exitCode != 0 && run.printedNothing);
}

std::string RefreshEndText(const ListingRun& run, const ChangeCounts& changes, bool rowsShown) {
    if (!run.started) return "Failed: netstat could not be started.";
    // Whatever it printed before, a command that fell silent may have left rows out.
    if (run.silenced)
        return rowsShown && !run.printedNothing
                   ? "Failed: netstat stopped answering; the rows shown may be incomplete."
                   : "Failed: netstat stopped answering.";
    if (run.cancelled) return "Failed: netstat was stopped.";
    if (ListingFailed(run)) return "Failed: netstat exited with code " + std::to_string(run.exitCode) + ".";
    std::string text = "Done." + ChangeCountsText(changes);
    if (run.withoutProcesses) text += " (no process information)";
    return text;
}

bool StoredSwitchOn(std::string_view text) noexcept {
    constexpr std::string_view kOn = "true";
    if (text.size() != kOn.size()) return false;
    for (std::size_t i = 0; i < kOn.size(); ++i)
        if ((text[i] | 0x20) != kOn[i]) return false;
    return true;
}

StartSwitches ParseStartSwitches(int argc, const char* const* argv) {
    StartSwitches s;
    auto arg = [&](int i) -> std::string_view { return i < argc && argv[i] ? argv[i] : ""; };
    if (arg(1) == "-t" || arg(2) == "-t") s.startInTray = true;
    if (arg(1) == "-n" || arg(2) == "-n") s.fetchAtStart = false;
    return s;
}

MainLayout LayoutForOuterSize(int w, int h, int dpi, bool filterBar) {
    auto at = [dpi](int designed) { return fw::ScaleLength(designed, dpi); };
    MainLayout l{};
    // The bar takes the table's top; everything below keeps its place.
    l.listTop = filterBar ? LayoutFilterBar(w, dpi).height : 0;
    l.listWidth = w - at(8);
    l.listHeight = h - at(103) - l.listTop;
    l.animateTop = l.listTop + l.listHeight + at(2);
    l.animateLeft = w - at(57);
    l.buttonTop = l.listTop + l.listHeight + at(7);
    l.checkBoxTop = l.buttonTop + at(32);
    return l;
}

FilterBarLayout LayoutFilterBar(int width, int dpi) {
    // Designed at 96 DPI: "Filter:" in 34 pixels, a box 21 high, "N of M rows" in 120 at the right.
    auto at = [dpi](int designed) { return fw::ScaleLength(designed, dpi); };
    const int textTop = at(7), textHeight = at(13), boxLeft = at(42), countWidth = at(120);
    const int countLeft = width - at(4) - countWidth;
    return {.height = at(27),
            .label = {at(6), textTop, at(34), textHeight},
            .box = {boxLeft, at(3), std::max(countLeft - at(8) - boxLeft, 0), at(21)},
            .count = {countLeft, textTop, countWidth, textHeight}};
}

}  // namespace sockmere
