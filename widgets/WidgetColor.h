// Colour helpers shared by the GDI+ widgets: the toolkit's TColor values
// resolved and turned into GDI+ colours.
#pragma once

#include <windows.h>
// WIN32_LEAN_AND_MEAN leaves out the COM declarations gdiplus.h needs.
#include <objidl.h>
// gdiplus.h relies on min/max, which NOMINMAX keeps out of windows.h.
#include <algorithm>
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>

#include "toolkit/Color.h"
#include "toolkit/Component.h"  // TObject, TNotifyEvent

#include <cstdint>

namespace quill {

using tk::clNone;
using tk::TColor;

// A system colour (negative TColor) looked up through GetSysColor; plain
// colours come back without their high byte.
TColor ResolveWidgetColor(TColor color);

// ARGB = opacity << 24 | R << 16 | G << 8 | B, system colours resolved.
Gdiplus::Color GdipColor(TColor color, std::uint8_t opacity = 255);

}  // namespace quill
