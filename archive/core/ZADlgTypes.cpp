#include "archive/ZADlgTypes.h"

#include <algorithm>
#include <cstdlib>

#include "archive/ZAMsgStr.h"

namespace quill::archive {

ZipDialogKind ZipDialogKindOf(uint32_t context) {
    uint32_t kind = (context >> 16) & 0x1F;
    if (kind == 0) kind = 0x10;
    return ZipDialogKind(std::min<uint32_t>(kind & 7, 4));
}

std::vector<ZipDialogButton> ZipDialogButtonsOf(TMsgDlgButtons buttons) {
    static constexpr ZipDialogButton kAll[] = {
        {mbYes, ZS::BtnYes, mr::Yes},
        {mbNo, ZS::BtnNo, mr::No},
        {mbOK, ZS::BtnOK, mr::OK},
        {mbCancel, ZS::BtnCancel, mr::Cancel},
        {mbAbort, ZS::BtnAbort, mr::Abort},
        {mbRetry, ZS::BtnRetry, mr::Retry},
        {mbIgnore, ZS::BtnIgnore, mr::Ignore},
        {mbAll, ZS::BtnCancelAll, mr::All},
        {mbNoToAll, ZS::BtnNoToAll, mr::NoToAll},
        {mbYesToAll, ZS::BtnYesToAll, mr::YesToAll},
    };
    std::vector<ZipDialogButton> out;
    for (const ZipDialogButton& b : kAll)
        if (buttons.Contains(b.Button)) out.push_back(b);
    return out;
}

TMsgDlgBtn ZipDialogDefaultButton(TMsgDlgButtons buttons) {
    if (buttons.Contains(mbOK)) return mbOK;
    if (buttons.Contains(mbYes)) return mbYes;
    return mbRetry;
}

TMsgDlgBtn ZipDialogCancelButton(TMsgDlgButtons buttons) {
    if (buttons.Contains(mbCancel)) return mbCancel;
    if (buttons.Contains(mbNo)) return mbNo;
    return mbOK;
}

int ZipMulDiv(int number, int numerator, int denominator) {
    if (denominator == 0) return -1;
    int64_t product = int64_t(number) * numerator;
    int64_t half = std::llabs(denominator) / 2;
    int64_t rounded = (product < 0) == (denominator < 0)
                          ? (std::llabs(product) + half) / std::llabs(denominator)
                          : -((std::llabs(product) + half) / std::llabs(denominator));
    return int(rounded);
}

ZipDialogMetrics ZipDialogMetricsFor(int cx, int cy) {
    return {ZipMulDiv(8, cx, 4),  ZipMulDiv(8, cy, 8),  ZipMulDiv(10, cx, 4), ZipMulDiv(10, cy, 8),
            ZipMulDiv(50, cx, 4), ZipMulDiv(14, cy, 8), ZipMulDiv(4, cx, 4)};
}

ZipDialogLayout ZipDialogLayoutFor(const ZipDialogLayoutInput& in) {
    constexpr int kIconSize = 32;
    const ZipDialogMetrics m = ZipDialogMetricsFor(in.AvgCharWidth, in.AvgCharHeight);
    const int buttonWidth = std::max(m.ButtonWidth, in.WidestCaption + 8);
    const int buttonsWidth =
        in.ButtonCount > 0 ? in.ButtonCount * buttonWidth + (in.ButtonCount - 1) * m.ButtonGap : 0;

    const int iconShift = in.HasIcon ? kIconSize + m.HorzSpacing : 0;
    const int blockWidth = in.TextWidth + iconShift;
    const int blockHeight = in.HasIcon ? std::max(in.TextHeight, kIconSize) : in.TextHeight;
    int contentWidth = std::max(blockWidth, buttonsWidth);
    const int editWidth = in.Password ? std::max(80 * in.AvgCharWidth, in.TextWidth) : 0;
    contentWidth = std::max(contentWidth, editWidth);

    ZipDialogLayout out;
    out.ClientWidth = 2 * m.HorzMargin + contentWidth;
    out.ClientHeight = blockHeight + m.VertSpacing + 2 * m.VertMargin + m.ButtonHeight;
    if (in.Password) out.ClientHeight += in.EditHeight + m.VertMargin;

    // Places a box measured from the left margin, mirrored for right-to-left reading.
    auto place = [&](int fromLeft, int top, int width, int height) {
        int left = in.RightToLeft ? out.ClientWidth - fromLeft - width : fromLeft;
        return ZipDialogRect{left, top, width, height};
    };
    if (in.HasIcon) out.Icon = place(m.HorzMargin, m.VertMargin, kIconSize, kIconSize);
    out.Text = place(m.HorzMargin + iconShift, m.VertMargin, in.TextWidth, in.TextHeight);
    int buttonsTop = m.VertMargin + blockHeight + m.VertSpacing;
    if (in.Password) {
        out.Edit = place(m.HorzMargin + iconShift, m.VertMargin + blockHeight + m.VertMargin,
                         editWidth, in.EditHeight);
        buttonsTop += in.EditHeight + m.VertMargin;
    }
    int left = (out.ClientWidth - buttonsWidth) / 2;
    for (int i = 0; i < in.ButtonCount; ++i) {
        out.Buttons.push_back(place(left, buttonsTop, buttonWidth, m.ButtonHeight));
        left += buttonWidth + m.ButtonGap;
    }
    return out;
}

}  // namespace quill::archive
