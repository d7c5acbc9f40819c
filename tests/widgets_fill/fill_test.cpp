// The gradient fill painted into GDI+ bitmaps and read back pixel by pixel.
// Each case leaves a PNG next to the test program for a person to look at.
#include "widgets/GDIPFill.h"
#include "widgets/GDIPFillPaint.h"

#include "gdiplus_test_support.h"

#include <gtest/gtest.h>

using namespace quill::widgets;
using namespace quill::testing;

namespace {

constexpr std::uint32_t kWhite = 0xFFFFFF;

class FillTest : public ::testing::Test {
protected:
    GdiplusSession session;
    TGDIPFill fill;
    int changes = 0;

    void CountChanges() {
        fill.OnChange.Assign([this](tk::TObject* sender) {
            EXPECT_EQ(sender, &fill);
            ++changes;
        });
    }

    // The update dialog's panel.
    void DialogPanel() {
        fill.SetColor(16445929);
        fill.SetColorTo(15587527);
        fill.SetColorMirror(15587527);
        fill.SetColorMirrorTo(16773863);
        fill.SetGradientType(gtVertical);
        fill.SetGradientMirrorType(gtVertical);
        fill.SetBorderColor(14922381);
        fill.SetRounding(10);
        fill.SetRoundingType(rtBoth);
        fill.SetShadowOffset(10);
    }
};

}  // namespace

TEST_F(FillTest, ConstructorGivesTheDefaults) {
    EXPECT_EQ(fill.Color(), 12632256);
    EXPECT_EQ(fill.ColorTo(), 8421504);
    EXPECT_EQ(fill.ColorMirror(), clNone);
    EXPECT_EQ(fill.ColorMirrorTo(), clNone);
    EXPECT_EQ(fill.GradientType(), gtVertical);
    EXPECT_EQ(fill.GradientMirrorType(), gtSolid);
    EXPECT_EQ(fill.HatchStyle(), Gdiplus::HatchStyleHorizontal);
    EXPECT_EQ(fill.HatchStyleMirror(), Gdiplus::HatchStyleHorizontal);
    EXPECT_EQ(fill.BackGroundPictureMode(), pmOutsideFill);
    EXPECT_TRUE(fill.BackGroundPicture().Empty());
    EXPECT_EQ(fill.BackGroundPicturePosition(), ppTopLeft);
    EXPECT_EQ(fill.BackGroundPictureLeft(), 0);
    EXPECT_EQ(fill.BackGroundPictureTop(), 0);
    EXPECT_TRUE(fill.Picture().Empty());
    EXPECT_EQ(fill.PicturePosition(), ppTopLeft);
    EXPECT_EQ(fill.PictureLeft(), 0);
    EXPECT_EQ(fill.PictureTop(), 0);
    EXPECT_EQ(fill.PictureSize(), psOriginal);
    EXPECT_EQ(fill.PictureWidth(), 50);
    EXPECT_EQ(fill.PictureHeight(), 50);
    EXPECT_EQ(fill.Opacity(), 255);
    EXPECT_EQ(fill.OpacityTo(), 255);
    EXPECT_EQ(fill.OpacityMirror(), 255);
    EXPECT_EQ(fill.OpacityMirrorTo(), 255);
    EXPECT_EQ(fill.BorderColor(), clNone);
    EXPECT_EQ(fill.BorderOpacity(), 255);
    EXPECT_EQ(fill.BorderWidth(), 1);
    EXPECT_EQ(fill.Rounding(), 0);
    EXPECT_EQ(fill.RoundingType(), rtBoth);
    EXPECT_EQ(fill.ShadowColor(), 8421504);
    EXPECT_EQ(fill.ShadowOffset(), 0);
    EXPECT_EQ(fill.Angle(), 0);
    EXPECT_FALSE(fill.OnChange);
    EXPECT_NE(TGDIPFill::ClipboardFormat(), 0u);
}

TEST_F(FillTest, DefaultsPaintOneVerticalBandWithSquareCornersAndNoFrame) {
    TestBitmap bmp(120, 90);
    const Gdiplus::RectF used = fill.DrawFill(&bmp.Graphics(), Gdiplus::RectF(10, 5, 100, 80));
    bmp.SavePng("fill_defaults");

    EXPECT_EQ(used.X, 10);
    EXPECT_EQ(used.Width, 100);  // no shadow taken off
    EXPECT_EQ(used.Height, 80);
    // The brush spans the rectangle grown by a pixel, so the ends are a step in.
    EXPECT_RGB_NEAR(bmp.Rgb(60, 5), 0xC0C0C0, 4);
    EXPECT_RGB_NEAR(bmp.Rgb(60, 84), 0x808080, 4);
    EXPECT_RGB_NEAR(bmp.Rgb(60, 45), 0xA0A0A0, 6);
    // Square corners filled, no border line in another colour, nothing outside.
    EXPECT_RGB_NEAR(bmp.Rgb(10, 5), 0xC0C0C0, 4);
    EXPECT_RGB_NEAR(bmp.Rgb(109, 84), 0x808080, 4);
    EXPECT_RGB_NEAR(bmp.Rgb(10, 45), bmp.Rgb(60, 45), 1);
    EXPECT_EQ(bmp.Rgb(9, 45), kWhite);
    EXPECT_EQ(bmp.Rgb(110, 45), kWhite);
    EXPECT_EQ(bmp.Rgb(60, 4), kWhite);
    EXPECT_EQ(bmp.Rgb(60, 85), kWhite);
    // Top to bottom it only darkens.
    for (int y = 6; y < 85; ++y) EXPECT_LE(bmp.Rgb(60, y) & 0xFF, bmp.Rgb(60, y - 1) & 0xFF) << y;
}

TEST_F(FillTest, DialogPanelOnItsRectangle) {
    DialogPanel();
    TestBitmap bmp(554, 429);
    const Gdiplus::RectF used = fill.DrawFill(&bmp.Graphics(), Gdiplus::RectF(0, 0, 554, 429));
    bmp.SavePng("fill_dialog_panel");

    // The body takes the top-left 544 x 419; the shadow shows right and below.
    EXPECT_EQ(used.X, 0);
    EXPECT_EQ(used.Y, 0);
    EXPECT_EQ(used.Width, 544);
    EXPECT_EQ(used.Height, 419);
    const Gdiplus::RectF inner = fill.FocusRect();
    EXPECT_EQ(inner.X, 1);
    EXPECT_EQ(inner.Width, 542);
    EXPECT_EQ(inner.Height, 417);

    // Upper band: #E9F1FA at the top to #C7D8ED at the seam.
    EXPECT_RGB_NEAR(bmp.Rgb(272, 2), 0xE9F1FA, 3);
    EXPECT_RGB_NEAR(bmp.Rgb(272, 205), 0xC7D8ED, 4);
    // Lower band: its first row in #C7D8ED hides the seam; #E7F2FF at the bottom.
    for (int y = 207; y <= 211; ++y) EXPECT_RGB_NEAR(bmp.Rgb(272, y), 0xC7D8ED, 4) << y;
    EXPECT_RGB_NEAR(bmp.Rgb(272, 416), 0xE7F2FF, 3);

    // A one-pixel #8DB2E3 border on the rounded outline of 544 x 419.
    const std::uint32_t border = 0x8DB2E3;
    EXPECT_RGB_NEAR(bmp.Rgb(272, 0), border, 2);
    EXPECT_RGB_NEAR(bmp.Rgb(272, 419), border, 2);
    EXPECT_RGB_NEAR(bmp.Rgb(0, 200), border, 2);
    EXPECT_RGB_NEAR(bmp.Rgb(544, 200), border, 2);
    EXPECT_RGB_NEAR(bmp.Rgb(272, 1), 0xE9F1FA, 3);  // one pixel only
    // Rounded corners: outside the arc is left alone, on it is the border.
    EXPECT_EQ(bmp.Rgb(1, 1), kWhite);
    EXPECT_EQ(bmp.Rgb(542, 417), kWhite);
    EXPECT_RGB_NEAR(bmp.Rgb(3, 3), border, 60);  // the arc passes near (2.9, 2.9)
    EXPECT_RGB_NEAR(bmp.Rgb(10, 10), 0xE9F1FA, 4);

    // Nothing right of or below the shadow's outline.
    EXPECT_EQ(bmp.Rgb(553, 1), kWhite);
}

TEST_F(FillTest, ShadowFillsTheRoundedOutlineOfTheWholeRectangle) {
    // On a red ground so that the shadow shows whatever colour it comes out
    // in. Its brush is a path gradient with a three-stop preset blend: on
    // Windows a translucent grey, fading out over the outer tenth. Wine's
    // GDI+ paints such a brush opaque white instead; there the white area
    // still shows where the shadow lies, which is what is checked.
    DialogPanel();
    TestBitmap bmp(554, 429, Gdiplus::Color(255, 255, 0, 0));
    fill.DrawFill(&bmp.Graphics(), Gdiplus::RectF(0, 0, 554, 429));
    bmp.SavePng("fill_dialog_panel_shadow");
    const std::uint32_t shadow = RunningUnderWine() ? kWhite : 0xA55A5A;  // #808080 at 180 on red
    const int tolerance = RunningUnderWine() ? 0 : 24;
    EXPECT_RGB_NEAR(bmp.Rgb(549, 200), shadow, tolerance);
    EXPECT_RGB_NEAR(bmp.Rgb(300, 425), shadow, tolerance);
    EXPECT_RGB_NEAR(bmp.Rgb(549, 425), shadow, tolerance);
    // Outside the rounded corners of the whole rectangle the ground stays.
    EXPECT_EQ(bmp.Rgb(553, 1), 0xFF0000u);
    EXPECT_EQ(bmp.Rgb(1, 428), 0xFF0000u);
    EXPECT_EQ(bmp.Rgb(553, 428), 0xFF0000u);
    // The body covers the shadow where they overlap.
    EXPECT_RGB_NEAR(bmp.Rgb(272, 2), 0xE9F1FA, 3);
}

TEST_F(FillTest, NoShadowWithoutOffsetOrColour) {
    DialogPanel();
    fill.SetShadowColor(clNone);
    TestBitmap bmp(554, 429, Gdiplus::Color(255, 255, 0, 0));
    const auto used = fill.DrawFill(&bmp.Graphics(), Gdiplus::RectF(0, 0, 554, 429));
    EXPECT_EQ(used.Width, 554);  // nothing taken off either
    // The body reaches where the shadow would have been.
    EXPECT_RGB_NEAR(bmp.Rgb(549, 200), bmp.Rgb(272, 200), 2);
    // The right border line lies on x = 554, just outside this bitmap.
    EXPECT_RGB_NEAR(bmp.Rgb(553, 200), bmp.Rgb(272, 200), 2);
}

TEST_F(FillTest, RoundingZeroFillsAndStrokesPlainRectangles) {
    fill.SetBorderColor(0x0000FF);  // red
    fill.SetColorTo(clNone);
    TestBitmap bmp(60, 40);
    fill.DrawFill(&bmp.Graphics(), Gdiplus::RectF(0, 0, 50, 30));
    bmp.SavePng("fill_rounding_zero");
    EXPECT_RGB_NEAR(bmp.Rgb(0, 0), 0xFF0000, 2);
    EXPECT_RGB_NEAR(bmp.Rgb(50, 30), 0xFF0000, 2);
    EXPECT_RGB_NEAR(bmp.Rgb(50, 0), 0xFF0000, 2);
    EXPECT_RGB_NEAR(bmp.Rgb(1, 1), 0xC0C0C0, 2);
    EXPECT_RGB_NEAR(bmp.Rgb(49, 29), 0xC0C0C0, 2);
}

TEST_F(FillTest, EachRoundingTypeRoundsItsOwnCorners) {
    struct Case {
        TFillRoundingType type;
        bool tl, tr, br, bl;
    };
    const Case cases[] = {
        {rtNone, false, false, false, false}, {rtTop, true, true, false, false},
        {rtBottom, false, false, true, true}, {rtBoth, true, true, true, true},
        {rtLeft, true, false, false, true},   {rtRight, false, true, true, false}};
    fill.SetRounding(12);
    fill.SetColorTo(clNone);
    for (const Case& c : cases) {
        fill.SetRoundingType(c.type);
        TestBitmap bmp(80, 60);
        fill.DrawFill(&bmp.Graphics(), Gdiplus::RectF(0, 0, 80, 60));
        bmp.SavePng("fill_rounding_type_" + std::to_string(c.type));
        const auto rounded = [&](int x, int y) { return bmp.Rgb(x, y) == kWhite; };
        EXPECT_EQ(rounded(1, 1), c.tl) << c.type;
        EXPECT_EQ(rounded(78, 1), c.tr) << c.type;
        EXPECT_EQ(rounded(78, 58), c.br) << c.type;
        EXPECT_EQ(rounded(1, 58), c.bl) << c.type;
        EXPECT_RGB_NEAR(bmp.Rgb(40, 30), 0xC0C0C0, 2);
    }
}

TEST_F(FillTest, MissingEndColourGivesASolidBand) {
    fill.SetColor(0x3366CC);
    fill.SetColorTo(clNone);
    TestBitmap bmp(50, 50);
    fill.DrawFill(&bmp.Graphics(), Gdiplus::RectF(0, 0, 50, 50));
    bmp.SavePng("fill_end_color_none");
    EXPECT_EQ(bmp.Rgb(25, 0), 0xCC6633u);
    EXPECT_EQ(bmp.Rgb(25, 49), 0xCC6633u);
}

TEST_F(FillTest, MissingStartColourPaintsNoBand) {
    fill.SetColor(clNone);
    TestBitmap bmp(50, 50);
    fill.DrawFill(&bmp.Graphics(), Gdiplus::RectF(0, 0, 50, 50));
    EXPECT_EQ(bmp.Rgb(25, 25), kWhite);
}

TEST_F(FillTest, HeightOfOneIsALineWithTheBorderPen) {
    fill.SetBorderColor(0x00FF00);
    fill.SetBorderWidth(1);
    TestBitmap bmp(60, 20);
    const auto used = fill.DrawFill(&bmp.Graphics(), Gdiplus::RectF(5, 10, 40, 1));
    bmp.SavePng("fill_height_one");
    EXPECT_EQ(used.Height, 1);
    // A line from (5, 10) to (45, 11): green along that row, no grey body.
    EXPECT_RGB_NEAR(bmp.Rgb(6, 10), 0x00FF00, 2);
    EXPECT_RGB_NEAR(bmp.Rgb(25, 10 + (bmp.Rgb(25, 10) == kWhite)), 0x00FF00, 2);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 60; ++x)
            ASSERT_TRUE(bmp.Rgb(x, y) == kWhite || bmp.Rgb(x, y) == 0x00FF00)
                << x << "," << y << " " << Hex(bmp.Rgb(x, y));
    EXPECT_EQ(bmp.Rgb(25, 14), kWhite);

    TGDIPFill borderless;
    TestBitmap empty(60, 20);
    borderless.DrawFill(&empty.Graphics(), Gdiplus::RectF(5, 10, 40, 1));
    for (int x = 0; x < 60; ++x) EXPECT_EQ(empty.Rgb(x, 10), kWhite);
}

TEST_F(FillTest, NoGraphicsPaintsNothingAndReturnsTheRectangle) {
    fill.SetShadowOffset(5);
    const auto used = fill.DrawFill(nullptr, Gdiplus::RectF(1, 2, 30, 40));
    EXPECT_EQ(used.Width, 30);
    EXPECT_EQ(used.Height, 40);
}

TEST_F(FillTest, OpacityOverridesReplaceTheProperties) {
    fill.SetColorTo(clNone);
    fill.SetColor(0x000000);
    TestBitmap bmp(40, 40);
    // 255 takes the property (opaque black); 0 makes this paint invisible.
    fill.DrawFill(&bmp.Graphics(), Gdiplus::RectF(0, 0, 20, 40), 255, 255, 255, 0, 255);
    fill.DrawFill(&bmp.Graphics(), Gdiplus::RectF(20, 0, 20, 40));
    EXPECT_EQ(bmp.Rgb(10, 20), kWhite);
    EXPECT_EQ(bmp.Rgb(30, 20), 0u);
}

TEST_F(FillTest, LinearTypesRunInTheirDirection) {
    fill.SetColor(0x0000FF);    // red
    fill.SetColorTo(0xFF0000);  // blue
    fill.SetGradientType(gtHorizontal);
    TestBitmap bmp(100, 40);
    fill.DrawFill(&bmp.Graphics(), Gdiplus::RectF(0, 0, 100, 40));
    bmp.SavePng("fill_horizontal");
    EXPECT_RGB_NEAR(bmp.Rgb(0, 20), 0xFF0000, 8);
    EXPECT_RGB_NEAR(bmp.Rgb(99, 20), 0x0000FF, 8);
    EXPECT_EQ(bmp.Rgb(50, 0), bmp.Rgb(50, 39));

    fill.SetGradientType(gtForwardDiagonal);
    TestBitmap diagonal(100, 100);
    fill.DrawFill(&diagonal.Graphics(), Gdiplus::RectF(0, 0, 100, 100));
    diagonal.SavePng("fill_forward_diagonal");
    EXPECT_RGB_NEAR(diagonal.Rgb(1, 1), 0xFF0000, 12);
    EXPECT_RGB_NEAR(diagonal.Rgb(98, 98), 0x0000FF, 12);
}

TEST_F(FillTest, AngleGradientFollowsItsAngle) {
    fill.SetColor(0x0000FF);    // red
    fill.SetColorTo(0xFF0000);  // blue
    fill.SetGradientType(gtAngle);
    fill.SetAngle(90);  // top to bottom
    TestBitmap bmp(60, 100);
    fill.DrawFill(&bmp.Graphics(), Gdiplus::RectF(0, 0, 60, 100));
    bmp.SavePng("fill_angle_90");
    EXPECT_RGB_NEAR(bmp.Rgb(30, 0), 0xFF0000, 12);
    EXPECT_RGB_NEAR(bmp.Rgb(30, 99), 0x0000FF, 12);
    EXPECT_EQ(bmp.Rgb(0, 50), bmp.Rgb(59, 50));
}

TEST_F(FillTest, HatchUsesStartAsForegroundAndEndAsBackground) {
    fill.SetColor(0x0000FF);
    fill.SetColorTo(0xFF0000);
    fill.SetGradientType(gtHatch);
    fill.SetHatchStyle(Gdiplus::HatchStyleVertical);
    fill.SetColorMirror(0x00FF00);  // a hatch keeps one band regardless
    TestBitmap bmp(64, 64);
    fill.DrawFill(&bmp.Graphics(), Gdiplus::RectF(0, 0, 64, 64));
    bmp.SavePng("fill_hatch");
    int red = 0, blue = 0, other = 0;
    for (int x = 0; x < 64; ++x) {
        const auto c = bmp.Rgb(x, 40);
        (c == 0xFF0000 ? red : c == 0x0000FF ? blue : other)++;
        EXPECT_EQ(bmp.Rgb(x, 10), c);  // vertical lines
    }
    EXPECT_GT(red, 0);
    EXPECT_GT(blue, red);
    EXPECT_EQ(other, 0);
}

TEST_F(FillTest, RadialBandHasItsCentreColourAtTheTopMiddle) {
    fill.SetColor(0x0000FF);    // surround: red
    fill.SetColorTo(0xFF0000);  // centre: blue
    fill.SetGradientType(gtRadial);
    TestBitmap bmp(100, 60);
    fill.DrawFill(&bmp.Graphics(), Gdiplus::RectF(0, 0, 100, 60));
    bmp.SavePng("fill_radial");
    EXPECT_RGB_NEAR(bmp.Rgb(50, 0), 0x0000FF, 24);
    // Corners lie outside the ellipse: the outline's solid start colour.
    EXPECT_RGB_NEAR(bmp.Rgb(0, 59), 0xFF0000, 2);
    EXPECT_RGB_NEAR(bmp.Rgb(99, 59), 0xFF0000, 2);
}

TEST_F(FillTest, TwoBandsWithARadialLowerBand) {
    fill.SetColor(0x0000FF);
    fill.SetColorTo(clNone);
    fill.SetColorMirror(0x00FF00);  // green at the bottom centre
    fill.SetColorMirrorTo(0xFF0000);
    fill.SetGradientType(gtSolid);
    fill.SetGradientMirrorType(gtRadial);
    TestBitmap bmp(100, 100);
    fill.DrawFill(&bmp.Graphics(), Gdiplus::RectF(0, 0, 100, 100));
    bmp.SavePng("fill_two_bands_radial");
    EXPECT_EQ(bmp.Rgb(50, 20), 0xFF0000u);  // upper band solid red
    EXPECT_RGB_NEAR(bmp.Rgb(50, 99), 0x00FF00, 24);
    EXPECT_RGB_NEAR(bmp.Rgb(0, 52), 0x0000FF, 2);  // lower outline in its end colour
}

TEST_F(FillTest, PicturesArePlacedByPosition) {
    TGDIPPicture red;
    ASSERT_TRUE(red.LoadFromBytes(SolidPng(6, 4, Gdiplus::Color(255, 255, 0, 0))));
    EXPECT_EQ(red.Width(), 6);
    EXPECT_EQ(red.Height(), 4);
    CountChanges();
    fill.SetPicture(red);
    EXPECT_EQ(changes, 1);
    fill.SetPicturePosition(ppBottomRight);
    fill.SetColorTo(clNone);
    TestBitmap bmp(60, 40);
    fill.DrawFill(&bmp.Graphics(), Gdiplus::RectF(0, 0, 50, 30));
    bmp.SavePng("fill_picture_bottom_right");
    EXPECT_EQ(bmp.Rgb(49, 29), 0xFF0000u);
    EXPECT_EQ(bmp.Rgb(44, 26), 0xFF0000u);
    EXPECT_RGB_NEAR(bmp.Rgb(43, 29), 0xC0C0C0, 2);
    EXPECT_RGB_NEAR(bmp.Rgb(49, 25), 0xC0C0C0, 2);

    // The fill keeps a copy: clearing the source changes nothing.
    red.Clear();
    EXPECT_FALSE(fill.Picture().Empty());

    // psCustom scales the picture to PictureWidth x PictureHeight.
    fill.SetPictureSize(psCustom);
    fill.SetPictureWidth(10);
    fill.SetPictureHeight(8);
    fill.SetPicturePosition(ppTopLeft);
    TestBitmap scaled(60, 40);
    fill.DrawFill(&scaled.Graphics(), Gdiplus::RectF(0, 0, 50, 30));
    EXPECT_EQ(scaled.Rgb(8, 6), 0xFF0000u);
    EXPECT_RGB_NEAR(scaled.Rgb(12, 10), 0xC0C0C0, 2);
}

TEST_F(FillTest, TexturePictureTilesTheBand) {
    TGDIPPicture blue;
    ASSERT_TRUE(blue.LoadFromBytes(SolidPng(8, 8, Gdiplus::Color(255, 0, 0, 255))));
    fill.SetBackGroundPicture(blue);
    fill.SetGradientType(gtTexture);
    fill.SetBackGroundPicturePosition(ppTiled);
    TestBitmap bmp(50, 50);
    fill.DrawFill(&bmp.Graphics(), Gdiplus::RectF(0, 0, 50, 50));
    bmp.SavePng("fill_texture_tiled");
    EXPECT_EQ(bmp.Rgb(3, 3), 0x0000FFu);
    EXPECT_EQ(bmp.Rgb(46, 46), 0x0000FFu);

    // Not tiled: the band paints nothing and the picture is placed once.
    fill.SetBackGroundPicturePosition(ppCenterCenter);
    TestBitmap once(50, 50);
    fill.DrawFill(&once.Graphics(), Gdiplus::RectF(0, 0, 50, 50));
    EXPECT_EQ(once.Rgb(25, 25), 0x0000FFu);
    EXPECT_EQ(once.Rgb(5, 5), kWhite);
}

TEST_F(FillTest, InsideFillPictureIsClippedToTheRoundedBody) {
    TGDIPPicture blue;
    ASSERT_TRUE(blue.LoadFromBytes(SolidPng(30, 30, Gdiplus::Color(255, 0, 0, 255))));
    fill.SetBackGroundPicture(blue);
    fill.SetGradientType(gtTexture);  // not tiled: the band itself paints nothing
    fill.SetBackGroundPictureMode(pmInsideFill);
    fill.SetRounding(12);
    TestBitmap bmp(60, 60);
    fill.DrawFill(&bmp.Graphics(), Gdiplus::RectF(0, 0, 60, 60));
    bmp.SavePng("fill_picture_inside");
    EXPECT_EQ(bmp.Rgb(1, 1), kWhite);  // outside the rounded corner
    EXPECT_EQ(bmp.Rgb(15, 15), 0x0000FFu);
    EXPECT_EQ(bmp.Rgb(40, 40), kWhite);  // beyond the picture

    fill.SetBackGroundPictureMode(pmOutsideFill);
    TestBitmap outside(60, 60);
    fill.DrawFill(&outside.Graphics(), Gdiplus::RectF(0, 0, 60, 60));
    EXPECT_EQ(outside.Rgb(1, 1), 0x0000FFu);  // no clip
}

TEST_F(FillTest, FocusOutlineIsDottedInsideTheBorder) {
    fill.SetColorTo(clNone);
    fill.SetBorderColor(0x000000);
    fill.SetBorderWidth(2);
    fill.SetFocus(true);
    fill.SetFocusColor(0x0000FF);  // red
    TestBitmap bmp(60, 40);
    fill.DrawFill(&bmp.Graphics(), Gdiplus::RectF(0, 0, 60, 40));
    bmp.SavePng("fill_focus");
    const Gdiplus::RectF inner = fill.FocusRect();
    EXPECT_EQ(inner.X, 2);
    EXPECT_EQ(inner.Width, 56);
    // Along the inner rectangle's top edge: red dots with grey between.
    int red = 0, grey = 0;
    for (int x = 5; x < 50; ++x) {
        const auto c = bmp.Rgb(x, 2);
        red += ChannelDistance(c, 0xFF0000) <= 40;
        grey += ChannelDistance(c, 0xC0C0C0) <= 40;
    }
    EXPECT_GT(red, 10);
    EXPECT_GT(grey, 10);
}

TEST(PicturePlacement, EveryPositionFollowsTheTable) {
    const Gdiplus::Rect rect(10, 20, 101, 51);  // odd sizes: centring truncates
    struct Case {
        TFillPicturePosition position;
        int x, y, w, h;
    };
    const Case cases[] = {
        {ppTopLeft, 10, 20, 20, 10},      {ppTopCenter, 50, 20, 20, 10},
        {ppTopRight, 91, 20, 20, 10},     {ppBottomLeft, 10, 61, 20, 10},
        {ppBottomCenter, 50, 61, 20, 10}, {ppBottomRight, 91, 61, 20, 10},
        {ppCenterLeft, 10, 40, 20, 10},   {ppCenterCenter, 50, 40, 20, 10},
        {ppCenterRight, 91, 40, 20, 10},  {ppStretched, 10, 20, 101, 51},
        {ppCustom, 3, 4, 20, 10},
    };
    for (const Case& c : cases) {
        Gdiplus::Rect target;
        ASSERT_TRUE(PicturePlacement(c.position, 3, 4, rect, 20, 10, target)) << c.position;
        EXPECT_EQ(target.X, c.x) << c.position;
        EXPECT_EQ(target.Y, c.y) << c.position;
        EXPECT_EQ(target.Width, c.w) << c.position;
        EXPECT_EQ(target.Height, c.h) << c.position;
    }
    Gdiplus::Rect target;
    EXPECT_FALSE(PicturePlacement(ppTiled, 3, 4, rect, 20, 10, target));
    // A picture larger than the rectangle centres to the left of it.
    ASSERT_TRUE(
        PicturePlacement(ppCenterCenter, 0, 0, Gdiplus::Rect(0, 0, 10, 10), 15, 13, target));
    EXPECT_EQ(target.X, -2);
    EXPECT_EQ(target.Y, -1);
}

TEST_F(FillTest, SettingAPropertyToItsOwnValueRaisesNothing) {
    CountChanges();
    fill.SetColor(fill.Color());
    fill.SetGradientType(gtVertical);
    fill.SetBorderWidth(1);
    fill.SetRounding(0);
    fill.SetOpacity(255);
    EXPECT_EQ(changes, 0);
    fill.SetRounding(4);
    EXPECT_EQ(changes, 1);
    fill.SetRounding(4);
    EXPECT_EQ(changes, 1);
    fill.BeginUpdate();
    fill.SetAngle(30);
    EXPECT_EQ(changes, 1);
    fill.EndUpdate();
    fill.SetAngle(31);
    EXPECT_EQ(changes, 2);
}

TEST_F(FillTest, AssignCopiesEveryValueAndNotifiesOncePerDifference) {
    TGDIPFill source;
    source.SetColor(1);
    source.SetShadowOffset(7);
    source.SetBackGroundPictureMode(pmInsideFill);
    ASSERT_TRUE(source.Picture().LoadFromBytes(SolidPng(2, 2, Gdiplus::Color(255, 1, 2, 3))));
    CountChanges();
    fill.Assign(source);
    EXPECT_EQ(changes, 4);
    EXPECT_EQ(fill.Color(), 1);
    EXPECT_EQ(fill.ShadowOffset(), 7);
    EXPECT_EQ(fill.BackGroundPictureMode(), pmInsideFill);
    EXPECT_EQ(fill.Picture().Bytes(), source.Picture().Bytes());
    fill.Assign(source);
    EXPECT_EQ(changes, 4);
}

TEST(GDIPPicture, UndecodableBytesLeaveItEmpty) {
    GdiplusSession session;
    TGDIPPicture picture;
    int changes = 0;
    picture.OnChange.Assign([&](tk::TObject*) { ++changes; });
    EXPECT_FALSE(picture.LoadFromBytes({1, 2, 3, 4, 5}));
    EXPECT_TRUE(picture.Empty());
    EXPECT_EQ(picture.Width(), 0);
    EXPECT_EQ(picture.Decode(), nullptr);
    EXPECT_FALSE(picture.LoadFromFile(L"no such file.png"));
    EXPECT_EQ(changes, 1);
}
