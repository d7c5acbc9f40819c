// The archive dialog box's kinds, buttons and layout arithmetic.
#include <gtest/gtest.h>

#include "archive/ZADlgTypes.h"
#include "archive/ZAMsgStr.h"

using namespace quill::archive;

TEST(ZipDialogBox, KindsFromTheContext) {
    EXPECT_EQ(ZipDialogKindOf(ZipDlgContext::Message), ZipDialogKind::Information);
    EXPECT_EQ(ZipDialogKindOf(ZipDlgContext::Exception), ZipDialogKind::Error);
    EXPECT_EQ(ZipDialogKindOf(ZipDlgContext::ExtractPassword), ZipDialogKind::Password);
    EXPECT_EQ(ZipDialogKindOf(ZipDlgContext::DiskPrompt), ZipDialogKind::Warning);
    EXPECT_EQ(ZipDialogKindOf(ZipDlgContext::LastDiskPrompt), ZipDialogKind::Error);
    EXPECT_EQ(ZipDialogKindOf(0x2710), ZipDialogKind::Warning) << "kind 0 counts as 0x10";
    EXPECT_EQ(ZipDialogKindOf(0x132710), ZipDialogKind::Confirmation);
    EXPECT_EQ(ZipDialogKindOf(0x172710), ZipDialogKind::Password) << "7 is capped at 4";
    EXPECT_EQ(ZipDialogKindOf(0x092710), ZipDialogKind::Error) << "kind 9: 9 and 7 = 1";
    EXPECT_EQ(ZipDialogKindOf(0xE02710), ZipDialogKind::Warning) << "bits above 20 are ignored";
}

TEST(ZipDialogBox, ButtonsCaptionsResultsAndDefaults) {
    auto buttons = ZipDialogButtonsOf({mbAll, mbCancel, mbOK, mbHelp});
    ASSERT_EQ(buttons.size(), 3u) << "Help gets no button";
    EXPECT_EQ(LoadZipText(buttons[0].CaptionId), "&OK");
    EXPECT_EQ(LoadZipText(buttons[1].CaptionId), "&Cancel");
    EXPECT_EQ(LoadZipText(buttons[2].CaptionId), "CancelAll");
    EXPECT_EQ(buttons[0].ModalResult, 1);
    EXPECT_EQ(buttons[1].ModalResult, 2);
    EXPECT_EQ(buttons[2].ModalResult, 8);

    auto all = ZipDialogButtonsOf(
        {mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll});
    ASSERT_EQ(all.size(), 10u);
    const char* captions[] = {"&Yes",   "&No",     "&OK",       "&Cancel", "&Abort",
                              "&Retry", "&Ignore", "CancelAll", "NoToAll", "YesToAll"};
    const int results[] = {6, 7, 1, 2, 3, 4, 5, 8, 9, 10};
    for (size_t i = 0; i < all.size(); ++i) {
        EXPECT_EQ(LoadZipText(all[i].CaptionId), captions[i]);
        EXPECT_EQ(all[i].ModalResult, results[i]);
    }

    EXPECT_EQ(ZipDialogDefaultButton({mbYes, mbOK}), mbOK);
    EXPECT_EQ(ZipDialogDefaultButton({mbYes, mbNo}), mbYes);
    EXPECT_EQ(ZipDialogDefaultButton({mbAbort, mbIgnore}), mbRetry);
    EXPECT_EQ(ZipDialogCancelButton({mbOK, mbCancel, mbNo}), mbCancel);
    EXPECT_EQ(ZipDialogCancelButton({mbYes, mbNo}), mbNo);
    EXPECT_EQ(ZipDialogCancelButton({mbAbort}), mbOK);
}

TEST(ZipDialogBox, MulDivRoundsHalfAwayFromZero) {
    EXPECT_EQ(ZipMulDiv(10, 13, 8), 16);  // 16.25
    EXPECT_EQ(ZipMulDiv(14, 13, 8), 23);  // 22.75
    EXPECT_EQ(ZipMulDiv(1, 1, 2), 1);     // 0.5
    EXPECT_EQ(ZipMulDiv(-1, 1, 2), -1);
    EXPECT_EQ(ZipMulDiv(5, 3, 0), -1);
}

TEST(ZipDialogBox, LayoutFromTheAverageCharacterSize) {
    const ZipDialogMetrics m = ZipDialogMetricsFor(6, 13);
    EXPECT_EQ(m.HorzMargin, 12);
    EXPECT_EQ(m.VertMargin, 13);
    EXPECT_EQ(m.HorzSpacing, 15);
    EXPECT_EQ(m.VertSpacing, 16);
    EXPECT_EQ(m.ButtonWidth, 75);
    EXPECT_EQ(m.ButtonHeight, 23);
    EXPECT_EQ(m.ButtonGap, 6);

    ZipDialogLayoutInput in;
    in.AvgCharWidth = 6;
    in.AvgCharHeight = 13;
    in.TextWidth = 100;
    in.TextHeight = 13;
    in.WidestCaption = 40;
    in.ButtonCount = 3;
    in.HasIcon = true;
    ZipDialogLayout l = ZipDialogLayoutFor(in);
    // Buttons 3 * 75 + 2 * 6 = 237 are wider than the text block 100 + 32 + 15.
    EXPECT_EQ(l.ClientWidth, 2 * 12 + 237);
    EXPECT_EQ(l.ClientHeight, 32 + 16 + 2 * 13 + 23) << "the icon makes the block 32 high";
    EXPECT_EQ(l.Icon.Left, 12);
    EXPECT_EQ(l.Icon.Top, 13);
    EXPECT_EQ(l.Text.Left, 12 + 32 + 15);
    ASSERT_EQ(l.Buttons.size(), 3u);
    EXPECT_EQ(l.Buttons[0].Left, 12);
    EXPECT_EQ(l.Buttons[2].Left + l.Buttons[2].Width, l.ClientWidth - 12) << "centred row";
    EXPECT_EQ(l.Buttons[0].Top, 13 + 32 + 16);

    in.WidestCaption = 90;  // a long caption widens every button
    l = ZipDialogLayoutFor(in);
    EXPECT_EQ(l.Buttons[0].Width, 98);

    in.RightToLeft = true;
    l = ZipDialogLayoutFor(in);
    EXPECT_EQ(l.Icon.Left, l.ClientWidth - 12 - 32);
    EXPECT_EQ(l.Text.Left + l.Text.Width, l.ClientWidth - 12 - 32 - 15);
}

TEST(ZipDialogBox, PasswordLayoutHasAWideEdit) {
    ZipDialogLayoutInput in;
    in.AvgCharWidth = 6;
    in.AvgCharHeight = 13;
    in.TextWidth = 90;
    in.TextHeight = 13;
    in.WidestCaption = 40;
    in.ButtonCount = 2;
    in.Password = true;
    in.EditHeight = 21;
    ZipDialogLayout l = ZipDialogLayoutFor(in);
    EXPECT_EQ(l.Edit.Width, 480);
    EXPECT_EQ(l.ClientWidth, 2 * 12 + 480);
    EXPECT_EQ(l.Edit.Top, 13 + 13 + 13);
    EXPECT_EQ(l.ClientHeight, 13 + 16 + 2 * 13 + 23 + 21 + 13);
    EXPECT_EQ(l.Buttons[0].Top, l.Edit.Top + 21 + 16);
    EXPECT_EQ(l.Icon.Width, 0);
}
