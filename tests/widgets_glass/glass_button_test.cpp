// The glass button control on a real form under wine: mouse, keys, group, and what it draws
// (captured through the toolkit's PaintInto, which is what the window's paint composes).
#include <gtest/gtest.h>

#include <memory>

#include "glass_pixels.h"
#include "toolkit/Application.h"
#include "toolkit/Forms.h"
#include "widgets/GlassButton.h"

using namespace quill::widgets;

using quill::widgets::TGlassButton;

namespace {

constexpr int kLaterHeight = 49, kDownloadHeight = 65, kWidth = 129;

class GlassButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        tk::Application.Initialize();
        form = std::make_unique<tk::TForm>(nullptr);
        form->SetBorderStyle(tk::bsSingle);
        form->SetCaption("Glass button test");
        form->SetBounds(20, 20, 560, 420);
    }
    void TearDown() override { form.reset(); }

    // Both dialog buttons carry these colours.
    TGlassButton* AddButton(int left, int top, int height, tk::TColor back, const char* caption) {
        auto* b = new TGlassButton(form.get());
        b->SetParent(form.get());
        b->SetBounds(left, top, kWidth, height);
        b->SetCaption(caption);
        b->SetBackColor(back);
        b->SetForeColor(tk::clWhite);
        b->SetGlowColor(16760205);
        b->SetInnerBorderColor(tk::clBlack);
        b->SetOuterBorderColor(tk::clWhite);
        b->SetShineColor(tk::clWhite);
        b->OnClick.Assign([this, b](tk::TObject* sender) {
            EXPECT_EQ(sender, b);
            ++clicks;
        });
        return b;
    }
    TGlassButton* DownloadButton() {
        auto* b = AddButton(368, 160, kDownloadHeight, tk::clLime, "Descarca actualizarea");
        b->SetStyle(TToolButtonStyle::tasCheck);
        return b;
    }
    TGlassButton* LaterButton() { return AddButton(376, 264, kLaterHeight, 33023, "Mai tarziu"); }

    void ShowForm() {
        form->Show();
        tk::Application.ProcessMessages();
    }

    static std::unique_ptr<PixelCanvas> Capture(TGlassButton* b, const char* png = nullptr) {
        auto canvas = std::make_unique<PixelCanvas>(b->Width(), b->Height(), RGB(255, 0, 255));
        b->PaintInto(canvas->dc());
        if (png) {
            EXPECT_TRUE(canvas->SavePng(png)) << png;
        }
        return canvas;
    }

    static void Mouse(TGlassButton* b, UINT msg, int x, int y) {
        const WPARAM keys =
            msg == WM_LBUTTONUP ? 0 : (msg == WM_MOUSEMOVE ? MK_LBUTTON : MK_LBUTTON);
        SendMessageA(b->Handle(), msg, keys, MAKELPARAM(WORD(short(x)), WORD(short(y))));
    }
    static void ClickAt(TGlassButton* b, int x, int y) {
        Mouse(b, WM_LBUTTONDOWN, 10, 10);
        Mouse(b, WM_MOUSEMOVE, x, y);
        Mouse(b, WM_LBUTTONUP, x, y);
    }
    // Blue at the bottom centre: the glass has no blue of its own there, the glow brings it.
    static int GlowBlue(const PixelCanvas& c) { return c.At(c.width() / 2, c.height() - 6).b; }

    std::unique_ptr<tk::TForm> form;
    int clicks = 0;
};

TEST_F(GlassButtonTest, DefaultsOfANewButton) {
    TGlassButton b(nullptr);
    EXPECT_EQ(b.Width(), 100);
    EXPECT_EQ(b.Height(), 32);
    EXPECT_EQ(b.CornerRadius(), 4);
    EXPECT_EQ(b.BackColor(), 0);
    EXPECT_EQ(b.GlowColor(), 16760205);
    EXPECT_EQ(b.OuterBorderColor(), 16777215);
    EXPECT_EQ(b.InnerBorderColor(), 0);
    EXPECT_EQ(b.BackGroundSymbolColor(), 16777215);
    EXPECT_EQ(b.BackGroundSymbol(), TBackGroundSymbol::bsNone);
    EXPECT_EQ(b.AntiAlias(), TAntiAlias::aaClearType);
    EXPECT_EQ(b.Layout(), TButtonLayout::blGlyphLeft);
    EXPECT_EQ(b.Style(), TToolButtonStyle::tasButton);
    EXPECT_EQ(b.ShortCutHintPos(), TShortCutHintPos::shpTop);
    EXPECT_TRUE(b.ShowCaption());
    EXPECT_FALSE(b.ShowFocusRect());
    EXPECT_FALSE(b.TabStop());
    EXPECT_TRUE(b.ParentFont());
    EXPECT_EQ(b.Font().Name(), "Tahoma");
    EXPECT_FALSE(b.HoverTimerEnabled());
    b.SetVersion("9.9");
    EXPECT_EQ(b.Version(), "1.2.2.0");
}

TEST_F(GlassButtonTest, DownStoredWithTheFormIsAppliedAfterLoading) {
    form->BeginLoad();
    TGlassButton* download = DownloadButton();
    download->SetDown(true);
    EXPECT_FALSE(download->Down());
    form->EndLoad();
    EXPECT_TRUE(download->Down());
    EXPECT_EQ(download->State(), TGlassButtonState::Down);
}

TEST_F(GlassButtonTest, HoldingGlowsEvenOffTheButtonAndReleasingOutsideDoesNotClick) {
    TGlassButton* later = LaterButton();
    ShowForm();
    const auto up = Capture(later, "glass_dialog_later.png");
    ExpectShineBand(*up, 24);
    Mouse(later, WM_LBUTTONDOWN, 20, 20);
    EXPECT_TRUE(later->Pressed());
    const auto held = Capture(later);
    EXPECT_GT(GlowBlue(*held), GlowBlue(*up) + 40);
    Mouse(later, WM_MOUSEMOVE, 400, 300);
    EXPECT_EQ(later->State(), TGlassButtonState::Up);
    EXPECT_EQ(GlowBlue(*Capture(later)), GlowBlue(*held)) << "dragged off, still held";
    Mouse(later, WM_LBUTTONUP, 400, 300);
    EXPECT_EQ(clicks, 0);
    EXPECT_EQ(GlowBlue(*Capture(later)), GlowBlue(*up));
    EXPECT_FALSE(later->Down());

    ClickAt(later, 30, 30);
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(later->Down()) << "a push button never stays down";
}

TEST_F(GlassButtonTest, ReleaseOnTheBottomRowCountsAsInsideForTheState) {
    TGlassButton* b = LaterButton();
    b->SetGroupIndex(1);
    ShowForm();
    ClickAt(b, 30, kLaterHeight);
    EXPECT_TRUE(b->Down());
    EXPECT_EQ(clicks, 0) << "the toolkit's click stops at the last row";
    TGlassButton* other = AddButton(10, 10, kLaterHeight, tk::clRed, "other");
    other->SetGroupIndex(1);
    ClickAt(other, 30, kLaterHeight + 1);
    EXPECT_FALSE(other->Down());
    EXPECT_TRUE(b->Down());
}

TEST_F(GlassButtonTest, CheckButtonStaysDownAndKeepsTheGlowWhenDisabled) {
    TGlassButton* download = DownloadButton();
    ShowForm();
    const auto up = Capture(download, "glass_dialog_download_up.png");
    ExpectShineBand(*up, 32);
    EXPECT_EQ(TextBands(*up, IsDarkInk), 1);
    ClickAt(download, 40, 30);
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(download->Down());
    const auto down = Capture(download, "glass_dialog_download_down.png");
    EXPECT_GT(GlowBlue(*down), GlowBlue(*up) + 40);
    download->SetEnabled(false);
    const auto disabled = Capture(download, "glass_dialog_download_disabled.png");
    EXPECT_EQ(GlowBlue(*disabled), GlowBlue(*down));
    EXPECT_EQ(TextBands(*disabled, IsDarkInk), 0);
    EXPECT_EQ(TextBands(*disabled, IsGreyInk), 1);
    download->SetEnabled(true);
    ClickAt(download, 40, 30);
    EXPECT_FALSE(download->Down());
    EXPECT_EQ(GlowBlue(*Capture(download)), GlowBlue(*up));
}

TEST_F(GlassButtonTest, HoveringChangesNoPixel) {
    TGlassButton* b = DownloadButton();
    ShowForm();
    const auto before = Capture(b);
    b->DispatchMouseEnter();
    EXPECT_TRUE(b->Hot());
    EXPECT_TRUE(b->HoverTimerEnabled());
    const auto hovered = Capture(b);
    for (int y = 0; y < b->Height(); ++y)
        for (int x = 0; x < b->Width(); ++x)
            ASSERT_EQ(hovered->At(x, y), before->At(x, y)) << x << "," << y;
    // The cursor is nowhere near: the hover timer notices and switches itself off.
    SetCursorPos(0, 0);
    for (int i = 0; i < 50 && b->HoverTimerEnabled(); ++i) {
        Sleep(5);
        tk::Application.ProcessMessages();
    }
    EXPECT_FALSE(b->HoverTimerEnabled());
    EXPECT_FALSE(b->Hot());
}

TEST_F(GlassButtonTest, SpaceEnterAcceleratorAndCommandClickWithoutToggling) {
    TGlassButton* b = DownloadButton();
    b->SetCaption("&Descarca actualizarea");
    b->SetTabStop(true);
    ShowForm();
    b->SetFocus();
    tk::Application.ProcessMessages();
    ASSERT_TRUE(b->Focused());

    SendMessageA(b->Handle(), WM_CHAR, ' ', 0);
    EXPECT_EQ(clicks, 1);
    MSG enter{b->Handle(), WM_KEYDOWN, VK_RETURN, 0, 0, {}};
    EXPECT_TRUE(form->PreProcessKey(enter));
    EXPECT_EQ(clicks, 2);
    MSG accel{b->Handle(), WM_SYSCHAR, 'd', 0, 0, {}};
    EXPECT_TRUE(form->PreProcessKey(accel));
    EXPECT_EQ(clicks, 3);
    SendMessageA(form->Handle(), WM_COMMAND, MAKEWPARAM(0, BN_CLICKED),
                 reinterpret_cast<LPARAM>(b->Handle()));
    EXPECT_EQ(clicks, 4);
    EXPECT_FALSE(b->Down()) << "keyboard clicks do not toggle";

    form->SetFocus();  // Enter on an unfocused button is not its business
    tk::Application.ProcessMessages();
    ASSERT_FALSE(b->Focused());
    EXPECT_FALSE(form->PreProcessKey(enter));
    EXPECT_EQ(clicks, 4);
}

TEST_F(GlassButtonTest, GroupOfThreeKeepsOneDown) {
    TGlassButton* buttons[3] = {AddButton(10, 10, 40, tk::clRed, "1"),
                                AddButton(150, 10, 40, tk::clRed, "2"),
                                AddButton(290, 10, 40, tk::clRed, "3")};
    for (auto* b : buttons) b->SetGroupIndex(5);
    TGlassButton* outsider = AddButton(10, 100, 40, tk::clRed, "4");
    outsider->SetGroupIndex(6);
    outsider->SetDown(true);
    ShowForm();
    for (int round = 0; round < 2; ++round) {
        for (int i : {1, 0, 2, 2}) {
            ClickAt(buttons[i], 20, 20);
            for (int j = 0; j < 3; ++j) EXPECT_EQ(buttons[j]->Down(), j == i) << i << " " << j;
            EXPECT_EQ(buttons[i]->State(), TGlassButtonState::Exclusive);
        }
    }
    EXPECT_TRUE(outsider->Down());
    buttons[0]->SetAllowAllUp(true);
    EXPECT_TRUE(buttons[2]->AllowAllUp()) << "the group shares AllowAllUp";
    ClickAt(buttons[2], 20, 20);
    EXPECT_FALSE(buttons[2]->Down());
}

TEST_F(GlassButtonTest, NegativeCornerRadiusIsRefused) {
    TGlassButton* b = LaterButton();
    ShowForm();
    const auto rounded = Capture(b);
    b->SetCornerRadius(-1);
    EXPECT_EQ(b->CornerRadius(), 4);
    b->SetCornerRadius(0);
    EXPECT_EQ(b->CornerRadius(), 0);
    const auto square = Capture(b);
    // The outer border's corner pixel: background with round corners, white when square.
    EXPECT_EQ(square->At(0, 0), (Rgb{255, 255, 255}));
    EXPECT_NE(rounded->At(0, 0), (Rgb{255, 255, 255}));
}

TEST_F(GlassButtonTest, BackslashNCaptionDrawsTwoLines) {
    TGlassButton* b = LaterButton();
    ShowForm();
    EXPECT_EQ(TextBands(*Capture(b), IsDarkInk), 1);
    b->SetCaption("Mai\\ntarziu");
    EXPECT_EQ(TextBands(*Capture(b, "glass_dialog_two_lines.png"), IsDarkInk), 2);
    b->SetShowCaption(false);
    EXPECT_EQ(TextBands(*Capture(b), IsDarkInk), 0);
}

TEST_F(GlassButtonTest, ParentShowsThroughAndTheWindowPaintsTheSame) {
    form->SetColor(tk::clRed);
    TGlassButton* b = LaterButton();
    b->SetBackColor(tk::clBlack);
    ShowForm();
    const auto composed = Capture(b);
    // Black at alpha 127 over the red form: half red, outside the shine.
    const Rgb body = composed->At(5, kLaterHeight - 8);
    EXPECT_NEAR(body.r, 128, 10);
    EXPECT_LT(body.g, 10);
    UpdateWindow(b->Handle());
    PixelCanvas window(b->Width(), b->Height(), RGB(0, 0, 255));
    window.CaptureClient(b->Handle());
    EXPECT_EQ(window.At(5, kLaterHeight - 8), body);
    EXPECT_EQ(window.At(64, 10), composed->At(64, 10));
}

TEST_F(GlassButtonTest, ForceTransparentPaintsOverlappingSiblingsUnderneath) {
    TGlassButton* under = AddButton(100, 100, 60, tk::clBlue, "");
    TGlassButton* over = AddButton(160, 110, 60, tk::clRed, "");
    ShowForm();
    const int x = 20, y = 20;  // inside `over` and the overlap; y + 20 is below the shine
    const auto plain = Capture(over);
    over->SetForceTransparent(true);
    const auto seeThrough = Capture(over, "glass_force_transparent.png");
    // Blue glass under red glass: the face's green and red are halved once more.
    EXPECT_LT(seeThrough->At(x, y + 20).g + 30, plain->At(x, y + 20).g) << "the sibling shows";
    EXPECT_LT(seeThrough->At(x, y + 20).r + 30, plain->At(x, y + 20).r);
    EXPECT_EQ(seeThrough->At(100, 50), plain->At(100, 50)) << "outside the overlap";
    (void)under;
}

}  // namespace
