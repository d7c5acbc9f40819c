// The platform-neutral arithmetic of the segmented progress bar: where the
// filled part ends, how it splits into blocks, which colour each column gets,
// and the rectangles of the frame. The Windows side only paints the result.
#pragma once

#include "toolkit/Color.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quill {

using tk::TColor;

enum TTextOption { toCaption, toFormat, toNoText, toPercent };

// a * b / c rounded to the nearest integer, halves away from zero (the
// Windows MulDiv rule), with a 64-bit product; -1 when c is 0.
std::int64_t MulDivRounded(std::int64_t a, std::int64_t b, std::int64_t c);

// The percentage of position within minimum..maximum; 0 for an empty range.
int ProgressPercent(int position, int minimum, int maximum);

struct ProgressLayout {
    int FilledWidth = 0;  // from x = 1
    int BlockWidth = 0;   // block pitch: a block and its one-pixel gap
    int BlockCount = 0;   // a partial block included
    bool HasPartialBlock = false;
    int PartialWidth = 0;
};

// Recomputes the layout for a position; returns true when the filled width
// moved (the picture must be redrawn). An empty range or a client narrower
// than 2 leaves the layout as it is.
bool UpdateProgressLayout(ProgressLayout& layout, int minimum, int maximum, int position,
                          int clientWidth, int clientHeight, bool solid);

// One solid rectangle of the picture.
struct PaintRect {
    int X, Y, Width, Height;
    TColor Color;  // plain RGB, or the control's own (possibly system) colour
    bool operator==(const PaintRect&) const = default;
};

struct ProgressColors {
    TColor StartRGB;
    TColor EndRGB;
    TColor Background;  // the control's Color, used as given
};

// The filled part, its gaps and the unfilled part, in drawing order, over
// rows 1 .. clientHeight - 2. The second form appends to `rects`, so that a
// caller drawing often can keep one list.
std::vector<PaintRect> PlanProgressBody(const ProgressLayout& layout, int clientWidth,
                                        int clientHeight, bool solid, bool gradientBlocks,
                                        const ProgressColors& colors);
void PlanProgressBody(const ProgressLayout& layout, int clientWidth, int clientHeight, bool solid,
                      bool gradientBlocks, const ProgressColors& colors,
                      std::vector<PaintRect>& rects);

// The frame drawn over the outer rings: without a border one ring in the
// background colour, with one (bsSingle) three sunken rings of system colours.
std::vector<PaintRect> PlanProgressBorder(bool sunken, int clientWidth, int clientHeight,
                                          TColor background);
void PlanProgressBorder(bool sunken, int clientWidth, int clientHeight, TColor background,
                        std::vector<PaintRect>& rects);

// A picture held in memory as rows of 32-bit pixels 0x00RRGGBB, top row first
// (the layout of a top-down 32-bit device-independent bitmap).
struct PixelView {
    std::uint32_t* Pixels;
    int Width, Height;
};

// Fills a rectangle, clipped to the picture, with a plain RGB colour
// (0x00BBGGRR, as TColor holds it), as a solid-brush fill of it would.
void FillPixels(const PixelView& view, const PaintRect& rect, TColor rgb);

// The text for an option; toFormat uses caption as a format with the
// percentage as its one integer argument.
std::string ProgressText(TTextOption option, const std::string& caption, int percent);

// Formats with one integer argument as a form's format routine does:
// %d %u %x %X with optional "-" flag, width and precision, and "%%". A
// format it cannot apply (another conversion, a second argument, a trailing
// "%") comes back unchanged, so a caption can never read past its argument.
std::string FormatWithInteger(const std::string& format, int value);

struct TextOrigin {
    int X, Y;
};
// Text centred on area pixels horizontally and on the client height
// vertically, never left of or above 0.
TextOrigin ProgressTextOrigin(int area, int textWidth, int clientHeight, int textHeight);

}  // namespace quill
