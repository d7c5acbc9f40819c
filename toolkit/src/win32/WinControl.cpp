// TWinControl: a control with a window of its own: the handle's life, the message procedure,
// child alignment, focus and the layered painting of children.
#include "toolkit/Controls.h"

#include <windowsx.h>

#include <algorithm>

#include "toolkit/Application.h"
#include "toolkit/Exception.h"
#include "toolkit/Forms.h"

namespace tk {
namespace {

constexpr char kWindowClass[] = "QuillTkWindow";
constexpr char kControlProp[] = "QuillTkControl";

void RegisterWindowClass() {
    static bool registered = false;
    if (registered) return;
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = DefWindowProcA;  // replaced per window by the control's procedure
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = kWindowClass;
    RegisterClassExA(&wc);
    registered = true;
}

int NextControlId() {
    static int id = 100;
    return ++id;
}

TShiftState ShiftFromKeys(WPARAM keys) {
    TShiftState s = 0;
    if (keys & MK_SHIFT) s |= ssShift;
    if (keys & MK_CONTROL) s |= ssCtrl;
    if (keys & MK_LBUTTON) s |= ssLeft;
    if (keys & MK_RBUTTON) s |= ssRight;
    if (keys & MK_MBUTTON) s |= ssMiddle;
    if (GetKeyState(VK_MENU) < 0) s |= ssAlt;
    return s;
}

}  // namespace

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner) {
}

TWinControl::~TWinControl() {
    MarkDestroying();
    DestroyComponents();
    // Children owned elsewhere go with their parent, as the window they live in goes.
    while (!FControls.empty()) delete FControls.back();
    DestroyHandle();
}

TWinControl* TWinControl::FromHandle(HWND wnd) {
    return wnd ? static_cast<TWinControl*>(GetPropA(wnd, kControlProp)) : nullptr;
}

void TWinControl::CreateParams(TCreateParams& params) {
    params.Style = WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    if (Visible()) params.Style |= WS_VISIBLE;
    if (!Enabled()) params.Style |= WS_DISABLED;
    if (FTabStop) params.Style |= WS_TABSTOP;
}

HWND TWinControl::Handle() {
    if (!FHandle) CreateHandle();
    return FHandle;
}

void TWinControl::CreateHandle() {
    if (FHandle || FCreatingHandle || Destroying()) return;
    if (!Application.Initialized()) Application.Initialize();
    FCreatingHandle = true;
    RegisterWindowClass();
    TCreateParams params;
    CreateParams(params);
    if (Parent()) params.WndParent = Parent()->Handle();
    bool child = (params.Style & WS_CHILD) != 0;
    if (child && !params.WndParent) {
        // A child without a parent window cannot exist yet; it is made with its parent's.
        FCreatingHandle = false;
        return;
    }
    bool system = !params.ClassName.empty();
    const char* cls = system ? params.ClassName.c_str() : kWindowClass;
    HMENU id = child ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(NextControlId())) : nullptr;
    HWND wnd = CreateWindowExA(params.ExStyle, cls, Caption().c_str(), params.Style, Left(), Top(),
                               Width(), Height(), params.WndParent, id, GetModuleHandleA(nullptr),
                               nullptr);
    FCreatingHandle = false;
    if (!wnd) throw EOSError("Cannot create a window", GetLastError());
    SetPropA(wnd, kControlProp, this);
    FHandle = wnd;
    auto proc =
        reinterpret_cast<LONG_PTR>(system ? &TWinControl::SubclassProc : &TWinControl::WindowProc);
    WNDPROC old = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(wnd, GWLP_WNDPROC, proc));
    if (system) FSystemProc = old;
    ApplyFontToWindow();
    HandleCreated();
    CreateChildHandles();
    AlignControls();
}

void TWinControl::CreateChildHandles() {
    for (TControl* c : std::vector<TControl*>(FControls))
        if (c->IsWindowed()) static_cast<TWinControl*>(c)->HandleNeeded();
}

void TWinControl::DestroyHandle() {
    if (!FHandle) return;
    HWND wnd = FHandle;
    // Children's windows go with this one; forget them first.
    ForEachControl([](TControl* c) {
        if (c->IsWindowed()) {
            auto* w = static_cast<TWinControl*>(c);
            if (w->FHandle) {
                RemovePropA(w->FHandle, kControlProp);
                if (w->FSystemProc)
                    SetWindowLongPtrA(w->FHandle, GWLP_WNDPROC,
                                      reinterpret_cast<LONG_PTR>(w->FSystemProc));
                w->FHandle = nullptr;
                w->FSystemProc = nullptr;
            }
        }
    });
    RemovePropA(wnd, kControlProp);
    if (FSystemProc) SetWindowLongPtrA(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FSystemProc));
    FHandle = nullptr;
    FSystemProc = nullptr;
    DestroyWindow(wnd);
}

LRESULT CALLBACK TWinControl::WindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    TWinControl* self = FromHandle(wnd);
    if (!self || self->FHandle != wnd) return DefWindowProcA(wnd, msg, wParam, lParam);
    return self->GuardedMessage(msg, wParam, lParam);
}

LRESULT CALLBACK TWinControl::SubclassProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    TWinControl* self = FromHandle(wnd);
    if (!self || self->FHandle != wnd) return DefWindowProcA(wnd, msg, wParam, lParam);
    return self->GuardedMessage(msg, wParam, lParam);
}

LRESULT TWinControl::GuardedMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    // Exceptions must not unwind through the system's frames: the application reports them.
    try {
        return HandleMessage(msg, wParam, lParam);
    } catch (...) {
        Application.HandleException(std::current_exception());
        return 0;
    }
}

LRESULT TWinControl::DefaultHandler(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (FSystemProc) return CallWindowProcA(FSystemProc, FHandle, msg, wParam, lParam);
    return DefWindowProcA(FHandle, msg, wParam, lParam);
}

LRESULT TWinControl::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (WndProc(msg, wParam, lParam, result)) return result;
    switch (msg) {
        case WM_ERASEBKGND:
            if (FSystemProc) break;
            return 1;  // the paint draws the background into its picture
        case WM_PAINT:
            if (FSystemProc) break;
            PaintHandler(reinterpret_cast<HDC>(wParam));
            return 0;
        case WM_PRINTCLIENT:
            if (FSystemProc) break;
            PaintLayers(reinterpret_cast<HDC>(wParam));
            return 0;
        case WM_SIZE:
            AlignControls();
            break;
        case WM_COMMAND:
            if (lParam) {
                if (TWinControl* child = FromHandle(reinterpret_cast<HWND>(lParam))) {
                    child->Command(HIWORD(wParam));
                    return 0;
                }
            }
            break;
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORBTN:
            if (TWinControl* child = FromHandle(reinterpret_cast<HWND>(lParam))) {
                if (HBRUSH brush = child->ControlColor(reinterpret_cast<HDC>(wParam)))
                    return reinterpret_cast<LRESULT>(brush);
            }
            break;
        case WM_MOUSEMOVE:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
        case WM_LBUTTONUP:
        case WM_RBUTTONDOWN:
        case WM_RBUTTONDBLCLK:
        case WM_RBUTTONUP:
        case WM_MBUTTONDOWN:
        case WM_MBUTTONDBLCLK:
        case WM_MBUTTONUP:
            HandleMouse(msg, wParam, lParam);
            if (FSystemProc) break;
            return 0;
        case WM_MOUSELEAVE: {
            POINT p;
            GetCursorPos(&p);
            Application.SetMouseControl(Application.ControlAtPoint(p));
            break;
        }
        case WM_CAPTURECHANGED:
            if (reinterpret_cast<HWND>(lParam) != FHandle && Application.CaptureControl()) {
                TControl* captured = Application.CaptureControl();
                if (captured == this || captured->Parent() == this)
                    Application.SetCaptureControl(nullptr);
            }
            break;
        case WM_SETCURSOR:
            if (LOWORD(lParam) == HTCLIENT) {
                TCursor cursor = Application.ScreenCursor();
                if (cursor == crDefault) {
                    POINT p;
                    GetCursorPos(&p);
                    POINT local = p;
                    ::ScreenToClient(FHandle, &local);
                    TControl* c = GraphicControlAt(local);
                    cursor = (c ? c : this)->Cursor();
                }
                if (cursor != crDefault) {
                    ::SetCursor(CursorHandle(cursor));
                    return TRUE;
                }
            }
            break;
        case WM_SETFOCUS: {
            LRESULT r = DefaultHandler(msg, wParam, lParam);
            if (TForm* form = ParentForm(); form && form != this) form->SetActiveControl(this);
            DoEnter();
            FocusChanged();
            return r;
        }
        case WM_KILLFOCUS: {
            LRESULT r = DefaultHandler(msg, wParam, lParam);
            DoExit();
            FocusChanged();
            return r;
        }
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN: {
            WORD key = static_cast<WORD>(wParam);
            KeyDown(key, KeyboardShiftState());
            if (key == 0) return 0;
            wParam = key;
            break;
        }
        case WM_KEYUP:
        case WM_SYSKEYUP: {
            WORD key = static_cast<WORD>(wParam);
            KeyUp(key, KeyboardShiftState());
            if (key == 0) return 0;
            wParam = key;
            break;
        }
        case WM_CHAR: {
            char ch = static_cast<char>(wParam);
            KeyPress(ch);
            if (ch == 0) return 0;
            wParam = static_cast<unsigned char>(ch);
            break;
        }
        case WM_NCDESTROY: {
            LRESULT r = DefaultHandler(msg, wParam, lParam);
            RemovePropA(FHandle, kControlProp);
            FHandle = nullptr;
            FSystemProc = nullptr;
            return r;
        }
        default:
            break;
    }
    return DefaultHandler(msg, wParam, lParam);
}

void TWinControl::HandleMouse(UINT msg, WPARAM wParam, LPARAM lParam) {
    int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
    TShiftState shift = ShiftFromKeys(wParam);
    TControl* target = this;
    TControl* captured = Application.CaptureControl();
    if (captured && !captured->IsWindowed() && captured->Parent() == this)
        target = captured;
    else if (!captured)
        if (TControl* g = GraphicControlAt({x, y})) target = g;
    if (target != this) {
        x -= target->Left();
        y -= target->Top();
    }

    TMouseButton button = mbLeft;
    switch (msg) {
        case WM_RBUTTONDOWN:
        case WM_RBUTTONDBLCLK:
        case WM_RBUTTONUP:
            button = mbRight;
            break;
        case WM_MBUTTONDOWN:
        case WM_MBUTTONDBLCLK:
        case WM_MBUTTONUP:
            button = mbMiddle;
            break;
        default:
            break;
    }
    switch (msg) {
        case WM_MOUSEMOVE: {
            TRACKMOUSEEVENT tme{sizeof(tme), TME_LEAVE, FHandle, 0};
            TrackMouseEvent(&tme);
            if (!captured) Application.SetMouseControl(target);
            target->DispatchMouseMove(shift, x, y);
            break;
        }
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
        case WM_RBUTTONDBLCLK:
        case WM_MBUTTONDBLCLK: {
            bool dbl =
                msg == WM_LBUTTONDBLCLK || msg == WM_RBUTTONDBLCLK || msg == WM_MBUTTONDBLCLK;
            if (!FSystemProc) {
                Application.SetCaptureControl(target);
                SetCapture(FHandle);
            }
            target->DispatchMouseDown(button, shift, x, y, dbl);
            break;
        }
        default: {
            bool stillCaptured = Application.CaptureControl() == target;
            if (stillCaptured && !FSystemProc) {
                Application.SetCaptureControl(nullptr);
                if (GetCapture() == FHandle) ReleaseCapture();
            }
            if (target->Enabled() || target == this) target->DispatchMouseUp(button, shift, x, y);
            break;
        }
    }
}

TControl* TWinControl::GraphicControlAt(POINT p) const {
    for (auto it = FControls.rbegin(); it != FControls.rend(); ++it) {
        TControl* c = *it;
        if (c->IsWindowed() || !c->Visible() || !c->Enabled()) continue;
        RECT r = c->BoundsRect();
        if (PtInRect(&r, p)) return c;
    }
    return nullptr;
}

RECT TWinControl::ClientRect() const {
    if (FHandle) {
        RECT r;
        GetClientRect(FHandle, &r);
        return r;
    }
    return TControl::ClientRect();
}

void TWinControl::InsertControl(TControl* control) {
    FControls.push_back(control);
    control->FParent = this;
    control->NotifyParentFontChanged();
    control->NotifyParentColorChanged();
    if (control->IsWindowed()) {
        auto* w = static_cast<TWinControl*>(control);
        if (w->FHandle) {
            ::SetParent(w->FHandle, Handle());
        } else if (FHandle) {
            w->HandleNeeded();
        }
    } else {
        control->Invalidate();
    }
    if (control->Align() != alNone) AlignControls();
}

void TWinControl::RemoveControl(TControl* control) {
    auto it = std::find(FControls.begin(), FControls.end(), control);
    if (it == FControls.end()) return;
    control->Invalidate();
    if (FCapturedChild == control) FCapturedChild = nullptr;
    FControls.erase(it);
    control->FParent = nullptr;
    if (control->IsWindowed()) static_cast<TWinControl*>(control)->DestroyHandle();
    if (control->Align() != alNone) AlignControls();
}

void TWinControl::AlignControls() {
    if (Loading()) return;
    RECT r = ClientRect();
    for (TControl* c : std::vector<TControl*>(FControls)) {
        if (!c->Visible() || c->Align() == alNone) continue;
        int w = r.right - r.left, h = r.bottom - r.top;
        switch (c->Align()) {
            case alTop:
                c->SetBounds(r.left, r.top, w, c->Height());
                r.top += c->Height();
                break;
            case alBottom:
                c->SetBounds(r.left, r.bottom - c->Height(), w, c->Height());
                r.bottom -= c->Height();
                break;
            case alLeft:
                c->SetBounds(r.left, r.top, c->Width(), h);
                r.left += c->Width();
                break;
            case alRight:
                c->SetBounds(r.right - c->Width(), r.top, c->Width(), h);
                r.right -= c->Width();
                break;
            case alClient:
                c->SetBounds(r.left, r.top, w, h);
                break;
            default:
                break;
        }
    }
}

bool TWinControl::Focused() const {
    return FHandle && GetFocus() == FHandle;
}

bool TWinControl::CanFocus() const {
    for (const TControl* c = this; c; c = c->Parent())
        if (!c->Visible() || !c->Enabled()) return false;
    return true;
}

void TWinControl::SetFocus() {
    if (!CanFocus()) return;
    ::SetFocus(Handle());
}

int TWinControl::TabOrder() const {
    if (!Parent()) return -1;
    int order = 0;
    for (int i = 0; i < Parent()->ControlCount(); ++i) {
        TControl* c = Parent()->Controls(i);
        if (c == this) return order;
        if (c->IsWindowed()) ++order;
    }
    return -1;
}

void TWinControl::SetTabOrder(int order) {
    TWinControl* parent = Parent();
    if (!parent) return;
    auto& list = parent->FControls;
    list.erase(std::find(list.begin(), list.end(), this));
    int seen = 0;
    auto it = list.begin();
    for (; it != list.end(); ++it) {
        if (!(*it)->IsWindowed()) continue;
        if (seen == order) break;
        ++seen;
    }
    list.insert(it, this);
}

void TWinControl::SetParentBackground(bool value) {
    if (value == FParentBackground) return;
    FParentBackground = value;
    Invalidate();
}

void TWinControl::Invalidate() {
    if (FHandle) InvalidateRect(FHandle, nullptr, FALSE);
}

void TWinControl::Update() {
    if (FHandle) UpdateWindow(FHandle);
}

void TWinControl::EraseBackground(HDC dc) {
    if (FParentBackground && Parent()) {
        DrawParentImage(dc);
        return;
    }
    RECT r = ClientRect();
    TGdiObject brush(CreateSolidBrush(ColorToRGB(Color())));
    FillRect(dc, &r, static_cast<HBRUSH>(brush.Get()));
}

void TWinControl::PaintControls(HDC dc) {
    for (TControl* c : std::vector<TControl*>(FControls)) {
        if (c->IsWindowed() || !c->Visible()) continue;
        RECT r = c->BoundsRect();
        RECT clip;
        if (GetClipBox(dc, &clip) != ERROR && !IntersectRect(&clip, &clip, &r)) continue;
        TSavedDC saved(dc);
        IntersectClipRect(dc, r.left, r.top, r.right, r.bottom);
        // The child draws in its own coordinates: its top-left corner becomes the origin.
        POINT org;
        GetViewportOrgEx(dc, &org);
        SetViewportOrgEx(dc, org.x + r.left, org.y + r.top, nullptr);
        static_cast<TGraphicControl*>(c)->PaintOn(dc);
    }
}

void TWinControl::PaintLayers(HDC dc) {
    EraseBackground(dc);
    {
        TSavedDC saved(dc);
        PaintWindow(dc);
    }
    PaintControls(dc);
}

void TWinControl::PaintInto(HDC dc) {
    TSavedDC saved(dc);
    RECT r = ClientRect();
    IntersectClipRect(dc, r.left, r.top, r.right, r.bottom);
    PaintLayers(dc);
}

void TWinControl::DrawParentImage(HDC dc) {
    TWinControl* parent = Parent();
    if (!parent) return;
    TSavedDC saved(dc);
    RECT r = ClientRect();
    IntersectClipRect(dc, r.left, r.top, r.right, r.bottom);
    // The parent paints in its own coordinates: move the origin so that the parent's point
    // (Left, Top) lands on this control's top-left corner.
    POINT org;
    GetViewportOrgEx(dc, &org);
    SetViewportOrgEx(dc, org.x - Left(), org.y - Top(), nullptr);
    parent->PaintLayers(dc);
}

void TWinControl::PaintHandler(HDC givenDC) {
    if (givenDC) {
        PaintLayers(givenDC);
        return;
    }
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(FHandle, &ps);
    if (FDoubleBuffered) {
        RECT r = ClientRect();
        int w = std::max<int>(r.right, 1), h = std::max<int>(r.bottom, 1);
        TMemoryDC mem(CreateCompatibleDC(dc));
        TGdiObject bitmap(CreateCompatibleBitmap(dc, w, h));
        {
            TSelectObject select(mem.Get(), bitmap.Get());
            // Only what needs painting is painted: a child outside it is not asked to paint
            // a picture that would never reach the screen (one that keeps a change back
            // until it paints would then think it shown).
            IntersectClipRect(mem.Get(), ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right,
                              ps.rcPaint.bottom);
            PaintLayers(mem.Get());
            BitBlt(dc, 0, 0, w, h, mem.Get(), 0, 0, SRCCOPY);
        }
    } else {
        PaintLayers(dc);
    }
    EndPaint(FHandle, &ps);
}

HBRUSH TWinControl::ControlColor(HDC dc) {
    TColor color = ColorToRGB(Color());
    if (!FBrush || FBrushColor != color) {
        FBrush.Reset(CreateSolidBrush(color));
        FBrushColor = color;
    }
    SetTextColor(dc, ColorToRGB(Font().Color()));
    SetBkColor(dc, color);
    return static_cast<HBRUSH>(FBrush.Get());
}

void TWinControl::ApplyFontToWindow() {
    if (FHandle && FSystemProc)
        SendMessageA(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(Font().Handle()), TRUE);
}

void TWinControl::Loaded() {
    TControl::Loaded();
    // Settings stored while loading reach the window and the children now.
    if (FHandle) {
        SetWindowPos(FHandle, nullptr, Left(), Top(), Width(), Height(),
                     SWP_NOZORDER | SWP_NOACTIVATE);
        SetWindowTextA(FHandle, Caption().c_str());
        EnableWindow(FHandle, Enabled());
        ApplyFontToWindow();
    }
    for (TControl* c : std::vector<TControl*>(FControls)) {
        c->NotifyParentFontChanged();
        c->NotifyParentColorChanged();
    }
    AlignControls();
}

void TWinControl::ColorChanged() {
    Invalidate();
}

void TWinControl::FontChanged() {
    ApplyFontToWindow();
    Invalidate();
}

void TWinControl::TextChanged() {
    if (FHandle) SetWindowTextA(FHandle, Caption().c_str());
    Invalidate();
}

void TWinControl::BoundsChanged(const RECT& oldBounds) {
    if (FHandle)
        SetWindowPos(FHandle, nullptr, Left(), Top(), Width(), Height(),
                     SWP_NOZORDER | SWP_NOACTIVATE);
    AlignControls();
}

void TWinControl::VisibilityApplied() {
    if (FHandle) ShowWindow(FHandle, Visible() ? SW_SHOWNA : SW_HIDE);
}

void TWinControl::EnabledApplied() {
    if (FHandle) EnableWindow(FHandle, Enabled());
}

}  // namespace tk
