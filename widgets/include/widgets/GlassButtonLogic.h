#pragma once
// The glass button's behaviour without any window: the Down / group rules, the mouse
// state machine, the state the paint resolves, the picture choice and the caption text.
// The control forwards its events here and answers the host calls.

#include <optional>
#include <string>
#include <string_view>

#include "widgets/GlassButtonTypes.h"

namespace quill::widgets {

class GlassButtonLogic;

// What the logic asks of the control that hosts it.
class GlassButtonHost {
public:
    virtual ~GlassButtonHost() = default;
    virtual void RequestPaint() = 0;  // repaint when the system gets to it
    virtual void PaintNow() = 0;      // repaint at once
    // Tell every button of the same parent that `sender` changed its group state.
    virtual void NotifyGroup(int groupIndex, const GlassButtonLogic& sender) = 0;
    // A linked action's Checked goes False when a group sibling takes the down state.
    virtual void UncheckAction() {}
};

// Which of the button's pictures a paint shows.
enum class GlassPictureKind { Normal, Hot, Down, Disabled };

struct GlassPictureAvailability {
    bool hot = false;
    bool down = false;
    bool disabled = false;
};

class GlassButtonLogic {
public:
    explicit GlassButtonLogic(GlassButtonHost& host) : host_(host) {}

    bool Down() const { return down_; }
    TToolButtonStyle Style() const { return style_; }
    int GroupIndex() const { return groupIndex_; }
    bool AllowAllUp() const { return allowAllUp_; }
    TGlassButtonState State() const { return state_; }
    bool Pressed() const { return pressed_; }
    bool Tracking() const { return tracking_; }
    bool Hot() const { return hot_; }

    void SetDown(bool value);
    void SetStyle(TToolButtonStyle value) { style_ = value; }
    void SetGroupIndex(int value);
    void SetAllowAllUp(bool value);

    // While the form loads, Down is only remembered; Loaded applies it if it differs.
    void RememberDown(bool value) { rememberedDown_ = value; }
    void Loaded();

    // A sibling's group notification (see GlassButtonHost::NotifyGroup).
    void GroupChanged(int groupIndex, const GlassButtonLogic& sender);

    // The state the paint uses; a disabled button also stops tracking.
    TGlassButtonState ResolvePaintState(bool enabled);
    bool GlowVisible() const;
    GlassPictureKind ChoosePicture(bool enabled, GlassPictureAvailability available) const;

    void MouseEnter() { hot_ = true; }
    void MouseLeave() { hot_ = false; }
    // Left button down; the caller only calls it for an enabled button.
    void LeftButtonDown();
    void MouseMove(int x, int y, int clientWidth, int clientHeight);
    // Left button up, up to (not including) the hover re-check, the toolkit's click and
    // the final repaint, which the control runs itself. True when a tracked press ended
    // (the control then re-checks hover).
    bool LeftButtonUp(int x, int y, int clientWidth, int clientHeight);

    // The button's own idea of "inside": the bottom row (y == height) still counts.
    static bool InsideForState(int x, int y, int clientWidth, int clientHeight) {
        return x >= 0 && x < clientWidth && y >= 0 && y <= clientHeight;
    }

private:
    void NotifyGroup() {
        if (groupIndex_ != 0) host_.NotifyGroup(groupIndex_, *this);
    }

    GlassButtonHost& host_;
    bool down_ = false;
    TToolButtonStyle style_ = TToolButtonStyle::tasButton;
    int groupIndex_ = 0;
    bool allowAllUp_ = false;
    TGlassButtonState state_ = TGlassButtonState::Up;
    bool pressed_ = false;
    bool tracking_ = false;
    bool hot_ = false;
    std::optional<bool> rememberedDown_;
};

// The text the caption draws: empty when hidden, and every backslash + n (either case)
// becomes a line feed followed by a carriage return.
std::string GlassCaptionText(std::string_view caption, bool showCaption);

}  // namespace quill::widgets
