// The segmented progress bar: a windowless control that draws the filled
// part of its range as blocks (or one solid bar) shaded from StartColor to
// EndColor, with an optional text and frame, into an off-screen picture of
// its own, and copies that picture to the screen when painted.
#pragma once

#include <chrono>

#include "widgets/SpecialProgressLayout.h"

#include "toolkit/Controls.h"
#include "toolkit/ExtCtrls.h"  // TTimer
#include "toolkit/Forms.h"     // TBorderStyle

namespace quill::widgets {

using tk::TBorderStyle;

// The toolkit's graphic control with the extras the widget family shares: a
// hint colour and an event for the parent's colour changing. Colour, font
// and caption changes reach derived classes through the toolkit's
// ColorChanged, FontChanged and TextChanged.
class TExGraphicControl : public tk::TGraphicControl {
public:
    explicit TExGraphicControl(tk::TComponent* AOwner) : TGraphicControl(AOwner) {}

    TColor HintColor() const { return FHintColor; }
    void SetHintColor(TColor value) { FHintColor = value; }

    tk::TNotifyEvent OnParentColorChange;

protected:
    void ParentColorChanged() override;

private:
    TColor FHintColor = tk::clInfoBk;
};

class TSpecialProgress : public TExGraphicControl {
public:
    explicit TSpecialProgress(tk::TComponent* AOwner);

    int Minimum() const { return FMinimum; }
    void SetMinimum(int value);
    int Maximum() const { return FMaximum; }
    void SetMaximum(int value);
    int Position() const { return FPosition; }
    void SetPosition(int value);
    TColor StartColor() const { return FStartColor; }
    void SetStartColor(TColor value);
    TColor EndColor() const { return FEndColor; }
    void SetEndColor(TColor value);
    bool Solid() const { return FSolid; }
    void SetSolid(bool value);
    bool GradientBlocks() const { return FGradientBlocks; }
    void SetGradientBlocks(bool value);
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle value);
    TTextOption TextOption() const { return FTextOption; }
    void SetTextOption(TTextOption value);
    bool TextCentered() const { return FTextCentered; }
    void SetTextCentered(bool value);
    // Stored only.
    int Step() const { return FStep; }
    void SetStep(int value) { FStep = value; }

    // At most one redraw on the screen every `milliseconds` (0, the initial value: each
    // change is drawn at once). A change that comes sooner is drawn with the first change
    // after the interval, or by the bar itself within twice the interval when none comes,
    // from the state the bar has then, so the latest state is always shown.
    unsigned PaintInterval() const { return FPaintInterval; }
    void SetPaintInterval(unsigned milliseconds);
    // Draws a change that the interval holds back now (at the end of a run of changes).
    void FlushPaint();

    // (Position - Minimum) * 100 / (Maximum - Minimum) by the MulDiv rule; 0
    // for an empty range.
    int Percent() const { return ProgressPercent(FPosition, FMinimum, FMaximum); }

    // The off-screen picture and its layout, as last drawn.
    const tk::TBitmap& Picture() const { return FBuffer; }
    const ProgressLayout& Layout() const { return FLayout; }
    // How many times the picture has been drawn (a redraw costs a repaint).
    int RenderCount() const { return FRenderCount; }

protected:
    void Paint() override;
    void Loaded() override;
    void ColorChanged() override;
    void FontChanged() override;
    void TextChanged() override;

private:
    void UpdateLayout();
    // Draws the picture and shows it when it is dirty, unless the paint interval holds
    // the change back for now.
    void RenderBuffer();
    void DrawPicture();
    void HeldBackPaintDue(tk::TObject*);
    // Marks the picture dirty when the shown percentage moved.
    void PercentMayHaveChanged(int oldPercent);
    bool ShowsPercent() const { return FTextOption == toFormat || FTextOption == toPercent; }

    int FMinimum = 0;
    int FMaximum = 100;
    int FPosition = 0;
    TColor FStartColor = tk::clWhite;
    TColor FEndColor = tk::clBlack;
    TColor FStartRGB = tk::clWhite;
    TColor FEndRGB = tk::clBlack;
    bool FSolid = false;
    bool FGradientBlocks = false;
    TBorderStyle FBorderStyle = tk::bsNone;
    TTextOption FTextOption = toNoText;
    bool FTextCentered = false;
    int FStep = 10;

    tk::TBitmap FBuffer;  // owned off-screen picture, drawn in its pixels
    ProgressLayout FLayout;
    std::vector<PaintRect> FRects;  // kept between redraws to spare allocations
    bool FDirty = true;
    bool FPainting = false;
    int FRenderCount = 0;
    unsigned FPaintInterval = 0;
    tk::TTimer* FPaintTimer = nullptr;  // owned by this control (as its component); made
                                        // with the first interval
    std::chrono::steady_clock::time_point FLastShown;
};

}  // namespace quill::widgets
