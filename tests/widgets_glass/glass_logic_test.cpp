#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "widgets/GlassButtonLogic.h"

using namespace quill::widgets;

namespace {

// Stands for the control and its parent: counts repaints and delivers the group
// notification to every button of the same "parent".
struct FakeButton : GlassButtonHost {
    explicit FakeButton(std::vector<FakeButton*>* siblings = nullptr) : siblings(siblings) {
        if (siblings) siblings->push_back(this);
    }
    void RequestPaint() override { ++invalidates; }
    void PaintNow() override { ++repaints; }
    void NotifyGroup(int groupIndex, const GlassButtonLogic& sender) override {
        ++notifications;
        if (!siblings) return;
        for (FakeButton* b : *siblings) b->logic.GroupChanged(groupIndex, sender);
    }
    void UncheckAction() override { ++actionUnchecks; }

    std::vector<FakeButton*>* siblings;
    GlassButtonLogic logic{*this};
    int invalidates = 0, repaints = 0, notifications = 0, actionUnchecks = 0;
};

constexpr int W = 129, H = 65;

void ClickAt(GlassButtonLogic& b, int x, int y) {
    b.LeftButtonDown();
    b.MouseMove(x, y, W, H);
    b.LeftButtonUp(x, y, W, H);
}

TEST(GlassSetDown, PlainPushButtonNeverStaysDown) {
    FakeButton b;
    b.logic.SetDown(true);
    EXPECT_FALSE(b.logic.Down());
    EXPECT_EQ(b.logic.State(), TGlassButtonState::Up);
    EXPECT_EQ(b.invalidates + b.repaints, 0);
}

TEST(GlassSetDown, CheckButtonTogglesAtOnceWithoutTellingTheGroup) {
    std::vector<FakeButton*> parent;
    FakeButton b(&parent);
    b.logic.SetStyle(TToolButtonStyle::tasCheck);
    b.logic.SetGroupIndex(3);
    const int before = b.notifications;
    b.logic.SetDown(true);
    EXPECT_TRUE(b.logic.Down());
    EXPECT_EQ(b.logic.State(), TGlassButtonState::Down);
    EXPECT_EQ(b.repaints, 1);
    b.logic.SetDown(false);
    EXPECT_FALSE(b.logic.Down());
    EXPECT_EQ(b.logic.State(), TGlassButtonState::Up);
    EXPECT_EQ(b.repaints, 2);
    EXPECT_EQ(b.notifications, before);
}

struct GlassGroup : ::testing::Test {
    std::vector<FakeButton*> parent;
    FakeButton a{&parent}, b{&parent}, c{&parent}, other{&parent};
    void SetUp() override {
        for (FakeButton* x : {&a, &b, &c}) x->logic.SetGroupIndex(1);
        other.logic.SetGroupIndex(2);
    }
    int DownCount() const {
        int n = 0;
        for (const FakeButton* x : {&a, &b, &c}) n += x->logic.Down();
        return n;
    }
};

TEST_F(GlassGroup, KeepsExactlyOneDown) {
    a.logic.SetDown(true);
    EXPECT_TRUE(a.logic.Down());
    EXPECT_EQ(a.logic.State(), TGlassButtonState::Exclusive);
    b.logic.SetDown(true);
    EXPECT_FALSE(a.logic.Down());
    EXPECT_EQ(a.logic.State(), TGlassButtonState::Up);
    EXPECT_EQ(a.actionUnchecks, 1);
    EXPECT_TRUE(b.logic.Down());
    ClickAt(c.logic, 10, 10);
    EXPECT_TRUE(c.logic.Down());
    EXPECT_EQ(DownCount(), 1);
    other.logic.SetDown(true);  // another group leaves this one alone
    EXPECT_TRUE(c.logic.Down());
    EXPECT_TRUE(other.logic.Down());
}

TEST_F(GlassGroup, DownButtonStaysDownUnlessAllUpIsAllowed) {
    a.logic.SetDown(true);
    a.logic.SetDown(false);
    EXPECT_TRUE(a.logic.Down());
    ClickAt(a.logic, 10, 10);
    EXPECT_TRUE(a.logic.Down());
    EXPECT_EQ(a.logic.State(), TGlassButtonState::Exclusive);

    c.logic.SetAllowAllUp(true);  // spreads to the whole group
    EXPECT_TRUE(a.logic.AllowAllUp());
    EXPECT_TRUE(b.logic.AllowAllUp());
    EXPECT_FALSE(other.logic.AllowAllUp());
    ClickAt(a.logic, 10, 10);
    EXPECT_FALSE(a.logic.Down());
    EXPECT_EQ(DownCount(), 0);
}

TEST_F(GlassGroup, ReleaseOnTheBottomRowCountsAsInside) {
    ClickAt(a.logic, 5, H);
    EXPECT_TRUE(a.logic.Down());
    ClickAt(b.logic, 5, H + 1);
    EXPECT_FALSE(b.logic.Down());
    ClickAt(b.logic, W, 5);  // the right edge is outside
    EXPECT_FALSE(b.logic.Down());
    EXPECT_TRUE(a.logic.Down());
}

TEST_F(GlassGroup, GroupIndexChangeTellsTheNewGroup) {
    a.logic.SetAllowAllUp(true);
    other.logic.SetDown(true);
    EXPECT_TRUE(b.logic.AllowAllUp());
    // Joining group 2 copies nothing down from anyone, but the new member's AllowAllUp
    // reaches the members of group 2.
    a.logic.SetGroupIndex(2);
    EXPECT_TRUE(other.logic.AllowAllUp());
    EXPECT_TRUE(other.logic.Down());
}

TEST(GlassLoading, DownIsRememberedUntilLoaded) {
    FakeButton b;
    b.logic.SetStyle(TToolButtonStyle::tasCheck);
    b.logic.RememberDown(true);
    EXPECT_FALSE(b.logic.Down());
    EXPECT_EQ(b.repaints, 0);
    b.logic.Loaded();
    EXPECT_TRUE(b.logic.Down());
    EXPECT_EQ(b.logic.State(), TGlassButtonState::Down);
    b.logic.RememberDown(true);  // equal to Down: nothing to apply
    b.logic.Loaded();
    EXPECT_EQ(b.repaints, 1);
}

TEST(GlassMouse, GlowFollowsTheHeldButtonEvenOffTheButton) {
    FakeButton b;
    EXPECT_FALSE(b.logic.GlowVisible());
    b.logic.LeftButtonDown();
    EXPECT_TRUE(b.logic.GlowVisible());
    EXPECT_EQ(b.logic.State(), TGlassButtonState::Down);
    b.logic.MouseMove(W + 40, H + 40, W, H);
    EXPECT_EQ(b.logic.State(), TGlassButtonState::Up);
    EXPECT_TRUE(b.logic.GlowVisible()) << "still pressed";
    b.logic.MouseMove(3, 3, W, H);
    EXPECT_EQ(b.logic.State(), TGlassButtonState::Down);
    b.logic.MouseMove(W + 40, 3, W, H);
    b.logic.LeftButtonUp(W + 40, 3, W, H);
    EXPECT_FALSE(b.logic.GlowVisible());
    EXPECT_FALSE(b.logic.Down());
    EXPECT_FALSE(b.logic.Tracking());
}

TEST(GlassMouse, MoveWithoutAPressChangesNothing) {
    FakeButton b;
    b.logic.MouseMove(3, 3, W, H);
    EXPECT_EQ(b.logic.State(), TGlassButtonState::Up);
    EXPECT_EQ(b.invalidates, 0);
}

TEST(GlassMouse, CheckButtonClickStaysDownAndKeepsGlowWhenDisabled) {
    FakeButton b;
    b.logic.SetStyle(TToolButtonStyle::tasCheck);
    ClickAt(b.logic, 10, 10);
    EXPECT_TRUE(b.logic.Down());
    EXPECT_EQ(b.logic.ResolvePaintState(true), TGlassButtonState::Down);
    EXPECT_TRUE(b.logic.GlowVisible());
    EXPECT_EQ(b.logic.ResolvePaintState(false), TGlassButtonState::Down);
    EXPECT_TRUE(b.logic.GlowVisible());
    ClickAt(b.logic, 10, 10);
    EXPECT_FALSE(b.logic.Down());
    EXPECT_EQ(b.logic.ResolvePaintState(true), TGlassButtonState::Up);
    EXPECT_FALSE(b.logic.GlowVisible());
}

TEST(GlassMouse, HotIsClearedByARelease) {
    FakeButton b;
    b.logic.MouseEnter();
    EXPECT_TRUE(b.logic.Hot());
    ClickAt(b.logic, 10, 10);
    EXPECT_FALSE(b.logic.Hot());
}

TEST(GlassPaintState, DisablingStopsTrackingAndEnablingRestoresTheGroupState) {
    std::vector<FakeButton*> parent;
    FakeButton b(&parent);
    b.logic.SetGroupIndex(4);
    b.logic.SetDown(true);
    b.logic.LeftButtonDown();
    EXPECT_EQ(b.logic.ResolvePaintState(false), TGlassButtonState::Disabled);
    EXPECT_FALSE(b.logic.Tracking());
    EXPECT_TRUE(b.logic.GlowVisible()) << "a down button keeps its glow while disabled";
    EXPECT_EQ(b.logic.ResolvePaintState(true), TGlassButtonState::Exclusive);

    FakeButton plain;
    plain.logic.ResolvePaintState(false);
    EXPECT_EQ(plain.logic.ResolvePaintState(true), TGlassButtonState::Up);
    EXPECT_FALSE(plain.logic.GlowVisible());
}

TEST(GlassPicture, ChoiceFollowsStateAndFallsBackToNormal) {
    FakeButton b;
    const GlassPictureAvailability all{true, true, true}, none{};
    EXPECT_EQ(b.logic.ChoosePicture(false, all), GlassPictureKind::Disabled);
    EXPECT_EQ(b.logic.ChoosePicture(false, none), GlassPictureKind::Normal);
    EXPECT_EQ(b.logic.ChoosePicture(true, all), GlassPictureKind::Normal);
    b.logic.MouseEnter();
    EXPECT_EQ(b.logic.ChoosePicture(true, all), GlassPictureKind::Hot);
    b.logic.LeftButtonDown();
    EXPECT_EQ(b.logic.ChoosePicture(true, all), GlassPictureKind::Down);
    EXPECT_EQ(b.logic.ChoosePicture(true, {true, false, false}), GlassPictureKind::Hot);
}

TEST(GlassCaption, BackslashNBecomesALineBreakInEitherCase) {
    EXPECT_EQ(GlassCaptionText("Mai\\ntarziu", true), "Mai\n\rtarziu");
    EXPECT_EQ(GlassCaptionText("a\\Nb\\nc", true), "a\n\rb\n\rc");
    EXPECT_EQ(GlassCaptionText("a\\\\nb", true), "a\\\n\rb");
    EXPECT_EQ(GlassCaptionText("end\\", true), "end\\");
    EXPECT_EQ(GlassCaptionText("a\\tb", true), "a\\tb");
    EXPECT_EQ(GlassCaptionText("Mai\\ntarziu", false), "");
}

}  // namespace
