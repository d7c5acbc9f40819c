#include "archive/ZADlg.h"

#include <windows.h>

#include <algorithm>

#include "archive/ZAMsgStr.h"
#include "toolkit/Application.h"
#include "toolkit/Handles.h"
#include "toolkit/StdCtrls.h"

namespace quill::archive {

namespace {
constexpr int kIconSize = 32;
constexpr int kPasswordMaxLength = 80;

struct KindAssets {
    LPCSTR Icon;  // nullptr: none
    UINT Sound;   // 0: none
};
KindAssets AssetsOf(ZipDialogKind kind) {
    switch (kind) {
        case ZipDialogKind::Warning:
            return {IDI_EXCLAMATION, MB_ICONEXCLAMATION};
        case ZipDialogKind::Error:
            return {IDI_HAND, MB_ICONHAND};
        case ZipDialogKind::Information:
            return {IDI_ASTERISK, MB_ICONASTERISK};
        case ZipDialogKind::Confirmation:
            return {IDI_QUESTION, MB_ICONQUESTION};
        case ZipDialogKind::Password:
            break;
    }
    return {nullptr, 0};
}

// The system icon of the dialog kind, drawn at 32 x 32.
class TZipDialogIcon : public tk::TGraphicControl {
public:
    TZipDialogIcon(tk::TComponent* AOwner, LPCSTR icon) : TGraphicControl(AOwner), FIcon(icon) {}

protected:
    void Paint() override {
        // Shared system icons need no destruction.
        if (HICON icon = LoadIconA(nullptr, FIcon)) DrawIcon(Canvas().Handle(), 0, 0, icon);
    }

private:
    LPCSTR FIcon;
};

// Pixel size of `text` in the given font: one line, or word-wrapped within `wrapWidth`.
SIZE MeasureText(HFONT font, const std::string& text, int wrapWidth) {
    tk::TWindowDC screen(nullptr);
    tk::TSelectObject selected(screen.Get(), font);
    RECT r{0, 0, wrapWidth > 0 ? wrapWidth : 0, 0};
    UINT flags = DT_CALCRECT | DT_NOPREFIX | (wrapWidth > 0 ? DT_WORDBREAK : DT_SINGLELINE);
    DrawTextA(screen.Get(), text.c_str(), int(text.size()), &r, flags);
    return {r.right - r.left, r.bottom - r.top};
}
}  // namespace

TZipDialogBox::TZipDialogBox(tk::TComponent* AOwner, uint32_t context)
    : TForm(AOwner), FContext(context), FKind(ZipDialogKindOf(context)) {
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof metrics;
    if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        Font().SetName(metrics.lfMessageFont.lfFaceName);
        Font().SetHeight(metrics.lfMessageFont.lfHeight);
    }
    MeasureAverageCharacter();
}

void TZipDialogBox::MeasureAverageCharacter() {
    static const char kSample[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZ abcdefghijklmnopqrstuvwxyz 0123456789";
    static_assert(sizeof kSample - 1 == 64);
    SIZE size = MeasureText(Font().Handle(), kSample, 0);
    FAvgCharWidth = size.cx / 64;
    FAvgCharHeight = size.cy;
}

void TZipDialogBox::Build(const std::string& title, const std::string& text,
                          TMsgDlgButtons buttons) {
    const bool password = FKind == ZipDialogKind::Password;
    const KindAssets assets = AssetsOf(FKind);
    SetBorderStyle(tk::bsDialog);
    SetCaption(title.empty() ? tk::Application.Title() : title);

    // Buttons first: their captions decide the button width.
    const std::vector<ZipDialogButton> specs = ZipDialogButtonsOf(buttons);
    const TMsgDlgBtn defaultButton = ZipDialogDefaultButton(buttons);
    const TMsgDlgBtn cancelButton = ZipDialogCancelButton(buttons);
    std::vector<tk::TButton*> created;
    int widestCaption = 0;
    int tabOrder = password ? 2 : 1;
    for (size_t i = 0; i < specs.size(); ++i) {
        auto* button = new tk::TButton(this);
        button->SetName("zmdlg" + std::to_string(i + 1));
        button->SetParent(this);
        const std::string caption = LoadZipText(specs[i].CaptionId);
        button->SetCaption(caption);
        button->SetModalResult(specs[i].ModalResult);
        button->SetDefault(specs[i].Button == defaultButton);
        button->SetCancel(specs[i].Button == cancelButton);
        button->SetTabStop(true);
        button->SetTabOrder(tabOrder++);
        widestCaption = std::max(widestCaption, int(MeasureText(Font().Handle(), caption, 0).cx));
        created.push_back(button);
    }

    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const SIZE textSize = MeasureText(Font().Handle(), text, screenWidth / 2);

    ZipDialogLayoutInput in;
    in.AvgCharWidth = FAvgCharWidth;
    in.AvgCharHeight = FAvgCharHeight;
    in.TextWidth = textSize.cx;
    in.TextHeight = textSize.cy;
    in.WidestCaption = widestCaption;
    in.ButtonCount = int(created.size());
    in.HasIcon = assets.Icon != nullptr;
    in.Password = password;
    if (password) {
        FEdit = new tk::TEdit(this);
        FEdit->SetName("zmdEdit");
        FEdit->SetParent(this);
        FEdit->SetPasswordChar('*');
        FEdit->SetMaxLength(kPasswordMaxLength);
        FEdit->SetTabStop(true);
        FEdit->SetTabOrder(1);
        in.EditHeight = FEdit->Height();
    }
    const ZipDialogLayout layout = ZipDialogLayoutFor(in);

    if (assets.Icon) {
        auto* icon = new TZipDialogIcon(this, assets.Icon);
        icon->SetParent(this);
        icon->SetBounds(layout.Icon.Left, layout.Icon.Top, layout.Icon.Width, layout.Icon.Height);
    }
    FText = new tk::TLabel(this);
    FText->SetName("zmdText");
    FText->SetParent(this);
    FText->SetAutoSize(false);
    FText->SetWordWrap(true);
    FText->SetCaption(text);
    FText->SetBounds(layout.Text.Left, layout.Text.Top, layout.Text.Width, layout.Text.Height);
    if (FEdit) {
        FEdit->SetBounds(layout.Edit.Left, layout.Edit.Top, layout.Edit.Width, layout.Edit.Height);
        SetActiveControl(FEdit);
    }
    for (size_t i = 0; i < created.size(); ++i) {
        const ZipDialogRect& r = layout.Buttons[i];
        created[i]->SetBounds(r.Left, r.Top, r.Width, r.Height);
    }
    SetClientSize(layout.ClientWidth, layout.ClientHeight);
    SetPosition(tk::poScreenCenter);
}

int TZipDialogBox::ShowModalBox() {
    if (UINT sound = AssetsOf(FKind).Sound) MessageBeep(sound);
    return ShowModal();
}

std::string TZipDialogBox::Password() {
    return FEdit ? FEdit->Text() : std::string();
}

}  // namespace quill::archive
