#include <gtest/gtest.h>

#include "framework/DpiScale.h"
#include "ui/MainWindowRules.h"

using namespace fw;

TEST(DpiScale, RoundsToTheNearestPixelAtTheCommonScales) {
    struct Case {
        int designed, at120, at144, at168, at192;
    };
    // A button width, the list's, a font height, a one-pixel step and odd halves.
    for (const Case& c : {Case{89, 111, 134, 156, 178}, Case{473, 591, 710, 828, 946}, Case{-11, -14, -17, -19, -22},
                          Case{1, 1, 2, 2, 2}, Case{-1, -1, -2, -2, -2}, Case{2, 3, 3, 4, 4}}) {
        EXPECT_EQ(ScaleLength(c.designed, 96), c.designed);
        EXPECT_EQ(ScaleLength(c.designed, 120), c.at120) << c.designed;
        EXPECT_EQ(ScaleLength(c.designed, 144), c.at144) << c.designed;
        EXPECT_EQ(ScaleLength(c.designed, 168), c.at168) << c.designed;
        EXPECT_EQ(ScaleLength(c.designed, 192), c.at192) << c.designed;
    }
    // From one scale to another and back, as a window moved between monitors; no overflow.
    EXPECT_EQ(ScaleLength(134, 192, 144), 179);
    EXPECT_EQ(ScaleLength(134, 96, 144), 89);
    EXPECT_EQ(ScaleLength(20000000, 192), 40000000);
    EXPECT_EQ(ScaleRect({408, 211, 48, 42}, 144), (ScaledRect{612, 317, 72, 63}));
    // The automatic column widths are codes, not pixels.
    EXPECT_EQ(ScaleColumnWidth(220, 144), 330);
    EXPECT_EQ(ScaleColumnWidth(-2, 192), -2);
}

TEST(DpiScale, ResizeLayoutDrawsTheDesignAtTheScale) {
    // The designed client 711 x 428 at 144 DPI, with the 96-DPI frame (8 x 27) drawn at that
    // scale, is the outer size the rules measure, whatever frame the system draws.
    sockmere::MainLayout l =
        sockmere::LayoutForOuterSize(DesignOuterLength(711, 8, 144), DesignOuterLength(428, 27, 144), 144);
    EXPECT_EQ(l.listWidth, 711);
    EXPECT_EQ(l.listHeight, 314);
    EXPECT_EQ(l.animateLeft, 637);
    EXPECT_EQ(l.animateTop, 317);
    EXPECT_EQ(l.buttonTop, 325);
    EXPECT_EQ(l.checkBoxTop, 373);

    // The minimum 482 x 250, in the 10 x 38 frame Wine draws at 144, is 721 x 372; the rules
    // then see the design's minimum scaled, and the check boxes (26 high) end above the status
    // bar (29 high).
    EXPECT_EQ(OuterLengthFromDesign(482, 8, 10, 144), 721);
    EXPECT_EQ(OuterLengthFromDesign(250, 27, 38, 144), 372);
    EXPECT_EQ(DesignOuterLength(372 - 38, 27, 144), 375);
    EXPECT_LE(sockmere::LayoutForOuterSize(723, 375, 144).checkBoxTop + 26, 372 - 38 - 29);
    // At 96 DPI the rules are the designed ones.
    EXPECT_EQ(DesignOuterLength(474, 8, 96), 482);
    EXPECT_EQ(sockmere::LayoutForOuterSize(482, 312, 96).checkBoxTop, 248);
}
