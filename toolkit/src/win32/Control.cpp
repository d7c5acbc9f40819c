// TControl: bounds, alignment, visibility, font and colour inheritance, mouse dispatch; and
// the cursor, shift-state and accelerator helpers of Controls.h.
#include <windows.h>

#include <algorithm>
#include <cctype>

#include "toolkit/Application.h"
#include "toolkit/Controls.h"
#include "toolkit/Exception.h"
#include "toolkit/Forms.h"

namespace tk {
namespace {

bool Inside(const TControl* c, int x, int y) {
    RECT r = c->ClientRect();
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

}  // namespace

HCURSOR CursorHandle(TCursor cursor) {
    LPCSTR id = IDC_ARROW;
    switch (cursor) {
        case crNone:
            return nullptr;
        case crCross:
            id = IDC_CROSS;
            break;
        case crIBeam:
            id = IDC_IBEAM;
            break;
        case crSizeNESW:
            id = IDC_SIZENESW;
            break;
        case crSizeNS:
            id = IDC_SIZENS;
            break;
        case crSizeNWSE:
            id = IDC_SIZENWSE;
            break;
        case crSizeWE:
            id = IDC_SIZEWE;
            break;
        case crUpArrow:
            id = IDC_UPARROW;
            break;
        case crHourGlass:
            id = IDC_WAIT;
            break;
        case crNo:
            id = IDC_NO;
            break;
        case crAppStart:
            id = IDC_APPSTARTING;
            break;
        case crHelp:
            id = IDC_HELP;
            break;
        case crHandPoint:
            id = IDC_HAND;
            break;
        case crSizeAll:
            id = IDC_SIZEALL;
            break;
        default:
            break;
    }
    return LoadCursorA(nullptr, id);
}

TShiftState KeyboardShiftState() {
    TShiftState s = 0;
    if (GetKeyState(VK_SHIFT) < 0) s |= ssShift;
    if (GetKeyState(VK_CONTROL) < 0) s |= ssCtrl;
    if (GetKeyState(VK_MENU) < 0) s |= ssAlt;
    return s;
}

char AcceleratorOf(const std::string& caption) {
    for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != '&') continue;
        if (caption[i + 1] == '&') {
            ++i;
            continue;
        }
        return static_cast<char>(std::tolower(static_cast<unsigned char>(caption[i + 1])));
    }
    return 0;
}

bool IsAccel(char ch, const std::string& caption) {
    char accel = AcceleratorOf(caption);
    return accel != 0 && accel == static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
}

TControl::TControl(TComponent* AOwner) : TComponent(AOwner) {
    FFont.OnChange.Assign(this, &TControl::FontChangeHandler);
}

TControl::~TControl() {
    MarkDestroying();
    Application.ControlDestroying(this);
    if (FParent) FParent->RemoveControl(this);
}

void TControl::SetParent(TWinControl* parent) {
    if (parent == FParent) return;
    if (parent == this) throw EComponentError("A control cannot be its own parent");
    if (FParent) FParent->RemoveControl(this);
    if (parent) parent->InsertControl(this);
}

TForm* TControl::ParentForm() const {
    const TControl* c = this;
    while (c->FParent) c = c->FParent;
    return dynamic_cast<TForm*>(const_cast<TControl*>(c));
}

void TControl::SetBounds(int left, int top, int width, int height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (left == FLeft && top == FTop && width == FWidth && height == FHeight) return;
    RECT old = BoundsRect();
    bool resized = width != FWidth || height != FHeight;
    bool moved = left != FLeft || top != FTop;
    FLeft = left;
    FTop = top;
    FWidth = width;
    FHeight = height;
    if (Loading()) return;
    BoundsChanged(old);
    if (moved) Moved();
    if (resized) Resize();
}

void TControl::BoundsChanged(const RECT& oldBounds) {
    if (FParent && FParent->HandleAllocated() && FVisible) {
        InvalidateRect(FParent->Handle(), &oldBounds, FALSE);
        RECT r = BoundsRect();
        InvalidateRect(FParent->Handle(), &r, FALSE);
    }
}

POINT TControl::OriginInWindow() const {
    if (IsWindowed() || !FParent) return {0, 0};
    POINT p = FParent->OriginInWindow();
    return {p.x + FLeft, p.y + FTop};
}

POINT TControl::ClientToScreen(POINT p) const {
    if (IsWindowed()) {
        auto* self = static_cast<TWinControl*>(const_cast<TControl*>(this));
        ::ClientToScreen(self->Handle(), &p);
        return p;
    }
    if (!FParent) return p;
    return FParent->ClientToScreen({p.x + FLeft, p.y + FTop});
}

POINT TControl::ScreenToClient(POINT p) const {
    POINT origin = ClientToScreen({0, 0});
    return {p.x - origin.x, p.y - origin.y};
}

void TControl::SetAlign(TAlign align) {
    if (align == FAlign) return;
    FAlign = align;
    if (FParent) FParent->AlignControls();
}

void TControl::SetVisible(bool visible) {
    if (visible == FVisible) return;
    FVisible = visible;
    VisibilityApplied();
    if (FParent) FParent->AlignControls();
    VisibleChanged();
}

bool TControl::Showing() const {
    for (const TControl* c = this; c; c = c->FParent)
        if (!c->FVisible) return false;
    return true;
}

void TControl::Loaded() {
    TComponent::Loaded();
    Invalidate();
}

void TControl::VisibilityApplied() {
    if (FParent && FParent->HandleAllocated()) {
        RECT r = BoundsRect();
        InvalidateRect(FParent->Handle(), &r, FALSE);
    }
}

void TControl::SetEnabled(bool enabled) {
    if (enabled == FEnabled) return;
    FEnabled = enabled;
    EnabledApplied();
    EnabledChanged();
}

void TControl::SetCaption(const std::string& caption) {
    if (caption == FCaption) return;
    FCaption = caption;
    if (!Loading()) TextChanged();
}

void TControl::FontChangeHandler(TObject*) {
    if (!FUpdatingFont) FParentFont = false;
    if (Loading()) return;
    FontChanged();
    if (IsWindowed()) {
        auto* self = static_cast<TWinControl*>(this);
        for (int i = 0; i < self->ControlCount(); ++i) self->Controls(i)->NotifyParentFontChanged();
    }
}

void TControl::NotifyParentFontChanged() {
    if (FParentFont && FParent) {
        FUpdatingFont = true;
        FFont = FParent->Font();
        FUpdatingFont = false;
    }
    ParentFontChanged();
}

void TControl::SetParentFont(bool value) {
    FParentFont = value;
    if (value && FParent) NotifyParentFontChanged();
}

void TControl::SetColor(TColor color) {
    if (color == FColor) return;
    FColor = color;
    FParentColor = false;
    if (Loading()) return;
    ColorChanged();
    if (IsWindowed()) {
        auto* self = static_cast<TWinControl*>(this);
        for (int i = 0; i < self->ControlCount(); ++i)
            self->Controls(i)->NotifyParentColorChanged();
    }
}

void TControl::NotifyParentColorChanged() {
    if (FParentColor && FParent && FColor != FParent->Color()) {
        FColor = FParent->Color();
        if (!Loading()) ColorChanged();
    }
    ParentColorChanged();
}

void TControl::SetParentColor(bool value) {
    FParentColor = value;
    if (value && FParent) NotifyParentColorChanged();
}

void TControl::SetCursor(TCursor cursor) {
    FCursor = cursor;
}

void TControl::Invalidate() {
    if (!FParent || !FVisible || !FParent->HandleAllocated()) return;
    RECT r = BoundsRect();
    InvalidateRect(FParent->Handle(), &r, FALSE);
}

void TControl::Update() {
    if (FParent) FParent->Update();
}

void TControl::Repaint() {
    Invalidate();
    Update();
}

bool TControl::MouseCapture() const {
    return Application.CaptureControl() == this;
}

void TControl::SetMouseCapture(bool capture) {
    // Windowless controls capture through their parent's window, which routes to them.
    TWinControl* window = IsWindowed() ? static_cast<TWinControl*>(this) : FParent;
    if (capture) {
        Application.SetCaptureControl(this);
        if (window) SetCapture(window->Handle());
    } else if (MouseCapture()) {
        Application.SetCaptureControl(nullptr);
        ReleaseCapture();
    }
}

bool TControl::MouseInControl() const {
    return Application.MouseControl() == this;
}

void TControl::Click() {
    OnClick(this);
}

void TControl::DispatchMouseDown(TMouseButton button, TShiftState shift, int x, int y, bool dbl) {
    if (button == mbLeft) FClickPending = FClickEvents && !dbl;
    if (dbl) {
        shift |= ssDouble;
        DblClick();
    }
    MouseDown(button, shift, x, y);
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseMove(TShiftState shift, int x, int y) {
    OnMouseMove(this, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    OnMouseUp(this, button, shift, x, y);
    // A click: the press began on this control and the release lies in its client area.
    if (button == mbLeft && FClickPending) {
        FClickPending = false;
        if (Inside(this, x, y)) Click();
    }
}

}  // namespace tk
