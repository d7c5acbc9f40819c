// Block arithmetic, colour ramp, frame and text of the segmented progress bar.
#include "widgets/SpecialProgressLayout.h"

#include <gtest/gtest.h>

#include <climits>

using namespace quill;

namespace {

// The update dialog's bar: 489 x 33 with a border, inner width 487, pitch 22.
constexpr int kWidth = 489, kHeight = 33, kInner = 487;

ProgressLayout LayoutAt(int position, int maximum = kInner, bool solid = false) {
    ProgressLayout layout;
    UpdateProgressLayout(layout, 0, maximum, position, kWidth, kHeight, solid);
    return layout;
}

int ChannelDistance(TColor a, TColor b) {
    return std::max({std::abs(tk::RedOf(a) - tk::RedOf(b)),
                     std::abs(tk::GreenOf(a) - tk::GreenOf(b)),
                     std::abs(tk::BlueOf(a) - tk::BlueOf(b))});
}

constexpr TColor kBack = 0x123456;

}  // namespace

TEST(MulDivRounded, RoundsHalvesAwayFromZero) {
    EXPECT_EQ(MulDivRounded(1, 1, 2), 1);
    EXPECT_EQ(MulDivRounded(3, 1, 2), 2);
    EXPECT_EQ(MulDivRounded(-1, 1, 2), -1);
    EXPECT_EQ(MulDivRounded(-3, 1, 2), -2);
    EXPECT_EQ(MulDivRounded(5, 1, 4), 1);
    EXPECT_EQ(MulDivRounded(7, 1, 4), 2);
    EXPECT_EQ(MulDivRounded(7, 1, -4), -2);
    EXPECT_EQ(MulDivRounded(5, 3, 0), -1);
}

TEST(ProgressPercent, FollowsTheMulDivRuleOverTheWholeRange) {
    EXPECT_EQ(ProgressPercent(5, 7, 7), 0);
    EXPECT_EQ(ProgressPercent(40, 0, 100), 40);
    EXPECT_EQ(ProgressPercent(1, 0, 3), 33);
    EXPECT_EQ(ProgressPercent(2, 0, 3), 67);
    EXPECT_EQ(ProgressPercent(1, 0, 8), 13);  // 12.5
    EXPECT_EQ(ProgressPercent(-5, -10, 0), 50);
    // The 32-bit range end to end needs the 64-bit intermediate.
    EXPECT_EQ(ProgressPercent(INT_MAX, INT_MIN, INT_MAX), 100);
    EXPECT_EQ(ProgressPercent(0, INT_MIN, INT_MAX), 50);
}

TEST(ProgressLayout, DialogBarHasPitch22AndInnerWidth487) {
    const ProgressLayout full = LayoutAt(kInner);
    EXPECT_EQ(full.BlockWidth, 22);
    EXPECT_EQ(full.FilledWidth, kInner);
    EXPECT_EQ(full.BlockCount, 23);  // 22 whole blocks and a cut one
    EXPECT_TRUE(full.HasPartialBlock);
    EXPECT_EQ(full.PartialWidth, 3);

    const ProgressLayout two = LayoutAt(44);
    EXPECT_EQ(two.FilledWidth, 44);
    EXPECT_EQ(two.BlockCount, 2);
    EXPECT_FALSE(two.HasPartialBlock);
}

TEST(ProgressLayout, ABlockShowsOnlyOnceMoreThanHalfOfItIsReached) {
    EXPECT_EQ(LayoutAt(11).FilledWidth, 0);   // exactly half
    EXPECT_EQ(LayoutAt(12).FilledWidth, 22);  // more than half: a whole block
    EXPECT_EQ(LayoutAt(12).BlockCount, 1);
    EXPECT_EQ(LayoutAt(22 + 11).FilledWidth, 22);
    EXPECT_EQ(LayoutAt(22 + 12).FilledWidth, 44);
}

TEST(ProgressLayout, LastBlockThatDoesNotFitIsCutAtTheInnerEdge) {
    // 484 is 22 whole blocks; 3 pixels remain. One more pixel is not more
    // than half of those 3, two are.
    EXPECT_EQ(LayoutAt(485).FilledWidth, 484);
    const ProgressLayout cut = LayoutAt(486);
    EXPECT_EQ(cut.FilledWidth, kInner);
    EXPECT_TRUE(cut.HasPartialBlock);
    EXPECT_EQ(cut.PartialWidth, 3);
}

TEST(ProgressLayout, ReportsWhetherTheFilledWidthMoved) {
    ProgressLayout layout;
    EXPECT_FALSE(UpdateProgressLayout(layout, 0, 100, 0, kWidth, kHeight, false));
    EXPECT_TRUE(UpdateProgressLayout(layout, 0, 100, 10, kWidth, kHeight, false));
    const int filled = layout.FilledWidth;
    // 11 of 100 is still within the same block.
    EXPECT_FALSE(UpdateProgressLayout(layout, 0, 100, 11, kWidth, kHeight, false));
    EXPECT_EQ(layout.FilledWidth, filled);
}

TEST(ProgressLayout, EmptyRangeOrNarrowClientLeavesTheLayoutAlone) {
    ProgressLayout layout = LayoutAt(100);
    const ProgressLayout before = layout;
    EXPECT_FALSE(UpdateProgressLayout(layout, 0, 0, 0, kWidth, kHeight, false));
    EXPECT_FALSE(UpdateProgressLayout(layout, 0, 100, 0, 1, kHeight, false));
    EXPECT_EQ(layout.FilledWidth, before.FilledWidth);
    EXPECT_EQ(layout.BlockCount, before.BlockCount);
}

TEST(ProgressLayout, NoPitchMeansNothingFilledButBlockCountKept) {
    ProgressLayout layout = LayoutAt(100);
    ASSERT_GT(layout.BlockCount, 0);
    const int blocks = layout.BlockCount;
    EXPECT_TRUE(UpdateProgressLayout(layout, 0, kInner, 300, kWidth, 1, false));
    EXPECT_EQ(layout.BlockWidth, 0);
    EXPECT_EQ(layout.FilledWidth, 0);
    EXPECT_EQ(layout.BlockCount, blocks);
}

TEST(ProgressLayout, SolidFollowsThePositionExactly) {
    EXPECT_EQ(LayoutAt(40, 100, true).FilledWidth, 195);  // 40 * 487 / 100 = 194.8
    EXPECT_EQ(LayoutAt(11, kInner, true).FilledWidth, 11);
}

TEST(ProgressBody, OneColourBlocksAreWholeWithGapsAndACutLastBlock) {
    const ProgressLayout full = LayoutAt(kInner);
    const auto rects =
        PlanProgressBody(full, kWidth, kHeight, false, true, {0x00FF00, 0x00FF00, kBack});
    std::vector<PaintRect> blocks, gaps;
    for (const auto& r : rects) (r.Color == kBack ? gaps : blocks).push_back(r);
    ASSERT_EQ(blocks.size(), 23u);
    for (int k = 0; k < 22; ++k) {
        EXPECT_EQ(blocks[k], (PaintRect{1 + 22 * k, 1, 21, 31, 0x00FF00})) << k;
    }
    EXPECT_EQ(blocks[22], (PaintRect{485, 1, 3, 31, 0x00FF00}));
    EXPECT_EQ(blocks[22].X + blocks[22].Width - 1, kWidth - 2);
    ASSERT_EQ(gaps.size(), 22u);  // no unfilled part to the right of the cut block
    for (int k = 0; k < 22; ++k) EXPECT_EQ(gaps[k], (PaintRect{22 * (k + 1), 1, 1, 31, kBack}));
}

TEST(ProgressBody, UnfilledPartRunsFromTheFilledEdgeToTheInnerRight) {
    const auto rects =
        PlanProgressBody(LayoutAt(12), kWidth, kHeight, false, false, {0xFFFFFF, 0, kBack});
    ASSERT_FALSE(rects.empty());
    EXPECT_EQ(rects.back(), (PaintRect{23, 1, 465, 31, kBack}));
    const auto empty =
        PlanProgressBody(ProgressLayout{}, kWidth, kHeight, false, false, {0xFFFFFF, 0, kBack});
    ASSERT_EQ(empty.size(), 1u);
    EXPECT_EQ(empty[0], (PaintRect{1, 1, kInner, 31, kBack}));
}

TEST(ProgressBody, RampSpansTheFilledPartWhateverThePosition) {
    const ProgressColors colors{0xFFFFFF, 0x000000, kBack};
    for (int position : {100, 250, kInner}) {
        const ProgressLayout layout = LayoutAt(position);
        const auto rects = PlanProgressBody(layout, kWidth, kHeight, false, false, colors);
        EXPECT_EQ(rects.front().Color, 0xFFFFFF);
        // The last block starts (FilledWidth - its width) steps into the ramp,
        // so it sits within one block's worth of steps of the end colour.
        const PaintRect* last = nullptr;
        for (const auto& r : rects)
            if (r.Color != kBack) last = &r;
        ASSERT_NE(last, nullptr);
        const int stepsLeft = layout.FilledWidth - (last->X - 1);
        EXPECT_LE(ChannelDistance(last->Color, 0), 255 * stepsLeft / layout.FilledWidth + 1)
            << position;
    }
    // A given block's colour changes as the bar grows.
    const auto shorter = PlanProgressBody(LayoutAt(100), kWidth, kHeight, false, false, colors);
    const auto longer = PlanProgressBody(LayoutAt(300), kWidth, kHeight, false, false, colors);
    EXPECT_NE(shorter[1].Color, longer[1].Color);
}

TEST(ProgressBody, GradientBlocksShadeEveryColumnAndReachTheEndColour) {
    const ProgressLayout full = LayoutAt(kInner);
    const auto rects =
        PlanProgressBody(full, kWidth, kHeight, false, true, {0x0000FF, 0xFF0000, kBack});
    std::vector<PaintRect> columns;
    for (const auto& r : rects)
        if (r.Color != kBack) columns.push_back(r);
    ASSERT_EQ(columns.size(), 22u * 21u + 3u);
    EXPECT_EQ(columns.front(), (PaintRect{1, 1, 1, 31, 0x0000FF}));
    EXPECT_EQ(columns.back().X, kWidth - 2);
    // The gap takes one step too, so the last column is 486 steps along.
    EXPECT_LE(ChannelDistance(columns.back().Color, 0xFF0000), 1);
    for (std::size_t i = 1; i < columns.size(); ++i)
        EXPECT_GE(tk::BlueOf(columns[i].Color), tk::BlueOf(columns[i - 1].Color));
}

TEST(ProgressBody, EqualColoursIgnoreGradientBlocks) {
    const auto plain =
        PlanProgressBody(LayoutAt(300), kWidth, kHeight, false, false, {0x808080, 0x808080, kBack});
    const auto shaded =
        PlanProgressBody(LayoutAt(300), kWidth, kHeight, false, true, {0x808080, 0x808080, kBack});
    EXPECT_EQ(plain, shaded);
}

TEST(ProgressBody, SolidRampRoundsHalvesToEven) {
    ProgressLayout layout;
    layout.FilledWidth = 2;
    // Red 0 -> 5 over 2 pixels: 0, then 2.5, which rounds to 2.
    const auto rects = PlanProgressBody(layout, 10, 5, true, false, {0x000000, 0x000005, kBack});
    ASSERT_EQ(rects.size(), 3u);
    EXPECT_EQ(rects[0], (PaintRect{1, 1, 1, 3, 0x000000}));
    EXPECT_EQ(rects[1], (PaintRect{2, 1, 1, 3, 0x000002}));
    EXPECT_EQ(rects[2], (PaintRect{3, 1, 6, 3, kBack}));
    // 0 -> 7 over 2: 3.5 rounds to 4.
    const auto up = PlanProgressBody(layout, 10, 5, true, false, {0x000000, 0x000007, kBack});
    EXPECT_EQ(up[1].Color, 0x000004);
}

TEST(ProgressBody, SolidWithOneColourIsOneRectangle) {
    const ProgressLayout layout = LayoutAt(40, 100, true);
    const auto rects =
        PlanProgressBody(layout, kWidth, kHeight, true, false, {0x00AA00, 0x00AA00, kBack});
    ASSERT_EQ(rects.size(), 2u);
    EXPECT_EQ(rects[0], (PaintRect{1, 1, 195, 31, 0x00AA00}));
}

TEST(ProgressBorder, SingleIsThreeSunkenRings) {
    const auto rects = PlanProgressBorder(true, 10, 6, kBack);
    ASSERT_EQ(rects.size(), 12u);
    // Outer ring all button face; middle shadow over highlight; inner dark
    // shadow over face.
    EXPECT_EQ(rects[0], (PaintRect{0, 0, 9, 1, tk::clBtnFace}));
    EXPECT_EQ(rects[4], (PaintRect{1, 1, 7, 1, tk::clBtnShadow}));
    EXPECT_EQ(rects[5], (PaintRect{1, 1, 1, 3, tk::clBtnShadow}));
    EXPECT_EQ(rects[6], (PaintRect{8, 1, 1, 4, tk::clBtnHighlight}));
    EXPECT_EQ(rects[7], (PaintRect{1, 4, 8, 1, tk::clBtnHighlight}));
    EXPECT_EQ(rects[8], (PaintRect{2, 2, 5, 1, tk::cl3DDkShadow}));
    EXPECT_EQ(rects[11], (PaintRect{2, 3, 6, 1, tk::clBtnFace}));
}

TEST(ProgressBorder, NoneIsOneFrameInTheBackground) {
    const auto rects = PlanProgressBorder(false, 10, 6, kBack);
    ASSERT_EQ(rects.size(), 4u);
    for (const auto& r : rects) EXPECT_EQ(r.Color, kBack);
    EXPECT_EQ(rects[3], (PaintRect{0, 5, 10, 1, kBack}));
}

TEST(ProgressText, ChosenByTheTextOption) {
    EXPECT_EQ(ProgressText(toPercent, "ignored", 40), "40%");
    EXPECT_EQ(ProgressText(toCaption, "Download", 40), "Download");
    EXPECT_EQ(ProgressText(toFormat, "Dezarhivare %d%%", 7), "Dezarhivare 7%");
    EXPECT_EQ(ProgressText(toNoText, "Download", 40), "");
}

TEST(ProgressText, FormatTakesOneIntegerAndNothingElse) {
    EXPECT_EQ(FormatWithInteger("[%5d]", 42), "[   42]");
    EXPECT_EQ(FormatWithInteger("[%-5d]", 42), "[42   ]");
    EXPECT_EQ(FormatWithInteger("%.3d", 7), "007");
    EXPECT_EQ(FormatWithInteger("%.3d", -7), "-007");
    EXPECT_EQ(FormatWithInteger("%x", 255), "FF");
    EXPECT_EQ(FormatWithInteger("%u", -1), "4294967295");
    EXPECT_EQ(FormatWithInteger("%D", 3), "3");
    // Formats that would need another argument or type stay as written.
    EXPECT_EQ(FormatWithInteger("%s", 3), "%s");
    EXPECT_EQ(FormatWithInteger("%d of %d", 3), "%d of %d");
    EXPECT_EQ(FormatWithInteger("50%", 3), "50%");
    EXPECT_EQ(FormatWithInteger("%99999d", 3), "%99999d");
}

TEST(ProgressText, OriginCentresAndNeverGoesNegative) {
    EXPECT_EQ(ProgressTextOrigin(489, 29, 33, 13).X, 230);
    EXPECT_EQ(ProgressTextOrigin(489, 29, 33, 13).Y, 10);
    // Filled part narrower than the text: the text starts at 0.
    EXPECT_EQ(ProgressTextOrigin(22, 29, 33, 13).X, 0);
    EXPECT_EQ(ProgressTextOrigin(22, 29, 10, 13).Y, 0);
    EXPECT_EQ(ProgressTextOrigin(22, 25, 33, 13).X, 0);  // -3 div 2 truncates to -1, raised to 0
}

TEST(ProgressPixels, FillIsClippedToThePictureAndLaidOutAsRRGGBB) {
    std::uint32_t pixels[4 * 3];
    std::fill(std::begin(pixels), std::end(pixels), 0xFFFFFFFFu);
    const PixelView view{pixels, 4, 3};
    FillPixels(view, {2, 1, 5, 5, 0x123456}, 0x123456);  // runs past the right and the bottom
    FillPixels(view, {-3, -3, 4, 4, 0}, 0x0000FF);       // from above-left: only (0, 0)
    FillPixels(view, {1, 0, 0, 3, 0}, 0);                // empty: nothing
    // Red 0xFF of 0x0000FF lands in the third byte.
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 4; ++x) {
            const std::uint32_t expected = x >= 2 && y >= 1 ? 0x00563412u
                                           : x || y         ? 0xFFFFFFFFu
                                                            : 0x00FF0000u;
            EXPECT_EQ(pixels[y * 4 + x], expected) << x << "," << y;
        }
    }
}
