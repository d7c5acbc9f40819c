// The Win32 toolkit under wine: modal loops, the hand-over to the GUI thread, painting read
// back from the screen, message boxes and owner teardown. Runs on the test display.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "toolkit/Application.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/Forms.h"
#include "toolkit/GdiPlus.h"
#include "toolkit/StdCtrls.h"
#include "toolkit/Thread.h"

using namespace tk;

namespace {

// Runs `step` once from a timer inside the loop that is running then.
void Later(TComponent* owner, unsigned ms, std::function<void()> step) {
    auto* timer = new TTimer(owner);
    timer->SetInterval(ms);
    timer->OnTimer.Assign([timer, step](TObject*) {
        timer->SetEnabled(false);
        step();
    });
}

struct TScreenCapture {
    // The current screen image of a window's client area (what the user sees).
    explicit TScreenCapture(HWND wnd) {
        RECT r;
        GetClientRect(wnd, &r);
        width = r.right;
        height = r.bottom;
        bitmap.SetSize(width, height);
        TWindowDC dc(wnd);
        BitBlt(bitmap.DC(), 0, 0, width, height, dc.Get(), 0, 0, SRCCOPY);
    }
    COLORREF At(int x, int y) const { return GetPixel(bitmap.DC(), x, y); }
    // Pixels in the rectangle that differ from `background`.
    int CountDifferent(RECT r, COLORREF background) const {
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                if (At(x, y) != background) ++n;
        return n;
    }
    int width, height;
    TBitmap bitmap;
};

// Shows `form`, lets it paint, runs `check` inside its modal loop, then closes it.
void WhileShown(TForm* form, const std::function<void()>& check) {
    bool checked = false;
    Later(form, 300, [&] {
        form->Update();
        Application.ProcessMessages();
        check();
        checked = true;
        form->Close();
    });
    form->ShowModal();
    EXPECT_TRUE(checked);
}

class TestForm : public TForm {
public:
    explicit TestForm(TComponent* owner) : TForm(owner) {
        SetBounds(0, 0, 400, 300);
        SetPosition(poScreenCenter);
        SetCaption("Toolkit test");
    }
};

}  // namespace

// ---- modal loop ----

TEST(ModalLoop, CloseEndsTheLoopAfterOnClose) {
    TestForm form(nullptr);
    int closes = 0;
    form.OnClose.Assign([&](TObject* sender, TCloseAction& action) {
        EXPECT_EQ(sender, &form);
        EXPECT_EQ(action, caHide);
        ++closes;
    });
    Later(&form, 50, [&] { form.Close(); });
    EXPECT_EQ(form.ShowModal(), mrCancel);
    EXPECT_EQ(closes, 1);
    EXPECT_FALSE(form.Visible());
}

TEST(ModalLoop, CloseActionNoneKeepsTheLoopRunning) {
    TestForm form(nullptr);
    int attempts = 0;
    form.OnClose.Assign([&](TObject*, TCloseAction& action) {
        if (++attempts == 1) action = caNone;
    });
    Later(&form, 50, [&] {
        form.Close();
        Later(&form, 50, [&] { form.Close(); });
    });
    EXPECT_EQ(form.ShowModal(), mrCancel);
    EXPECT_EQ(attempts, 2);
}

TEST(ModalLoop, ButtonModalResultEndsTheLoop) {
    TestForm form(nullptr);
    auto* ok = new TButton(&form);
    ok->SetParent(&form);
    ok->SetModalResult(mrOk);
    Later(&form, 50, [&] { ok->Click(); });
    EXPECT_EQ(form.ShowModal(), mrOk);
}

TEST(ModalLoop, EnterAndEscapeReachDefaultAndCancelButtons) {
    for (WORD key : {WORD(VK_RETURN), WORD(VK_ESCAPE)}) {
        TestForm form(nullptr);
        auto* edit = new TEdit(&form);
        edit->SetParent(&form);
        auto* ok = new TButton(&form);
        ok->SetParent(&form);
        ok->SetTop(40);
        ok->SetDefault(true);
        ok->SetModalResult(mrOk);
        auto* cancel = new TButton(&form);
        cancel->SetParent(&form);
        cancel->SetTop(80);
        cancel->SetCancel(true);
        cancel->SetModalResult(mrCancel);
        form.SetActiveControl(edit);
        int okClicks = 0;
        ok->OnClick.Assign([&](TObject*) { ++okClicks; });
        Later(&form, 100, [&] {
            // Keys as the keyboard delivers them, to the focused edit.
            EXPECT_TRUE(edit->Focused());
            PostMessageA(edit->Handle(), WM_KEYDOWN, key, 0);
        });
        TModalResult result = form.ShowModal();
        EXPECT_EQ(result, key == VK_RETURN ? mrOk : mrCancel);
        EXPECT_EQ(okClicks, key == VK_RETURN ? 1 : 0);
    }
}

TEST(ModalLoop, AcceleratorClicksTheButton) {
    TestForm form(nullptr);
    auto* edit = new TEdit(&form);
    edit->SetParent(&form);
    auto* all = new TButton(&form);
    all->SetParent(&form);
    all->SetTop(40);
    all->SetCaption("Yes to &All");
    all->SetModalResult(mrYesToAll);
    form.SetActiveControl(edit);
    Later(&form, 100, [&] {
        // A plain 'a' belongs to the edit; Alt+A is the accelerator.
        PostMessageA(edit->Handle(), WM_CHAR, 'a', 0);
        PostMessageA(edit->Handle(), WM_SYSCHAR, 'a', 1 << 29);
    });
    EXPECT_EQ(form.ShowModal(), mrYesToAll);
    EXPECT_EQ(edit->Text(), "a");
}

// ---- hand-over to the GUI thread ----

namespace {

class TCallingThread : public TThread {
public:
    std::function<void(TCallingThread&)> body;
    ~TCallingThread() override {
        Terminate();
        WaitFor();
    }

protected:
    void Execute() override { body(*this); }
};

}  // namespace

TEST(Synchronize, RunsOnTheGuiThreadAndCarriesExceptionsBack) {
    const DWORD gui = GetCurrentThreadId();
    DWORD ranOn = 0;
    std::string caught;
    TCallingThread worker;
    worker.body = [&](TCallingThread& self) {
        self.Synchronize([&] { ranOn = GetCurrentThreadId(); });
        try {
            self.Synchronize([] { throw std::runtime_error("raised on the GUI thread"); });
        } catch (const std::runtime_error& e) {
            caught = e.what();
        }
    };
    worker.Start();
    // The message loop serves the calls: pump until the worker is done. The worker ends
    // without posting anything after its last call, so a thread timer keeps the idle loop
    // turning until it sees the end.
    const UINT_PTR tick = SetTimer(nullptr, 0, 20, nullptr);
    DWORD deadline = GetTickCount() + 5000;
    while (!worker.Finished() && GetTickCount() < deadline) Application.HandleMessage();
    KillTimer(nullptr, tick);
    ASSERT_TRUE(worker.Finished());
    EXPECT_EQ(ranOn, gui);
    EXPECT_NE(ranOn, worker.ThreadID());
    EXPECT_EQ(caught, "raised on the GUI thread");
    EXPECT_FALSE(worker.FatalException());
}

TEST(Synchronize, WaitForServesHandedOverCallsUntilTheThreadEnds) {
    std::vector<DWORD> threads;
    TCallingThread worker;
    worker.body = [&](TCallingThread& self) {
        for (int i = 0; i < 5; ++i)
            self.Synchronize([&] { threads.push_back(GetCurrentThreadId()); });
        // Still asked to stop while the GUI thread waits: the flag is seen here.
        while (!self.Terminated()) Sleep(10);
    };
    worker.Start();
    DWORD started = GetTickCount();
    // Nothing pumps messages here: the wait itself must run the five calls.
    Later(&Application, 1, [] {});  // a posted timer that the wait must not depend on
    TCallingThread stopper;
    stopper.body = [&](TCallingThread&) {
        Sleep(300);
        worker.Terminate();
    };
    stopper.Start();
    worker.WaitFor();
    EXPECT_TRUE(worker.Finished());
    ASSERT_EQ(threads.size(), 5u);
    for (DWORD id : threads) EXPECT_EQ(id, GetCurrentThreadId());
    EXPECT_LT(GetTickCount() - started, 3000u);
}

TEST(Synchronize, RunsOfCallsAreServedByAForeignMessageLoopAndByTheIdleLoop) {
    // A run of calls like a download's: the first half is served while the GUI thread runs
    // a message loop of its own (as a message box does), the rest by the application's.
    constexpr int kCalls = 400;
    std::vector<int> order;
    TCallingThread worker;
    worker.body = [&](TCallingThread& self) {
        for (int i = 0; i < kCalls; ++i) self.Synchronize([&order, i] { order.push_back(i); });
    };
    worker.Start();
    const DWORD deadline = GetTickCount() + 10000;
    MSG msg;
    while (order.size() < kCalls / 2 && GetTickCount() < deadline) {
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
        else
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
    const UINT_PTR tick = SetTimer(nullptr, 0, 20, nullptr);  // lets the loop see the end
    while (!worker.Finished() && GetTickCount() < deadline) Application.HandleMessage();
    KillTimer(nullptr, tick);
    worker.WaitFor();
    ASSERT_EQ(order.size(), static_cast<size_t>(kCalls));
    for (int i = 0; i < kCalls; ++i) ASSERT_EQ(order[i], i);
}

TEST(Synchronize, ExecuteExceptionIsKeptNotLost) {
    TCallingThread worker;
    worker.body = [](TCallingThread&) { throw std::runtime_error("worker failed"); };
    worker.Start();
    worker.WaitFor();
    ASSERT_TRUE(worker.FatalException());
    EXPECT_THROW(std::rethrow_exception(worker.FatalException()), std::runtime_error);
}

// ---- painting, read back from the screen ----

TEST(Painting, WindowlessLabelAppearsAtItsPosition) {
    TestForm form(nullptr);
    form.SetColor(clWhite);
    auto* panel = new TPanel(&form);
    panel->SetParent(&form);
    panel->SetAlign(alClient);
    panel->SetBevelOuter(bvNone);
    panel->SetColor(clWhite);
    auto* label = new TLabel(&form);
    label->SetParent(panel);
    label->SetBounds(24, 100, 0, 0);
    label->Font().SetColor(clBlack);
    label->Font().SetStyle(fsBold);
    // Bold digits are drawn past their advance widths under wine.
    const std::string text = "WWWW 1.0.0.0";
    label->SetCaption(text);
    // Auto-size fits the bold text, with room for glyphs drawn past their advance.
    TCanvas measure;
    measure.Font = label->Font();
    EXPECT_GE(label->Width(), measure.TextWidth(text));
    EXPECT_LE(label->Width(), measure.TextWidth(text) + 8);

    WhileShown(&form, [&] {
        TScreenCapture shot(panel->Handle());
        RECT inside = label->BoundsRect();
        EXPECT_GT(shot.CountDifferent(inside, RGB(255, 255, 255)), 20);
        // Left of, above and below the label the panel is untouched.
        EXPECT_EQ(shot.CountDifferent({0, 90, 24, 130}, RGB(255, 255, 255)), 0);
        EXPECT_EQ(shot.CountDifferent({24, 80, 120, 100}, RGB(255, 255, 255)), 0);
        EXPECT_EQ(
            shot.CountDifferent({24, inside.bottom, 120, inside.bottom + 20}, RGB(255, 255, 255)),
            0);
        // The whole text fits: the last column of the label is blank.
        EXPECT_EQ(shot.CountDifferent({inside.right - 1, inside.top, inside.right, inside.bottom},
                                      RGB(255, 255, 255)),
                  0);
    });
}

namespace {

// A parent painted with GDI+: red left half, blue right half.
class THalvesPanel : public TCustomControl {
public:
    using TCustomControl::TCustomControl;

protected:
    void Paint() override {
        Gdiplus::Graphics g(Canvas().Handle());
        Gdiplus::SolidBrush red(Gdiplus::Color(ColorToArgb(clRed)));
        Gdiplus::SolidBrush blue(Gdiplus::Color(ColorToArgb(clBlue)));
        g.FillRectangle(&red, 0, 0, Width() / 2, Height());
        g.FillRectangle(&blue, Width() / 2, 0, Width() - Width() / 2, Height());
    }
};

// A double-buffered control that is opaque only in a centre square.
class TSquareControl : public TCustomControl {
public:
    explicit TSquareControl(TComponent* owner) : TCustomControl(owner) { SetDoubleBuffered(true); }

protected:
    void Paint() override {
        DrawParentImage(Canvas().Handle());
        Canvas().BrushColor = clLime;
        Canvas().FillRect({Width() / 2 - 5, Height() / 2 - 5, Width() / 2 + 5, Height() / 2 + 5});
    }
};

}  // namespace

TEST(Painting, DoubleBufferedControlShowsItsParentUnderTransparentParts) {
    TestForm form(nullptr);
    auto* halves = new THalvesPanel(&form);
    halves->SetParent(&form);
    halves->SetBounds(10, 10, 200, 100);
    auto* label = new TLabel(&form);  // a windowless sibling below the control
    label->SetParent(halves);
    label->SetBounds(60, 40, 0, 0);
    label->SetTransparent(false);
    label->SetColor(clYellow);
    label->SetCaption("    ");
    auto* square = new TSquareControl(&form);
    square->SetParent(halves);
    square->SetBounds(50, 30, 100, 40);  // across the middle of the parent

    WhileShown(&form, [&] {
        TScreenCapture shot(square->Handle());
        EXPECT_EQ(shot.At(2, 35), RGB(255, 0, 0));     // parent's left half
        EXPECT_EQ(shot.At(97, 35), RGB(0, 0, 255));    // parent's right half
        EXPECT_EQ(shot.At(50, 20), RGB(0, 255, 0));    // the control's own square
        EXPECT_EQ(shot.At(12, 12), RGB(255, 255, 0));  // the windowless sibling under it
    });
}

TEST(Painting, StaticTextRepaintsAtOnceWithoutTheMessageLoop) {
    TestForm form(nullptr);
    auto* status = new TStaticText(&form);
    status->SetParent(&form);
    status->SetBounds(10, 10, 0, 0);
    status->SetColor(clWhite);
    status->Font().SetColor(clBlack);
    status->SetCaption(" ");
    WhileShown(&form, [&] {
        RECT all{0, 0, status->Width(), status->Height()};
        EXPECT_EQ(TScreenCapture(status->Handle()).CountDifferent(all, RGB(255, 255, 255)), 0);
        // As a long handler does: new text, Repaint, no message processing in between.
        status->SetCaption("Download");
        status->Repaint();
        RECT grown{0, 0, status->Width(), status->Height()};
        EXPECT_GT(TScreenCapture(status->Handle()).CountDifferent(grown, RGB(255, 255, 255)), 20);
    });
}

TEST(Loading, SettingsStoredWhileLoadingTakeEffectAfterwards) {
    TestForm form(nullptr);
    form.BeginLoad();
    auto* panel = new TPanel(&form);
    panel->SetParent(&form);
    panel->SetBounds(5, 6, 70, 80);
    panel->SetCaption("stored");
    auto* client = new TPanel(&form);
    client->SetParent(panel);
    client->SetAlign(alClient);
    HWND wnd = panel->Handle();
    EXPECT_TRUE(client->Loading());
    form.EndLoad();
    RECT r;
    GetWindowRect(wnd, &r);
    EXPECT_EQ(r.right - r.left, 70);
    EXPECT_EQ(r.bottom - r.top, 80);
    char text[32] = {};
    GetWindowTextA(wnd, text, sizeof text);
    EXPECT_STREQ(text, "stored");
    // Aligned children fill their parent once loading is over.
    EXPECT_EQ(client->Width(), panel->ClientWidth());
    EXPECT_EQ(client->Height(), panel->ClientHeight());
}

TEST(ModalLoop, ExceptionFromAHandlerIsReportedAndTheLoopGoesOn) {
    TestForm form(nullptr);
    std::vector<std::string> reported;
    Application.OnException.Assign([&](TObject*, std::exception_ptr error) {
        try {
            std::rethrow_exception(error);
        } catch (const std::exception& e) {
            reported.push_back(e.what());
        }
    });
    auto* button = new TButton(&form);
    button->SetParent(&form);
    button->OnClick.Assign([](TObject*) { throw std::runtime_error("handler failed"); });
    int closes = 0;
    form.OnClose.Assign([&](TObject*, TCloseAction& action) {
        if (++closes == 1) throw std::runtime_error("close failed");
        action = caHide;
    });
    form.SetActiveControl(button);
    Later(&form, 50, [&] {
        // A click as the system reports it, through the window procedure.
        SendMessageA(button->Handle(), BM_CLICK, 0, 0);
        // Enter on the focused button: the loop's keyboard path runs the handler.
        EXPECT_TRUE(button->Focused());
        PostMessageA(button->Handle(), WM_KEYDOWN, VK_RETURN, 0);
        Later(&form, 50, [&] { form.Close(); });
    });
    EXPECT_EQ(form.ShowModal(), mrCancel);
    Application.OnException.Clear();
    EXPECT_EQ(reported, (std::vector<std::string>{"handler failed", "handler failed", "close failed"}));
    EXPECT_EQ(closes, 1) << "a close whose handler failed still ends the loop, once";
}

// ---- fonts, colours, alignment ----

TEST(Controls, FontHeightAndPointsAgreeAtTheScreenResolution) {
    TFont font;
    int changes = 0;
    font.OnChange.Assign([&](TObject*) { ++changes; });
    font.SetHeight(-11);  // unchanged: no notification
    EXPECT_EQ(changes, 0);
    if (ScreenPixelsPerInch() == 96) {
        EXPECT_EQ(font.Size(), 8);
    }
    font.SetSize(12);
    EXPECT_EQ(font.Size(), 12);
    EXPECT_EQ(changes, 1);
    TFont bold;
    bold.SetStyle(fsBold);
    font = bold;  // one notification for the whole assignment
    EXPECT_EQ(changes, 2);
    EXPECT_TRUE(font.Bold());
}

TEST(Controls, AcceleratorsFollowTheAmpersand) {
    EXPECT_EQ(AcceleratorOf("&OK"), 'o');
    EXPECT_EQ(AcceleratorOf("Yes to &All"), 'a');
    EXPECT_EQ(AcceleratorOf("Save && quit"), 0);
    EXPECT_EQ(AcceleratorOf("A&&B &Next"), 'n');
    EXPECT_EQ(AcceleratorOf("Trailing&"), 0);
    EXPECT_TRUE(IsAccel('C', "&Cancel"));
    EXPECT_FALSE(IsAccel('a', "CancelAll"));
}

TEST(Controls, ParentFontAndColourReachOnlyChildrenThatFollowThem) {
    TestForm form(nullptr);
    auto* panel = new TPanel(&form);
    panel->SetParent(&form);
    auto* follower = new TLabel(&form);
    follower->SetParent(panel);
    auto* own = new TLabel(&form);
    own->SetParent(panel);
    own->Font().SetStyle(fsBold);
    EXPECT_EQ(follower->Font().Name(), "Tahoma");
    EXPECT_EQ(follower->Font().Height(), -11);
    panel->Font().SetHeight(-16);
    EXPECT_EQ(follower->Font().Height(), -16);
    EXPECT_EQ(own->Font().Height(), -11);
    EXPECT_TRUE(own->Font().Bold());
    // Labels take their parent's colour until given their own.
    panel->SetColor(clYellow);
    EXPECT_EQ(follower->Color(), clYellow);
    follower->SetColor(clRed);
    panel->SetColor(clAqua);
    EXPECT_EQ(follower->Color(), clRed);
}

TEST(Controls, ClientAlignedChildFollowsItsParentsSize) {
    TestForm form(nullptr);
    auto* panel = new TPanel(&form);
    panel->SetParent(&form);
    panel->SetBounds(0, 0, 200, 100);
    auto* inner = new TPanel(&form);
    inner->SetParent(panel);
    inner->SetAlign(alClient);
    EXPECT_EQ(inner->BoundsRect().right, panel->ClientWidth());
    panel->SetBounds(0, 0, 300, 150);
    EXPECT_EQ(inner->Width(), panel->ClientWidth());
    EXPECT_EQ(inner->Height(), panel->ClientHeight());
    inner->Hide();
    inner->Show();
    EXPECT_EQ(inner->Width(), panel->ClientWidth());
}

// ---- mouse, focus, timers ----

TEST(Mouse, WindowlessControlsGetEnterLeaveAndClickOnlyWhenReleasedInside) {
    TestForm form(nullptr);
    auto* panel = new TPanel(&form);
    panel->SetParent(&form);
    panel->SetBounds(0, 0, 300, 200);
    auto* label = new TLabel(&form);
    label->SetParent(panel);
    label->SetBounds(20, 20, 0, 0);
    label->SetCaption("target");
    std::vector<std::string> seen;
    label->OnMouseEnter.Assign([&](TObject*) { seen.push_back("enter"); });
    label->OnMouseLeave.Assign([&](TObject*) { seen.push_back("leave"); });
    label->OnClick.Assign([&](TObject*) { seen.push_back("click"); });
    label->OnMouseDown.Assign([&](TObject*, TMouseButton, TShiftState, int x, int y) {
        seen.push_back("down " + std::to_string(x) + "," + std::to_string(y));
    });
    HWND wnd = panel->Handle();
    auto at = [](int x, int y) { return static_cast<LPARAM>(MAKELPARAM(x, y)); };
    SendMessageA(wnd, WM_MOUSEMOVE, 0, at(22, 23));
    SendMessageA(wnd, WM_LBUTTONDOWN, MK_LBUTTON, at(22, 23));
    SendMessageA(wnd, WM_MOUSEMOVE, MK_LBUTTON, at(250, 150));  // dragged away: still ours
    SendMessageA(wnd, WM_LBUTTONUP, 0, at(250, 150));           // released outside: no click
    SendMessageA(wnd, WM_LBUTTONDOWN, MK_LBUTTON, at(24, 25));
    SendMessageA(wnd, WM_LBUTTONUP, 0, at(24, 25));
    SendMessageA(wnd, WM_MOUSEMOVE, 0, at(250, 150));
    EXPECT_EQ(seen, (std::vector<std::string>{"enter", "down 2,3", "down 4,5", "click", "leave"}));
}

TEST(Focus, TabMovesThroughTabStopsInOrder) {
    TestForm form(nullptr);
    std::vector<TEdit*> edits;
    for (int i = 0; i < 3; ++i) {
        auto* edit = new TEdit(&form);
        edit->SetParent(&form);
        edit->SetTop(30 * i);
        edits.push_back(edit);
    }
    edits[1]->SetTabStop(false);
    edits[2]->SetTabOrder(0);  // first in tab order now
    std::vector<TEdit*> visited;
    WhileShown(&form, [&] {
        for (int i = 0; i < 3; ++i) {
            for (TEdit* e : edits)
                if (e->Focused()) visited.push_back(e);
            PostMessageA(GetFocus(), WM_KEYDOWN, VK_TAB, 0);
            Application.ProcessMessages();
        }
    });
    EXPECT_EQ(visited, (std::vector<TEdit*>{edits[2], edits[0], edits[2]}));
}

TEST(Timers, TimerRepeatsUntilDisabled) {
    TestForm form(nullptr);
    auto* timer = new TTimer(&form);
    timer->SetInterval(20);
    int ticks = 0;
    timer->OnTimer.Assign([&](TObject*) {
        if (++ticks == 3) {
            timer->SetEnabled(false);
            form.Close();
        }
    });
    form.ShowModal();
    EXPECT_EQ(ticks, 3);
}

// ---- message boxes ----

TEST(MessageBox, IsTitledWithTheApplicationTitle) {
    Application.SetTitle("Quillora test title");
    std::string seenTitle;
    Later(&Application, 300, [&] {
        HWND box = FindWindowA("#32770", nullptr);
        if (box && GetWindowThreadProcessId(box, nullptr) == GetCurrentThreadId()) {
            char title[128] = {};
            GetWindowTextA(box, title, sizeof title);
            seenTitle = title;
            PostMessageA(box, WM_COMMAND, IDOK, 0);
        }
    });
    EXPECT_EQ(Application.MessageBox("Actualizarea a fost instalata. Va multumim."), IDOK);
    EXPECT_EQ(seenTitle, "Quillora test title");
}

// ---- ownership ----

namespace {

int gAlive = 0;
class TCounted : public TLabel {
public:
    explicit TCounted(TComponent* owner) : TLabel(owner) { ++gAlive; }
    ~TCounted() override { --gAlive; }
};

}  // namespace

TEST(Ownership, FormFreesOwnedControlsAndTheirWindows) {
    auto* form = new TestForm(nullptr);
    auto* panel = new TPanel(form);
    panel->SetParent(form);
    auto* edit = new TEdit(form);
    edit->SetParent(panel);
    new TCounted(form);
    (new TCounted(form))->SetParent(panel);
    HWND editWnd = edit->Handle();
    HWND formWnd = form->Handle();
    EXPECT_EQ(gAlive, 2);
    delete form;
    EXPECT_EQ(gAlive, 0);
    EXPECT_FALSE(IsWindow(editWnd));
    EXPECT_FALSE(IsWindow(formWnd));
}

TEST(Ownership, BusyCursorNests) {
    Application.SetScreenCursor(crDefault);
    {
        TBusyCursor outer;
        EXPECT_EQ(Application.ScreenCursor(), crHourGlass);
        {
            TBusyCursor inner;
            EXPECT_EQ(Application.BusyCount(), 2);
        }
        EXPECT_EQ(Application.ScreenCursor(), crHourGlass);
    }
    EXPECT_EQ(Application.ScreenCursor(), crDefault);
    EXPECT_EQ(Application.BusyCount(), 0);
}

// Last: a terminate request ends the modal loop without asking the form.
TEST(ModalLoop, TerminateEndsTheLoopWithoutOnClose) {
    TestForm form(nullptr);
    int closes = 0;
    form.OnClose.Assign([&](TObject*, TCloseAction&) { ++closes; });
    bool asked = false;
    Later(&form, 50, [&] {
        asked = true;
        Application.Terminate();
    });
    EXPECT_EQ(form.ShowModal(), mrCancel);
    EXPECT_TRUE(asked);
    EXPECT_EQ(closes, 0);
    EXPECT_TRUE(Application.Terminated());
    Application.ClearTerminate();
}
