#include "toolkit/Application.h"

#include <objbase.h>
#include <ole2.h>
#include <commctrl.h>

#include "toolkit/Exception.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/Forms.h"
#include "toolkit/Graphics.h"
#include "toolkit/SysUtils.h"
#include "toolkit/SyncQueue.h"
#include "toolkit/Thread.h"

namespace tk {
namespace {

constexpr UINT kWakeMessage = WM_APP + 0x3F0;
constexpr char kUtilityClass[] = "QuillTkUtility";

}  // namespace

TApplication Application;

TApplication::TApplication() : TComponent(nullptr) {
    // Pins the GUI thread: the application object is made by the program's main thread.
    GuiSyncQueue().SetGuiThread(std::this_thread::get_id());
}

TApplication::~TApplication() {
    MarkDestroying();
    DestroyComponents();
    if (FUtilityWindow) DestroyWindow(FUtilityWindow);
    FGdiPlus.reset();
    if (FOleStarted) OleUninitialize();
}

void TApplication::Initialize() {
    if (FInitialized) return;
    FInitialized = true;
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    FOleStarted = SUCCEEDED(OleInitialize(nullptr));
    FGdiPlus = std::make_unique<TGdiPlusSession>();
    UtilityWindow();
}

const std::string& TApplication::Title() const {
    if (!FTitle.empty()) return FTitle;
    if (FDefaultTitle.empty()) {
        std::string name = FromWide(ModuleFileName());
        if (auto slash = name.find_last_of("\\/"); slash != std::string::npos)
            name.erase(0, slash + 1);
        if (auto dot = name.find_last_of('.'); dot != std::string::npos) name.erase(dot);
        FDefaultTitle = name;
    }
    return FDefaultTitle;
}

void TApplication::FormCreated(TForm* form) {
    if (!FMainForm) FMainForm = form;
}

void TApplication::FormDestroyed(TForm* form) {
    if (FMainForm == form) FMainForm = nullptr;
}

HWND TApplication::UtilityWindow() {
    if (FUtilityWindow) return FUtilityWindow;
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &TApplication::UtilityProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kUtilityClass;
    RegisterClassExA(&wc);
    FUtilityWindow = CreateWindowExA(0, kUtilityClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                     GetModuleHandleA(nullptr), nullptr);
    HWND wnd = FUtilityWindow;
    GuiSyncQueue().SetWakeHandler([wnd] { WakeGuiThread(wnd, kWakeMessage); });
    return FUtilityWindow;
}

LRESULT CALLBACK TApplication::UtilityProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case kWakeMessage:
            ServeSynchronizeRun();
            return 0;
        case WM_TIMER:
            // The timer's id is the address of its TTimer (see TTimer::UpdateTimer).
            Application.Guarded([wParam] { reinterpret_cast<TTimer*>(wParam)->Tick(); });
            return 0;
        default:
            return DefWindowProcA(wnd, msg, wParam, lParam);
    }
}

bool TApplication::PreProcessMessage(MSG& msg) {
    if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN || msg.message == WM_CHAR ||
        msg.message == WM_SYSCHAR) {
        if (TWinControl* target = TWinControl::FromHandle(msg.hwnd)) {
            if (TForm* form = target->ParentForm()) return form->PreProcessKey(msg);
        }
    }
    return false;
}

void TApplication::DispatchOne(MSG& msg) {
    if (msg.message == WM_QUIT) {
        FTerminated = true;
        return;
    }
    // Keys may run handlers (accelerators, Enter and Space on buttons) before any window
    // procedure sees them: those are guarded as the window procedures are.
    bool handled = false;
    Guarded([&] { handled = PreProcessMessage(msg); });
    if (handled) return;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
}

void TApplication::ProcessMessages() {
    CheckSynchronize();
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchOne(msg);
    CheckSynchronize();
}

void TApplication::HandleMessage() {
    MSG msg;
    if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        DispatchOne(msg);
    } else if (!ServeSynchronizeRun()) {
        // Idle: sleep until a message arrives or a worker hands a call over.
        IdleServingGui();
    }
}

void TApplication::Run() {
    if (FMainForm) FMainForm->Show();
    while (!FTerminated) HandleMessage();
}

void TApplication::Terminate() {
    FTerminated = true;
    PostQuitMessage(0);
}

void TApplication::ClearTerminate() {
    FTerminated = false;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
}

void TApplication::SetScreenCursor(TCursor cursor) {
    FScreenCursor = cursor;
    if (cursor != crDefault) {
        ::SetCursor(CursorHandle(cursor));
    } else {
        // Let the window under the mouse choose its cursor again.
        POINT p;
        GetCursorPos(&p);
        SetCursorPos(p.x, p.y);
    }
}

void TApplication::BeginBusy() {
    if (FBusyCount++ == 0) {
        FSavedCursor = FScreenCursor;
        SetScreenCursor(crHourGlass);
    }
}

void TApplication::EndBusy() {
    if (FBusyCount == 0) return;
    if (--FBusyCount == 0) SetScreenCursor(FSavedCursor);
}

HWND TApplication::ActiveFormHandle() const {
    HWND active = GetActiveWindow();
    if (TWinControl::FromHandle(active)) return active;
    if (FMainForm && FMainForm->HandleAllocated() && IsWindowVisible(FMainForm->Handle()))
        return FMainForm->Handle();
    return nullptr;
}

int TApplication::MessageBox(const std::string& text, const std::string& caption, UINT flags) {
    if (!FInitialized) Initialize();
    const std::string& title = caption.empty() ? Title() : caption;
    HWND owner = ActiveFormHandle();
    return ::MessageBoxA(owner, text.c_str(), title.c_str(), flags | (owner ? 0 : MB_TASKMODAL));
}

void TApplication::HandleException(std::exception_ptr error) {
    if (OnException) {
        OnException(this, error);
        return;
    }
    MessageBox(ExceptionText(error, "Unknown error"), "", MB_OK | MB_ICONERROR);
}

void ShowMessage(const std::string& text) {
    Application.MessageBox(text);
}

void TApplication::SetMouseControl(TControl* control) {
    if (control == FMouseControl) return;
    TControl* old = FMouseControl;
    FMouseControl = control;
    if (old) old->DispatchMouseLeave();
    if (control && FMouseControl == control) control->DispatchMouseEnter();
}

void TApplication::SetCaptureControl(TControl* control) {
    FCaptureControl = control;
}

TControl* TApplication::ControlAtPoint(POINT screen) const {
    TWinControl* win = TWinControl::FromHandle(WindowFromPoint(screen));
    if (!win) return nullptr;
    POINT local = screen;
    ::ScreenToClient(win->Handle(), &local);
    if (TControl* g = win->GraphicControlAt(local)) return g;
    return win;
}

void TApplication::ControlDestroying(TControl* control) {
    if (FMouseControl == control) FMouseControl = nullptr;
    if (FCaptureControl == control) FCaptureControl = nullptr;
}

}  // namespace tk
