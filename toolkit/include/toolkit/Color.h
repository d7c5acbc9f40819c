// Colours as forms store them: 0x00BBGGRR, negative values name system colours.
#pragma once

#include <cstdint>

namespace tk {

using TColor = std::int32_t;

// System colours carry the high byte 0xFF and the system colour index in the low byte.
constexpr TColor clSystemColor = static_cast<TColor>(0xFF000000u);
constexpr TColor SystemColor(int index) {
    return clSystemColor | index;
}

constexpr TColor clScrollBar = SystemColor(0);
constexpr TColor clBackground = SystemColor(1);
constexpr TColor clActiveCaption = SystemColor(2);
constexpr TColor clInactiveCaption = SystemColor(3);
constexpr TColor clMenu = SystemColor(4);
constexpr TColor clWindow = SystemColor(5);
constexpr TColor clWindowFrame = SystemColor(6);
constexpr TColor clMenuText = SystemColor(7);
constexpr TColor clWindowText = SystemColor(8);
constexpr TColor clCaptionText = SystemColor(9);
constexpr TColor clHighlight = SystemColor(13);
constexpr TColor clHighlightText = SystemColor(14);
constexpr TColor clBtnFace = SystemColor(15);
constexpr TColor clBtnShadow = SystemColor(16);
constexpr TColor clGrayText = SystemColor(17);
constexpr TColor clBtnText = SystemColor(18);
constexpr TColor clBtnHighlight = SystemColor(20);
constexpr TColor cl3DDkShadow = SystemColor(21);
constexpr TColor cl3DLight = SystemColor(22);
constexpr TColor clInfoText = SystemColor(23);
constexpr TColor clInfoBk = SystemColor(24);
constexpr TColor clHotLight = SystemColor(26);

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

constexpr bool IsSystemColor(TColor c) {
    return c < 0;
}
constexpr int SystemColorIndex(TColor c) {
    return c & 0xFF;
}

constexpr std::uint8_t RedOf(TColor c) {
    return static_cast<std::uint8_t>(c & 0xFF);
}
constexpr std::uint8_t GreenOf(TColor c) {
    return static_cast<std::uint8_t>((c >> 8) & 0xFF);
}
constexpr std::uint8_t BlueOf(TColor c) {
    return static_cast<std::uint8_t>((c >> 16) & 0xFF);
}
constexpr TColor RGBColor(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return static_cast<TColor>(r | (g << 8) | (b << 16));
}

// A GDI+ colour: opacity * 2^24 + red * 2^16 + green * 2^8 + blue. The colour must already be
// resolved to RGB (system colours resolve on the Windows side, see ColorToRGB).
constexpr std::uint32_t ArgbFromRGB(TColor rgb, std::uint8_t opacity = 255) {
    return (static_cast<std::uint32_t>(opacity) << 24) |
           (static_cast<std::uint32_t>(RedOf(rgb)) << 16) |
           (static_cast<std::uint32_t>(GreenOf(rgb)) << 8) | BlueOf(rgb);
}

// Resolves a system colour through `sysColor` (index -> 0x00BBGGRR); other colours pass
// through with the high byte cleared. clNone and clDefault pass through unchanged.
template <class SysColorFn>
TColor ResolveColor(TColor c, SysColorFn sysColor) {
    if (IsSystemColor(c)) return static_cast<TColor>(sysColor(SystemColorIndex(c)) & 0xFFFFFF);
    if (c == clNone || c == clDefault) return c;
    return c & 0xFFFFFF;
}

}  // namespace tk
