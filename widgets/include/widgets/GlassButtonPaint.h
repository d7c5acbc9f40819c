#pragma once
// Draws the glass button into a GDI+ graphics object: the glass layers and the caption
// with its picture. Knows nothing of windows; the control resolves its properties into
// these plain descriptions first. Colours are TColor values; system colours are resolved
// when drawn.

#include "widgets/WidgetColor.h"

#include <cstdint>
#include <string>

#include "widgets/GlassButtonGeometry.h"
#include "widgets/GlassButtonTypes.h"

namespace quill::widgets {

struct GlassLook {
    tk::TColor backColor = glass_defaults::kBackColor;
    tk::TColor glowColor = glass_defaults::kGlowColor;
    tk::TColor innerBorderColor = glass_defaults::kInnerBorderColor;
    tk::TColor outerBorderColor = glass_defaults::kOuterBorderColor;
    tk::TColor shineColor = glass_defaults::kShineColor;
    tk::TColor symbolColor = glass_defaults::kBackGroundSymbolColor;  // clNone: no symbol
    TBackGroundSymbol symbol = TBackGroundSymbol::bsNone;
    TButtonShape shape = TButtonShape::btsRectangle;
    TButtonDirection direction = TButtonDirection::bdRight;
    int cornerRadius = glass_defaults::kCornerRadius;
    bool glow = false;
};

// Outer border, body, glow, shine, symbol and inner border, in that order.
void DrawGlass(Gdiplus::Graphics& graphics, int clientWidth, int clientHeight,
               const GlassLook& look);

struct GlassFont {
    std::string name = glass_defaults::kFontName;
    float pointSize = 8;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    HFONT handle = nullptr;  // for the plain GDI text path; not owned
};

struct GlassCaption {
    std::string text;  // already through GlassCaptionText
    GlassFont font;
    tk::TColor textColor = tk::clWindowText;  // the font colour; grey is chosen here when disabled
    bool enabled = true;
    TAntiAlias antiAlias = TAntiAlias::aaClearType;
    TButtonLayout layout = TButtonLayout::blGlyphLeft;
    Gdiplus::Image* picture = nullptr;  // the chosen picture, or null; not owned
    bool focusRect = false;             // focused and ShowFocusRect
    TButtonShape shape = TButtonShape::btsRectangle;
    TButtonDirection direction = TButtonDirection::bdRight;
    int cornerRadius = glass_defaults::kCornerRadius;
};

// Focus outline, picture and caption. GDI+ draws the text when it can use the font;
// otherwise plain GDI text goes onto the graphics object's device context.
void DrawGlassCaption(Gdiplus::Graphics& graphics, int clientWidth, int clientHeight,
                      const GlassCaption& caption);

// Whether the system lists `name` among its screen fonts as a vector (not bitmap) font.
bool IsScreenVectorFont(const std::string& name);

}  // namespace quill::widgets
