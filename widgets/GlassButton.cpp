#include "widgets/GlassButton.h"

#include <algorithm>
#include <memory>

#include "toolkit/Application.h"
#include "toolkit/Handles.h"

namespace quill::widgets {

TCustomGlassButton::TCustomGlassButton(tk::TComponent* AOwner)
    : tk::TCustomControl(AOwner), FHoverTimer(new tk::TTimer(this)) {
    SetBounds(0, 0, glass_defaults::kWidth, glass_defaults::kHeight);
    Font().SetName(glass_defaults::kFontName);
    SetParentFont(true);  // after the name: naming the font turns the parent's font off
    SetTabStop(false);
    // The body is translucent: the parent's image must lie under it, composed off-screen.
    SetParentBackground(true);
    SetDoubleBuffered(true);
    FHoverTimer->SetEnabled(false);
    FHoverTimer->SetInterval(1);
    FHoverTimer->OnTimer.Assign(this, &TCustomGlassButton::HoverTimerTick);
    FPicture.OnChange.Assign(this, &TCustomGlassButton::PictureChanged);
    FPictureDisabled.OnChange.Assign(this, &TCustomGlassButton::PictureChanged);
}

TCustomGlassButton::~TCustomGlassButton() {
    // The timer outlives this body (its owner frees it later); it must not tick into it.
    FHoverTimer->SetEnabled(false);
    FHoverTimer->OnTimer.Clear();
}

void TCustomGlassButton::SetCornerRadius(int value) {
    if (value < 0 || value == FLook.cornerRadius) return;
    if (Designing()) value = std::min(value, Height() / 2);
    FLook.cornerRadius = value;
    Invalidate();
}

void TCustomGlassButton::SetDown(bool value) {
    if (Loading()) {
        FLogic.RememberDown(value);
        return;
    }
    FLogic.SetDown(value);
}

void TCustomGlassButton::Loaded() {
    tk::TCustomControl::Loaded();
    FLogic.Loaded();
}

void TCustomGlassButton::NotifyGroup(int groupIndex, const GlassButtonLogic& sender) {
    tk::TWinControl* parent = Parent();
    if (!parent) return;
    for (int i = 0; i < parent->ControlCount(); ++i) {
        if (auto* button = dynamic_cast<TCustomGlassButton*>(parent->Controls(i)))
            button->FLogic.GroupChanged(groupIndex, sender);
    }
}

// ----- painting -----

void TCustomGlassButton::Paint() {
    FLogic.ResolvePaintState(Enabled());
    // The toolkit has already drawn the parent's image under the button (ParentBackground).
    HDC dc = Canvas().Handle();
    if (FForceTransparent) PaintOverlappingSiblings(dc);
    PaintGlass(dc);
}

void TCustomGlassButton::PaintOverlappingSiblings(HDC dc) {
    tk::TWinControl* parent = Parent();
    if (!parent) return;
    const RECT mine = BoundsRect();
    for (int i = 0; i < parent->ControlCount(); ++i) {
        auto* sibling = dynamic_cast<TCustomGlassButton*>(parent->Controls(i));
        if (!sibling || sibling == this || !sibling->Visible()) continue;
        const RECT theirs = sibling->BoundsRect();
        RECT common;
        if (!IntersectRect(&common, &mine, &theirs)) continue;
        tk::TSavedDC saved(dc);
        IntersectClipRect(dc, common.left - mine.left, common.top - mine.top,
                          common.right - mine.left, common.bottom - mine.top);
        POINT origin;
        GetViewportOrgEx(dc, &origin);
        SetViewportOrgEx(dc, origin.x + theirs.left - mine.left, origin.y + theirs.top - mine.top,
                         nullptr);
        sibling->PaintGlass(dc);
    }
}

void TCustomGlassButton::PaintGlass(HDC dc) {
    const GlassPictureKind kind = FLogic.ChoosePicture(
        Enabled(), {!FPictureHot.Empty(), !FPictureDown.Empty(), !FPictureDisabled.Empty()});
    const TGDIPPicture& picture = kind == GlassPictureKind::Disabled ? FPictureDisabled
                                  : kind == GlassPictureKind::Down   ? FPictureDown
                                  : kind == GlassPictureKind::Hot    ? FPictureHot
                                                                     : FPicture;
    const std::unique_ptr<Gdiplus::Image> image = picture.Decode();

    GlassLook look = FLook;
    look.glow = FLogic.GlowVisible();

    GlassCaption caption;
    caption.text = GlassCaptionText(Caption(), FShowCaption);
    caption.font.name = Font().Name();
    caption.font.pointSize = static_cast<float>(Font().Size());
    caption.font.bold = (Font().Style() & tk::fsBold) != 0;
    caption.font.italic = (Font().Style() & tk::fsItalic) != 0;
    caption.font.underline = (Font().Style() & tk::fsUnderline) != 0;
    caption.font.handle = Font().Handle();
    caption.textColor = Font().Color();
    caption.enabled = Enabled();
    caption.antiAlias = FAntiAlias;
    caption.layout = FLayout;
    caption.picture = image.get();
    caption.focusRect = FShowFocusRect && Focused();
    caption.shape = FLook.shape;
    caption.direction = FLook.direction;
    caption.cornerRadius = FLook.cornerRadius;

    Gdiplus::Graphics graphics(dc);
    graphics.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    DrawGlass(graphics, ClientWidth(), ClientHeight(), look);
    DrawGlassCaption(graphics, ClientWidth(), ClientHeight(), caption);
}

// ----- mouse -----

void TCustomGlassButton::MouseEnter() {
    if (Designing()) return;
    FLogic.MouseEnter();
    FHoverTimer->SetEnabled(true);
    tk::TCustomControl::MouseEnter();
}

void TCustomGlassButton::MouseLeave() {
    if (Designing()) return;
    FHoverTimer->SetEnabled(false);
    FLogic.MouseLeave();
    tk::TCustomControl::MouseLeave();
}

// Catches a leave that the toolkit did not report (a fast move out of the window).
void TCustomGlassButton::HoverTimerTick(tk::TObject*) {
    POINT cursor;
    GetCursorPos(&cursor);
    const POINT local = ScreenToClient(cursor);
    const RECT client = ClientRect();
    if (PtInRect(&client, local)) return;
    FHoverTimer->SetEnabled(false);
    FLogic.MouseLeave();
    if (Enabled()) Repaint();
}

void TCustomGlassButton::RecheckHover() {
    POINT cursor;
    GetCursorPos(&cursor);
    if (tk::Application.ControlAtPoint(cursor) == this)
        MouseEnter();
    else
        MouseLeave();
}

void TCustomGlassButton::MouseDown(tk::TMouseButton button, tk::TShiftState shift, int x, int y) {
    tk::TCustomControl::MouseDown(button, shift, x, y);
    if (Designing() || button != tk::mbLeft || !Enabled()) return;
    FLogic.LeftButtonDown();
    if (TabStop()) SetFocus();
}

void TCustomGlassButton::MouseMove(tk::TShiftState shift, int x, int y) {
    tk::TCustomControl::MouseMove(shift, x, y);
    if (Designing()) return;
    if (FLogic.Tracking())
        FLogic.MouseMove(x, y, ClientWidth(), ClientHeight());
    else if (!FLogic.Hot())
        RecheckHover();
}

void TCustomGlassButton::MouseUp(tk::TMouseButton button, tk::TShiftState shift, int x, int y) {
    if (!Designing() && button == tk::mbLeft) {
        if (FLogic.LeftButtonUp(x, y, ClientWidth(), ClientHeight()) && !FLogic.Hot())
            RecheckHover();
    }
    // The toolkit raises OnMouseUp and, for a release inside the client area, Click.
    tk::TCustomControl::MouseUp(button, shift, x, y);
    if (button == tk::mbLeft) Invalidate();
}

// ----- keyboard -----

void TCustomGlassButton::KeyPress(char& key) {
    tk::TCustomControl::KeyPress(key);
    if (key == ' ') Click();
}

bool TCustomGlassButton::DialogKey(WORD key, tk::TShiftState shift) {
    if (key == VK_RETURN && Focused() && !(shift & (tk::ssShift | tk::ssCtrl | tk::ssAlt)) &&
        CanFocus()) {
        Click();
        return true;
    }
    return tk::TCustomControl::DialogKey(key, shift);
}

bool TCustomGlassButton::DialogChar(char ch) {
    if (tk::IsAccel(ch, Caption()) && CanFocus()) {
        Click();
        return true;
    }
    return tk::TCustomControl::DialogChar(ch);
}

void TCustomGlassButton::Command(WORD notifyCode) {
    if (notifyCode == BN_CLICKED) Click();
}

}  // namespace quill::widgets
