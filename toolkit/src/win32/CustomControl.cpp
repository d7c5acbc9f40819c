// TCustomControl: a windowed control that paints itself on a canvas.
#include "toolkit/Controls.h"

namespace tk {

TCustomControl::TCustomControl(TComponent* AOwner) : TWinControl(AOwner) {
}

void TCustomControl::PaintWindow(HDC dc) {
    FCanvas.SetHandle(dc);
    FCanvas.Font = Font();
    FCanvas.BrushColor = Color();
    Paint();
    FCanvas.SetHandle(nullptr);
}

}  // namespace tk
