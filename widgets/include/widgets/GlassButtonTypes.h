#pragma once
// Enumerations and defaults of the glass button, shared by its platform-neutral logic,
// its GDI+ painter and the control itself.

#include <cstdint>

namespace quill::widgets {

enum class TAntiAlias { aaNone, aaClearType, aaAntiAlias };
enum class TButtonShape { btsRectangle, btsCurvedRectangle };
enum class TButtonDirection { bdLeft, bdRight };
enum class TToolButtonStyle { tasButton, tasCheck };
enum class TButtonLayout {
    blGlyphLeft,
    blGlyphTop,
    blGlyphRight,
    blGlyphBottom,
    blGlyphLeftAdjusted,
    blGlyphRightAdjusted,
    blGlyphTopAdjusted,
    blGlyphBottomAdjusted
};
enum class TBackGroundSymbol {
    bsArrowLeft,
    bsArrowRight,
    bsArrowUp,
    bsArrowDown,
    bsPlay,
    bsPause,
    bsStop,
    bsFastForward,
    bsForward,
    bsBackward,
    bsFastBackward,
    bsSpeaker,
    bsNoSpeaker,
    bsNone,
    bsRecord
};
enum class TShortCutHintPos {
    shpLeft,
    shpTop,
    shpRight,
    shpBottom,
    shpCenter,
    shpAuto,
    shpTopLeft,
    shpTopRight,
    shpAboveTop,
    shpAboveTopLeft,
    shpAboveTopRight,
    shpBottomLeft,
    shpBottomRight,
    shpBelowBottom,
    shpBelowBottomLeft,
    shpBelowBottomRight,
    shpBelowBottomCenter
};

// The values match the numbers the button has always stored for its state.
enum class TGlassButtonState : std::uint8_t { Up = 0, Disabled = 1, Down = 2, Exclusive = 4 };

namespace glass_defaults {
constexpr int kCornerRadius = 4;
constexpr std::int32_t kBackColor = 0;                     // black
constexpr std::int32_t kBackGroundSymbolColor = 16777215;  // white
constexpr std::int32_t kForeColor = 16777215;
constexpr std::int32_t kGlowColor = 16760205;  // #8DBDFF
constexpr std::int32_t kInnerBorderColor = 0;
constexpr std::int32_t kOuterBorderColor = 16777215;
constexpr std::int32_t kShineColor = 16777215;
constexpr std::int32_t kFocusRectColor = 8421504;  // #808080
constexpr std::int32_t kDisabledTextColor = 8421504;
constexpr int kWidth = 100;
constexpr int kHeight = 32;
constexpr const char* kVersion = "1.2.2.0";
constexpr const char* kFontName = "Tahoma";

// Opacities of the glass layers, out of 255.
constexpr std::uint8_t kBodyAlpha = 127;
constexpr std::uint8_t kGlowCentreAlpha = 173;
constexpr std::uint8_t kShineTopAlpha = 153;
constexpr std::uint8_t kShineBottomAlpha = kShineTopAlpha / 3;
constexpr std::uint8_t kSymbolAlpha = 160;
}  // namespace glass_defaults

}  // namespace quill::widgets
