#include "toolkit/StdCtrls.h"

#include <algorithm>
#include <vector>

namespace tk {

// ======================= TLabel =======================

TLabel::TLabel(TComponent* AOwner) : TGraphicControl(AOwner) {
    SetBounds(0, 0, 65, 17);
}

UINT TLabel::DrawFlags() const {
    UINT flags = DT_NOCLIP | DT_EXPANDTABS;
    flags |= FWordWrap ? DT_WORDBREAK : DT_SINGLELINE;
    if (FAlignment == taRightJustify) flags |= DT_RIGHT;
    if (FAlignment == taCenter) flags |= DT_CENTER;
    return flags;
}

void TLabel::Paint() {
    RECT r = ClientRect();
    TCanvas& canvas = Canvas();
    if (!FTransparent) {
        canvas.BrushColor = Color();
        canvas.FillRect(r);
    }
    if (!Enabled()) canvas.Font.SetColor(clGrayText);
    canvas.TextRect(r, Caption(), DrawFlags());
}

namespace {

// How far right the text's pixels really reach when drawn at x 0 in `font`. The rasteriser
// may draw past the advance widths the font reports: bold Tahoma under wine by 5 pixels in
// "1.0.0.0", which a label sized to the advance widths would cut off.
int InkWidth(const TFont& font, const std::string& text, UINT flags, const RECT& measured) {
    const int width = measured.right + measured.bottom + 8, height = measured.bottom + 4;
    TBitmap picture;
    picture.SetSize(width, height);
    RECT all{0, 0, width, height};
    ::FillRect(picture.DC(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    TSelectObject f(picture.DC(), font.Handle());
    SetBkMode(picture.DC(), TRANSPARENT);
    SetTextColor(picture.DC(), RGB(0, 0, 0));
    RECT r{0, 0, width, height};
    DrawTextA(picture.DC(), text.data(), static_cast<int>(text.size()), &r, flags);
    for (int x = width - 1; x >= 0; --x)
        for (int y = 0; y < height; ++y)
            if (GetPixel(picture.DC(), x, y) != RGB(255, 255, 255)) return x + 1;
    return 0;
}

}  // namespace

void TLabel::AdjustBounds() {
    if (!FAutoSize || Loading()) return;
    TCanvas measure;
    measure.Font = Font();
    RECT r{0, 0, FWordWrap ? Width() : 0, 0};
    std::string text = Caption().empty() ? std::string(" ") : Caption();
    HDC dc = measure.Handle();
    {
        TSelectObject f(dc, measure.Font.Handle());
        DrawTextA(dc, text.data(), static_cast<int>(text.size()), &r, DrawFlags() | DT_CALCRECT);
    }
    if (FWordWrap) {
        SetBounds(Left(), Top(), Width(), r.bottom);
        return;
    }
    // One blank column past the ink: the whole text shows, whatever the font reports.
    const int ink = InkWidth(measure.Font, text, DrawFlags() & ~(DT_RIGHT | DT_CENTER), r);
    SetBounds(Left(), Top(), std::max<int>(r.right, ink + 1), r.bottom);
}

void TLabel::SetTransparent(bool value) {
    if (value == FTransparent) return;
    FTransparent = value;
    Invalidate();
}

void TLabel::SetAutoSize(bool value) {
    if (value == FAutoSize) return;
    FAutoSize = value;
    AdjustBounds();
}

void TLabel::SetWordWrap(bool value) {
    if (value == FWordWrap) return;
    FWordWrap = value;
    AdjustBounds();
    Invalidate();
}

void TLabel::SetAlignment(TAlignment value) {
    if (value == FAlignment) return;
    FAlignment = value;
    Invalidate();
}

void TLabel::TextChanged() {
    AdjustBounds();
    Invalidate();
}

void TLabel::FontChanged() {
    AdjustBounds();
    Invalidate();
}

void TLabel::Loaded() {
    TGraphicControl::Loaded();
    AdjustBounds();
}

// ======================= TButton =======================

TButton::TButton(TComponent* AOwner) : TWinControl(AOwner) {
    SetBounds(0, 0, 75, 25);
    SetClickEvents(false);  // the system button reports its clicks (BN_CLICKED)
    SetTabStop(true);
}

void TButton::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.ClassName = "BUTTON";
    params.Style |= (FDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
}

void TButton::SetDefault(bool value) {
    if (value == FDefault) return;
    FDefault = value;
    if (HandleAllocated())
        SendMessageA(Handle(), BM_SETSTYLE, value ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

void TButton::Click() {
    if (FModalResult != mrNone)
        if (TForm* form = ParentForm()) form->SetModalResult(FModalResult);
    TWinControl::Click();
}

void TButton::Command(WORD notifyCode) {
    if (notifyCode == BN_CLICKED) Click();
}

void TButton::FocusChanged() {
    // The focused button shows the default frame, as dialogs do.
    if (HandleAllocated())
        SendMessageA(Handle(), BM_SETSTYLE,
                     (Focused() || FDefault) ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

bool TButton::DialogKey(WORD key, TShiftState shift) {
    if (!CanFocus() || (shift & (ssAlt | ssCtrl))) return false;
    if (key == VK_RETURN && (Focused() || FDefault)) {
        // A focused other button takes Enter itself (it is asked first).
        Click();
        return true;
    }
    if (key == VK_ESCAPE && FCancel) {
        Click();
        return true;
    }
    return false;
}

bool TButton::DialogChar(char ch) {
    if (!CanFocus() || !IsAccel(ch, Caption())) return false;
    SetFocus();
    Click();
    return true;
}

// ======================= TEdit =======================

TEdit::TEdit(TComponent* AOwner) : TWinControl(AOwner) {
    SetBounds(0, 0, 121, 21);
    SetColor(clWindow);
    SetTabStop(true);
}

void TEdit::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.ClassName = "EDIT";
    params.Style |= ES_AUTOHSCROLL | ES_LEFT;
    params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TEdit::HandleCreated() {
    if (FPasswordChar)
        SendMessageA(Handle(), EM_SETPASSWORDCHAR, static_cast<unsigned char>(FPasswordChar), 0);
    if (FMaxLength > 0) SendMessageA(Handle(), EM_LIMITTEXT, FMaxLength, 0);
}

std::string TEdit::Text() {
    if (!HandleAllocated()) return Caption();
    int n = GetWindowTextLengthA(Handle());
    std::vector<char> buffer(n + 1);
    GetWindowTextA(Handle(), buffer.data(), n + 1);
    return std::string(buffer.data(), n);
}

void TEdit::SetPasswordChar(char ch) {
    if (ch == FPasswordChar) return;
    FPasswordChar = ch;
    if (HandleAllocated()) {
        SendMessageA(Handle(), EM_SETPASSWORDCHAR, static_cast<unsigned char>(ch), 0);
        Invalidate();
    }
}

void TEdit::SetMaxLength(int length) {
    FMaxLength = length;
    if (HandleAllocated()) SendMessageA(Handle(), EM_LIMITTEXT, length > 0 ? length : 0, 0);
}

void TEdit::SelectAll() {
    if (HandleAllocated()) SendMessageA(Handle(), EM_SETSEL, 0, -1);
}

void TEdit::Command(WORD notifyCode) {
    if (notifyCode == EN_CHANGE) OnChange(this);
}

bool TEdit::WantsKey(WORD key) {
    return key == VK_LEFT || key == VK_RIGHT || key == VK_UP || key == VK_DOWN;
}

HBRUSH TEdit::ControlColor(HDC dc) {
    return TWinControl::ControlColor(dc);
}

// ======================= TStaticText =======================

TStaticText::TStaticText(TComponent* AOwner) : TWinControl(AOwner) {
    SetBounds(0, 0, 65, 17);
    SetParentColor(true);
}

void TStaticText::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.ClassName = "STATIC";
    params.Style |= SS_LEFT | SS_NOPREFIX;
}

void TStaticText::AdjustBounds() {
    if (!FAutoSize || Loading()) return;
    TCanvas measure;
    measure.Font = Font();
    SIZE size = measure.TextExtent(Caption().empty() ? std::string(" ") : Caption());
    SetBounds(Left(), Top(), size.cx, size.cy);
}

void TStaticText::SetAutoSize(bool value) {
    FAutoSize = value;
    AdjustBounds();
}

void TStaticText::TextChanged() {
    TWinControl::TextChanged();
    AdjustBounds();
}

void TStaticText::FontChanged() {
    TWinControl::FontChanged();
    AdjustBounds();
}

void TStaticText::ParentColorChanged() {
    Invalidate();
}

}  // namespace tk
