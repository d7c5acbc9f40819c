// Controls: windowless graphic controls painted by their parent, and windowed controls with a
// window of their own that accept children. Win32 message handling lives here and in the
// control implementations; derived widgets override the virtual notifications instead.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "toolkit/Component.h"
#include "toolkit/Graphics.h"

namespace tk {

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum TMouseButton { mbLeft, mbRight, mbMiddle };

using TShiftState = unsigned;
constexpr TShiftState ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssMiddle = 32,
                      ssDouble = 64;

enum TCursor : int {
    crDefault = 0,
    crNone = -1,
    crArrow = -2,
    crCross = -3,
    crIBeam = -4,
    crSizeNESW = -6,
    crSizeNS = -7,
    crSizeNWSE = -8,
    crSizeWE = -9,
    crUpArrow = -10,
    crHourGlass = -11,
    crNo = -18,
    crAppStart = -19,
    crHelp = -20,
    crHandPoint = -21,
    crSizeAll = -22,
};
HCURSOR CursorHandle(TCursor cursor);

using TMouseEvent =
    TEvent<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = TEvent<void(TObject* Sender, TShiftState Shift, int X, int Y)>;
using TKeyEvent = TEvent<void(TObject* Sender, WORD& Key, TShiftState Shift)>;
using TKeyPressEvent = TEvent<void(TObject* Sender, char& Key)>;

TShiftState KeyboardShiftState();
// The accelerator character of a caption ("&OK" -> 'o'), 0 when none ("&&" is a literal &).
char AcceleratorOf(const std::string& caption);
// Whether `ch` is the caption's accelerator (case-insensitive).
bool IsAccel(char ch, const std::string& caption);

class TWinControl;
class TForm;

class TControl : public TComponent {
public:
    explicit TControl(TComponent* AOwner);
    ~TControl() override;

    TWinControl* Parent() const { return FParent; }
    virtual void SetParent(TWinControl* parent);
    // The form the control sits on (nullptr when not placed on one).
    TForm* ParentForm() const;

    int Left() const { return FLeft; }
    int Top() const { return FTop; }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    void SetLeft(int v) { SetBounds(v, FTop, FWidth, FHeight); }
    void SetTop(int v) { SetBounds(FLeft, v, FWidth, FHeight); }
    void SetWidth(int v) { SetBounds(FLeft, FTop, v, FHeight); }
    void SetHeight(int v) { SetBounds(FLeft, FTop, FWidth, v); }
    virtual void SetBounds(int left, int top, int width, int height);
    RECT BoundsRect() const { return {FLeft, FTop, FLeft + FWidth, FTop + FHeight}; }
    virtual RECT ClientRect() const { return {0, 0, FWidth, FHeight}; }
    int ClientWidth() const { return ClientRect().right; }
    int ClientHeight() const { return ClientRect().bottom; }
    // Client coordinates of this control to the screen and back.
    POINT ClientToScreen(POINT p) const;
    POINT ScreenToClient(POINT p) const;
    // Offset of this control's client origin inside the nearest windowed ancestor's client
    // area (or its own window for windowed controls: 0, 0).
    POINT OriginInWindow() const;

    TAlign Align() const { return FAlign; }
    void SetAlign(TAlign align);

    bool Visible() const { return FVisible; }
    void SetVisible(bool visible);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Visible along the whole parent chain.
    bool Showing() const;

    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool enabled);

    const std::string& Caption() const { return FCaption; }
    void SetCaption(const std::string& caption);
    const std::string& Text() const { return Caption(); }
    void SetText(const std::string& text) { SetCaption(text); }

    // The font; changing it raises FontChanged. ParentFont copies the parent's font.
    TFont& Font() { return FFont; }
    const TFont& Font() const { return FFont; }
    void SetFont(const TFont& font) { FFont = font; }
    bool ParentFont() const { return FParentFont; }
    void SetParentFont(bool value);

    TColor Color() const { return FColor; }
    void SetColor(TColor color);
    bool ParentColor() const { return FParentColor; }
    void SetParentColor(bool value);

    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor cursor);

    // Marks the control for painting at the next paint message.
    virtual void Invalidate();
    // Paints whatever is pending now.
    virtual void Update();
    // Invalidate and paint at once.
    void Repaint();

    // While captured, all mouse input goes to this control.
    bool MouseCapture() const;
    void SetMouseCapture(bool capture);
    // The mouse is over this control (between MouseEnter and MouseLeave).
    bool MouseInControl() const;

    virtual void Click();

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;
    TNotifyEvent OnResize;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    TMouseMoveEvent OnMouseMove;

    // Windowed controls answer true.
    virtual bool IsWindowed() const { return false; }
    // Answers dialog keys (Enter, Escape, arrows...) broadcast by the form; true consumes.
    virtual bool DialogKey(WORD key, TShiftState shift) { return false; }
    // Answers accelerator characters broadcast by the form; true consumes.
    virtual bool DialogChar(char ch) { return false; }

    // Called by the toolkit's message plumbing; widgets override the protected virtuals.
    void DispatchMouseDown(TMouseButton button, TShiftState shift, int x, int y, bool dbl);
    void DispatchMouseMove(TShiftState shift, int x, int y) { MouseMove(shift, x, y); }
    void DispatchMouseUp(TMouseButton button, TShiftState shift, int x, int y) {
        MouseUp(button, shift, x, y);
    }
    void DispatchMouseEnter() { MouseEnter(); }
    void DispatchMouseLeave() { MouseLeave(); }
    void NotifyParentFontChanged();
    void NotifyParentColorChanged();

protected:
    // Change notifications; the defaults repaint (and raise the matching events).
    virtual void ColorChanged() { Invalidate(); }
    virtual void FontChanged() { Invalidate(); }
    virtual void TextChanged() { Invalidate(); }
    virtual void EnabledChanged() { Invalidate(); }
    virtual void VisibleChanged() {}
    virtual void ParentColorChanged() {}
    virtual void ParentFontChanged() {}

    virtual void MouseEnter() { OnMouseEnter(this); }
    virtual void MouseLeave() { OnMouseLeave(this); }
    virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseMove(TShiftState shift, int x, int y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    virtual void DblClick() { OnDblClick(this); }
    // Size changed.
    virtual void Resize() { OnResize(this); }
    // Position (not size) changed.
    virtual void Moved() {}
    // A windowed control moves its window; a graphic one repaints the old and new areas.
    virtual void BoundsChanged(const RECT& oldBounds);
    virtual void VisibilityApplied();
    virtual void EnabledApplied() { Invalidate(); }
    // After loading: the stored settings take effect (repaint, windows moved and renamed).
    void Loaded() override;
    // Whether a left press and release inside the control raises Click (controls whose
    // system window reports clicks itself turn it off).
    void SetClickEvents(bool value) { FClickEvents = value; }

private:
    friend class TWinControl;
    void FontChangeHandler(TObject*);

    TWinControl* FParent = nullptr;  // not owned: the parent only lists its children
    int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
    TAlign FAlign = alNone;
    bool FVisible = true;
    bool FEnabled = true;
    bool FParentFont = true;
    bool FParentColor = false;
    bool FClickPending = false;
    bool FClickEvents = true;
    std::string FCaption;
    TFont FFont;
    TColor FColor = clBtnFace;
    TCursor FCursor = crDefault;
    bool FUpdatingFont = false;
};

// A windowless control: it has no window of its own and is painted by its parent into the
// parent's device context, after the parent's own painting, in creation order.
class TGraphicControl : public TControl {
public:
    explicit TGraphicControl(TComponent* AOwner);

    // Run by the parent while painting: the canvas draws on `dc`, whose origin is this
    // control's top-left corner and whose clip is this control's rectangle.
    void PaintOn(HDC dc);

protected:
    // The canvas of the current paint (outside a paint it can only measure text).
    TCanvas& Canvas() { return FCanvas; }
    virtual void Paint() {}
    // Repaint for a control that paints every pixel of its area: paints it at once on its
    // parent's window, over its own rectangle only, with nothing behind it erased. A later
    // windowless sibling overlapping it is repainted with it, as by Repaint.
    void RepaintOpaque();

private:
    TCanvas FCanvas;
};

// A control with a window of its own: it accepts children, keeps the keyboard focus, and
// paints through Erase → Paint → children into an off-screen picture when DoubleBuffered.
class TWinControl : public TControl {
public:
    explicit TWinControl(TComponent* AOwner);
    ~TWinControl() override;

    // The window, created on first use (the parents' windows first).
    HWND Handle();
    bool HandleAllocated() const { return FHandle != nullptr; }
    void HandleNeeded() { Handle(); }
    // The control whose window this is (nullptr for foreign windows).
    static TWinControl* FromHandle(HWND wnd);

    int ControlCount() const { return static_cast<int>(FControls.size()); }
    TControl* Controls(int index) const { return FControls.at(index); }
    // Runs `fn` on every control below this one, depth first, in z-order.
    template <class Fn>
    void ForEachControl(Fn&& fn) {
        for (TControl* c : std::vector<TControl*>(FControls)) {
            fn(c);
            if (c->IsWindowed()) static_cast<TWinControl*>(c)->ForEachControl(fn);
        }
    }
    // The topmost visible windowless child under a client point, else nullptr.
    TControl* GraphicControlAt(POINT p) const;

    bool IsWindowed() const override { return true; }
    RECT ClientRect() const override;

    bool Focused() const;
    virtual bool CanFocus() const;
    virtual void SetFocus();
    bool TabStop() const { return FTabStop; }
    void SetTabStop(bool value) { FTabStop = value; }
    int TabOrder() const;
    void SetTabOrder(int order);

    bool DoubleBuffered() const { return FDoubleBuffered; }
    void SetDoubleBuffered(bool value) { FDoubleBuffered = value; }
    // When set, the control's background is its parent's image (see DrawParentImage) instead
    // of a fill with Color.
    bool ParentBackground() const { return FParentBackground; }
    void SetParentBackground(bool value);

    // Paints the parent's image (its background, its painting and its windowless children)
    // under this control into `dc`, in this control's client coordinates.
    void DrawParentImage(HDC dc);
    // Paints this control (background, painting, windowless children) into `dc` at its
    // client origin; used for the parent's image and for captures.
    void PaintInto(HDC dc);

    void Invalidate() override;
    void Update() override;

    // Keys the control handles itself instead of the form's dialog navigation (Tab, Enter,
    // Escape, arrows). Edits want arrows; multi-line edits would want Enter.
    virtual bool WantsKey(WORD key) { return false; }
    // Typed characters go to the control rather than being taken as accelerators.
    virtual bool WantsChars() const { return false; }

    TKeyEvent OnKeyDown;
    TKeyEvent OnKeyUp;
    TKeyPressEvent OnKeyPress;
    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;

    // Message plumbing (called by the window procedure and the application's loop).
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    void InsertControl(TControl* control);
    void RemoveControl(TControl* control);
    void AlignControls();
    void DestroyHandle();
    // Gives every windowed child its window (after this one got its own).
    void CreateChildHandles();

protected:
    struct TCreateParams {
        std::string ClassName;  // a system class ("BUTTON", "EDIT"...) or empty for our own
        DWORD Style = 0;
        DWORD ExStyle = 0;
        HWND WndParent = nullptr;
    };
    virtual void CreateParams(TCreateParams& params);
    // After the window exists: apply settings that need it (fonts of system controls...).
    virtual void HandleCreated() {}

    // Message hook: return true with `result` set when handled. The default plumbing (mouse,
    // keys, focus, paint) runs for messages left unhandled.
    virtual bool WndProc(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) { return false; }
    LRESULT DefaultHandler(UINT msg, WPARAM wParam, LPARAM lParam);

    // Painting: the background (Color, or the parent's image), then PaintWindow, then the
    // windowless children. Erase-background messages never erase: this does it in the paint.
    virtual void EraseBackground(HDC dc);
    virtual void PaintWindow(HDC dc) {}
    void PaintControls(HDC dc);

    virtual void KeyDown(WORD& key, TShiftState shift) { OnKeyDown(this, key, shift); }
    virtual void KeyUp(WORD& key, TShiftState shift) { OnKeyUp(this, key, shift); }
    virtual void KeyPress(char& key) { OnKeyPress(this, key); }
    virtual void DoEnter() { OnEnter(this); }
    virtual void DoExit() { OnExit(this); }
    virtual void FocusChanged() { Invalidate(); }

    // Notifications a system control sends to its parent, reflected back to the control.
    virtual void Command(WORD notifyCode) {}
    // WM_CTLCOLOR* reflected to the system control: return a brush, or nullptr for default.
    virtual HBRUSH ControlColor(HDC dc);

    void ColorChanged() override;
    void FontChanged() override;
    void TextChanged() override;
    void BoundsChanged(const RECT& oldBounds) override;
    void VisibilityApplied() override;
    void EnabledApplied() override;
    void Loaded() override;
    bool IsSystemControl() const { return FSystemProc != nullptr; }

private:
    friend class TApplication;
    static LRESULT CALLBACK WindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK SubclassProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void CreateHandle();
    LRESULT GuardedMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    void PaintHandler(HDC givenDC);
    void PaintLayers(HDC dc);
    void HandleMouse(UINT msg, WPARAM wParam, LPARAM lParam);
    void ApplyFontToWindow();

    HWND FHandle = nullptr;              // owned: destroyed with the control
    WNDPROC FSystemProc = nullptr;       // the system class's procedure, for subclassed controls
    std::vector<TControl*> FControls;    // children; not owned (owners free them)
    TControl* FCapturedChild = nullptr;  // not owned: one of FControls while it has the mouse
    bool FTabStop = false;
    bool FDoubleBuffered = false;
    bool FParentBackground = false;
    bool FCreatingHandle = false;
    mutable TGdiObject FBrush;  // background brush of system controls
    TColor FBrushColor = clNone;
};

// A windowed control that draws itself: override Paint and draw on Canvas().
class TCustomControl : public TWinControl {
public:
    explicit TCustomControl(TComponent* AOwner);

protected:
    TCanvas& Canvas() { return FCanvas; }
    virtual void Paint() {}
    void PaintWindow(HDC dc) override;

private:
    TCanvas FCanvas;
};

}  // namespace tk
