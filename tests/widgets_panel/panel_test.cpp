// The smooth panel painted into bitmaps and read back: the update dialog's
// caption and underline, the caption switches, the parent's image under the
// panel, and the markup caption's anchors under the mouse.
#include "widgets/SmoothPanel.h"

#include "gdiplus_test_support.h"

#include "toolkit/Forms.h"

#include <gtest/gtest.h>

namespace quill::widgets {
namespace {

using testing::ChannelDistance;
using testing::TestBitmap;

constexpr std::uint32_t kLineRgb = 0x1C72B0;
constexpr std::uint32_t kWhite = 0xFFFFFF;
const char kDialogCaption[] = "Exista noutati la program. Actualizati?";

// The update dialog's panel: fill, caption font and colours.
void DialogValues(TSmoothPanel& panel) {
    panel.SetBounds(0, 0, 555, 430);
    TGDIPFill& f = panel.Fill();
    f.SetColor(16445929);
    f.SetColorTo(15587527);
    f.SetColorMirror(15587527);
    f.SetColorMirrorTo(16773863);
    f.SetGradientType(gtVertical);
    f.SetGradientMirrorType(gtVertical);
    f.SetBorderColor(14922381);
    f.SetRounding(10);
    f.SetRoundingType(rtBoth);
    f.SetShadowOffset(10);
    TSmoothPanelCaption& c = panel.Caption();
    c.SetText(kDialogCaption);
    c.Font().SetName("Tahoma");
    c.Font().SetHeight(-16);
    c.SetColorStart(11563548);
    c.SetColorEnd(10446362);
}

// A plain white body, so that every pixel the caption draws is ink.
void WhiteBody(TSmoothPanel& panel) {
    panel.SetBounds(0, 0, 400, 100);
    panel.Fill().SetColor(0xFFFFFF);
    panel.Fill().SetColorTo(clNone);
}

void Render(TSmoothPanel& panel, TestBitmap& bitmap) {
    HDC dc = bitmap.Graphics().GetHDC();
    panel.PaintInto(dc);
    bitmap.Graphics().ReleaseHDC(dc);
}

// The row in which the caption's underline runs at column x, or -1.
int UnderlineRow(TestBitmap& bitmap, int x, int maxY) {
    for (int y = 0; y < maxY; ++y)
        if (ChannelDistance(bitmap.Rgb(x, y), kLineRgb) <= 8) return y;
    return -1;
}

bool IsInk(std::uint32_t rgb) {
    return ChannelDistance(rgb, kWhite) > 100;
}

class SmoothPanelTest : public ::testing::Test {
protected:
    testing::GdiplusSession session;
};

TEST_F(SmoothPanelTest, DefaultsAndVersion) {
    TSmoothPanel panel(nullptr);
    EXPECT_EQ(panel.Width(), 256);
    EXPECT_EQ(panel.Height(), 128);
    EXPECT_TRUE(panel.DoubleBuffered());
    EXPECT_EQ(panel.Cursor(), tk::crDefault);
    EXPECT_EQ(panel.Version(), "1.0.4.1");
    panel.SetVersion("9");
    EXPECT_EQ(panel.Version(), "1.0.4.1");
    const TSmoothPanelCaption& c = panel.Caption();
    EXPECT_EQ(c.Text(), "");
    EXPECT_EQ(c.Location(), plTopLeft);
    EXPECT_EQ(c.Font().Name(), "Tahoma");
    EXPECT_EQ(c.Font().Size(), 12);
    EXPECT_EQ(c.ColorStart(), 16777215);
    EXPECT_EQ(c.ColorEnd(), 12632256);
    EXPECT_EQ(c.GradientType(), gtVertical);
    EXPECT_TRUE(c.Line());
    EXPECT_EQ(c.LineColor(), 11563548);
    EXPECT_EQ(c.HTMLFont().Name(), "Tahoma");
    EXPECT_EQ(c.HTMLLocation(), plCenterCenter);
    EXPECT_EQ(c.HTMLURLColor(), 16711680);
    EXPECT_EQ(c.HTMLShadowColor(), 8421504);
    EXPECT_EQ(c.HTMLShadowOffset(), 5);
    EXPECT_TRUE(panel.HTMLRect().Width() == 0 && panel.HTMLRect().Height() == 0);
}

TEST_F(SmoothPanelTest, CaptionChangesAndAssign) {
    TSmoothPanelCaption source;
    int changes = 0;
    source.OnChange.Assign([&](tk::TObject*) { ++changes; });
    source.SetText("a");
    source.SetText("a");  // unchanged: nothing
    source.SetLineColor(clNone);
    source.Font().SetName("Arial");
    EXPECT_EQ(changes, 3);

    TSmoothPanelCaption copy;
    int copyChanges = 0;
    copy.OnChange.Assign([&](tk::TObject*) { ++copyChanges; });
    source.SetHTMLText("<B>x</B>");
    source.SetHTMLLeft(4);
    source.SetLocation(plBottomRight);
    copy.Assign(source);
    EXPECT_EQ(copyChanges, 1);
    EXPECT_EQ(copy.Text(), "a");
    EXPECT_EQ(copy.HTMLText(), "<B>x</B>");
    EXPECT_EQ(copy.HTMLLeft(), 4);
    EXPECT_EQ(copy.Location(), plBottomRight);
    EXPECT_EQ(copy.LineColor(), clNone);
    EXPECT_EQ(copy.Font().Name(), "Arial");

    TSmoothPanel a(nullptr), b(nullptr);
    DialogValues(a);
    b.Assign(a);
    EXPECT_EQ(b.Caption().Text(), kDialogCaption);
    EXPECT_EQ(b.Fill().ShadowOffset(), 10);
    EXPECT_EQ(b.Fill().BorderColor(), 14922381);
}

TEST_F(SmoothPanelTest, DialogCaptionAndItsUnderline) {
    TSmoothPanel panel(nullptr);
    DialogValues(panel);
    TestBitmap bitmap(555, 430);
    Render(panel, bitmap);
    bitmap.SavePng("panel_dialog");

    const int lineY = UnderlineRow(bitmap, 400, 60);
    ASSERT_GT(lineY, 10) << "no underline under the caption";
    EXPECT_LT(lineY, 30);
    // From x = 2 to x = 542, one pixel high.
    for (int x = 3; x <= 541; ++x)
        EXPECT_LE(ChannelDistance(bitmap.Rgb(x, lineY), kLineRgb), 8) << "x " << x;
    EXPECT_GT(ChannelDistance(bitmap.Rgb(0, lineY), kLineRgb), 40);
    EXPECT_GT(ChannelDistance(bitmap.Rgb(544, lineY), kLineRgb), 40);
    EXPECT_GT(ChannelDistance(bitmap.Rgb(400, lineY - 1), kLineRgb), 40);
    EXPECT_GT(ChannelDistance(bitmap.Rgb(400, lineY + 1), kLineRgb), 40);

    // The caption starts at the body's top-left corner (0, 0).
    int left = 1000, top = 1000;
    for (int y = 0; y < lineY; ++y)
        for (int x = 0; x < 60; ++x)
            if (ChannelDistance(bitmap.Rgb(x, y), kLineRgb) < 70) {
                left = std::min(left, x);
                top = std::min(top, y);
            }
    EXPECT_LE(left, 4);
    EXPECT_LE(top, 6);
}

TEST_F(SmoothPanelTest, EmptyCaptionDrawsNeitherTextNorLine) {
    TSmoothPanel panel(nullptr);
    DialogValues(panel);
    panel.Caption().SetText("");
    TestBitmap bitmap(555, 430);
    Render(panel, bitmap);
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 540; x += 3)
            ASSERT_GT(ChannelDistance(bitmap.Rgb(x, y), kLineRgb), 60) << x << "," << y;
}

TEST_F(SmoothPanelTest, LineOffOrNoLineColourDrawsTheTextOnly) {
    for (int variant = 0; variant < 2; ++variant) {
        TSmoothPanel panel(nullptr);
        DialogValues(panel);
        if (variant == 0)
            panel.Caption().SetLine(false);
        else
            panel.Caption().SetLineColor(clNone);
        TestBitmap bitmap(555, 430);
        Render(panel, bitmap);
        EXPECT_EQ(UnderlineRow(bitmap, 400, 60), -1) << "variant " << variant;
        int ink = 0;
        for (int y = 0; y < 25; ++y)
            for (int x = 0; x < 200; ++x)
                if (ChannelDistance(bitmap.Rgb(x, y), kLineRgb) < 70) ++ink;
        EXPECT_GT(ink, 50) << "variant " << variant;
    }
}

// Ink pixels of the caption that are clearly more blue than red.
int BluishInk(TestBitmap& bitmap) {
    int count = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 300; ++x) {
            const std::uint32_t c = bitmap.Rgb(x, y);
            if (IsInk(c) && int(c & 0xFF) > int((c >> 16) & 0xFF) + 60) ++count;
        }
    return count;
}

TEST_F(SmoothPanelTest, NoEndColourPaintsTheWholeCaptionInTheStartColour) {
    TSmoothPanel panel(nullptr);
    WhiteBody(panel);
    panel.Caption().SetText("Gradient caption text");
    panel.Caption().SetLine(false);
    panel.Caption().SetColorStart(0x0000FF);  // red
    panel.Caption().SetColorEnd(0xFF0000);    // blue
    TestBitmap gradient(400, 100);
    Render(panel, gradient);
    EXPECT_GT(BluishInk(gradient), 5);

    panel.Caption().SetColorEnd(clNone);
    TestBitmap solid(400, 100);
    Render(panel, solid);
    EXPECT_EQ(BluishInk(solid), 0);
    int red = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 300; ++x)
            if (ChannelDistance(solid.Rgb(x, y), 0xFF0000) < 40) ++red;
    EXPECT_GT(red, 30);
    solid.SavePng("panel_solid_caption");
}

TEST_F(SmoothPanelTest, UnknownFontFallsBackAndBrushlessTypesDrawNoText) {
    TSmoothPanel panel(nullptr);
    WhiteBody(panel);
    panel.Caption().SetText("Fallback");
    panel.Caption().SetColorStart(0);
    panel.Caption().SetColorEnd(0);
    panel.Caption().Font().SetName("No Such Face Anywhere");
    panel.Caption().SetLine(false);
    TestBitmap fallback(400, 100);
    Render(panel, fallback);
    int ink = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 150; ++x)
            if (IsInk(fallback.Rgb(x, y))) ++ink;
    EXPECT_GT(ink, 30);

    // gtRadial has no caption brush: the underline stays, the text goes.
    panel.Caption().SetGradientType(gtRadial);
    panel.Caption().SetLine(true);
    TestBitmap radial(400, 100);
    Render(panel, radial);
    radial.SavePng("panel_radial_caption");
    fallback.SavePng("panel_fallback_font");
    const int lineY = UnderlineRow(radial, 100, 60);
    EXPECT_GT(lineY, 5);
    int textInk = 0;
    for (int y = 0; y < std::max(lineY, 0); ++y)
        for (int x = 0; x < 150; ++x)
            if (IsInk(radial.Rgb(x, y))) ++textInk;
    EXPECT_EQ(textInk, 0);
}

TEST_F(SmoothPanelTest, TinyPanelPaintsNothingButRaisesOnDraw) {
    TSmoothPanel panel(nullptr);
    panel.SetBounds(0, 0, 1, 50);
    panel.SetColor(0xFFFFFF);
    panel.Caption().SetText("x");
    int draws = 0;
    RECT drawn{};
    panel.OnDraw.Assign([&](tk::TObject*, tk::TCanvas&, RECT r) {
        ++draws;
        drawn = r;
    });
    TestBitmap bitmap(4, 50);
    Render(panel, bitmap);
    EXPECT_EQ(draws, 1);
    EXPECT_EQ(drawn.right, 1);
    EXPECT_EQ(drawn.bottom, 50);
    EXPECT_EQ(bitmap.Rgb(0, 10), kWhite);
}

TEST_F(SmoothPanelTest, WithoutParentAndWithTheParentsImageUnderneath) {
    // No parent: the corners outside the rounded body show the panel's own colour.
    TSmoothPanel alone(nullptr);
    DialogValues(alone);
    alone.SetColor(0x0000FF);
    TestBitmap bitmap(555, 430);
    Render(alone, bitmap);
    EXPECT_EQ(bitmap.Rgb(0, 0), 0xFF0000u);
    EXPECT_LE(ChannelDistance(bitmap.Rgb(277, 300), 0xD0DFF2), 40);  // the lower band

    tk::TForm form(nullptr);
    form.SetColor(0x00FF00);
    form.SetBounds(0, 0, 700, 500);
    auto* panel = new TSmoothPanel(&form);
    DialogValues(*panel);
    panel->SetBounds(20, 30, 555, 430);
    panel->SetParent(&form);
    TestBitmap withParent(555, 430);
    Render(*panel, withParent);
    EXPECT_EQ(withParent.Rgb(0, 0), 0x00FF00u);
    EXPECT_EQ(withParent.Rgb(554, 0), 0x00FF00u);
    EXPECT_LE(ChannelDistance(withParent.Rgb(277, 300), 0xD0DFF2), 40);
    withParent.SavePng("panel_on_parent");
}

TEST_F(SmoothPanelTest, MouseOverAnchorsAndClicks) {
    TSmoothPanel panel(nullptr);
    WhiteBody(panel);
    panel.SetCursor(tk::crIBeam);

    // Without a markup caption the cursor never changes.
    panel.DispatchMouseMove(0, 30, 30);
    EXPECT_EQ(panel.Cursor(), tk::crIBeam);
    EXPECT_FALSE(panel.OverAnchor());

    std::vector<std::string> clicked;
    panel.OnAnchorClick.Assign(
        [&](tk::TObject*, const std::string& anchor) { clicked.push_back(anchor); });
    panel.Caption().SetHTMLText("Press <A href=\"go\">here now</A> please");
    panel.Caption().SetHTMLLocation(plTopLeft);
    // Before the first paint no markup rectangle exists: no anchor anywhere.
    panel.DispatchMouseMove(0, 60, 8);
    EXPECT_FALSE(panel.OverAnchor());

    TestBitmap bitmap(400, 100);
    Render(panel, bitmap);
    bitmap.SavePng("panel_markup");
    const markup::MarkupRect rect = panel.HTMLRect();
    ASSERT_GT(rect.Width(), 40);
    ASSERT_GT(rect.Height(), 5);

    // Find a point over the anchor by asking along the caption's middle row.
    const int y = rect.Top + rect.Height() / 2 - 1;
    int anchorX = -1;
    for (int x = rect.Left; x < rect.Right && anchorX < 0; ++x)
        if (panel.AnchorAt(x, y) == "go") anchorX = x + 4;
    ASSERT_GT(anchorX, rect.Left + 10);  // "Press " comes first

    panel.DispatchMouseMove(0, anchorX, y);
    EXPECT_TRUE(panel.OverAnchor());
    EXPECT_EQ(panel.Cursor(), tk::crHandPoint);
    panel.DispatchMouseDown(tk::mbLeft, tk::ssLeft, anchorX, y, false);
    ASSERT_EQ(clicked.size(), 1u);
    EXPECT_EQ(clicked[0], "go");

    panel.DispatchMouseMove(0, rect.Left + 1, y);
    EXPECT_FALSE(panel.OverAnchor());
    EXPECT_EQ(panel.Cursor(), tk::crIBeam);
    panel.DispatchMouseDown(tk::mbLeft, tk::ssLeft, rect.Left + 1, y, false);
    EXPECT_EQ(clicked.size(), 1u);
}

}  // namespace
}  // namespace quill::widgets
