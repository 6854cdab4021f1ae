#include "ui/MainWindowRules.h"

#include <cstdio>

namespace sockmere {

std::string FormatElapsed(std::uint32_t elapsedMs, char decimalSeparator) {
    char digits[64];
    // A 32-bit millisecond count has at most 10 significant digits, so %.15g never uses an
    // exponent and drops trailing zeros by itself.
    std::snprintf(digits, sizeof digits, "%.15g", elapsedMs * 0.001);
    std::string text = "Elapsed: ";
    for (const char* p = digits; *p; ++p) text += *p == '.' ? decimalSeparator : *p;
    text += " s";
    return text;
}

std::string FormatClock(std::int32_t seconds) {
    char text[48];
    std::snprintf(text, sizeof text, "%.2d:%.2d:%.2d", static_cast<int>(seconds / 3600),
                  static_cast<int>(seconds % 3600 / 60), static_cast<int>(seconds % 60));
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

std::string RefreshEndText(const ListingRun& run) {
    if (!run.started) return "Failed: netstat could not be started.";
    if (run.exitCode != 0 && run.printedNothing)
        return "Failed: netstat exited with code " + std::to_string(run.exitCode) + ".";
    return "Done.";
}

StartSwitches ParseStartSwitches(int argc, const char* const* argv) {
    StartSwitches s;
    auto arg = [&](int i) -> std::string_view { return i < argc && argv[i] ? argv[i] : ""; };
    if (arg(1) == "-t" || arg(2) == "-t") s.startInTray = true;
    if (arg(1) == "-n" || arg(2) == "-n") s.fetchAtStart = false;
    return s;
}

MainLayout LayoutForOuterSize(int w, int h) {
    MainLayout l{};
    l.listWidth = w - 8;
    l.listHeight = h - 103;
    l.animateTop = l.listHeight + 2;
    l.animateLeft = w - 57;
    l.buttonTop = l.listHeight + 7;
    l.checkBoxTop = l.buttonTop + 32;
    return l;
}

}  // namespace sockmere
