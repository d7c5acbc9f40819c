#include "toolkit/Forms.h"

#include <algorithm>

#include "toolkit/Application.h"
#include "toolkit/Exception.h"

namespace tk {
namespace {

DWORD FrameStyle(TFormBorderStyle style) {
    switch (style) {
        case bsNone:
            return WS_POPUP;
        case bsSingle:
            return WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_BORDER;
        case bsDialog:
            return WS_CAPTION | WS_SYSMENU | WS_DLGFRAME;
        case bsToolWindow:
            return WS_CAPTION | WS_SYSMENU;
        case bsSizeToolWin:
            return WS_CAPTION | WS_SYSMENU | WS_THICKFRAME;
        case bsSizeable:
        default:
            return WS_OVERLAPPEDWINDOW;
    }
}

DWORD FrameExStyle(TFormBorderStyle style) {
    switch (style) {
        case bsDialog:
            return WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
        case bsToolWindow:
        case bsSizeToolWin:
            return WS_EX_TOOLWINDOW;
        default:
            return WS_EX_WINDOWEDGE;
    }
}

// Every windowed control of the form that can take the focus with Tab, in tab order.
void CollectTabStops(TWinControl* parent, std::vector<TWinControl*>& out) {
    for (int i = 0; i < parent->ControlCount(); ++i) {
        TControl* c = parent->Controls(i);
        if (!c->IsWindowed()) continue;
        auto* w = static_cast<TWinControl*>(c);
        if (w->TabStop() && w->CanFocus()) out.push_back(w);
        CollectTabStops(w, out);
    }
}

BOOL CALLBACK CollectEnabledWindow(HWND wnd, LPARAM data) {
    auto* list = reinterpret_cast<std::vector<HWND>*>(data);
    if (IsWindowVisible(wnd) && IsWindowEnabled(wnd)) list->push_back(wnd);
    return TRUE;
}

}  // namespace

TForm::TForm(TComponent* AOwner) : TWinControl(AOwner) {
    SetVisible(false);
    SetParentFont(false);
    SetColor(clBtnFace);
    TFont font;
    font.SetName("Tahoma");
    font.SetHeight(-11);
    font.SetColor(clWindowText);
    Font() = font;
    SetBounds(0, 0, 320, 240);
    Application.FormCreated(this);
}

TForm::~TForm() {
    MarkDestroying();
    DestroyComponents();
    Application.FormDestroyed(this);
}

void TForm::CreateParams(TCreateParams& params) {
    params.Style = FrameStyle(FBorderStyle) | WS_CLIPCHILDREN;
    params.ExStyle = FrameExStyle(FBorderStyle);
    if (!Enabled()) params.Style |= WS_DISABLED;
}

void TForm::SetBorderStyle(TFormBorderStyle style) {
    if (style == FBorderStyle) return;
    FBorderStyle = style;
    if (HandleAllocated()) {
        SetWindowLongPtrA(Handle(), GWL_STYLE,
                          (GetWindowLongPtrA(Handle(), GWL_STYLE) & WS_VISIBLE) |
                              FrameStyle(style) | WS_CLIPCHILDREN);
        SetWindowLongPtrA(Handle(), GWL_EXSTYLE, FrameExStyle(style));
        SetWindowPos(Handle(), nullptr, 0, 0, 0, 0,
                     SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void TForm::SetClientSize(int width, int height) {
    RECT r{0, 0, width, height};
    AdjustWindowRectEx(&r, FrameStyle(FBorderStyle), FALSE, FrameExStyle(FBorderStyle));
    SetBounds(Left(), Top(), r.right - r.left, r.bottom - r.top);
}

void TForm::CenterOnScreen() {
    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    int left = work.left + (work.right - work.left - Width()) / 2;
    int top = work.top + (work.bottom - work.top - Height()) / 2;
    SetBounds(std::max<int>(left, work.left), std::max<int>(top, work.top), Width(), Height());
}

void TForm::VisibilityApplied() {
    if (Visible()) {
        if (FPosition == poScreenCenter) CenterOnScreen();
        HWND wnd = Handle();
        ShowWindow(wnd, SW_SHOW);
        SetForegroundWindow(wnd);
        if (FActiveControl && FActiveControl->CanFocus())
            FActiveControl->SetFocus();
        else
            SelectNext(true);
        OnShow(this);
    } else if (HandleAllocated()) {
        ShowWindow(Handle(), SW_HIDE);
        OnHide(this);
    }
}

void TForm::SetActiveControl(TWinControl* control) {
    FActiveControl = control;
    if (control && Visible() && HandleAllocated() && !control->Focused() && control->CanFocus())
        control->SetFocus();
}

void TForm::SelectNext(bool forward) {
    std::vector<TWinControl*> stops;
    CollectTabStops(this, stops);
    if (stops.empty()) return;
    HWND focus = GetFocus();
    auto current = std::find_if(stops.begin(), stops.end(), [focus](TWinControl* w) {
        return w->HandleAllocated() && w->Handle() == focus;
    });
    std::size_t index;
    if (current == stops.end())
        index = forward ? 0 : stops.size() - 1;
    else {
        std::size_t at = current - stops.begin();
        index = forward ? (at + 1) % stops.size() : (at + stops.size() - 1) % stops.size();
    }
    stops[index]->SetFocus();
}

bool TForm::PreProcessKey(const MSG& msg) {
    TWinControl* focused = TWinControl::FromHandle(GetFocus());
    if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) {
        WORD key = static_cast<WORD>(msg.wParam);
        TShiftState shift = KeyboardShiftState();
        if (key != VK_TAB && key != VK_RETURN && key != VK_ESCAPE && key != VK_LEFT &&
            key != VK_RIGHT && key != VK_UP && key != VK_DOWN)
            return false;
        if (focused && focused->ParentForm() == this && focused->WantsKey(key)) return false;
        if (key == VK_TAB && !(shift & (ssCtrl | ssAlt))) {
            SelectNext(!(shift & ssShift));
            return true;
        }
        // The focused control answers first, then every control of the form.
        if (focused && focused->DialogKey(key, shift)) return true;
        bool consumed = false;
        ForEachControl([&](TControl* c) {
            if (!consumed && c != focused && c->DialogKey(key, shift)) consumed = true;
        });
        return consumed;
    }
    if (msg.message == WM_SYSCHAR || msg.message == WM_CHAR) {
        char ch = static_cast<char>(msg.wParam);
        // Plain characters go to edits; elsewhere (or with Alt) they may be accelerators.
        if (msg.message == WM_CHAR && focused && focused->WantsChars()) return false;
        bool consumed = false;
        ForEachControl([&](TControl* c) {
            if (!consumed && c->Showing() && c->Enabled() && c->DialogChar(ch)) consumed = true;
        });
        return consumed;
    }
    return false;
}

void TForm::CloseModal() {
    TCloseAction action = caNone;
    if (CloseQuery()) {
        action = caHide;
        OnClose(this, action);
    }
    if (action == caNone) FModalResult = mrNone;
}

bool TForm::CloseQuery() {
    bool canClose = true;
    OnCloseQuery(this, canClose);
    return canClose;
}

void TForm::Close() {
    // A modal form closes through its loop (CloseModal), which asks OnCloseQuery and OnClose.
    if (FModal) {
        FModalResult = mrCancel;
        return;
    }
    if (!CloseQuery()) return;
    TCloseAction action = caHide;
    OnClose(this, action);
    if (action == caNone) return;
    if (Application.MainForm() == this) {
        Hide();
        Application.Terminate();
        return;
    }
    if (action == caMinimize && HandleAllocated())
        ShowWindow(Handle(), SW_MINIMIZE);
    else
        Hide();
}

TModalResult TForm::ShowModal() {
    if (Visible() || FModal) throw EComponentError("Cannot make a visible window modal");
    if (!Application.Initialized()) Application.Initialize();
    // Other windows of the program wait while the form runs.
    std::vector<HWND> disabled;
    HWND wnd = Handle();
    EnumThreadWindows(GetCurrentThreadId(), &CollectEnabledWindow,
                      reinterpret_cast<LPARAM>(&disabled));
    disabled.erase(std::remove(disabled.begin(), disabled.end(), wnd), disabled.end());
    for (HWND w : disabled) EnableWindow(w, FALSE);
    // However the loop is left, the other windows come back and the form is no longer modal.
    struct ModalScope {
        TForm& form;
        std::vector<HWND>& disabled;
        ~ModalScope() {
            for (HWND w : disabled)
                if (IsWindow(w)) EnableWindow(w, TRUE);
            form.FModal = false;
            form.Hide();
        }
    } scope{*this, disabled};

    FModal = true;
    FModalResult = mrNone;
    Show();
    while (FModalResult == mrNone) {
        if (Application.Terminated()) {
            FModalResult = mrCancel;
            break;
        }
        Application.HandleMessage();
        // A terminate request ends the loop without asking the form.
        if (Application.Terminated())
            FModalResult = mrCancel;
        else if (FModalResult != mrNone)
            Application.Guarded([this] { CloseModal(); });
    }
    return FModalResult;
}

bool TForm::WndProc(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
        case WM_CLOSE:
            Close();
            result = 0;
            return true;
        case WM_WINDOWPOSCHANGED: {
            // The user or the system moved or sized the window: keep the bounds in step.
            RECT r;
            GetWindowRect(Handle(), &r);
            if (r.left != Left() || r.top != Top() || r.right - r.left != Width() ||
                r.bottom - r.top != Height()) {
                TControl::SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
            }
            return false;
        }
        case WM_ACTIVATE:
            if (LOWORD(wParam) != WA_INACTIVE) {
                OnActivate(this);
                if (FActiveControl && FActiveControl->CanFocus()) {
                    FActiveControl->SetFocus();
                    result = 0;
                    return true;
                }
            }
            return false;
        default:
            return false;
    }
}

void TForm::PaintWindow(HDC dc) {
    OnPaint(this);
}

void TForm::Notification(TComponent* component, TOperation operation) {
    TWinControl::Notification(component, operation);
    if (operation == TOperation::opRemove && component == FActiveControl) FActiveControl = nullptr;
}

}  // namespace tk
