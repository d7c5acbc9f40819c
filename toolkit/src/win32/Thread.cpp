#include "toolkit/Thread.h"

#include <process.h>

#include <algorithm>

#include "toolkit/Application.h"
#include "toolkit/SyncQueue.h"

namespace tk {

namespace {

// What a worker that has queued a call must do to have it run (see WakeGuiThread).
enum ServingState : int {
    ssBusy,     // the GUI thread is elsewhere: post the wake message for any message loop
    ssWaiting,  // it blocks in ServingWait: the signal wakes it
};
std::atomic<int> gServing{ssBusy};

// After a handed-over call the GUI thread sleeps on the queue for the next one of a run
// (a download hands one over per read, a few hundred microseconds apart, or a few
// milliseconds on a slow line) for at most a slice, after which messages get their turn.
constexpr std::chrono::milliseconds kServeSlice{10};

// `timeout` shortened to when the queue must be served again although nobody wakes the
// GUI thread (see TSyncQueue::ServeBy).
DWORD UntilServeBy(DWORD timeout) {
    const auto by = GuiSyncQueue().ServeBy();
    if (by == TSyncQueue::Clock::time_point::max()) return timeout;
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(by - TSyncQueue::Clock::now()).count();
    return left <= 0 ? 0 : std::min<DWORD>(timeout, static_cast<DWORD>(left));
}

// The GUI thread's blocking wait on `handles`, the last of which is the hand-over signal.
// It sleeps in the system's wait until a handle, a message or a handed-over call wakes it,
// then serves the calls queued, with the rest of their run when `serveRun`.
DWORD ServingWait(DWORD count, const HANDLE* handles, DWORD timeout, DWORD wakeMask, DWORD flags,
                  bool serveRun) {
    gServing.store(ssWaiting);
    // A worker that queued before it could see the state posted its wake instead: that
    // counts as the signal.
    DWORD r = WAIT_OBJECT_0 + count - 1;
    if (!GuiSyncQueue().Due())
        r = MsgWaitForMultipleObjectsEx(count, handles, UntilServeBy(timeout), wakeMask, flags);
    gServing.store(ssBusy);
    // A worker that saw the state only signalled: its call is served here, before any
    // message (which could open a message box of its own) is dispatched.
    if (serveRun)
        ServeSynchronizeRun();
    else
        CheckSynchronize();
    return r;
}

}  // namespace

void Synchronize(TCallRef call) {
    GuiSyncQueue().RunAndWait(call);
}

void Post(TPostedCall call) {
    GuiSyncQueue().Post(call);
}

bool CheckSynchronize() {
    if (!IsGuiThread()) return false;
    return GuiSyncQueue().RunPending();
}

bool ServeSynchronizeRun() {
    bool ranWaited = false;
    if (!IsGuiThread() || !GuiSyncQueue().RunPending(&ranWaited)) return false;
    // Posted calls come gathered, not in runs: only a waited-for call starts a run.
    if (ranWaited) GuiSyncQueue().ServeUntil(std::chrono::steady_clock::now() + kServeSlice);
    return true;
}

bool IsGuiThread() {
    return GuiSyncQueue().IsGuiThread();
}

HANDLE SyncSignal() {
    static TKernelHandle signal(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    return signal.Get();
}

void WakeGuiThread(HWND wnd, UINT message) {
    // Ordered after the queueing of the call (see ServingWait).
    std::atomic_thread_fence(std::memory_order_seq_cst);
    if (gServing.load() == ssWaiting)
        SetEvent(SyncSignal());
    else
        PostMessageA(wnd, message, 0, 0);
}

void IdleServingGui() {
    HANDLE signal = SyncSignal();
    ServingWait(1, &signal, INFINITE, QS_ALLINPUT, 0, true);
}

void WaitServingGui(HANDLE handle) {
    if (!IsGuiThread()) {
        WaitForSingleObject(handle, INFINITE);
        return;
    }
    HANDLE handles[2] = {handle, SyncSignal()};
    CheckSynchronize();
    for (;;) {
        // Only handed-over calls and sent messages run here (the GUI's posted input waits);
        // sent messages are served so that a worker's SendMessage cannot deadlock. The
        // timeout makes the wait look again at least once a second.
        // The end of a thread is the end of its calls: no run is waited for here.
        DWORD r = ServingWait(2, handles, 1000, QS_SENDMESSAGE, 0, false);
        if (r == WAIT_OBJECT_0 || r == WAIT_FAILED) break;
        if (r == WAIT_OBJECT_0 + 2) {
            MSG msg;
            PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        }
    }
}

TThread::TThread() {
    // The GUI thread must be woken when this worker hands a call over.
    if (IsGuiThread()) Application.UtilityWindow();
    unsigned id = 0;
    FHandle.Reset(reinterpret_cast<HANDLE>(
        _beginthreadex(nullptr, 0, &TThread::ThreadProc, this, CREATE_SUSPENDED, &id)));
    if (!FHandle) throw std::runtime_error("Cannot create a thread");
    FThreadId = id;
}

TThread::~TThread() {
    if (!FStarted) {
        // Never started: let the suspended thread run to an immediate end.
        FTerminated = true;
        FFinished = true;
        ResumeThread(FHandle.Get());
        WaitForSingleObject(FHandle.Get(), INFINITE);
        return;
    }
    Terminate();
    WaitFor();
}

void TThread::Start() {
    if (FStarted) return;
    FStarted = true;
    ResumeThread(FHandle.Get());
}

void TThread::WaitFor() {
    if (!FStarted || !FHandle) return;
    WaitServingGui(FHandle.Get());
}

unsigned __stdcall TThread::ThreadProc(void* param) {
    auto* self = static_cast<TThread*>(param);
    if (!self->FFinished) {
        try {
            self->Execute();
        } catch (...) {
            self->FFatalException = std::current_exception();
        }
        self->FFinished = true;
    }
    return 0;
}

}  // namespace tk
