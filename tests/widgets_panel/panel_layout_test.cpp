// Where the smooth panel places its captions: the placement table, the room
// made for the fill's picture and the markup caption's rectangles.
#include "widgets/SmoothPanelLayout.h"

#include <gtest/gtest.h>

namespace quill::widgets {
namespace {

using markup::MarkupPoint;
using markup::MarkupRect;

TEST(SmoothPanelPlacement, EveryLocationOfTheTable) {
    // Caption 100 x 20 in the area (5, 7, 300, 200).
    const MarkupPoint custom{11, 13};
    auto at = [&](TSmoothPanelLocation l) {
        return CaptionPlacement(l, 100, 20, 5, 7, 300, 200, custom);
    };
    EXPECT_EQ(at(plTopLeft), (MarkupPoint{5, 7}));
    EXPECT_EQ(at(plTopCenter), (MarkupPoint{100, 7}));
    EXPECT_EQ(at(plTopRight), (MarkupPoint{200, 7}));
    // The centre and bottom rows measure from 0, not from the area's top.
    EXPECT_EQ(at(plCenterLeft), (MarkupPoint{5, 90}));
    EXPECT_EQ(at(plCenterCenter), (MarkupPoint{100, 90}));
    EXPECT_EQ(at(plCenterRight), (MarkupPoint{200, 90}));
    EXPECT_EQ(at(plBottomLeft), (MarkupPoint{5, 180}));
    EXPECT_EQ(at(plBottomCenter), (MarkupPoint{100, 180}));
    EXPECT_EQ(at(plBottomRight), (MarkupPoint{200, 180}));
    EXPECT_EQ(at(plCustom), custom);
}

TEST(SmoothPanelPlacement, LeftEdgeBoundsWideCaptionsAndDivisionTruncates) {
    // Wider than the area: x falls back to the area's left, then halves for the centre.
    EXPECT_EQ(CaptionPlacement(plTopRight, 400, 20, 9, 0, 300, 100, {}).X, 9);
    EXPECT_EQ(CaptionPlacement(plTopCenter, 400, 20, 9, 0, 300, 100, {}).X, 4);
    // Negative free height truncates towards zero.
    EXPECT_EQ(CaptionPlacement(plCenterLeft, 10, 103, 0, 0, 300, 100, {}).Y, -1);
    EXPECT_EQ(CaptionPlacement(plTopCenter, 10, 20, 0, 0, 301, 100, {}).X, 145);
}

TEST(SmoothPanelPlacement, BottomLocations) {
    EXPECT_TRUE(IsBottomLocation(plBottomLeft));
    EXPECT_TRUE(IsBottomLocation(plBottomCenter));
    EXPECT_TRUE(IsBottomLocation(plBottomRight));
    EXPECT_FALSE(IsBottomLocation(plCenterCenter));
    EXPECT_FALSE(IsBottomLocation(plCustom));
}

TEST(SmoothPanelPicture, RoomForThePictureByCornerAndLocation) {
    auto room = [](PictureCorner c, TSmoothPanelLocation l) {
        return MakeRoomForPicture(c, l, 0, 500, 40);
    };
    CaptionTextArea a = room(PictureCorner::TopLeft, plTopLeft);
    EXPECT_FLOAT_EQ(a.X, 40);
    EXPECT_FLOAT_EQ(a.W, 500);
    EXPECT_FLOAT_EQ(a.Reduction, 40);
    a = room(PictureCorner::TopRight, plTopRight);
    EXPECT_FLOAT_EQ(a.X, 0);
    EXPECT_FLOAT_EQ(a.W, 460);
    EXPECT_FLOAT_EQ(a.Reduction, 0);
    a = room(PictureCorner::BottomLeft, plBottomRight);
    EXPECT_FLOAT_EQ(a.X, 40);
    EXPECT_FLOAT_EQ(a.Reduction, 40);
    a = room(PictureCorner::BottomRight, plBottomLeft);
    EXPECT_FLOAT_EQ(a.W, 460);
    // A picture at the top leaves a bottom caption alone, and the centre rows never move.
    a = room(PictureCorner::TopLeft, plBottomLeft);
    EXPECT_FLOAT_EQ(a.X, 0);
    EXPECT_FLOAT_EQ(a.W, 500);
    a = room(PictureCorner::TopLeft, plTopCenter);
    EXPECT_FLOAT_EQ(a.X, 0);
    a = room(PictureCorner::Other, plTopLeft);
    EXPECT_FLOAT_EQ(a.X, 0);
    EXPECT_FLOAT_EQ(a.W, 500);
}

TEST(SmoothPanelMarkup, MeasureAndFinalRectangles) {
    // A 555 wide panel with a shadow of 10 and a one-pixel border: space 543.
    EXPECT_EQ(MarkupMeasureRect(plCenterCenter, 7, 543, 20), (MarkupRect{7, 20, 543, 10000}));
    EXPECT_EQ(MarkupMeasureRect(plCustom, 7, 543, 20), (MarkupRect{0, 20, 536, 10000}));

    // Custom: at (HTMLLeft, HTMLTop), up to the space, as high as measured.
    EXPECT_EQ(MarkupFinalRect(plCustom, {7, 30}, 543, 20, 100, 40, 0, 0, 544, 419),
              (MarkupRect{7, 30, 543, 70}));
    // Others: placed in the used rectangle less the caption's height, then moved down by it.
    EXPECT_EQ(MarkupFinalRect(plTopLeft, {7, 30}, 543, 20, 100, 40, 0, 0, 544, 419),
              (MarkupRect{0, 20, 100, 60}));
    EXPECT_EQ(MarkupFinalRect(plCenterCenter, {}, 543, 20, 100, 40, 0, 0, 544, 419),
              (MarkupRect{222, 20 + (399 - 40) / 2, 322, 20 + (399 - 40) / 2 + 40}));
    EXPECT_EQ(MarkupFinalRect(plBottomRight, {}, 543, 0, 100, 40, 0, 0, 544, 419),
              (MarkupRect{444, 379, 544, 419}));
}

}  // namespace
}  // namespace quill::widgets
