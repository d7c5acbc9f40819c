// TGraphicControl: a control without a window, painted by its parent.
#include "toolkit/Controls.h"

namespace tk {

TGraphicControl::TGraphicControl(TComponent* AOwner) : TControl(AOwner) {
    SetParentColor(true);
}

void TGraphicControl::PaintOn(HDC dc) {
    FCanvas.SetHandle(dc);
    FCanvas.Font = Font();
    FCanvas.BrushColor = Color();
    Paint();
    FCanvas.SetHandle(nullptr);
}

void TGraphicControl::RepaintOpaque() {
    TWinControl* parent = Parent();
    if (!parent || !Visible() || !parent->HandleAllocated() || !IsWindowVisible(parent->Handle()))
        return;
    const RECT r = BoundsRect();
    bool above = false;
    for (int i = 0; i < parent->ControlCount(); ++i) {
        TControl* c = parent->Controls(i);
        if (c == this) {
            above = true;
        } else if (above && !c->IsWindowed() && c->Visible()) {
            RECT overlap, other = c->BoundsRect();
            if (IntersectRect(&overlap, &r, &other)) return Repaint();
        }
    }
    TWindowDC dc(parent->Handle());
    IntersectClipRect(dc.Get(), r.left, r.top, r.right, r.bottom);
    SetViewportOrgEx(dc.Get(), r.left, r.top, nullptr);
    PaintOn(dc.Get());
}

}  // namespace tk
