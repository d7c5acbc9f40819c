#include <gtest/gtest.h>

#include "widgets/GlassButtonGeometry.h"

using namespace quill::widgets;

namespace {

using Kind = OutlineSegment::Kind;

GlassRect ArcBox(const GlassOutline& o, std::size_t i) {
    EXPECT_EQ(o.at(i).kind, Kind::Arc);
    return o.at(i).arcBox;
}

TEST(GlassGeometry, DownloadButtonLayers) {
    const GlassGeometry g =
        ComputeGlassGeometry(129, 65, 4, TButtonShape::btsRectangle, TButtonDirection::bdRight);
    ASSERT_EQ(g.outerBorder.size(), 4u);
    EXPECT_EQ(ArcBox(g.outerBorder, 0), (GlassRect{0, 0, 8, 8}));
    EXPECT_EQ(ArcBox(g.outerBorder, 2), (GlassRect{120, 56, 8, 8}));
    ASSERT_EQ(g.body.size(), 4u);
    EXPECT_EQ(ArcBox(g.body, 0), (GlassRect{1, 1, 8, 8}));
    EXPECT_EQ(ArcBox(g.body, 1), (GlassRect{119, 1, 8, 8}));
    EXPECT_EQ(ArcBox(g.body, 2), (GlassRect{119, 55, 8, 8}));
    EXPECT_EQ(ArcBox(g.body, 3), (GlassRect{1, 55, 8, 8}));
    EXPECT_FLOAT_EQ(g.body[0].startAngle, 180);
    EXPECT_FLOAT_EQ(g.body[1].startAngle, 270);
    EXPECT_FLOAT_EQ(g.body[2].startAngle, 0);
    EXPECT_FLOAT_EQ(g.body[3].startAngle, 90);

    ASSERT_TRUE(g.hasShine);
    EXPECT_EQ(g.shine.band, (GlassRect{1, 1, 126, 32}));
    EXPECT_EQ(g.shine.gradient, (GlassRect{1, 1, 125, 32}));
    EXPECT_FALSE(g.shine.clipToBand);
    ASSERT_EQ(g.shine.outline.size(), 3u);
    EXPECT_EQ(g.shine.outline[2].kind, Kind::Lines);
    EXPECT_EQ(g.shine.outline[2].points,
              (std::vector<GlassPoint>{{127, 33}, {1, 33}}));  // square bottom corners

    // The glow's ellipse is centred on the middle of the body's bottom edge.
    const GlassRect e = g.glowEllipse;
    EXPECT_NEAR(e.x + e.width / 2, 1 + 125.0 / 2, 1e-3);
    EXPECT_NEAR(e.y + e.height / 2, 1 + 61.0, 1e-3);
    EXPECT_NEAR(e.width, 1.7 * 125, 1e-3);
    EXPECT_NEAR(e.height, 2.3 * 61, 1e-3);
}

TEST(GlassGeometry, LaterButtonShineAndTinyButtonsWithoutShine) {
    const auto later =
        ComputeGlassGeometry(129, 49, 4, TButtonShape::btsRectangle, TButtonDirection::bdRight);
    EXPECT_EQ(later.shine.band, (GlassRect{1, 1, 126, 24}));
    EXPECT_FALSE(
        ComputeGlassGeometry(40, 4, 4, TButtonShape::btsRectangle, TButtonDirection::bdRight)
            .hasShine);
    EXPECT_FALSE(
        ComputeGlassGeometry(3, 40, 4, TButtonShape::btsRectangle, TButtonDirection::bdRight)
            .hasShine);
    EXPECT_TRUE(ComputeGlassGeometry(4, 5, 4, TButtonShape::btsRectangle, TButtonDirection::bdRight)
                    .hasShine);
}

TEST(GlassGeometry, RadiusZeroIsASquareOutlineAndHugeRadiiAreKeptInside) {
    const GlassOutline square = RoundedRectOutline({1, 1, 10, 6}, 0);
    ASSERT_EQ(square.size(), 1u);
    EXPECT_EQ(square[0].points, (std::vector<GlassPoint>{{1, 1}, {11, 1}, {11, 7}, {1, 7}}));
    const GlassOutline big = RoundedRectOutline({0, 0, 40, 10}, 50);
    EXPECT_EQ(ArcBox(big, 1), (GlassRect{30, 0, 10, 10}));
    EXPECT_EQ(ArcBox(big, 3), (GlassRect{0, 0, 10, 10}));
}

TEST(GlassGeometry, CurvedShapeHasAHalfCircleOnTheNamedSide) {
    const GlassRect r{1, 1, 100, 30};
    const GlassOutline right = CurvedRectOutline(r, TButtonDirection::bdRight);
    ASSERT_EQ(right.size(), 2u);
    EXPECT_EQ(right[0].arcBox, (GlassRect{71, 1, 30, 30}));
    EXPECT_FLOAT_EQ(right[0].sweepAngle, 180);
    ASSERT_EQ(right[1].kind, Kind::Curve);
    ASSERT_EQ(right[1].points.size(), 5u);
    EXPECT_NEAR(right[1].points[2].x, 1 + 30 / 4.85, 1e-4);
    EXPECT_NEAR(right[1].points[2].y, 16, 1e-4);
    EXPECT_EQ(right[1].points.back(), (GlassPoint{1, 1}));

    const GlassOutline left = CurvedRectOutline(r, TButtonDirection::bdLeft);
    EXPECT_EQ(left[0].arcBox, (GlassRect{1, 1, 30, 30}));
    EXPECT_NEAR(left[1].points[2].x, 101 - 30 / 4.7, 1e-4);
    EXPECT_NEAR(left[1].points[1].x, 101 - 5, 1e-4);

    const auto g = ComputeGlassGeometry(102, 32, 4, TButtonShape::btsCurvedRectangle,
                                        TButtonDirection::bdLeft);
    EXPECT_TRUE(g.shine.clipToBand);
    EXPECT_EQ(g.shine.outline[0].arcBox, g.body[0].arcBox);
    EXPECT_EQ(g.shine.band, (GlassRect{1, 1, 99, 15}));
}

TEST(GlassGeometry, FocusOutlineSitsInsideTheBorders) {
    const GlassOutline rect =
        FocusOutline(129, 65, 4, TButtonShape::btsRectangle, TButtonDirection::bdRight);
    EXPECT_EQ(ArcBox(rect, 0), (GlassRect{4, 4, 4, 4}));
    EXPECT_EQ(ArcBox(rect, 2), (GlassRect{121, 57, 4, 4}));
    const GlassOutline curved =
        FocusOutline(129, 65, 4, TButtonShape::btsCurvedRectangle, TButtonDirection::bdRight);
    EXPECT_EQ(curved[0].arcBox, (GlassRect{123 - 55, 5, 55, 55}));
}

TEST(GlassSymbols, ArrowsFollowTheirTable) {
    const float w = 99, h = 31;
    const auto left = SymbolPrimitives(TBackGroundSymbol::bsArrowLeft, 100, 32);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].kind, SymbolPrimitive::Kind::ArrowLine);
    EXPECT_FLOAT_EQ(left[0].penWidth, h / 4);
    EXPECT_EQ(left[0].points, (std::vector<GlassPoint>{{w - w / 5, h / 2}, {w / 8, h / 2}}));
    EXPECT_EQ(SymbolPrimitives(TBackGroundSymbol::bsArrowRight, 100, 32)[0].points,
              (std::vector<GlassPoint>{{w / 6, h / 2}, {w - w / 8, h / 2}}));
    EXPECT_EQ(SymbolPrimitives(TBackGroundSymbol::bsArrowUp, 100, 32)[0].points,
              (std::vector<GlassPoint>{{w / 2, h - h / 5}, {w / 2, h / 8}}));
    EXPECT_EQ(SymbolPrimitives(TBackGroundSymbol::bsArrowDown, 100, 32)[0].points,
              (std::vector<GlassPoint>{{w / 2, h / 5}, {w / 2, h - h / 8}}));
    EXPECT_TRUE(SymbolPrimitives(TBackGroundSymbol::bsNone, 100, 32).empty());
}

TEST(GlassSymbols, FilledSymbolsStayInsideAndBackwardMirrorsForward) {
    for (int s = int(TBackGroundSymbol::bsPlay); s <= int(TBackGroundSymbol::bsRecord); ++s) {
        const auto symbol = TBackGroundSymbol(s);
        if (symbol == TBackGroundSymbol::bsNone) continue;
        const auto shapes = SymbolPrimitives(symbol, 80, 40);
        ASSERT_FALSE(shapes.empty()) << s;
        for (const auto& p : shapes) {
            for (const auto& pt : p.points) {
                EXPECT_GT(pt.x, 0) << s;
                EXPECT_LT(pt.x, 79) << s;
                EXPECT_GT(pt.y, 0) << s;
                EXPECT_LT(pt.y, 39) << s;
            }
            if (p.kind == SymbolPrimitive::Kind::FilledRect ||
                p.kind == SymbolPrimitive::Kind::FilledEllipse) {
                EXPECT_GT(p.rect.x, 0) << s;
                EXPECT_LT(p.rect.x + p.rect.width, 79) << s;
            }
        }
    }
    const auto forward = SymbolPrimitives(TBackGroundSymbol::bsForward, 80, 40);
    const auto backward = SymbolPrimitives(TBackGroundSymbol::bsBackward, 80, 40);
    ASSERT_EQ(forward.size(), backward.size());
    EXPECT_NEAR(forward[0].points[1].x - 39.5f, 39.5f - backward[0].points[1].x, 1e-4);
    EXPECT_NEAR(forward[1].rect.x + forward[1].rect.width - 39.5f, 39.5f - backward[1].rect.x,
                1e-4);
}

TEST(GlassLayout, CaptionRectangles) {
    const auto plain = LayoutCaption(TButtonLayout::blGlyphLeft, 129, 65, 0, 0, true);
    EXPECT_EQ(plain.text, (GlassRect{2, 0, 127, 65}));
    EXPECT_EQ(plain.horizontal, GlassTextAlign::Centre);
    EXPECT_EQ(plain.vertical, GlassTextAlign::Centre);

    const auto withPicture = LayoutCaption(TButtonLayout::blGlyphLeft, 129, 65, 16, 16, true);
    EXPECT_EQ(withPicture.text, (GlassRect{20, 0, 109, 65}));
    EXPECT_EQ(withPicture.picture, (GlassPoint{2, 24}));
    const auto noCaption = LayoutCaption(TButtonLayout::blGlyphLeft, 129, 65, 16, 16, false);
    EXPECT_EQ(noCaption.text.x, 18);

    const auto right = LayoutCaption(TButtonLayout::blGlyphRightAdjusted, 100, 40, 16, 16, true);
    EXPECT_EQ(right.horizontal, GlassTextAlign::Far);
    EXPECT_EQ(right.picture, (GlassPoint{82, 12}));
    EXPECT_LE(right.text.x + right.text.width, right.picture.x);

    const auto top = LayoutCaption(TButtonLayout::blGlyphTopAdjusted, 100, 40, 16, 16, true);
    EXPECT_EQ(top.vertical, GlassTextAlign::Near);
    EXPECT_EQ(top.picture, (GlassPoint{42, 2}));
    EXPECT_GE(top.text.y, top.picture.y + 16);

    const auto bottom = LayoutCaption(TButtonLayout::blGlyphBottom, 100, 40, 16, 16, true);
    EXPECT_EQ(bottom.picture, (GlassPoint{42, 22}));
    EXPECT_LE(bottom.text.y + bottom.text.height, bottom.picture.y);

    // A picture larger than the button still keeps two pixels from the edges.
    const auto huge = LayoutCaption(TButtonLayout::blGlyphTop, 20, 20, 64, 64, false);
    EXPECT_EQ(huge.picture, (GlassPoint{2, 2}));
}

}  // namespace
