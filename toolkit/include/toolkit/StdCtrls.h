// Standard controls: a transparent label, push buttons, edit boxes and static text.
#pragma once

#include "toolkit/Controls.h"
#include "toolkit/Forms.h"

namespace tk {

enum TAlignment { taLeftJustify, taRightJustify, taCenter };

// A windowless text label. Transparent by default (the parent's image shows between the
// glyphs); AutoSize fits the bounds to the text. Bold through Font().SetStyle(fsBold).
class TLabel : public TGraphicControl {
public:
    explicit TLabel(TComponent* AOwner);

    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool value);
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool value);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool value);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment value);

protected:
    void Paint() override;
    void TextChanged() override;
    void FontChanged() override;
    void Loaded() override;

private:
    void AdjustBounds();
    UINT DrawFlags() const;

    bool FTransparent = true;
    bool FAutoSize = true;
    bool FWordWrap = false;
    TAlignment FAlignment = taLeftJustify;
};

// A system push button. Default: Enter clicks it when no other button has the focus;
// Cancel: Escape clicks it. A click sets the form's ModalResult when ModalResult is set.
class TButton : public TWinControl {
public:
    explicit TButton(TComponent* AOwner);

    bool Default() const { return FDefault; }
    void SetDefault(bool value);
    bool Cancel() const { return FCancel; }
    void SetCancel(bool value) { FCancel = value; }
    TModalResult ModalResult() const { return FModalResult; }
    void SetModalResult(TModalResult value) { FModalResult = value; }

    void Click() override;
    bool DialogKey(WORD key, TShiftState shift) override;
    bool DialogChar(char ch) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void Command(WORD notifyCode) override;
    void FocusChanged() override;

private:
    bool FDefault = false;
    bool FCancel = false;
    TModalResult FModalResult = mrNone;
};

// A single-line system edit box; PasswordChar masks the text, MaxLength limits it (0: none).
class TEdit : public TWinControl {
public:
    explicit TEdit(TComponent* AOwner);

    // The text as typed (read from the window while it exists).
    std::string Text();
    void SetText(const std::string& text) { SetCaption(text); }
    char PasswordChar() const { return FPasswordChar; }
    void SetPasswordChar(char ch);
    int MaxLength() const { return FMaxLength; }
    void SetMaxLength(int length);
    void SelectAll();
    bool WantsKey(WORD key) override;
    bool WantsChars() const override { return true; }

    TNotifyEvent OnChange;

protected:
    void CreateParams(TCreateParams& params) override;
    void HandleCreated() override;
    void Command(WORD notifyCode) override;
    HBRUSH ControlColor(HDC dc) override;

private:
    char FPasswordChar = 0;
    int FMaxLength = 0;
};

// A system static text with a window of its own, so it can be repainted at once (Repaint)
// from inside long-running handlers.
class TStaticText : public TWinControl {
public:
    explicit TStaticText(TComponent* AOwner);

    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool value);

protected:
    void CreateParams(TCreateParams& params) override;
    void TextChanged() override;
    void FontChanged() override;
    void ParentColorChanged() override;

private:
    void AdjustBounds();
    bool FAutoSize = true;
};

}  // namespace tk
