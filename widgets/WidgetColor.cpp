#include "widgets/WidgetColor.h"

#include "toolkit/Graphics.h"

namespace quill::widgets {

TColor ResolveWidgetColor(TColor color) {
    return tk::ColorToRGB(color);
}

Gdiplus::Color GdipColor(TColor color, std::uint8_t opacity) {
    return Gdiplus::Color(tk::ColorToArgb(color, opacity));
}

}  // namespace quill::widgets
