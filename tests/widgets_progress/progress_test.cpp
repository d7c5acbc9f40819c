// The segmented progress bar drawn into its off-screen picture, read back
// pixel by pixel; a PNG of each case is left next to the test program.
#include "widgets/SpecialProgress.h"

#include "gdiplus_test_support.h"

#include "toolkit/Application.h"
#include "toolkit/Forms.h"
#include "toolkit/Handles.h"

#include <gtest/gtest.h>

#include <memory>

using namespace quill::widgets;

namespace {

constexpr TColor kGround = 0x404040;
constexpr TColor kGreen = 0x00C000;

class ProgressTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!tk::Application.Initialized()) tk::Application.Initialize();
    }

    std::unique_ptr<TSpecialProgress> bar = std::make_unique<TSpecialProgress>(nullptr);

    // The update dialog's bar.
    void DialogBar() {
        bar->SetBounds(0, 0, 489, 33);
        bar->SetBorderStyle(tk::bsSingle);
        bar->SetColor(kGround);
    }
    TColor Pixel(int x, int y) const { return ::GetPixel(bar->Picture().DC(), x, y); }
    void Save(const std::string& name) const {
        quill::testing::SaveDcPng(bar->Picture().DC(), name);
    }
    // Leftmost column holding a pixel of the given colour in rows 1..h-2.
    int LeftmostOf(TColor color) const {
        for (int x = 0; x < bar->Width(); ++x)
            for (int y = 1; y < bar->Height() - 1; ++y)
                if (Pixel(x, y) == color) return x;
        return -1;
    }
};

}  // namespace

TEST_F(ProgressTest, StartsWithItsInitialSettings) {
    EXPECT_EQ(bar->Width(), 150);
    EXPECT_EQ(bar->Height(), 15);
    EXPECT_EQ(bar->Minimum(), 0);
    EXPECT_EQ(bar->Maximum(), 100);
    EXPECT_EQ(bar->Position(), 0);
    EXPECT_EQ(bar->StartColor(), tk::clWhite);
    EXPECT_EQ(bar->EndColor(), tk::clBlack);
    EXPECT_FALSE(bar->Solid());
    EXPECT_FALSE(bar->GradientBlocks());
    EXPECT_EQ(bar->BorderStyle(), tk::bsNone);
    EXPECT_EQ(bar->TextOption(), toNoText);
    EXPECT_FALSE(bar->TextCentered());
    EXPECT_EQ(bar->Step(), 10);
    EXPECT_EQ(bar->Color(), tk::clWindow);
    EXPECT_EQ(bar->HintColor(), tk::clInfoBk);
}

TEST_F(ProgressTest, DialogBarDrawsWholeBlocksWithGapsAndACutLastBlock) {
    DialogBar();
    bar->SetStartColor(kGreen);
    bar->SetEndColor(kGreen);
    bar->SetPosition(100);
    Save("progress_dialog_full");
    EXPECT_EQ(bar->Layout().BlockWidth, 22);
    EXPECT_EQ(bar->Layout().FilledWidth, 487);
    const int y = 16;
    // Blocks of 21 pixels from x = 1, one-pixel gaps in Color; the sunken
    // frame covers the three outer rings.
    for (int x = 3; x <= 21; ++x) EXPECT_EQ(Pixel(x, y), kGreen) << x;
    EXPECT_EQ(Pixel(22, y), kGround);
    EXPECT_EQ(Pixel(23, y), kGreen);
    EXPECT_EQ(Pixel(43, y), kGreen);
    EXPECT_EQ(Pixel(44, y), kGround);
    EXPECT_EQ(Pixel(484, y), kGround);  // the last gap
    EXPECT_EQ(Pixel(485, y), kGreen);   // the cut block, up to x = 487
    // Sunken frame: face outside, then shadow over highlight, then dark shadow.
    EXPECT_EQ(Pixel(200, 0), tk::ColorToRGB(tk::clBtnFace));
    EXPECT_EQ(Pixel(200, 1), tk::ColorToRGB(tk::clBtnShadow));
    EXPECT_EQ(Pixel(200, 2), tk::ColorToRGB(tk::cl3DDkShadow));
    EXPECT_EQ(Pixel(200, 31), tk::ColorToRGB(tk::clBtnHighlight));
    EXPECT_EQ(Pixel(488, 16), tk::ColorToRGB(tk::clBtnFace));
    EXPECT_EQ(Pixel(487, 16), tk::ColorToRGB(tk::clBtnHighlight));
    EXPECT_EQ(Pixel(486, 16), tk::ColorToRGB(tk::clBtnFace));
}

TEST_F(ProgressTest, ABlockAppearsOnlyPastItsHalf) {
    DialogBar();
    bar->SetStartColor(kGreen);
    bar->SetEndColor(kGreen);
    bar->SetMaximum(487);  // one position per inner pixel
    bar->SetPosition(11);
    Save("progress_half_block");
    EXPECT_EQ(Pixel(10, 16), kGround);
    bar->SetPosition(12);
    Save("progress_more_than_half_block");
    EXPECT_EQ(Pixel(10, 16), kGreen);
    EXPECT_EQ(Pixel(21, 16), kGreen);
    EXPECT_EQ(Pixel(23, 16), kGround);
}

TEST_F(ProgressTest, RampRunsFromStartToEndOverTheFilledPart) {
    DialogBar();
    bar->SetBorderStyle(tk::bsNone);
    bar->SetStartColor(tk::clWhite);
    bar->SetEndColor(0xFF0000);  // blue
    bar->SetGradientBlocks(true);
    bar->SetPosition(100);
    Save("progress_gradient_blocks_full");
    EXPECT_EQ(Pixel(1, 16), tk::clWhite);
    const TColor last = Pixel(487, 16);
    EXPECT_LE(tk::RedOf(last), 2);
    EXPECT_EQ(tk::BlueOf(last), 255);
    // Halfway the same block is a different colour than when the bar is full.
    const TColor fullAt100 = Pixel(100, 16);
    bar->SetPosition(50);
    Save("progress_gradient_blocks_half");
    EXPECT_NE(Pixel(100, 16), fullAt100);
    const int end = bar->Layout().FilledWidth;
    EXPECT_LE(tk::RedOf(Pixel(end, 16) == kGround ? Pixel(end - 1, 16) : Pixel(end, 16)), 12);
}

TEST_F(ProgressTest, EqualColoursGiveSingleColouredBlocks) {
    DialogBar();
    bar->SetStartColor(0x3366CC);
    bar->SetEndColor(0x3366CC);
    bar->SetGradientBlocks(true);
    bar->SetPosition(60);
    Save("progress_one_colour");
    for (int x = 3; x < bar->Layout().FilledWidth; ++x) {
        if (x % 22 != 0) {
            ASSERT_EQ(Pixel(x, 16), 0x3366CC) << x;
        }
    }
}

TEST_F(ProgressTest, SolidBarHasNoGaps) {
    DialogBar();
    bar->SetSolid(true);
    bar->SetStartColor(kGreen);
    bar->SetEndColor(kGreen);
    bar->SetPosition(40);
    Save("progress_solid");
    EXPECT_EQ(bar->Layout().FilledWidth, 195);
    for (int x = 3; x <= 195; ++x) ASSERT_EQ(Pixel(x, 16), kGreen) << x;
    EXPECT_EQ(Pixel(196, 16), kGround);
}

TEST_F(ProgressTest, PositionIsClampedToTheRange) {
    bar->SetPosition(500);
    EXPECT_EQ(bar->Position(), 100);
    bar->SetPosition(-5);
    EXPECT_EQ(bar->Position(), 0);
    bar->SetPosition(80);
    bar->SetMaximum(50);
    EXPECT_EQ(bar->Position(), 50);
    bar->SetMinimum(70);  // past Maximum: becomes Maximum
    EXPECT_EQ(bar->Minimum(), 50);
    EXPECT_EQ(bar->Position(), 50);
    bar->SetMaximum(10);  // below Minimum: becomes Minimum
    EXPECT_EQ(bar->Maximum(), 50);
    EXPECT_EQ(bar->Percent(), 0);
}

TEST_F(ProgressTest, PercentTextStartsAtZeroWhileTheFilledPartIsNarrower) {
    bar->SetBounds(0, 0, 30, 20);
    bar->SetColor(kGround);
    bar->SetSolid(true);
    bar->SetStartColor(kGreen);
    bar->SetEndColor(kGreen);
    bar->Font().SetColor(tk::clRed);
    bar->SetTextOption(toPercent);
    bar->SetPosition(40);
    Save("progress_percent_narrow");
    EXPECT_EQ(bar->Layout().FilledWidth, 11);
    const int textLeft = LeftmostOf(tk::clRed);
    EXPECT_GE(textLeft, 1);  // column 0 is the frame
    EXPECT_LE(textLeft, 2);

    // Centred on the whole bar instead.
    bar->SetTextCentered(true);
    bar->SetBounds(0, 0, 200, 20);
    const int before = bar->RenderCount();
    HDC screen = ::GetDC(nullptr);
    HDC dc = ::CreateCompatibleDC(screen);
    HBITMAP target = ::CreateCompatibleBitmap(screen, 200, 20);
    HGDIOBJ old = ::SelectObject(dc, target);
    bar->PaintOn(dc);  // the size changed: Paint redraws first
    EXPECT_EQ(bar->RenderCount(), before + 1);
    Save("progress_percent_centred");
    const int centredLeft = LeftmostOf(tk::clRed);
    EXPECT_GT(centredLeft, 80);
    EXPECT_LT(centredLeft, 100);
    EXPECT_EQ(::GetPixel(dc, 50, 10), static_cast<COLORREF>(Pixel(50, 10)));
    ::SelectObject(dc, old);
    ::DeleteObject(target);
    ::DeleteDC(dc);
    ::ReleaseDC(nullptr, screen);
}

TEST_F(ProgressTest, EmptyRangeDrawsOnlyTheText) {
    bar->SetBounds(0, 0, 200, 20);
    bar->SetColor(kGround);
    bar->SetStartColor(kGreen);
    bar->SetEndColor(kGreen);
    bar->Font().SetColor(tk::clRed);
    bar->SetMaximum(0);
    bar->SetCaption("Download");
    bar->SetTextOption(toCaption);
    bar->SetTextCentered(true);
    Save("progress_empty_range_text");
    EXPECT_EQ(LeftmostOf(kGreen), -1);
    EXPECT_GT(LeftmostOf(tk::clRed), 50);
    EXPECT_EQ(bar->Layout().FilledWidth, 0);
}

TEST_F(ProgressTest, TooSmallPaintsNothing) {
    HDC screen = ::GetDC(nullptr);
    HDC dc = ::CreateCompatibleDC(screen);
    HBITMAP target = ::CreateCompatibleBitmap(screen, 20, 20);
    HGDIOBJ old = ::SelectObject(dc, target);
    for (auto [w, h] : {std::pair{2, 15}, std::pair{15, 2}, std::pair{20, 20}}) {
        RECT all{0, 0, 20, 20};
        ::FillRect(dc, &all, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
        bar->SetBounds(0, 0, w, h);
        bar->SetColor(kGround);
        bar->PaintOn(dc);
        const bool painted = ::GetPixel(dc, 0, 0) != 0;
        EXPECT_EQ(painted, w > 2 && h > 2) << w << "x" << h;
    }
    ::SelectObject(dc, old);
    ::DeleteObject(target);
    ::DeleteDC(dc);
    ::ReleaseDC(nullptr, screen);
}

TEST_F(ProgressTest, ChangesThatMoveNothingRedrawNothing) {
    DialogBar();
    bar->SetPosition(10);
    int renders = bar->RenderCount();
    bar->SetPosition(10);
    bar->SetMaximum(100);
    bar->SetStartColor(bar->StartColor());
    bar->SetTextCentered(true);  // no text shown
    bar->SetPosition(11);        // same block
    EXPECT_EQ(bar->RenderCount(), renders);

    bar->SetSolid(true);
    renders = bar->RenderCount();
    bar->SetGradientBlocks(true);  // solid: does not redraw
    EXPECT_EQ(bar->RenderCount(), renders);

    bar->SetSolid(false);
    bar->SetTextOption(toPercent);
    renders = bar->RenderCount();
    bar->SetPosition(10);  // same block, but the percentage shown moves
    EXPECT_EQ(bar->RenderCount(), renders + 1);
    bar->SetCaption("x");  // toPercent does not show the caption
    EXPECT_EQ(bar->RenderCount(), renders + 1);
    bar->SetTextOption(toCaption);
    bar->SetCaption("Download");
    EXPECT_EQ(bar->RenderCount(), renders + 3);
}

TEST_F(ProgressTest, LoadingDefersDrawingToItsEnd) {
    tk::TForm form(nullptr);
    auto* loaded = new TSpecialProgress(&form);
    form.BeginLoad();
    const int renders = loaded->RenderCount();
    loaded->SetBounds(0, 0, 489, 33);
    loaded->SetBorderStyle(tk::bsSingle);
    loaded->SetMaximum(0);
    loaded->SetTextOption(toPercent);
    EXPECT_EQ(loaded->RenderCount(), renders);
    form.EndLoad();
    EXPECT_EQ(loaded->RenderCount(), renders + 1);
    EXPECT_EQ(loaded->Picture().Width(), 489);
}

// The bar's picture drawn as its plan says with one GDI brush fill per rectangle, the text
// by GDI, on a screen-compatible bitmap: the picture the bar must keep drawing exactly.
void DrawPlanByGdi(TSpecialProgress& bar, tk::TBitmap& picture) {
    const int width = bar.Width(), height = bar.Height();
    picture.SetSize(width, height);
    tk::TCanvas& canvas = picture.Canvas();
    canvas.Font = bar.Font();
    const auto fill = [&canvas](const std::vector<PaintRect>& rects) {
        for (const PaintRect& r : rects) {
            canvas.BrushColor = r.Color;
            canvas.FillRect({r.X, r.Y, r.X + r.Width, r.Y + r.Height});
        }
    };
    fill(PlanProgressBody(
        bar.Layout(), width, height, bar.Solid(), bar.GradientBlocks(),
        {tk::ColorToRGB(bar.StartColor()), tk::ColorToRGB(bar.EndColor()), bar.Color()}));
    if (bar.TextOption() != toNoText) {
        const std::string text = ProgressText(bar.TextOption(), bar.Caption(), bar.Percent());
        const SIZE extent = canvas.TextExtent(text);
        const TextOrigin origin = ProgressTextOrigin(
            bar.TextCentered() ? width : bar.Layout().FilledWidth, extent.cx, height, extent.cy);
        canvas.TextOut(origin.X, origin.Y, text);
    }
    fill(PlanProgressBorder(bar.BorderStyle() == tk::bsSingle, width, height, bar.Color()));
}

TEST_F(ProgressTest, PictureIsPixelForPixelTheGdiDrawingOfItsPlan) {
    struct Case {
        int width, height;
        bool solid, gradient, single;
        TColor start, end, ground;
        TTextOption text;
        bool centred;
        std::vector<int> positions;
    };
    const std::vector<Case> cases = {
        // The dialog's bar: shaded blocks and the caption, from empty to the cut last block.
        {489,
         33,
         false,
         true,
         true,
         tk::clWhite,
         tk::clBlack,
         tk::clWhite,
         toCaption,
         true,
         {0, 1, 11, 12, 250, 486, 487}},
        {489,
         33,
         false,
         false,
         true,
         0x00C000,
         0x3020F0,
         kGround,
         toPercent,
         false,
         {5, 30, 66, 100}},
        {200,
         20,
         true,
         false,
         false,
         0x102030,
         0xF0E0D0,
         tk::clBtnFace,
         toFormat,
         true,
         {0, 13, 57, 100}},
        {150,
         15,
         false,
         true,
         false,
         0x3366CC,
         0x3366CC,
         tk::clWindow,
         toNoText,
         false,
         {1, 50, 99}},
    };
    tk::TBitmap reference;
    int compared = 0;
    for (const Case& c : cases) {
        bar = std::make_unique<TSpecialProgress>(nullptr);
        bar->SetBounds(0, 0, c.width, c.height);
        bar->SetMaximum(c.width - 2);  // positions in pixels of the inner width
        bar->SetSolid(c.solid);
        bar->SetGradientBlocks(c.gradient);
        bar->SetBorderStyle(c.single ? tk::bsSingle : tk::bsNone);
        bar->SetStartColor(c.start);
        bar->SetEndColor(c.end);
        bar->SetColor(c.ground);
        bar->Font().SetColor(tk::clRed);
        bar->SetTextOption(c.text);
        bar->SetTextCentered(c.centred);
        bar->SetCaption(c.text == toFormat ? "Gata %d%%" : "12.345,67 KB / 51.200,00 KB");
        for (int position : c.positions) {
            bar->SetPosition(position);
            bar->SetCaption(bar->Caption() + " ");  // a caption that changes with every event
            DrawPlanByGdi(*bar, reference);
            for (int y = 0; y < c.height; ++y)
                for (int x = 0; x < c.width; ++x)
                    ASSERT_EQ(Pixel(x, y), ::GetPixel(reference.DC(), x, y))
                        << c.width << "x" << c.height << " at " << position << ": " << x << ","
                        << y;
            ++compared;
        }
    }
    EXPECT_EQ(compared, 18);
}

TEST_F(ProgressTest, RepaintsOnlyItsOwnRectangleAtOnce) {
    tk::TForm form(nullptr);
    form.SetCaption("progress repaint test");
    form.SetClientSize(520, 80);
    auto* progres = new TSpecialProgress(&form);
    progres->SetParent(&form);
    progres->SetBounds(10, 20, 489, 33);
    progres->SetBorderStyle(tk::bsSingle);
    progres->SetTextOption(toCaption);
    progres->SetCaption("0");
    form.Show();
    tk::Application.ProcessMessages();

    tk::TWindowDC window(form.Handle());
    HDC dc = window.Get();
    // Marks drawn over the form beside the bar and over the bar itself.
    const COLORREF mark = RGB(0x12, 0x34, 0x56);
    tk::TGdiObject brush(::CreateSolidBrush(mark));
    const RECT beside{0, 0, 10, 80}, over{10, 20, 499, 53};
    ::FillRect(dc, &beside, static_cast<HBRUSH>(brush.Get()));
    ::FillRect(dc, &over, static_cast<HBRUSH>(brush.Get()));
    progres->SetCaption("1,00 KB / 2,00 KB");  // redraws and repaints at once
    for (int y = 20; y < 53; y += 4)
        for (int x = 10; x < 499; x += 7)
            ASSERT_EQ(::GetPixel(dc, x, y), ::GetPixel(progres->Picture().DC(), x - 10, y - 20))
                << x << "," << y;
    EXPECT_EQ(::GetPixel(dc, 5, 40), mark);  // the form was neither erased nor repainted
    form.Hide();
}

TEST_F(ProgressTest, PaintIntervalHoldsChangesBackAndShowsTheLatest) {
    DialogBar();
    bar->SetTextOption(toCaption);
    bar->SetPaintInterval(200);
    bar->SetCaption("first");  // long after the last redraw: drawn at once
    const int renders = bar->RenderCount();
    for (int i = 1; i <= 50; ++i) {
        bar->SetPosition(i);
        bar->SetCaption(std::to_string(i) + " KB");
    }
    EXPECT_EQ(bar->RenderCount(), renders);  // within the interval: held back
    bar->FlushPaint();                       // the end of a run: drawn from the latest state
    EXPECT_EQ(bar->RenderCount(), renders + 1);
    const ProgressLayout shown = bar->Layout();
    EXPECT_EQ(shown.FilledWidth, 242);  // position 50 of 100 over 487 pixels, whole blocks
    bar->FlushPaint();                  // nothing held back: nothing drawn
    EXPECT_EQ(bar->RenderCount(), renders + 1);

    // A change held back is drawn by the bar itself once the interval has passed.
    bar->SetCaption("last");
    EXPECT_EQ(bar->RenderCount(), renders + 1);
    const DWORD start = ::GetTickCount();
    while (bar->RenderCount() == renders + 1 && ::GetTickCount() - start < 3000) {
        tk::Application.ProcessMessages();
        ::Sleep(5);
    }
    EXPECT_EQ(bar->RenderCount(), renders + 2);
    bar->SetPaintInterval(0);  // each change at once again
    bar->SetCaption("again");
    EXPECT_EQ(bar->RenderCount(), renders + 3);
}

TEST_F(ProgressTest, ShowsOnItsForm) {
    tk::TForm form(nullptr);
    form.SetCaption("progress test");
    form.SetClientSize(520, 80);
    auto* progres = new TSpecialProgress(&form);
    progres->SetParent(&form);
    progres->SetBounds(10, 20, 489, 33);
    progres->SetBorderStyle(tk::bsSingle);
    progres->SetStartColor(kGreen);
    progres->SetEndColor(kGreen);
    progres->SetPosition(50);
    form.Show();
    tk::Application.ProcessMessages();

    HDC screen = ::GetDC(nullptr);
    HDC dc = ::CreateCompatibleDC(screen);
    HBITMAP target = ::CreateCompatibleBitmap(screen, 520, 80);
    HGDIOBJ old = ::SelectObject(dc, target);
    form.PaintInto(dc);
    quill::testing::SaveDcPng(dc, "progress_on_form");
    EXPECT_EQ(::GetPixel(dc, 10 + 5, 20 + 16), static_cast<COLORREF>(kGreen));
    EXPECT_EQ(::GetPixel(dc, 10 + 22, 20 + 16), ::GetPixel(progres->Picture().DC(), 22, 16));
    EXPECT_NE(::GetPixel(dc, 10 + 400, 20 + 16), static_cast<COLORREF>(kGreen));
    ::SelectObject(dc, old);
    ::DeleteObject(target);
    ::DeleteDC(dc);
    ::ReleaseDC(nullptr, screen);
    form.Hide();
}
