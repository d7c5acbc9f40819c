#include "widgets/SpecialProgress.h"

namespace quill::widgets {

void TExGraphicControl::ParentColorChanged() {
    TGraphicControl::ParentColorChanged();
    OnParentColorChange(this);
}

TSpecialProgress::TSpecialProgress(tk::TComponent* AOwner)
    : TExGraphicControl(AOwner), FBuffer(true) {
    SetBounds(Left(), Top(), 150, 15);
    SetColor(tk::clWindow);
    FBuffer.Canvas().Font = Font();
}

void TSpecialProgress::UpdateLayout() {
    if (Loading()) return;
    if (UpdateProgressLayout(FLayout, FMinimum, FMaximum, FPosition, ClientWidth(), ClientHeight(),
                             FSolid)) {
        FDirty = true;
        RenderBuffer();
    }
}

void TSpecialProgress::RenderBuffer() {
    if (!FDirty || Loading()) return;
    if (FPaintInterval > 0 && !FPainting) {
        const auto now = std::chrono::steady_clock::now();
        if (now - FLastShown < std::chrono::milliseconds(FPaintInterval)) {
            // A paint held back shows this change too when it comes.
            if (!FPaintTimer->Enabled()) FPaintTimer->SetEnabled(true);
            return;
        }
        // Due now, whether or not the timer has come: a queue that never empties (a fast
        // download posts a piece after piece) holds WM_TIMER back for as long as it lasts.
        FPaintTimer->SetEnabled(false);
        FLastShown = now;
    }
    DrawPicture();
}

void TSpecialProgress::SetPaintInterval(unsigned milliseconds) {
    if (milliseconds == FPaintInterval) return;
    FlushPaint();
    FPaintInterval = milliseconds;
    if (milliseconds == 0) return;
    if (!FPaintTimer) {
        FPaintTimer = new tk::TTimer(this);
        FPaintTimer->SetEnabled(false);
        FPaintTimer->OnTimer.Assign(this, &TSpecialProgress::HeldBackPaintDue);
    }
    // The timer only draws a change that nothing came after: a run of changes is drawn by
    // its own changes once due. Were it as short as the interval it would fire just before
    // the next change of a run, draw the older state and hold that change back.
    FPaintTimer->SetInterval(2 * milliseconds);
}

void TSpecialProgress::FlushPaint() {
    if (!FPaintTimer || !FPaintTimer->Enabled()) return;
    FPaintTimer->SetEnabled(false);
    FLastShown = std::chrono::steady_clock::now();
    DrawPicture();
}

void TSpecialProgress::HeldBackPaintDue(tk::TObject*) {
    FlushPaint();
}

void TSpecialProgress::DrawPicture() {
    if (!FDirty || Loading()) return;
    FDirty = false;
    const int width = ClientWidth(), height = ClientHeight();
    if (width <= 0 || height <= 0) return;
    FBuffer.SetSize(width, height);
    if (!FBuffer.Pixels()) return;
    // The picture's rectangles are written straight into its pixels: one GDI fill per
    // one-pixel column was most of the cost of a redraw.
    const PixelView view{FBuffer.Pixels(), width, height};
    const auto fill = [&] {
        GdiFlush();  // GDI's drawing must be in the pixels first
        for (const PaintRect& r : FRects) FillPixels(view, r, tk::ColorToRGB(r.Color));
        FRects.clear();
    };

    PlanProgressBody(FLayout, width, height, FSolid, FGradientBlocks, {FStartRGB, FEndRGB, Color()},
                     FRects);
    fill();
    if (FTextOption != toNoText) {
        tk::TCanvas& canvas = FBuffer.Canvas();
        const std::string text = ProgressText(FTextOption, Caption(), Percent());
        const SIZE extent = canvas.TextExtent(text);
        const TextOrigin origin = ProgressTextOrigin(FTextCentered ? width : FLayout.FilledWidth,
                                                     extent.cx, height, extent.cy);
        canvas.TextOut(origin.X, origin.Y, text);
    }
    PlanProgressBorder(FBorderStyle == tk::bsSingle, width, height, Color(), FRects);
    fill();
    ++FRenderCount;

    // Inside Paint the fresh picture is copied right after; a repaint from
    // there would only paint twice. The bar covers its whole area, so only
    // its own rectangle is painted.
    if (!FPainting) RepaintOpaque();
}

void TSpecialProgress::Paint() {
    FPainting = true;
    const int width = ClientWidth(), height = ClientHeight();
    if (FBuffer.Width() != width || FBuffer.Height() != height) {
        FDirty = true;
        UpdateLayout();
    }
    // Also a change that the paint interval holds back, so that what the screen gets is
    // current; but only by a paint of the whole bar: a paint of a strip of it (a sibling's
    // repaint that touches one row) would take the change as shown while most of it never
    // reached the screen.
    RECT clip;
    if (GetClipBox(Canvas().Handle(), &clip) == ERROR ||
        (clip.left <= 0 && clip.top <= 0 && clip.right >= width && clip.bottom >= height))
        RenderBuffer();
    FPainting = false;
    if (width > 2 && height > 2)
        BitBlt(Canvas().Handle(), 0, 0, width, height, FBuffer.DC(), 0, 0, SRCCOPY);
}

void TSpecialProgress::Loaded() {
    TExGraphicControl::Loaded();
    UpdateLayout();
    RenderBuffer();
}

void TSpecialProgress::PercentMayHaveChanged(int oldPercent) {
    // Keeps a redraw already pending.
    if (ShowsPercent() && Percent() != oldPercent) FDirty = true;
}

void TSpecialProgress::SetPosition(int value) {
    if (value == FPosition) return;
    const int oldPercent = Percent();
    FPosition = value;
    if (FPosition > FMaximum)
        FPosition = FMaximum;
    else if (FPosition < FMinimum)
        FPosition = FMinimum;
    PercentMayHaveChanged(oldPercent);
    UpdateLayout();
    RenderBuffer();
}

// A bound set past the other bound becomes that bound, and Position is kept
// within the range as stored, so Minimum <= Position <= Maximum always holds.
void TSpecialProgress::SetMaximum(int value) {
    if (value == FMaximum) return;
    const int oldPercent = Percent();
    FMaximum = value < FMinimum ? FMinimum : value;
    if (FPosition > FMaximum) FPosition = FMaximum;
    PercentMayHaveChanged(oldPercent);
    UpdateLayout();
    RenderBuffer();
}

void TSpecialProgress::SetMinimum(int value) {
    if (value == FMinimum) return;
    const int oldPercent = Percent();
    FMinimum = value > FMaximum ? FMaximum : value;
    if (FPosition < FMinimum) FPosition = FMinimum;
    PercentMayHaveChanged(oldPercent);
    UpdateLayout();
    RenderBuffer();
}

void TSpecialProgress::SetSolid(bool value) {
    if (value == FSolid) return;
    FSolid = value;
    FDirty = true;
    UpdateLayout();
    RenderBuffer();
}

void TSpecialProgress::SetStartColor(TColor value) {
    if (value == FStartColor) return;
    FStartColor = value;
    FStartRGB = tk::ColorToRGB(value);
    FDirty = true;
    RenderBuffer();
}

void TSpecialProgress::SetEndColor(TColor value) {
    if (value == FEndColor) return;
    FEndColor = value;
    FEndRGB = tk::ColorToRGB(value);
    FDirty = true;
    RenderBuffer();
}

void TSpecialProgress::SetGradientBlocks(bool value) {
    if (value == FGradientBlocks) return;
    FGradientBlocks = value;
    if (!FSolid) {
        FDirty = true;
        RenderBuffer();
    }
}

void TSpecialProgress::SetBorderStyle(TBorderStyle value) {
    if (value == FBorderStyle) return;
    FBorderStyle = value;
    FDirty = true;
    RenderBuffer();
}

void TSpecialProgress::SetTextOption(TTextOption value) {
    if (value == FTextOption) return;
    FTextOption = value;
    FDirty = true;
    RenderBuffer();
}

void TSpecialProgress::SetTextCentered(bool value) {
    if (value == FTextCentered) return;
    FTextCentered = value;
    if (FTextOption != toNoText) {
        FDirty = true;
        RenderBuffer();
    }
}

void TSpecialProgress::ColorChanged() {
    FDirty = true;
    RenderBuffer();
}

void TSpecialProgress::FontChanged() {
    FBuffer.Canvas().Font = Font();
    if (FTextOption != toNoText) {
        FDirty = true;
        RenderBuffer();
    }
}

void TSpecialProgress::TextChanged() {
    if (FTextOption == toCaption || FTextOption == toFormat) {
        FDirty = true;
        RenderBuffer();
        // The base would invalidate the bar, and the parent would paint the same picture
        // over it again later: the redraw has repainted it already.
        return;
    }
    TExGraphicControl::TextChanged();
}

}  // namespace quill::widgets
