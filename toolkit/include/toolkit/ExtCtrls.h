// A plain panel and timers.
#pragma once

#include "toolkit/Controls.h"
#include "toolkit/Forms.h"

namespace tk {

enum TBevelCut { bvNone, bvLowered, bvRaised };

// A plain container: fills with Color, an optional bevel, an optional centred caption.
class TPanel : public TCustomControl {
public:
    explicit TPanel(TComponent* AOwner);

    TBevelCut BevelOuter() const { return FBevelOuter; }
    void SetBevelOuter(TBevelCut value);
    bool ShowCaption() const { return FShowCaption; }
    void SetShowCaption(bool value);

protected:
    void Paint() override;

private:
    TBevelCut FBevelOuter = bvRaised;
    bool FShowCaption = true;
};

// Raises OnTimer every Interval milliseconds on the GUI thread while Enabled and assigned.
class TTimer : public TComponent {
public:
    explicit TTimer(TComponent* AOwner);
    ~TTimer() override;

    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value);
    unsigned Interval() const { return FInterval; }
    void SetInterval(unsigned milliseconds);

    TNotifyEvent OnTimer;

    // Called by the application's utility window.
    void Tick() { OnTimer(this); }

protected:
    void Loaded() override { UpdateTimer(); }

private:
    void UpdateTimer();
    void StopTimer();

    bool FEnabled = true;
    unsigned FInterval = 1000;
    UINT_PTR FTimerId = 0;
};

}  // namespace tk
