#include "toolkit/ExtCtrls.h"

#include "toolkit/Application.h"

namespace tk {

// ======================= TPanel =======================

TPanel::TPanel(TComponent* AOwner) : TCustomControl(AOwner) {
    SetBounds(0, 0, 185, 41);
}

void TPanel::SetBevelOuter(TBevelCut value) {
    if (value == FBevelOuter) return;
    FBevelOuter = value;
    Invalidate();
}

void TPanel::SetShowCaption(bool value) {
    if (value == FShowCaption) return;
    FShowCaption = value;
    Invalidate();
}

void TPanel::Paint() {
    RECT r = ClientRect();
    if (FBevelOuter != bvNone) {
        DrawEdge(Canvas().Handle(), &r, FBevelOuter == bvRaised ? BDR_RAISEDINNER : BDR_SUNKENOUTER,
                 BF_RECT);
    }
    if (FShowCaption && !Caption().empty())
        Canvas().TextRect(r, Caption(), DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

// ======================= TTimer =======================

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner) {
    UpdateTimer();
}

TTimer::~TTimer() {
    StopTimer();
}

void TTimer::SetEnabled(bool value) {
    if (value == FEnabled) return;
    FEnabled = value;
    UpdateTimer();
}

void TTimer::SetInterval(unsigned milliseconds) {
    if (milliseconds == FInterval) return;
    FInterval = milliseconds;
    UpdateTimer();
}

void TTimer::StopTimer() {
    if (FTimerId) {
        KillTimer(Application.UtilityWindow(), FTimerId);
        FTimerId = 0;
    }
}

void TTimer::UpdateTimer() {
    StopTimer();
    if (!FEnabled || FInterval == 0 || Loading() || Destroying()) return;
    // The timer's id is this object's address, so the utility window finds it directly.
    FTimerId =
        SetTimer(Application.UtilityWindow(), reinterpret_cast<UINT_PTR>(this), FInterval, nullptr);
}

}  // namespace tk
