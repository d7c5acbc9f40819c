// Colour helpers shared by the GDI+ widgets: the toolkit's TColor values
// resolved and turned into GDI+ colours.
#pragma once

#include "toolkit/GdiPlus.h"

#include "toolkit/Color.h"
#include "toolkit/Component.h"  // TObject, TNotifyEvent

#include <cstdint>

namespace quill::widgets {

using tk::clNone;
using tk::TColor;

// A system colour looked up; plain colours come back without their high byte.
TColor ResolveWidgetColor(TColor color);

// A GDI+ colour of a TColor (system colours resolved) at an opacity.
Gdiplus::Color GdipColor(TColor color, std::uint8_t opacity = 255);

}  // namespace quill::widgets
