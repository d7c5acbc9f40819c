// The markup renderer measuring and drawing through GDI+, read back from
// bitmaps. Exact positions are the layout's business (tested natively); these
// tests check what reaches the pixels and that GDI+ measurements feed it.
#include "widgets/MarkupGdip.h"

#include "gdiplus_test_support.h"

#include <gtest/gtest.h>

namespace quill::widgets {
namespace {

using markup::MarkupParams;
using markup::MarkupResult;
using testing::TestBitmap;

constexpr std::uint32_t kWhite = 0xFFFFFF;

class MarkupGdip : public ::testing::Test {
protected:
    testing::GdiplusSession session;

    static MarkupParams Params(std::string text, int width = 300, int height = 200) {
        MarkupParams p;
        p.BaseFont = markup::MarkupFont{"Tahoma", 8};
        p.Text = std::move(text);
        p.ParagraphSpacing = 2;
        p.AnchorColor = 0xFF0000;  // blue
        p.ShadowColor = 0x808080;
        p.ShadowOffset = 2;
        p.Rect = {0, 0, width, height};
        return p;
    }

    static MarkupResult Draw(TestBitmap& bitmap, const MarkupParams& p,
                             const TPictureContainer* pictures = nullptr,
                             const TImageList* images = nullptr) {
        return DrawMarkup(bitmap.Graphics(), p, pictures, images);
    }

    // Pixels that differ from white in a rectangle.
    static int Inked(TestBitmap& bitmap, int left, int top, int right, int bottom) {
        int count = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                if (bitmap.Rgb(x, y) != kWhite) ++count;
        return count;
    }
};

TEST_F(MarkupGdip, EmptyTextIsOneLineHighAndDrawsNothing) {
    TestBitmap bitmap(100, 60);
    const MarkupResult empty = Draw(bitmap, Params(""));
    EXPECT_EQ(Inked(bitmap, 0, 0, 100, 60), 0);
    const MarkupResult one = Draw(bitmap, Params("x"));
    EXPECT_GT(empty.Height, 2);
    EXPECT_EQ(empty.Height, one.Height);
}

TEST_F(MarkupGdip, MeasuringDrawsNothingAndDrawingStaysInsideTheMeasuredBox) {
    TestBitmap bitmap(300, 100);
    MarkupParams p = Params("Some <B>bold</B> text<BR>and a second line");
    p.MeasureOnly = true;
    const MarkupResult measured = Draw(bitmap, p);
    EXPECT_EQ(Inked(bitmap, 0, 0, 300, 100), 0);
    ASSERT_GT(measured.Width, 50);
    ASSERT_GT(measured.Height, 20);

    p.MeasureOnly = false;
    const MarkupResult drawn = Draw(bitmap, p);
    EXPECT_EQ(drawn.Width, measured.Width);
    EXPECT_EQ(drawn.Height, measured.Height);
    EXPECT_GT(Inked(bitmap, 0, 0, measured.Width, measured.Height), 50);
    EXPECT_EQ(Inked(bitmap, measured.Width + 4, 0, 300, 100), 0);
    EXPECT_EQ(Inked(bitmap, 0, measured.Height, 300, 100), 0);
    bitmap.SavePng("markup_text");
}

TEST_F(MarkupGdip, EntitiesMeasureAsTheirCharacters) {
    TestBitmap bitmap(10, 10);
    MarkupParams p = Params("");
    p.MeasureOnly = true;
    auto width = [&](std::string text) {
        p.Text = std::move(text);
        return Draw(bitmap, p).Width;
    };
    EXPECT_EQ(width("rock &amp; roll"), width("rock & roll"));
    EXPECT_LT(width("rock &amp; roll"), width("rock &bmp; roll"));
    EXPECT_EQ(width("&lt;b&gt;"), width("&lt;b&gt;"));
    EXPECT_GT(width("&lt;b&gt;"), width("b"));
}

TEST_F(MarkupGdip, FontSizesThreeAndTwenty) {
    TestBitmap bitmap(10, 10);
    MarkupParams p = Params("");
    p.MeasureOnly = true;
    auto height = [&](std::string text) {
        p.Text = std::move(text);
        return Draw(bitmap, p).Height;
    };
    const int base = height("abc");
    const int three = height("<FONT size=\"3\">abc</FONT>");
    const int twelve = height("<FONT size=\"12\">abc</FONT>");
    const int twenty = height("<FONT size=\"20\">abc</FONT>");
    EXPECT_GT(three, base);
    EXPECT_EQ(three, twelve);
    EXPECT_GT(twenty, three);
}

TEST_F(MarkupGdip, AnchorIsBlueAndAnswersTheHitTest) {
    TestBitmap bitmap(300, 40);
    MarkupParams p = Params("<A href=\"go\">anchor text</A> plain");
    p.HitPoint = {10, 6};
    const MarkupResult r = Draw(bitmap, p);
    EXPECT_TRUE(r.OverAnchor);
    EXPECT_EQ(r.Anchor, "go");
    EXPECT_EQ(r.AnchorText, "anchor text");
    // Anchor glyphs are blue: some pixel is clearly bluer than it is red.
    bool blue = false;
    for (int y = 0; y < 20 && !blue; ++y)
        for (int x = 0; x < 50 && !blue; ++x) {
            const std::uint32_t c = bitmap.Rgb(x, y);
            blue = (c & 0xFF) > 150 && ((c >> 16) & 0xFF) < 100;
        }
    EXPECT_TRUE(blue);

    p.HitPoint = {290, 6};
    EXPECT_FALSE(Draw(bitmap, p).OverAnchor);
}

TEST_F(MarkupGdip, BackgroundBoxRuleAndZigzag) {
    TestBitmap bitmap(200, 80);
    MarkupParams p = Params("<FONT bgcolor=\"#00FF00\">boxed</FONT><HR><E>wrong</E>", 200);
    const MarkupResult r = Draw(bitmap, p);
    EXPECT_RGB_NEAR(bitmap.Rgb(2, 1), 0x00FF00u, 0);
    // The rule runs across the whole rectangle below the first line.
    const int lineHeight = (r.Height - 2 - 2) / 2;
    int ruleRow = -1;
    for (int y = lineHeight - 1; y <= lineHeight + 1; ++y)
        if (bitmap.Rgb(100, y) == 0 && bitmap.Rgb(198, y) == 0 && bitmap.Rgb(1, y) == 0)
            ruleRow = y;
    EXPECT_NE(ruleRow, -1);
    // Red zigzag under the second line.
    int red = 0;
    for (int y = lineHeight + 2; y < 80; ++y)
        for (int x = 0; x < 60; ++x) {
            const std::uint32_t c = bitmap.Rgb(x, y);
            if (((c >> 16) & 0xFF) > 200 && (c & 0xFF) < 80 && ((c >> 8) & 0xFF) < 80) ++red;
        }
    EXPECT_GT(red, 10);
    bitmap.SavePng("markup_decorations");
}

TEST_F(MarkupGdip, PicturesAndListImagesAndMissingSources) {
    TPictureContainer pictures(nullptr);
    pictures.Add("red").LoadFromBytes(testing::SolidPng(10, 12, Gdiplus::Color(255, 255, 0, 0)));
    TImageList images(nullptr, 16, 16);
    images.Add().LoadFromBytes(testing::SolidPng(4, 4, Gdiplus::Color(255, 0, 0, 255)));

    TestBitmap bitmap(200, 40);
    MarkupParams p = Params(
        "<IMG src=\"red\"><IMG src=\"nothere\"><IMG src=\"IDX:0\"><IMG "
        "src=\"IDX:3\"><IMG src=\"red\" width=\"20\" height=\"4\">");
    const MarkupResult r = Draw(bitmap, p, &pictures, &images);
    EXPECT_EQ(r.Width, 10 + 16 + 20);
    EXPECT_EQ(bitmap.Rgb(5, 5), 0xFF0000u);
    EXPECT_EQ(bitmap.Rgb(17, 5), 0x0000FFu);   // the list's image, drawn at 16 x 16
    EXPECT_EQ(bitmap.Rgb(35, 14), 0xFF0000u);  // 20 x 4 at the line's bottom
    EXPECT_EQ(Inked(bitmap, 47, 0, 200, 40), 0);

    // Without container and list the images take no room.
    TestBitmap bare(200, 40);
    EXPECT_EQ(Draw(bare, p).Width, 0);
    EXPECT_EQ(Inked(bare, 0, 0, 200, 40), 0);
}

TEST_F(MarkupGdip, SystemIconOfAFolder) {
    TestBitmap bitmap(60, 40);
    const MarkupResult r = Draw(bitmap, Params("<IMG src=\"SSYS:C:\\windows\">"));
    EXPECT_EQ(r.Width, ::GetSystemMetrics(SM_CXSMICON));
    EXPECT_GT(Inked(bitmap, 0, 0, r.Width, r.Height), 10);
}

TEST_F(MarkupGdip, BulletsAndShadow) {
    TestBitmap bitmap(200, 80);
    Draw(bitmap, Params("<UL><LI>first<UL><LI>second</UL></UL><SHAD>shadowed</SHAD>"));
    // Bullets sit in the 12 pixels left of each item's text.
    EXPECT_GT(Inked(bitmap, 0, 14, 12, 30), 0);
    EXPECT_GT(Inked(bitmap, 12, 28, 24, 44), 0);
    // The shadow is grey and below-right of the black text.
    int grey = 0;
    for (int y = 40; y < 80; ++y)
        for (int x = 0; x < 80; ++x) {
            const std::uint32_t c = bitmap.Rgb(x, y);
            if (testing::ChannelDistance(c, 0x808080) < 24) ++grey;
        }
    EXPECT_GT(grey, 5);
    bitmap.SavePng("markup_lists");
}

}  // namespace
}  // namespace quill::widgets
