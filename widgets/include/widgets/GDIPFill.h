// Gradient fill: a persistent description of how a control's body is painted
// through GDI+ (shadow, one or two gradient bands, rounded corners, border,
// pictures). It owns no window or device context; the owner hands it a
// Graphics object and a rectangle on every paint.
#pragma once

#include "widgets/GDIPPicture.h"
#include "widgets/WidgetColor.h"

#include <cstdint>

namespace quill::widgets {

enum TGradientType {
    gtSolid,
    gtRadial,
    gtVertical,
    gtHorizontal,
    gtForwardDiagonal,
    gtBackwardDiagonal,
    gtAngle,
    gtHatch,
    gtPath,
    gtTexture,
    gtNone
};

enum TFillRoundingType { rtNone, rtTop, rtBottom, rtBoth, rtLeft, rtRight };

enum TFillPicturePosition {
    ppTopLeft,
    ppTopCenter,
    ppTopRight,
    ppBottomLeft,
    ppBottomCenter,
    ppBottomRight,
    ppTiled,
    ppStretched,
    ppCenterLeft,
    ppCenterCenter,
    ppCenterRight,
    ppCustom
};

enum TFillPictureSize { psOriginal, psCustom };

enum TFillPictureMode { pmInsideFill, pmOutsideFill };

// GDI+'s own hatch enumeration: its ordinal is handed to GDI+ unchanged.
using HatchStyle = Gdiplus::HatchStyle;

class TGDIPFill : public tk::TObject {
public:
    TGDIPFill();
    TGDIPFill(const TGDIPFill&) = delete;
    TGDIPFill& operator=(const TGDIPFill&) = delete;
    ~TGDIPFill() override;

    // Copies every published value through its setter, in streaming order;
    // each value that differs raises OnChange once.
    void Assign(const TGDIPFill& source);

    // Paints the fill into rect. The five overrides replace OpacityMirrorTo,
    // OpacityMirror, OpacityTo, Opacity and BorderOpacity for this paint unless
    // they are 255. Returns the rectangle the body used (rect less the shadow).
    // graphics may be null: then nothing is painted and rect comes back as is.
    Gdiplus::RectF DrawFill(Gdiplus::Graphics* graphics, Gdiplus::RectF rect,
                            std::uint8_t mirrorToOpacity = 255, std::uint8_t mirrorOpacity = 255,
                            std::uint8_t toOpacity = 255, std::uint8_t opacity = 255,
                            std::uint8_t borderOpacity = 255);

    // Published properties, in streaming order.
    TColor Color() const { return FColor; }
    void SetColor(TColor value);
    TColor ColorTo() const { return FColorTo; }
    void SetColorTo(TColor value);
    TColor ColorMirror() const { return FColorMirror; }
    void SetColorMirror(TColor value);
    TColor ColorMirrorTo() const { return FColorMirrorTo; }
    void SetColorMirrorTo(TColor value);
    TGradientType GradientType() const { return FGradientType; }
    void SetGradientType(TGradientType value);
    TGradientType GradientMirrorType() const { return FGradientMirrorType; }
    void SetGradientMirrorType(TGradientType value);
    quill::widgets::HatchStyle HatchStyle() const { return FHatchStyle; }
    void SetHatchStyle(quill::widgets::HatchStyle value);
    quill::widgets::HatchStyle HatchStyleMirror() const { return FHatchStyleMirror; }
    void SetHatchStyleMirror(quill::widgets::HatchStyle value);
    TFillPictureMode BackGroundPictureMode() const { return FBackGroundPictureMode; }
    void SetBackGroundPictureMode(TFillPictureMode value);
    // The fill keeps its own pictures: setting one copies the given picture.
    TGDIPPicture& BackGroundPicture() { return FBackGroundPicture; }
    const TGDIPPicture& BackGroundPicture() const { return FBackGroundPicture; }
    void SetBackGroundPicture(const TGDIPPicture& value);
    TFillPicturePosition BackGroundPicturePosition() const { return FBackGroundPicturePosition; }
    void SetBackGroundPicturePosition(TFillPicturePosition value);
    int BackGroundPictureLeft() const { return FBackGroundPictureLeft; }
    void SetBackGroundPictureLeft(int value);
    int BackGroundPictureTop() const { return FBackGroundPictureTop; }
    void SetBackGroundPictureTop(int value);
    TGDIPPicture& Picture() { return FPicture; }
    const TGDIPPicture& Picture() const { return FPicture; }
    void SetPicture(const TGDIPPicture& value);
    TFillPicturePosition PicturePosition() const { return FPicturePosition; }
    void SetPicturePosition(TFillPicturePosition value);
    int PictureLeft() const { return FPictureLeft; }
    void SetPictureLeft(int value);
    int PictureTop() const { return FPictureTop; }
    void SetPictureTop(int value);
    TFillPictureSize PictureSize() const { return FPictureSize; }
    void SetPictureSize(TFillPictureSize value);
    int PictureWidth() const { return FPictureWidth; }
    void SetPictureWidth(int value);
    int PictureHeight() const { return FPictureHeight; }
    void SetPictureHeight(int value);
    std::uint8_t Opacity() const { return FOpacity; }
    void SetOpacity(std::uint8_t value);
    std::uint8_t OpacityTo() const { return FOpacityTo; }
    void SetOpacityTo(std::uint8_t value);
    std::uint8_t OpacityMirror() const { return FOpacityMirror; }
    void SetOpacityMirror(std::uint8_t value);
    std::uint8_t OpacityMirrorTo() const { return FOpacityMirrorTo; }
    void SetOpacityMirrorTo(std::uint8_t value);
    TColor BorderColor() const { return FBorderColor; }
    void SetBorderColor(TColor value);
    std::uint8_t BorderOpacity() const { return FBorderOpacity; }
    void SetBorderOpacity(std::uint8_t value);
    int BorderWidth() const { return FBorderWidth; }
    void SetBorderWidth(int value);
    int Rounding() const { return FRounding; }
    void SetRounding(int value);
    TFillRoundingType RoundingType() const { return FRoundingType; }
    void SetRoundingType(TFillRoundingType value);
    TColor ShadowColor() const { return FShadowColor; }
    void SetShadowColor(TColor value);
    int ShadowOffset() const { return FShadowOffset; }
    void SetShadowOffset(int value);
    int Angle() const { return FAngle; }
    void SetAngle(int value);

    // Raised after any property change (owners invalidate themselves in it).
    tk::TNotifyEvent OnChange;

    // Unpublished state.
    void BeginUpdate() { ++FUpdateCount; }
    void EndUpdate();
    bool Focus() const { return FFocus; }
    void SetFocus(bool value) { FFocus = value; }
    TColor FocusColor() const { return FFocusColor; }
    void SetFocusColor(TColor value) { FFocusColor = value; }
    // The painted rectangle of the last DrawFill inset by BorderWidth.
    Gdiplus::RectF FocusRect() const { return FFocusRect; }

    // The registered clipboard format "GDI+ Fill".
    static unsigned ClipboardFormat();

private:
    void Changed();
    void PictureChanged(tk::TObject* Sender);
    template <class T>
    void Update(T& field, T value);

    TColor FColor;
    TColor FColorTo;
    TColor FColorMirror;
    TColor FColorMirrorTo;
    TGradientType FGradientType;
    TGradientType FGradientMirrorType;
    quill::widgets::HatchStyle FHatchStyle;
    quill::widgets::HatchStyle FHatchStyleMirror;
    TFillPictureMode FBackGroundPictureMode;
    TGDIPPicture FBackGroundPicture;
    TFillPicturePosition FBackGroundPicturePosition;
    int FBackGroundPictureLeft;
    int FBackGroundPictureTop;
    TGDIPPicture FPicture;
    TFillPicturePosition FPicturePosition;
    int FPictureLeft;
    int FPictureTop;
    TFillPictureSize FPictureSize;
    int FPictureWidth;
    int FPictureHeight;
    std::uint8_t FOpacity;
    std::uint8_t FOpacityTo;
    std::uint8_t FOpacityMirror;
    std::uint8_t FOpacityMirrorTo;
    TColor FBorderColor;
    std::uint8_t FBorderOpacity;
    int FBorderWidth;
    int FRounding;
    TFillRoundingType FRoundingType;
    TColor FShadowColor;
    int FShadowOffset;
    int FAngle;

    int FUpdateCount = 0;
    bool FFocus = false;
    TColor FFocusColor = 0;
    Gdiplus::RectF FFocusRect;
};

}  // namespace quill::widgets
