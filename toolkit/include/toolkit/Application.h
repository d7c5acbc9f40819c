// The application object: title, main form, message loop, termination, busy cursor and
// message boxes. One instance, `Application`, runs on the GUI thread.
#pragma once

#include <windows.h>

#include <exception>
#include <memory>
#include <string>

#include "toolkit/Component.h"
#include "toolkit/Controls.h"

namespace tk {

class TForm;
class TGdiPlusSession;

class TApplication : public TComponent {
public:
    TApplication();
    ~TApplication() override;

    // Starts GDI+, COM/OLE (for the browser) and the common controls. Forms call it on their
    // own when it has not run.
    void Initialize();
    bool Initialized() const { return FInitialized; }

    // The title of message boxes; by default the executable's name without extension.
    const std::string& Title() const;
    void SetTitle(const std::string& title) { FTitle = title; }

    TForm* MainForm() const { return FMainForm; }
    // The first form created registers itself here.
    void FormCreated(TForm* form);
    void FormDestroyed(TForm* form);

    // Runs the main form's message loop until Terminate (non-modal programs).
    void Run();
    // Dispatches every pending message and every call handed over by worker threads.
    void ProcessMessages();
    // Waits for one message (or a handed-over call) and handles it.
    void HandleMessage();
    // Asks the running loops to end: the modal loop that runs returns, Run returns.
    void Terminate();
    bool Terminated() const { return FTerminated; }
    // Lets a program start another loop after a terminate request (test programs do).
    void ClearTerminate();

    // The cursor shown over every window of the application (crDefault: each control's own).
    TCursor ScreenCursor() const { return FScreenCursor; }
    void SetScreenCursor(TCursor cursor);
    // Nesting busy cursor: the first BeginBusy saves the screen cursor and shows the
    // hourglass, the matching last EndBusy restores it.
    void BeginBusy();
    void EndBusy();
    int BusyCount() const { return FBusyCount; }

    // A modal message box with an OK button, titled with Title unless a caption is given.
    // Returns the button chosen (IDOK...).
    int MessageBox(const std::string& text, const std::string& caption = "", UINT flags = MB_OK);

    // An exception that escaped an event handler run from the message loop: OnException
    // when assigned, else a message box with its text. The loop then goes on.
    void HandleException(std::exception_ptr error);
    // Runs `call` as the message loop runs handlers: what it raises goes to HandleException.
    template <class F>
    void Guarded(F&& call) {
        try {
            call();
        } catch (...) {
            HandleException(std::current_exception());
        }
    }
    TEvent<void(TObject* Sender, std::exception_ptr Error)> OnException;

    // The window of the active form (owner of message boxes), or nullptr.
    HWND ActiveFormHandle() const;

    // The hidden window that wakes the loop for handed-over calls and carries timers.
    HWND UtilityWindow();

    // Mouse tracking across all windows: enter/leave notifications.
    void SetMouseControl(TControl* control);
    TControl* MouseControl() const { return FMouseControl; }
    // Capture of the mouse by a control (windowless controls capture through their parent).
    TControl* CaptureControl() const { return FCaptureControl; }
    void SetCaptureControl(TControl* control);

    // The control under a screen point (a windowless child when one is there), or nullptr.
    TControl* ControlAtPoint(POINT screen) const;

    // Forgets references to a control that is being destroyed.
    void ControlDestroying(TControl* control);

private:
    static LRESULT CALLBACK UtilityProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
    bool PreProcessMessage(MSG& msg);
    void DispatchOne(MSG& msg);

    std::string FTitle;
    mutable std::string FDefaultTitle;
    TForm* FMainForm = nullptr;  // not owned
    bool FTerminated = false;
    bool FInitialized = false;
    bool FOleStarted = false;
    TCursor FScreenCursor = crDefault;
    TCursor FSavedCursor = crDefault;
    int FBusyCount = 0;
    HWND FUtilityWindow = nullptr;
    TControl* FMouseControl = nullptr;    // not owned
    TControl* FCaptureControl = nullptr;  // not owned
    std::unique_ptr<TGdiPlusSession> FGdiPlus;
};

extern TApplication Application;

// Shows a message box titled with the application's title.
void ShowMessage(const std::string& text);

// Busy cursor for one scope.
class TBusyCursor {
public:
    TBusyCursor() { Application.BeginBusy(); }
    ~TBusyCursor() { Application.EndBusy(); }
    TBusyCursor(const TBusyCursor&) = delete;
    TBusyCursor& operator=(const TBusyCursor&) = delete;
};

}  // namespace tk
