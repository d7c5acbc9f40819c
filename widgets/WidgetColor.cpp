#include "widgets/WidgetColor.h"

namespace quill {

TColor ResolveWidgetColor(TColor color) {
    return tk::ResolveColor(color, [](int index) { return ::GetSysColor(index); });
}

Gdiplus::Color GdipColor(TColor color, std::uint8_t opacity) {
    return Gdiplus::Color(tk::ArgbFromRGB(ResolveWidgetColor(color), opacity));
}

}  // namespace quill
