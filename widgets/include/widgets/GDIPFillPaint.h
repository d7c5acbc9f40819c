// Geometry and placement helpers of the gradient fill, shared with the
// controls that paint around a fill and with the tests.
#pragma once

#include "widgets/GDIPFill.h"

#include <memory>

namespace quill::widgets {

// The closed outline of rect, clockwise from the top-left corner, with the
// corners that `corners` selects drawn as quarter arcs of the given radius.
// A radius of 0 or less gives square corners.
std::unique_ptr<Gdiplus::GraphicsPath> CreateRoundedPath(const Gdiplus::RectF& rect, float radius,
                                                         TFillRoundingType corners);

// Where a picture of picWidth x picHeight lands inside rect for a position
// (ppCustom: at customLeft, customTop). False for ppTiled, which draws
// nothing here.
bool PicturePlacement(TFillPicturePosition position, int customLeft, int customTop,
                      const Gdiplus::Rect& rect, int picWidth, int picHeight,
                      Gdiplus::Rect& target);

// Draws the picture at the placement above; nothing for an empty picture.
void DrawPicturePlaced(Gdiplus::Graphics& graphics, const TGDIPPicture& picture,
                       TFillPicturePosition position, int customTop, int customLeft,
                       const Gdiplus::Rect& rect, int picHeight, int picWidth);

// rect rounded to whole pixels (edges rounded, halves to even).
Gdiplus::Rect RoundToPixels(const Gdiplus::RectF& rect);

}  // namespace quill::widgets
