#include "widgets/GDIPFill.h"

namespace quill::widgets {

TGDIPFill::TGDIPFill()
    : FColor(0xC0C0C0),
      FColorTo(0x808080),
      FColorMirror(clNone),
      FColorMirrorTo(clNone),
      FGradientType(gtVertical),
      FGradientMirrorType(gtSolid),
      FHatchStyle(Gdiplus::HatchStyleHorizontal),
      FHatchStyleMirror(Gdiplus::HatchStyleHorizontal),
      FBackGroundPictureMode(pmOutsideFill),
      FBackGroundPicturePosition(ppTopLeft),
      FBackGroundPictureLeft(0),
      FBackGroundPictureTop(0),
      FPicturePosition(ppTopLeft),
      FPictureLeft(0),
      FPictureTop(0),
      FPictureSize(psOriginal),
      FPictureWidth(50),
      FPictureHeight(50),
      FOpacity(255),
      FOpacityTo(255),
      FOpacityMirror(255),
      FOpacityMirrorTo(255),
      FBorderColor(clNone),
      FBorderOpacity(255),
      FBorderWidth(1),
      FRounding(0),
      FRoundingType(rtBoth),
      FShadowColor(0x808080),
      FShadowOffset(0),
      FAngle(0) {
    FBackGroundPicture.OnChange.Assign(this, &TGDIPFill::PictureChanged);
    FPicture.OnChange.Assign(this, &TGDIPFill::PictureChanged);
}

TGDIPFill::~TGDIPFill() {
    FBackGroundPicture.OnChange.Clear();
    FPicture.OnChange.Clear();
}

void TGDIPFill::Changed() {
    if (OnChange && FUpdateCount == 0) OnChange(this);
}

void TGDIPFill::PictureChanged(tk::TObject*) {
    Changed();
}

void TGDIPFill::EndUpdate() {
    if (FUpdateCount > 0) --FUpdateCount;
}

template <class T>
void TGDIPFill::Update(T& field, T value) {
    if (field == value) return;
    field = value;
    Changed();
}

void TGDIPFill::SetColor(TColor value) {
    Update(FColor, value);
}
void TGDIPFill::SetColorTo(TColor value) {
    Update(FColorTo, value);
}
void TGDIPFill::SetColorMirror(TColor value) {
    Update(FColorMirror, value);
}
void TGDIPFill::SetColorMirrorTo(TColor value) {
    Update(FColorMirrorTo, value);
}
void TGDIPFill::SetGradientType(TGradientType value) {
    Update(FGradientType, value);
}
void TGDIPFill::SetGradientMirrorType(TGradientType value) {
    Update(FGradientMirrorType, value);
}
void TGDIPFill::SetHatchStyle(quill::widgets::HatchStyle value) {
    Update(FHatchStyle, value);
}
void TGDIPFill::SetHatchStyleMirror(quill::widgets::HatchStyle value) {
    Update(FHatchStyleMirror, value);
}
void TGDIPFill::SetBackGroundPictureMode(TFillPictureMode value) {
    Update(FBackGroundPictureMode, value);
}
// The owned picture's change event calls Changed.
void TGDIPFill::SetBackGroundPicture(const TGDIPPicture& value) {
    FBackGroundPicture.Assign(value);
}
void TGDIPFill::SetBackGroundPicturePosition(TFillPicturePosition value) {
    Update(FBackGroundPicturePosition, value);
}
void TGDIPFill::SetBackGroundPictureLeft(int value) {
    Update(FBackGroundPictureLeft, value);
}
void TGDIPFill::SetBackGroundPictureTop(int value) {
    Update(FBackGroundPictureTop, value);
}
void TGDIPFill::SetPicture(const TGDIPPicture& value) {
    FPicture.Assign(value);
}
void TGDIPFill::SetPicturePosition(TFillPicturePosition value) {
    Update(FPicturePosition, value);
}
void TGDIPFill::SetPictureLeft(int value) {
    Update(FPictureLeft, value);
}
void TGDIPFill::SetPictureTop(int value) {
    Update(FPictureTop, value);
}
void TGDIPFill::SetPictureSize(TFillPictureSize value) {
    Update(FPictureSize, value);
}
void TGDIPFill::SetPictureWidth(int value) {
    Update(FPictureWidth, value);
}
void TGDIPFill::SetPictureHeight(int value) {
    Update(FPictureHeight, value);
}
void TGDIPFill::SetOpacity(std::uint8_t value) {
    Update(FOpacity, value);
}
void TGDIPFill::SetOpacityTo(std::uint8_t value) {
    Update(FOpacityTo, value);
}
void TGDIPFill::SetOpacityMirror(std::uint8_t value) {
    Update(FOpacityMirror, value);
}
void TGDIPFill::SetOpacityMirrorTo(std::uint8_t value) {
    Update(FOpacityMirrorTo, value);
}
void TGDIPFill::SetBorderColor(TColor value) {
    Update(FBorderColor, value);
}
void TGDIPFill::SetBorderOpacity(std::uint8_t value) {
    Update(FBorderOpacity, value);
}
void TGDIPFill::SetBorderWidth(int value) {
    Update(FBorderWidth, value);
}
void TGDIPFill::SetRounding(int value) {
    Update(FRounding, value);
}
void TGDIPFill::SetRoundingType(TFillRoundingType value) {
    Update(FRoundingType, value);
}
void TGDIPFill::SetShadowColor(TColor value) {
    Update(FShadowColor, value);
}
void TGDIPFill::SetShadowOffset(int value) {
    Update(FShadowOffset, value);
}
void TGDIPFill::SetAngle(int value) {
    Update(FAngle, value);
}

void TGDIPFill::Assign(const TGDIPFill& source) {
    if (&source == this) return;
    SetColor(source.FColor);
    SetColorTo(source.FColorTo);
    SetColorMirror(source.FColorMirror);
    SetColorMirrorTo(source.FColorMirrorTo);
    SetGradientType(source.FGradientType);
    SetGradientMirrorType(source.FGradientMirrorType);
    SetHatchStyle(source.FHatchStyle);
    SetHatchStyleMirror(source.FHatchStyleMirror);
    // A picture copy always notifies, like any picture assignment; only a
    // differing one is worth it.
    if (FBackGroundPicture.Bytes() != source.FBackGroundPicture.Bytes())
        SetBackGroundPicture(source.FBackGroundPicture);
    SetBackGroundPicturePosition(source.FBackGroundPicturePosition);
    SetBackGroundPictureLeft(source.FBackGroundPictureLeft);
    SetBackGroundPictureTop(source.FBackGroundPictureTop);
    if (FPicture.Bytes() != source.FPicture.Bytes()) SetPicture(source.FPicture);
    SetPicturePosition(source.FPicturePosition);
    SetPictureLeft(source.FPictureLeft);
    SetPictureTop(source.FPictureTop);
    SetPictureSize(source.FPictureSize);
    SetPictureWidth(source.FPictureWidth);
    SetPictureHeight(source.FPictureHeight);
    SetOpacity(source.FOpacity);
    SetOpacityTo(source.FOpacityTo);
    SetOpacityMirror(source.FOpacityMirror);
    SetOpacityMirrorTo(source.FOpacityMirrorTo);
    SetBorderColor(source.FBorderColor);
    SetBorderWidth(source.FBorderWidth);
    SetRounding(source.FRounding);
    SetRoundingType(source.FRoundingType);
    SetShadowColor(source.FShadowColor);
    SetShadowOffset(source.FShadowOffset);
    SetAngle(source.FAngle);
    SetBorderOpacity(source.FBorderOpacity);
    SetBackGroundPictureMode(source.FBackGroundPictureMode);
}

unsigned TGDIPFill::ClipboardFormat() {
    static const unsigned format = ::RegisterClipboardFormatA("GDI+ Fill");
    return format;
}

}  // namespace quill::widgets

namespace {
// The unit registers its clipboard format when the program starts.
const unsigned registeredFillFormat = quill::widgets::TGDIPFill::ClipboardFormat();
}  // namespace
