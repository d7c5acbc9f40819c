// Paints the glass layers and the caption into a bitmap and checks pixels; the looks of
// the update dialog's two buttons are saved as PNGs next to the test for people to see.
#include <gtest/gtest.h>

#include "widgets/GlassButtonLogic.h"
#include "widgets/GlassButtonPaint.h"
#include "glass_pixels.h"

using namespace quill::widgets;

namespace {

constexpr COLORREF kPanel = 16445929;  // the dialog panel's fill under the buttons
constexpr tk::TColor kLime = tk::clLime, kOrange = 33023, kBlack = tk::clBlack,
                     kWhite = tk::clWhite;

struct Button {
    int width = 129, height = 65;
    GlassLook look;
    GlassCaption caption;
};

Button DownloadButton() {
    Button b;
    b.look.backColor = kLime;
    b.look.innerBorderColor = kBlack;
    b.look.outerBorderColor = kWhite;
    b.caption.text = GlassCaptionText("Descarca actualizarea", true);
    return b;
}

Button LaterButton() {
    Button b = DownloadButton();
    b.height = 49;
    b.look.backColor = kOrange;
    b.caption.text = GlassCaptionText("Mai tarziu", true);
    return b;
}

class GlassPaint : public ::testing::Test {
protected:
    static void SetUpTestSuite() { session_ = new GdiPlusSession; }
    static void TearDownTestSuite() {
        delete session_;
        session_ = nullptr;
    }

    static std::unique_ptr<PixelCanvas> Paint(const Button& b, const char* png = nullptr) {
        auto canvas = std::make_unique<PixelCanvas>(b.width, b.height, kPanel);
        {
            Gdiplus::Graphics graphics(canvas->dc());
            graphics.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
            DrawGlass(graphics, b.width, b.height, b.look);
            DrawGlassCaption(graphics, b.width, b.height, b.caption);
        }
        if (png) {
            EXPECT_TRUE(canvas->SavePng(png)) << png;
        }
        return canvas;
    }

private:
    static GdiPlusSession* session_;
};

GdiPlusSession* GlassPaint::session_ = nullptr;

TEST_F(GlassPaint, DialogButtonsShowBordersShineAndCaption) {
    const auto download = Paint(DownloadButton(), "glass_download_up.png");
    ExpectShineBand(*download, 32);
    EXPECT_EQ(download->At(64, 0), (Rgb{255, 255, 255})) << "outer border";
    EXPECT_EQ(download->At(64, 64), (Rgb{255, 255, 255}));
    EXPECT_TRUE(IsDarkInk(download->At(64, 1))) << "inner border";
    EXPECT_TRUE(IsDarkInk(download->At(64, 63)));
    // Lime at alpha 127 over the panel: green stays high, red and blue drop to about half.
    const Rgb body = download->At(5, 50);
    EXPECT_GT(body.g, 230);
    EXPECT_NEAR(body.r, 0xE9 / 2, 12);
    EXPECT_NEAR(body.b, 0xFA / 2, 12);
    EXPECT_EQ(TextBands(*download, IsDarkInk), 1);

    const auto later = Paint(LaterButton(), "glass_later.png");
    ExpectShineBand(*later, 24);
    const Rgb orange = later->At(5, 40);
    EXPECT_GT(orange.r, 230);
    EXPECT_NEAR(orange.g, (0xF0 + 0x80) / 2, 12);
    EXPECT_NEAR(orange.b, 0xFA / 2, 12);
    EXPECT_EQ(TextBands(*later, IsDarkInk), 1);
}

TEST_F(GlassPaint, GlowRisesFromTheBottomCentreOnlyWhenAsked) {
    Button b = DownloadButton();
    const auto up = Paint(b);
    b.look.glow = true;
    const auto down = Paint(b, "glass_download_down.png");
    EXPECT_GT(down->At(64, 58).b, up->At(64, 58).b + 60) << "glow colour near the bottom centre";
    EXPECT_GT(down->At(64, 58).b - up->At(64, 58).b, down->At(4, 8).b - up->At(4, 8).b + 40)
        << "the glow fades towards the top corners";
    EXPECT_EQ(down->At(64, 0), up->At(64, 0)) << "borders are unchanged";
}

TEST_F(GlassPaint, DisabledCaptionIsGreyAndTheGlowStays) {
    Button b = DownloadButton();
    b.look.glow = true;
    b.caption.enabled = false;
    const auto disabled = Paint(b, "glass_download_disabled.png");
    EXPECT_EQ(TextBands(*disabled, IsDarkInk), 0) << "no black text left";
    EXPECT_EQ(TextBands(*disabled, IsGreyInk), 1);
    b.caption.enabled = true;
    const auto enabled = Paint(b);
    EXPECT_EQ(disabled->At(64, 58), enabled->At(64, 58)) << "same glow as when enabled";
}

TEST_F(GlassPaint, BackslashNCaptionDrawsTwoLines) {
    Button b = LaterButton();
    b.caption.text = GlassCaptionText("Mai\\ntarziu", true);
    const auto twoLines = Paint(b, "glass_two_lines.png");
    EXPECT_EQ(TextBands(*twoLines, IsDarkInk), 2);
}

TEST_F(GlassPaint, PlainGdiTextForAliasedOrUnknownFonts) {
    EXPECT_TRUE(IsScreenVectorFont("Tahoma"));
    EXPECT_FALSE(IsScreenVectorFont("No Such Font Here"));
    Button b = LaterButton();
    b.caption.antiAlias = TAntiAlias::aaNone;
    EXPECT_EQ(TextBands(*Paint(b), IsDarkInk), 1);
    b.caption.antiAlias = TAntiAlias::aaClearType;
    b.caption.font.name = "No Such Font Here";
    EXPECT_EQ(TextBands(*Paint(b), IsDarkInk), 1);
    // GDI text stays on one line: the line break is not honoured there.
    b.caption.text = GlassCaptionText("Mai\\ntarziu", true);
    EXPECT_EQ(TextBands(*Paint(b), IsDarkInk), 1);
}

TEST_F(GlassPaint, SymbolsDrawOverTheBodyUnlessColourIsNone) {
    Button b = DownloadButton();
    b.caption.text.clear();
    b.look.backColor = kBlack;
    const auto plain = Paint(b);
    b.look.symbol = TBackGroundSymbol::bsArrowRight;
    const auto arrow = Paint(b, "glass_symbol_arrow.png");
    // The shaft runs along y = 32 and is 16 pixels thick.
    EXPECT_GT(arrow->At(40, 32).Sum(), plain->At(40, 32).Sum() + 150) << "arrow shaft";
    EXPECT_EQ(arrow->At(40, 10), plain->At(40, 10)) << "above the shaft";
    b.look.symbolColor = tk::clNone;
    EXPECT_EQ(Paint(b)->At(40, 32), plain->At(40, 32));
    b.look.symbolColor = tk::clWhite;
    b.look.symbol = TBackGroundSymbol::bsRecord;
    EXPECT_GT(Paint(b)->At(64, 40).Sum(), plain->At(64, 40).Sum() + 150) << "record dot";
}

TEST_F(GlassPaint, CurvedShapeLeavesTheCornersOfItsRoundEndEmpty) {
    Button b = DownloadButton();
    b.caption.text.clear();
    b.look.shape = TButtonShape::btsCurvedRectangle;
    const auto right = Paint(b, "glass_curved_right.png");
    // GDI+ may leave a trace of coverage on far pixels, so "untouched" allows one step.
    const auto isPanel = [](Rgb p) {
        return std::abs(p.r - 0xE9) <= 2 && std::abs(p.g - 0xF0) <= 2 && std::abs(p.b - 0xFA) <= 2;
    };
    EXPECT_TRUE(isPanel(right->At(b.width - 4, 3))) << "outside the half circle";
    EXPECT_FALSE(isPanel(right->At(3, 3))) << "the left end is nearly square";
    b.look.direction = TButtonDirection::bdLeft;
    const auto left = Paint(b);
    EXPECT_TRUE(isPanel(left->At(3, 3)));
    EXPECT_FALSE(isPanel(left->At(b.width - 4, 3)));
}

}  // namespace
