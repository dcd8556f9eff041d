// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/preview_pane.h"

#include <gtest/gtest.h>

using namespace lumivex;

namespace {
// The Before and After viewports: 7560 x 2790 twips with a 30-twip border.
PreviewPane pane(int pictureWidth, int pictureHeight)
{
    PreviewPane p(7560, 2790, 30);
    p.setPictureSize(pictureWidth, pictureHeight);
    p.FitPreviewPane();
    return p;
}
} // namespace

TEST(PreviewPane, UnitsAndMaximaFromTheExcess)
{
    const PreviewPane exact100 = pane(7560 + 100, 100);
    EXPECT_EQ(exact100.horizontalUnit(), 1);
    EXPECT_EQ(exact100.hBar().maximum, 100);
    EXPECT_TRUE(exact100.hBar().enabled);
    const PreviewPane over = pane(7560 + 101, 100);
    EXPECT_EQ(over.horizontalUnit(), 10);
    EXPECT_EQ(over.hBar().maximum, 10);
    const PreviewPane half = pane(7560 + 105, 100); // 10.5 rounds to the even 10
    EXPECT_EQ(half.hBar().maximum, 10);
    EXPECT_EQ(pane(7560 + 115, 100).hBar().maximum, 12); // 11.5 to 12
    const PreviewPane wide = pane(7560 + 5000, 2790);
    EXPECT_EQ(wide.horizontalUnit(), 10);
    EXPECT_EQ(wide.hBar().maximum, 500);
    EXPECT_FALSE(wide.vBar().enabled); // exactly the viewport's height
    EXPECT_EQ(wide.verticalUnit(), 0);
    EXPECT_EQ(wide.left(), 0);
    EXPECT_EQ(wide.top(), 0);
}

TEST(PreviewPane, ScrollingPlacesThePictureAtMinusUnitTimesValue)
{
    PreviewPane p = pane(7560 + 100, 2790 + 5000);
    for (int value = 0; value <= 100; ++value) {
        p.setHScrollValue(value);
        ASSERT_EQ(p.left(), -value);
    }
    p.setVScrollValue(500);
    EXPECT_EQ(p.top(), -5000);
    p.setVScrollValue(900); // past the maximum: stays at it
    EXPECT_EQ(p.vBar().value, 500);
}

TEST(PreviewPane, DropSettlesOnTheNearestWholePercentage)
{
    PreviewPane p = pane(7560 + 5000, 1000);
    DragAnchor anchor;
    p.mouseDown(anchor, 3000, 500);
    p.mouseMove(anchor, true, 3000 - 2503, 500);
    EXPECT_EQ(p.left(), -2503);
    EXPECT_EQ(p.hBar().value, 0); // bars untouched during the drag
    p.mouseUp();
    EXPECT_EQ(p.hBar().value, 250);
    EXPECT_EQ(p.left(), -2500);
}

TEST(PreviewPane, PressWithoutMovingAlsoSetsTheBars)
{
    PreviewPane p = pane(7560 + 5000, 1000);
    p.setHScrollValue(251);
    EXPECT_EQ(p.left(), -2510);
    DragAnchor anchor;
    p.mouseDown(anchor, 100, 100);
    p.mouseUp();
    EXPECT_EQ(p.hBar().value, 250);
    EXPECT_EQ(p.left(), -2500);
}

TEST(PreviewPane, DragIsClampedToTheInnerAreaAtBothEdges)
{
    PreviewPane p = pane(10000, 6000);
    DragAnchor anchor;
    p.mouseDown(anchor, 500, 500);
    p.mouseMove(anchor, true, 900, 900); // pulling right and down from the origin
    EXPECT_EQ(p.left(), 0);
    EXPECT_EQ(p.top(), 0);
    p.mouseMove(anchor, true, -50000, -50000);
    EXPECT_EQ(p.left(), p.innerWidth() - 10000);
    EXPECT_EQ(p.top(), p.innerHeight() - 6000);
    // Dropped at the far corner: the percentage is above 100, the bar stops at its maximum.
    p.mouseUp();
    EXPECT_EQ(p.hBar().value, p.hBar().maximum);
    EXPECT_EQ(p.vBar().value, p.vBar().maximum);
    p.mouseMove(anchor, false, 0, 0); // no button: nothing moves
    EXPECT_EQ(p.vBar().value, p.vBar().maximum);
}

TEST(PreviewPane, SmallPictureDoesNotMoveAndNegativePercentChangesNothing)
{
    PreviewPane p = pane(3000, 1000);
    EXPECT_FALSE(p.hBar().enabled);
    EXPECT_FALSE(p.vBar().enabled);
    DragAnchor anchor;
    p.mouseDown(anchor, 100, 100);
    p.mouseMove(anchor, true, -400, -400);
    EXPECT_EQ(p.left(), 0);
    EXPECT_EQ(p.top(), 0);
    p.SetHScrollbarByPercent(-5);
    EXPECT_EQ(p.hBar().value, 0);
}

TEST(PreviewPane, HugeExcessStillReachesTheFarEdge)
{
    PreviewPane p = pane(7560 + 400000, 1000);
    EXPECT_LE(p.hBar().maximum, 32767);
    p.setHScrollValue(p.hBar().maximum);
    EXPECT_EQ(p.left(), -400000);
    // Between 32,767 and 327,670 twips the unit stays 10.
    PreviewPane q = pane(7560 + 40000, 1000);
    EXPECT_EQ(q.horizontalUnit(), 10);
    q.setHScrollValue(q.hBar().maximum);
    EXPECT_EQ(q.left(), -40000);
}

TEST(PreviewPane, PanesAreIndependent)
{
    PreviewPane before = pane(20000, 9000);
    PreviewPane after = pane(20000, 9000);
    DragAnchor shared;
    after.mouseDown(shared, 0, 0);
    after.mouseMove(shared, true, -3000, -2000);
    after.mouseUp();
    EXPECT_EQ(before.left(), 0);
    EXPECT_EQ(before.hBar().value, 0);
    EXPECT_NE(after.left(), 0);
}

TEST(PreviewPane, FittedSizeKeepsTheAspectAndNeverEnlarges)
{
    const struct {
        int pw, ph, aw, ah, w, h;
    } cases[] = {
        {4000, 3000, 500, 182, 243, 182},   // height limits: 4000 * 182 / 3000 = 242.67
        {6000, 1000, 500, 182, 500, 83},    // width limits: 1000 * 500 / 6000 = 83.3
        {1000, 1000, 500, 500, 500, 500},   // exactly square into square
        {300, 100, 500, 182, 300, 100},     // fits already: not enlarged
        {501, 3, 500, 182, 500, 3},         // 2.994 rounds to 3
        {90000, 1, 500, 182, 500, 1},       // never below one
        {1, 90000, 500, 182, 1, 182},
        {4032, 3024, 7500, 2730, 3640, 2730}, // a 12-megapixel photo into a pane, in twips
    };
    for (const auto &c : cases) {
        const PreviewPane::Size s = PreviewPane::fittedSize(c.pw, c.ph, c.aw, c.ah);
        EXPECT_EQ(s.width, c.w) << c.pw << "x" << c.ph;
        EXPECT_EQ(s.height, c.h) << c.pw << "x" << c.ph;
    }
}

TEST(PreviewPane, FittedPictureHasNoBarsAndCannotBeDragged)
{
    // 12 megapixels at 15 twips a pixel.
    PreviewPane p(7560, 2790, 30);
    p.setPictureSize(4032 * 15, 3024 * 15);
    p.FitPreviewPane();
    p.setHScrollValue(300);
    p.setVScrollValue(200);
    p.setFitted(true);
    p.FitPreviewPane();
    EXPECT_EQ(p.shownHeight(), p.innerHeight());
    EXPECT_EQ(p.shownWidth(), PreviewPane::roundHalfEven(4032.0 * p.innerHeight() / 3024));
    EXPECT_FALSE(p.hBar().enabled);
    EXPECT_FALSE(p.vBar().enabled);
    EXPECT_EQ(p.left(), 0);
    EXPECT_EQ(p.top(), 0);
    DragAnchor anchor;
    p.mouseDown(anchor, 100, 100);
    p.mouseMove(anchor, true, -3000, -3000);
    p.mouseUp();
    EXPECT_EQ(p.left(), 0);
    EXPECT_EQ(p.top(), 0);
    p.wheel(-120, false);
    EXPECT_EQ(p.top(), 0);
    // Back to 100 %: the bars come back, from the top-left corner.
    p.setFitted(false);
    p.FitPreviewPane();
    EXPECT_EQ(p.shownWidth(), 4032 * 15);
    EXPECT_TRUE(p.hBar().enabled);
    EXPECT_EQ(p.hBar().value, 0);
    EXPECT_EQ(p.left(), 0);
}

TEST(PreviewPane, WheelMovesTheBarByWholeStepsThroughTheBarArithmetic)
{
    PreviewPane p = pane(7560 + 5000, 2790 + 50);
    ASSERT_EQ(p.horizontalUnit(), 10);
    ASSERT_EQ(p.verticalUnit(), 1);
    // One notch towards the user scrolls down: 900 twips as 900 steps of 1, clamped to 50.
    p.wheel(-120, false);
    EXPECT_EQ(p.vBar().value, 50);
    EXPECT_EQ(p.top(), -50);
    p.wheel(120, false);
    EXPECT_EQ(p.top(), 0);
    // Sideways at 10 twips a step: 90 steps a notch, half a notch 45, a sliver at least 1.
    p.wheel(-120, true);
    EXPECT_EQ(p.hBar().value, 90);
    EXPECT_EQ(p.left(), -900);
    p.wheel(-60, true);
    EXPECT_EQ(p.left(), -1350);
    p.wheel(-1, true);
    EXPECT_EQ(p.hBar().value, 136);
    p.wheel(1, true);
    EXPECT_EQ(p.hBar().value, 135);
    for (int i = 0; i < 10; ++i)
        p.wheel(-120, true);
    EXPECT_EQ(p.hBar().value, 500);
    EXPECT_EQ(p.left(), -5000);
    p.wheel(10 * 120, true);
    EXPECT_EQ(p.left(), 0);
    // A picture that fits does not move.
    PreviewPane small = pane(3000, 1000);
    small.wheel(-120, false);
    small.wheel(-120, true);
    EXPECT_EQ(small.left(), 0);
    EXPECT_EQ(small.top(), 0);
}
