// The message-dialog button set of the archive dialog box and the platform-neutral parts of
// the box: its kinds, its buttons and its layout arithmetic.
#pragma once

#include <cstdint>
#include <vector>

#include "archive/EnumSet.h"

namespace quill::archive {

// Standard message-dialog buttons, in the order the box creates them.
enum TMsgDlgBtn : uint8_t {
    mbYes,
    mbNo,
    mbOK,
    mbCancel,
    mbAbort,
    mbRetry,
    mbIgnore,
    mbAll,
    mbNoToAll,
    mbYesToAll,
    mbHelp
};

using TMsgDlgButtons = TEnumSet<TMsgDlgBtn, uint16_t>;

// Modal results of the box's buttons.
namespace mr {
inline constexpr int None = 0, OK = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6,
                     No = 7, All = 8, NoToAll = 9, YesToAll = 10;
}

// Dialog kinds: bits 16 to 20 of a dialog's context number.
enum class ZipDialogKind { Warning, Error, Information, Confirmation, Password };

// Context numbers the archive component shows its boxes with.
namespace ZipDlgContext {
inline constexpr uint32_t Message = 0x122710;
inline constexpr uint32_t Exception = 0x112711;
inline constexpr uint32_t ExtractPassword = 0x142713;
inline constexpr uint32_t AddPassword = 0x142714;
inline constexpr uint32_t AddPasswordConfirm = 0x142715;
inline constexpr uint32_t DiskPrompt = 0x102719;
inline constexpr uint32_t LastDiskPrompt = 0x11271A;
}  // namespace ZipDlgContext

ZipDialogKind ZipDialogKindOf(uint32_t context);

// One button of the box: which member of the set, its caption's message id, its modal result.
struct ZipDialogButton {
    TMsgDlgBtn Button;
    int CaptionId;
    int ModalResult;
};

// The buttons of a set in creation order (a Help member gets none).
std::vector<ZipDialogButton> ZipDialogButtonsOf(TMsgDlgButtons buttons);
// OK when present, else Yes when present, else Retry (which may be absent).
TMsgDlgBtn ZipDialogDefaultButton(TMsgDlgButtons buttons);
// Cancel when present, else No when present, else OK.
TMsgDlgBtn ZipDialogCancelButton(TMsgDlgButtons buttons);

// Pixel sizes of the box, all derived from the average character size of its font.
struct ZipDialogMetrics {
    int HorzMargin, VertMargin, HorzSpacing, VertSpacing, ButtonWidth, ButtonHeight, ButtonGap;
};
// Multiplies then divides, rounding half away from zero as the platform's MulDiv does.
int ZipMulDiv(int number, int numerator, int denominator);
ZipDialogMetrics ZipDialogMetricsFor(int avgCharWidth, int avgCharHeight);

struct ZipDialogRect {
    int Left = 0, Top = 0, Width = 0, Height = 0;
};

// The box's client layout from the measured text and widest caption.
struct ZipDialogLayout {
    int ClientWidth = 0, ClientHeight = 0;
    ZipDialogRect Icon, Text, Edit;  // Icon/Edit have zero size when absent
    std::vector<ZipDialogRect> Buttons;
};
struct ZipDialogLayoutInput {
    int AvgCharWidth = 0, AvgCharHeight = 0;
    int TextWidth = 0, TextHeight = 0;  // word-wrapped text, measured by the platform
    int WidestCaption = 0;              // pixel width of the widest button caption
    int ButtonCount = 0;
    bool HasIcon = false;
    bool Password = false;
    int EditHeight = 0;
    bool RightToLeft = false;
};
ZipDialogLayout ZipDialogLayoutFor(const ZipDialogLayoutInput& in);

}  // namespace quill::archive
