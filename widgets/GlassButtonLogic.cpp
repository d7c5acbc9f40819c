#include "widgets/GlassButtonLogic.h"

namespace quill::widgets {

void GlassButtonLogic::SetDown(bool value) {
    if (groupIndex_ == 0 && style_ == TToolButtonStyle::tasButton) value = false;
    if (style_ == TToolButtonStyle::tasCheck) {
        // A check button toggles freely and never talks to a group.
        down_ = value;
        state_ = value ? TGlassButtonState::Down : TGlassButtonState::Up;
        host_.PaintNow();
        return;
    }
    if (value == down_ || (down_ && !allowAllUp_)) return;
    down_ = value;
    if (value) {
        if (state_ == TGlassButtonState::Up) host_.RequestPaint();
        state_ = TGlassButtonState::Exclusive;
        NotifyGroup();
    } else {
        state_ = TGlassButtonState::Up;
        host_.PaintNow();
    }
}

void GlassButtonLogic::SetGroupIndex(int value) {
    if (value == groupIndex_) return;
    groupIndex_ = value;
    NotifyGroup();
}

void GlassButtonLogic::SetAllowAllUp(bool value) {
    if (value == allowAllUp_) return;
    allowAllUp_ = value;
    NotifyGroup();
}

void GlassButtonLogic::Loaded() {
    if (rememberedDown_ && *rememberedDown_ != down_) SetDown(*rememberedDown_);
    rememberedDown_.reset();
}

void GlassButtonLogic::GroupChanged(int groupIndex, const GlassButtonLogic& sender) {
    if (&sender == this || groupIndex == 0 || groupIndex != groupIndex_) return;
    if (sender.down_ && down_) {
        down_ = false;
        state_ = TGlassButtonState::Up;
        host_.UncheckAction();
        host_.RequestPaint();
    }
    // Copied straight into the field: going through the setter would echo the notification.
    allowAllUp_ = sender.allowAllUp_;
}

TGlassButtonState GlassButtonLogic::ResolvePaintState(bool enabled) {
    if (!enabled) {
        state_ = TGlassButtonState::Disabled;
        tracking_ = false;
    } else if (state_ == TGlassButtonState::Disabled) {
        state_ = down_ && groupIndex_ != 0 ? TGlassButtonState::Exclusive : TGlassButtonState::Up;
    }
    if (style_ == TToolButtonStyle::tasCheck && down_) state_ = TGlassButtonState::Down;
    return state_;
}

bool GlassButtonLogic::GlowVisible() const {
    return pressed_ || down_ || state_ == TGlassButtonState::Down ||
           state_ == TGlassButtonState::Exclusive;
}

GlassPictureKind GlassButtonLogic::ChoosePicture(bool enabled,
                                                 GlassPictureAvailability available) const {
    if (!enabled && available.disabled) return GlassPictureKind::Disabled;
    if (((pressed_ && hot_) || down_) && available.down) return GlassPictureKind::Down;
    if (hot_ && available.hot) return GlassPictureKind::Hot;
    return GlassPictureKind::Normal;
}

void GlassButtonLogic::LeftButtonDown() {
    pressed_ = true;
    if (!down_) {
        state_ = TGlassButtonState::Down;
        host_.RequestPaint();
    }
    if (style_ == TToolButtonStyle::tasCheck) {
        state_ = TGlassButtonState::Down;
        host_.PaintNow();
    }
    tracking_ = true;
}

void GlassButtonLogic::MouseMove(int x, int y, int clientWidth, int clientHeight) {
    if (!tracking_) return;
    TGlassButtonState next = down_ ? TGlassButtonState::Exclusive : TGlassButtonState::Up;
    if (InsideForState(x, y, clientWidth, clientHeight))
        next = down_ ? TGlassButtonState::Exclusive : TGlassButtonState::Down;
    if (style_ == TToolButtonStyle::tasCheck && down_) next = TGlassButtonState::Down;
    if (next != state_) {
        state_ = next;
        host_.RequestPaint();
    }
}

bool GlassButtonLogic::LeftButtonUp(int x, int y, int clientWidth, int clientHeight) {
    pressed_ = false;
    host_.RequestPaint();
    if (!tracking_) return false;
    tracking_ = false;
    const bool inside = InsideForState(x, y, clientWidth, clientHeight);
    if (groupIndex_ != 0) {
        if (inside) {
            SetDown(!down_);
            if (down_) host_.PaintNow();
        } else {
            if (down_) state_ = TGlassButtonState::Exclusive;
            host_.PaintNow();
        }
        return true;
    }
    state_ = TGlassButtonState::Up;
    hot_ = false;
    if (style_ == TToolButtonStyle::tasCheck) {
        SetDown(!down_);
        state_ = TGlassButtonState::Up;
    }
    if (inside && state_ != TGlassButtonState::Down && state_ != TGlassButtonState::Exclusive)
        host_.RequestPaint();
    return true;
}

std::string GlassCaptionText(std::string_view caption, bool showCaption) {
    std::string text;
    if (!showCaption) return text;
    text.reserve(caption.size() + 4);
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '\\' && i + 1 < caption.size() &&
            (caption[i + 1] == 'n' || caption[i + 1] == 'N')) {
            text += "\n\r";
            ++i;
        } else {
            text += caption[i];
        }
    }
    return text;
}

}  // namespace quill::widgets
