#pragma once
// The main window's pure rules: clock texts, tray tip, start-up switches and the resize layout.
#include <cstdint>
#include <string>
#include <string_view>

#include "framework/DpiScale.h"
#include "listing/ListingOutcome.h"
#include "ui/RowChanges.h"

namespace sockmere {

// "Elapsed: " and the seconds in general decimal form (up to 15 significant digits, no
// exponent, no trailing zeros), with the given decimal separator.
std::string FormatElapsed(std::uint32_t elapsedMs, char decimalSeparator = '.');

// "%.2d:%.2d:%.2d" of a count of seconds; the hours are not wrapped.
std::string FormatClock(std::int32_t seconds);

// "Last update: " and the clock of the last-update counter.
std::string FormatLastUpdate(std::int32_t ticks);

// The tray tip: the two clocks when asked for, else the program's name.
std::string TrayTip(bool showTimePassed, std::string_view lastUpdatePanel, std::string_view elapsedPanel);

// The command could not be started, was silent too long or called off, or exited with a
// non-zero code without showing a connection.
bool ListingFailed(const ListingRun& run) noexcept;

// Panel 0's last text in a refresh: a failure when the listing failed; "Done." otherwise,
// followed by what changed since the listing before, then a note when the processes that own
// the connections could not be listed. rowsShown: the table shows what this run printed, as
// after a refresh (an update that failed leaves the rows before it).
std::string RefreshEndText(const ListingRun& run, const ChangeCounts& changes = {}, bool rowsShown = true);

// A stored switch of the program's own: on for "True" in any letter case, off for anything else.
bool StoredSwitchOn(std::string_view text) noexcept;
// The text that StoredSwitchOn reads back.
inline const char* StoredSwitchText(bool on) noexcept { return on ? "True" : "False"; }

struct StartSwitches {
    bool startInTray = false;
    bool fetchAtStart = true;
};

// Only the first two arguments count, compared exactly: "-t" and "-n".
StartSwitches ParseStartSwitches(int argc, const char* const* argv);

struct Bounds {
    int left, top, width, height;
    friend bool operator==(const Bounds&, const Bounds&) = default;
};

// Where the resize rules put the moving controls for an outer window size W x H.
struct MainLayout {
    int listTop;  // below the filter bar while it is open
    int listWidth, listHeight;
    int animateLeft, animateTop;
    int buttonTop;    // Button1, Button4, Button3, Button2
    int checkBoxTop;  // check1, check2, check3
};

// At another DPI than 96 the rules' margins and offsets are scaled; the outer size is then the
// one a design measures (fw::DesignOuterLength).
MainLayout LayoutForOuterSize(int outerWidth, int outerHeight, int dpi = fw::kDesignDpi, bool filterBar = false);

// The filter bar across the top of the client area, width pixels wide: its height, and its
// label, box and row count inside it, at a DPI.
struct FilterBarLayout {
    int height;
    Bounds label, box, count;
};
FilterBarLayout LayoutFilterBar(int width, int dpi = fw::kDesignDpi);

}  // namespace sockmere
