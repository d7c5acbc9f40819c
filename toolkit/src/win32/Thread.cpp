#include "toolkit/Thread.h"

#include <process.h>

#include "toolkit/Application.h"
#include "toolkit/SyncQueue.h"

namespace tk {

void Synchronize(const std::function<void()>& call) {
    GuiSyncQueue().RunAndWait(call);
}

bool CheckSynchronize() {
    if (!IsGuiThread()) return false;
    return GuiSyncQueue().RunPending();
}

bool IsGuiThread() {
    return GuiSyncQueue().IsGuiThread();
}

HANDLE SyncSignal() {
    static TKernelHandle signal(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    return signal.Get();
}

void WaitServingGui(HANDLE handle) {
    if (!IsGuiThread()) {
        WaitForSingleObject(handle, INFINITE);
        return;
    }
    HANDLE handles[2] = {handle, SyncSignal()};
    for (;;) {
        CheckSynchronize();
        // Only handed-over calls and sent messages run here (the GUI's posted input waits);
        // sent messages are served so that a worker's SendMessage cannot deadlock. The
        // timeout makes the wait look again at least once a second.
        DWORD r = MsgWaitForMultipleObjects(2, handles, FALSE, 1000, QS_SENDMESSAGE);
        if (r == WAIT_OBJECT_0 || r == WAIT_FAILED) break;
        if (r == WAIT_OBJECT_0 + 2) {
            MSG msg;
            PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        }
    }
    CheckSynchronize();
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
