#include <gtest/gtest.h>

#include "ui/MainWindowRules.h"

using namespace sockmere;

TEST(ClockTexts, ElapsedSecondsInGeneralDecimalForm) {
    EXPECT_EQ(FormatElapsed(2345), "Elapsed: 2.345 s");
    EXPECT_EQ(FormatElapsed(3000), "Elapsed: 3 s");
    EXPECT_EQ(FormatElapsed(120), "Elapsed: 0.12 s");
    EXPECT_EQ(FormatElapsed(0), "Elapsed: 0 s");
    EXPECT_EQ(FormatElapsed(1), "Elapsed: 0.001 s");
    EXPECT_EQ(FormatElapsed(2345, ','), "Elapsed: 2,345 s");
    // The largest 32-bit difference still prints without an exponent.
    EXPECT_EQ(FormatElapsed(4294967295u), "Elapsed: 4294967.295 s");
}

TEST(ClockTexts, LastUpdateHoursGrowPastTwoDigits) {
    EXPECT_EQ(FormatLastUpdate(0), "Last update: 00:00:00");
    EXPECT_EQ(FormatLastUpdate(1), "Last update: 00:00:01");
    EXPECT_EQ(FormatLastUpdate(3725), "Last update: 01:02:05");
    EXPECT_EQ(FormatLastUpdate(360000), "Last update: 100:00:00");
    EXPECT_EQ(FormatClock(754), "00:12:34");
    // A clock that wrapped past 2^31 ms shows its sign as the C format did.
    EXPECT_EQ(FormatClock(-3725), "-01:-02:-05");
}

TEST(TrayTipText, FollowsTheShowTimeOption) {
    EXPECT_EQ(TrayTip(true, "Last update: 00:12:34", "Elapsed: 2.345 s"),
              "Sockmere : Last update: 00:12:34 * Elapsed: 2.345 s");
    EXPECT_EQ(TrayTip(false, "Last update: 00:12:34", "Elapsed: 2.345 s"), "Sockmere");
}

TEST(RefreshEndTextTest, FailsOnlyWithoutAStartOrWithoutOutputAndSuccess) {
    EXPECT_EQ(RefreshEndText({.started = false, .exitCode = -1, .printedNothing = true}),
              "Failed: netstat could not be started.");
    EXPECT_EQ(RefreshEndText({.started = true, .exitCode = 1, .printedNothing = true}),
              "Failed: netstat exited with code 1.");
    EXPECT_EQ(RefreshEndText({.started = true, .exitCode = -1, .printedNothing = true}),
              "Failed: netstat exited with code -1.");
    EXPECT_EQ(RefreshEndText({.started = true, .exitCode = 258, .printedNothing = false}), "Done.");
    EXPECT_EQ(RefreshEndText({.started = true, .exitCode = 0, .printedNothing = true}), "Done.");
    // A second run without the processes ends with its own failure text, or with the note.
    EXPECT_EQ(RefreshEndText({.started = true, .exitCode = 0, .printedNothing = false, .withoutProcesses = true}),
              "Done. (no process information)");
    EXPECT_EQ(RefreshEndText({.started = true, .exitCode = 1, .printedNothing = true, .withoutProcesses = true}),
              "Failed: netstat exited with code 1.");
    EXPECT_EQ(RefreshEndText({.started = false, .exitCode = -1, .printedNothing = true, .withoutProcesses = true}),
              "Failed: netstat could not be started.");
}

TEST(RefreshEndTextTest, ACommandEndedForItsSilenceFailedWhateverItPrinted) {
    const ListingRun rows{.exitCode = 258, .printedNothing = false, .silenced = true};
    EXPECT_TRUE(ListingFailed(rows));
    EXPECT_EQ(RefreshEndText(rows), "Failed: netstat stopped answering; the rows shown may be incomplete.");
    // An update that failed shows none of its rows.
    EXPECT_EQ(RefreshEndText(rows, {}, false), "Failed: netstat stopped answering.");
    EXPECT_EQ(RefreshEndText({.exitCode = 258, .printedNothing = true, .silenced = true}),
              "Failed: netstat stopped answering.");
}

TEST(StoredSwitch, OnlyTrueInAnyCaseIsOn) {
    for (const char* on : {"True", "true", "TRUE", "tRuE"}) EXPECT_TRUE(StoredSwitchOn(on)) << on;
    for (const char* off : {"False", "", "1", "yes", " True", "True ", "Tru", "Truee", "Trve", "\xd4rue"})
        EXPECT_FALSE(StoredSwitchOn(off)) << off;
    EXPECT_TRUE(StoredSwitchOn(StoredSwitchText(true)));
    EXPECT_FALSE(StoredSwitchOn(StoredSwitchText(false)));
}

TEST(StartSwitchesTest, OnlyExactSwitchesInTheFirstTwoPlaces) {
    auto parse = [](std::initializer_list<const char*> args) {
        std::vector<const char*> argv{"Sockmere.exe"};
        argv.insert(argv.end(), args);
        StartSwitches s = ParseStartSwitches(static_cast<int>(argv.size()), argv.data());
        return std::pair{s.startInTray, s.fetchAtStart};
    };
    EXPECT_EQ(parse({}), std::pair(false, true));
    EXPECT_EQ(parse({"-n"}), std::pair(false, false));
    EXPECT_EQ(parse({"-t"}), std::pair(true, true));
    EXPECT_EQ(parse({"-t", "-n"}), std::pair(true, false));
    EXPECT_EQ(parse({"-n", "-t"}), std::pair(true, false));
    EXPECT_EQ(parse({"-T"}), std::pair(false, true));
    EXPECT_EQ(parse({"/t"}), std::pair(false, true));
    EXPECT_EQ(parse({"x", "y", "-t"}), std::pair(false, true));
    EXPECT_EQ(parse({"-t "}), std::pair(false, true));
    EXPECT_EQ(parse({"x", "-n"}), std::pair(false, false));
}

TEST(ResizeLayout, ReproducesTheWorkedSizes) {
    MainLayout designed = LayoutForOuterSize(482, 312);
    EXPECT_EQ(designed.listWidth, 474);
    EXPECT_EQ(designed.listHeight, 209);
    EXPECT_EQ(designed.animateLeft, 425);
    EXPECT_EQ(designed.animateTop, 211);
    EXPECT_EQ(designed.buttonTop, 216);
    EXPECT_EQ(designed.checkBoxTop, 248);

    MainLayout minimum = LayoutForOuterSize(482, 250);
    EXPECT_EQ(minimum.listWidth, 474);
    EXPECT_EQ(minimum.listHeight, 147);
    EXPECT_EQ(minimum.animateLeft, 425);
    EXPECT_EQ(minimum.animateTop, 149);
    EXPECT_EQ(minimum.buttonTop, 154);
    EXPECT_EQ(minimum.checkBoxTop, 186);
    // Check boxes are 17 high: at the minimum they end one pixel above a status bar at 204.
    EXPECT_EQ(minimum.checkBoxTop + 17, 203);

    // Wider moves only the animation; taller moves the whole band by the same amount.
    MainLayout wider = LayoutForOuterSize(600, 312);
    EXPECT_EQ(wider.buttonTop, designed.buttonTop);
    EXPECT_EQ(wider.animateLeft - designed.animateLeft, 118);
    MainLayout taller = LayoutForOuterSize(482, 400);
    EXPECT_EQ(taller.buttonTop - designed.buttonTop, 88);
    EXPECT_EQ(taller.checkBoxTop - designed.checkBoxTop, 88);
    EXPECT_EQ(taller.animateTop - designed.animateTop, 88);
}

TEST(ResizeLayout, TheFilterBarTakesTheTablesTopAndNothingElseMoves) {
    for (int dpi : {96, 144}) {
        const int w = fw::ScaleLength(482, dpi), h = fw::ScaleLength(250, dpi);
        const MainLayout closed = LayoutForOuterSize(w, h, dpi), open = LayoutForOuterSize(w, h, dpi, true);
        const FilterBarLayout bar = LayoutFilterBar(closed.listWidth, dpi);
        EXPECT_EQ(open.listTop, bar.height);
        EXPECT_EQ(open.listTop + open.listHeight, closed.listHeight);
        EXPECT_EQ(open.buttonTop, closed.buttonTop);
        EXPECT_EQ(open.animateTop, closed.animateTop);
        // At the smallest window the box keeps most of the width, between the label and the count.
        EXPECT_GT(bar.box.left, bar.label.left + bar.label.width);
        EXPECT_GT(bar.count.left, bar.box.left + bar.box.width);
        EXPECT_EQ(bar.count.left + bar.count.width, closed.listWidth - fw::ScaleLength(4, dpi));
        EXPECT_GE(bar.box.width, closed.listWidth / 2);
    }
}
