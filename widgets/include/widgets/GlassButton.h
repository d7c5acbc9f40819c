#pragma once
// TCustomGlassButton holds all of the glass button's behaviour; TGlassButton publishes it.
// The rules live in GlassButtonLogic, the drawing in GlassButtonPaint; this class ties them
// to the toolkit's windowed control (mouse, keys, focus, timer, parent background).

#include <string>

#include "toolkit/Controls.h"
#include "toolkit/ExtCtrls.h"
#include "widgets/GDIPPicture.h"
#include "widgets/GlassButtonLogic.h"
#include "widgets/GlassButtonPaint.h"

namespace quill::widgets {

// Extended hint contents; this system shows none, but forms can store them.
struct TGlassRichHint {
    std::string Title;
    std::string Text;
};

class TCustomGlassButton : public tk::TCustomControl, private GlassButtonHost {
public:
    explicit TCustomGlassButton(tk::TComponent* AOwner);
    ~TCustomGlassButton() override;

    // Run-time state, for the dialog and for tests.
    TGlassButtonState State() const { return FLogic.State(); }
    bool Pressed() const { return FLogic.Pressed(); }
    bool Tracking() const { return FLogic.Tracking(); }
    bool Hot() const { return FLogic.Hot(); }
    bool HoverTimerEnabled() const { return FHoverTimer->Enabled(); }

protected:
    bool AllowAllUp() const { return FLogic.AllowAllUp(); }
    void SetAllowAllUp(bool value) { FLogic.SetAllowAllUp(value); }
    TAntiAlias AntiAlias() const { return FAntiAlias; }
    void SetAntiAlias(TAntiAlias value) { Store(FAntiAlias, value); }
    tk::TColor BackColor() const { return FLook.backColor; }
    void SetBackColor(tk::TColor value) { Store(FLook.backColor, value); }
    TBackGroundSymbol BackGroundSymbol() const { return FLook.symbol; }
    void SetBackGroundSymbol(TBackGroundSymbol value) { Store(FLook.symbol, value); }
    tk::TColor BackGroundSymbolColor() const { return FLook.symbolColor; }
    void SetBackGroundSymbolColor(tk::TColor value) { Store(FLook.symbolColor, value); }
    TButtonDirection ButtonDirection() const { return FLook.direction; }
    void SetButtonDirection(TButtonDirection value) { Store(FLook.direction, value); }
    TButtonShape ButtonShape() const { return FLook.shape; }
    void SetButtonShape(TButtonShape value) { Store(FLook.shape, value); }
    int CornerRadius() const { return FLook.cornerRadius; }
    void SetCornerRadius(int value);
    bool Down() const { return FLogic.Down(); }
    void SetDown(bool value);
    bool ForceTransparent() const { return FForceTransparent; }
    void SetForceTransparent(bool value) { Store(FForceTransparent, value); }
    // Stored with the form; the caption draws in the font's colour.
    tk::TColor ForeColor() const { return FForeColor; }
    void SetForeColor(tk::TColor value) { Store(FForeColor, value); }
    tk::TColor GlowColor() const { return FLook.glowColor; }
    void SetGlowColor(tk::TColor value) { Store(FLook.glowColor, value); }
    int GroupIndex() const { return FLogic.GroupIndex(); }
    void SetGroupIndex(int value) { FLogic.SetGroupIndex(value); }
    tk::TColor InnerBorderColor() const { return FLook.innerBorderColor; }
    void SetInnerBorderColor(tk::TColor value) { Store(FLook.innerBorderColor, value); }
    TButtonLayout Layout() const { return FLayout; }
    void SetLayout(TButtonLayout value) { Store(FLayout, value); }
    TGlassRichHint& RichHint() { return FRichHint; }
    tk::TColor OuterBorderColor() const { return FLook.outerBorderColor; }
    void SetOuterBorderColor(tk::TColor value) { Store(FLook.outerBorderColor, value); }
    TGDIPPicture& Picture() { return FPicture; }
    TGDIPPicture& PictureDown() { return FPictureDown; }
    TGDIPPicture& PictureDisabled() { return FPictureDisabled; }
    tk::TColor ShineColor() const { return FLook.shineColor; }
    void SetShineColor(tk::TColor value) { Store(FLook.shineColor, value); }
    const std::string& ShortCutHint() const { return FShortCutHint; }
    void SetShortCutHint(const std::string& value) { FShortCutHint = value; }
    TShortCutHintPos ShortCutHintPos() const { return FShortCutHintPos; }
    void SetShortCutHintPos(TShortCutHintPos value) { FShortCutHintPos = value; }
    bool ShowCaption() const { return FShowCaption; }
    void SetShowCaption(bool value) { Store(FShowCaption, value); }
    bool ShowFocusRect() const { return FShowFocusRect; }
    void SetShowFocusRect(bool value) { Store(FShowFocusRect, value); }
    // Only stored: the look follows Down and the state.
    TToolButtonStyle Style() const { return FLogic.Style(); }
    void SetStyle(TToolButtonStyle value) { FLogic.SetStyle(value); }
    std::string Version() const { return glass_defaults::kVersion; }
    void SetVersion(const std::string&) {}  // read-only: writing is ignored

    void Loaded() override;
    void Paint() override;

    void MouseEnter() override;
    void MouseLeave() override;
    void MouseDown(tk::TMouseButton button, tk::TShiftState shift, int x, int y) override;
    void MouseMove(tk::TShiftState shift, int x, int y) override;
    void MouseUp(tk::TMouseButton button, tk::TShiftState shift, int x, int y) override;
    void KeyPress(char& key) override;
    bool DialogKey(WORD key, tk::TShiftState shift) override;
    bool DialogChar(char ch) override;
    void Command(WORD notifyCode) override;

private:
    // Stores a drawing property and repaints when it changed.
    template <class T>
    void Store(T& field, const T& value) {
        if (field == value) return;
        field = value;
        Invalidate();
    }
    // The glass, caption and picture of this button onto `dc` (the background is already there).
    void PaintGlass(HDC dc);
    // Paints overlapping sibling glass buttons into this button's background.
    void PaintOverlappingSiblings(HDC dc);
    void HoverTimerTick(tk::TObject* sender);
    void RecheckHover();
    void PictureChanged(tk::TObject* sender) { Invalidate(); }

    // GlassButtonHost
    void RequestPaint() override { Invalidate(); }
    void PaintNow() override { Repaint(); }
    void NotifyGroup(int groupIndex, const GlassButtonLogic& sender) override;

    GlassButtonLogic FLogic{*this};
    GlassLook FLook;
    TAntiAlias FAntiAlias = TAntiAlias::aaClearType;
    TButtonLayout FLayout = TButtonLayout::blGlyphLeft;
    bool FForceTransparent = false;
    tk::TColor FForeColor = glass_defaults::kForeColor;
    bool FShowCaption = true;
    bool FShowFocusRect = false;
    std::string FShortCutHint;
    TShortCutHintPos FShortCutHintPos = TShortCutHintPos::shpTop;
    TGlassRichHint FRichHint;
    TGDIPPicture FPicture, FPictureDown, FPictureDisabled;
    TGDIPPicture FPictureHot;  // never filled; kept so the picture choice reads as designed
    tk::TTimer* FHoverTimer;   // owned through the component tree
};

class TGlassButton : public TCustomGlassButton {
public:
    explicit TGlassButton(tk::TComponent* AOwner) : TCustomGlassButton(AOwner) {}

    using TCustomGlassButton::AllowAllUp;
    using TCustomGlassButton::AntiAlias;
    using TCustomGlassButton::BackColor;
    using TCustomGlassButton::BackGroundSymbol;
    using TCustomGlassButton::BackGroundSymbolColor;
    using TCustomGlassButton::ButtonDirection;
    using TCustomGlassButton::ButtonShape;
    using TCustomGlassButton::CornerRadius;
    using TCustomGlassButton::Down;
    using TCustomGlassButton::ForceTransparent;
    using TCustomGlassButton::ForeColor;
    using TCustomGlassButton::GlowColor;
    using TCustomGlassButton::GroupIndex;
    using TCustomGlassButton::InnerBorderColor;
    using TCustomGlassButton::Layout;
    using TCustomGlassButton::OuterBorderColor;
    using TCustomGlassButton::Picture;
    using TCustomGlassButton::PictureDisabled;
    using TCustomGlassButton::PictureDown;
    using TCustomGlassButton::RichHint;
    using TCustomGlassButton::SetAllowAllUp;
    using TCustomGlassButton::SetAntiAlias;
    using TCustomGlassButton::SetBackColor;
    using TCustomGlassButton::SetBackGroundSymbol;
    using TCustomGlassButton::SetBackGroundSymbolColor;
    using TCustomGlassButton::SetButtonDirection;
    using TCustomGlassButton::SetButtonShape;
    using TCustomGlassButton::SetCornerRadius;
    using TCustomGlassButton::SetDown;
    using TCustomGlassButton::SetForceTransparent;
    using TCustomGlassButton::SetForeColor;
    using TCustomGlassButton::SetGlowColor;
    using TCustomGlassButton::SetGroupIndex;
    using TCustomGlassButton::SetInnerBorderColor;
    using TCustomGlassButton::SetLayout;
    using TCustomGlassButton::SetOuterBorderColor;
    using TCustomGlassButton::SetShineColor;
    using TCustomGlassButton::SetShortCutHint;
    using TCustomGlassButton::SetShortCutHintPos;
    using TCustomGlassButton::SetShowCaption;
    using TCustomGlassButton::SetShowFocusRect;
    using TCustomGlassButton::SetStyle;
    using TCustomGlassButton::SetVersion;
    using TCustomGlassButton::ShineColor;
    using TCustomGlassButton::ShortCutHint;
    using TCustomGlassButton::ShortCutHintPos;
    using TCustomGlassButton::ShowCaption;
    using TCustomGlassButton::ShowFocusRect;
    using TCustomGlassButton::Style;
    using TCustomGlassButton::Version;
};

}  // namespace quill::widgets
