// Top-level forms with a modal loop.
#pragma once

#include "toolkit/Controls.h"

namespace tk {

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
// Frames of controls use the first two values.
using TBorderStyle = TFormBorderStyle;
enum TPosition { poDesigned, poScreenCenter };
enum TCloseAction { caNone, caHide, caFree, caMinimize };

using TModalResult = int;
constexpr TModalResult mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5,
                       mrYes = 6, mrNo = 7, mrAll = 8, mrNoToAll = 9, mrYesToAll = 10;

using TCloseEvent = TEvent<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = TEvent<void(TObject* Sender, bool& CanClose)>;

// A form: caption, outer size, centred on the screen or placed, face colour clBtnFace, font
// Tahoma height -11. The first form created becomes the application's main form.
class TForm : public TWinControl {
public:
    explicit TForm(TComponent* AOwner);
    ~TForm() override;

    TFormBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TFormBorderStyle style);
    TPosition Position() const { return FPosition; }
    void SetPosition(TPosition position) { FPosition = position; }
    // Sets the outer size so that the client area gets this size.
    void SetClientSize(int width, int height);

    // Shows the form and runs its modal loop until ModalResult is set (Close sets mrCancel)
    // or the application is asked to terminate. Returns ModalResult.
    TModalResult ShowModal();
    bool Modal() const { return FModal; }
    TModalResult ModalResult() const { return FModalResult; }
    void SetModalResult(TModalResult result) { FModalResult = result; }
    // A modal form: sets ModalResult to mrCancel; its loop then asks OnCloseQuery and OnClose
    // (default action caHide; caNone keeps the loop running). Setting ModalResult directly
    // (a button's ModalResult) takes the same way. A shown form asks the same and hides; the
    // main form's closing terminates the application. A terminate request ends the loop
    // without OnClose.
    void Close();

    // The control that gets the focus when the form is activated.
    TWinControl* ActiveControl() const { return FActiveControl; }
    void SetActiveControl(TWinControl* control);
    // Moves the focus to the next (or previous) control with TabStop.
    void SelectNext(bool forward);

    // Dialog navigation for a key message sent to one of this form's windows: Tab, Enter and
    // Escape as dialog keys, accelerators. True when consumed.
    bool PreProcessKey(const MSG& msg);

    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    TNotifyEvent OnPaint;
    TNotifyEvent OnActivate;

protected:
    void CreateParams(TCreateParams& params) override;
    bool WndProc(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void PaintWindow(HDC dc) override;
    void VisibilityApplied() override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    void CenterOnScreen();
    bool CloseQuery();
    void CloseModal();

    TFormBorderStyle FBorderStyle = bsSizeable;
    TPosition FPosition = poDesigned;
    TModalResult FModalResult = mrNone;
    bool FModal = false;
    TWinControl* FActiveControl = nullptr;  // not owned
};

}  // namespace tk
