// Worker threads with a terminate request and the hand-over of calls to the GUI thread.
#pragma once

#include <windows.h>

#include <atomic>
#include <exception>
#include <functional>

#include "toolkit/Handles.h"
#include "toolkit/SyncQueue.h"

namespace tk {

// Runs `call` on the GUI thread while the calling worker waits; an exception raised there is
// raised again in the worker. On the GUI thread it runs at once.
void Synchronize(TCallRef call);
// Hands `call` to the GUI thread and returns without waiting for it (see TSyncQueue::Post).
void Post(TPostedCall call);
// GUI thread: runs the calls handed over so far. Returns whether any ran.
bool CheckSynchronize();
// GUI thread: as CheckSynchronize, and when a call ran, also the calls of the same run that
// follow within a short slice (sleeping on the hand-over queue between them).
bool ServeSynchronizeRun();
bool IsGuiThread();
// Signalled when a worker hands a call over while the GUI thread waits in one of the waits
// below; otherwise the worker posts `message` to `wnd`, so that any message loop (a message
// box's too) runs the call. Installed as the queue's wake by the application.
HANDLE SyncSignal();
void WakeGuiThread(HWND wnd, UINT message);

// The GUI thread's idle wait: returns when a message arrives (as WaitMessage does) or a worker
// has handed a call over, which it has then run with the rest of its run.
void IdleServingGui();

// Waits for `handle` to be signalled. On the GUI thread the wait keeps running handed-over
// calls (and sent messages) as they arrive and wakes at least once a second; elsewhere it is
// a plain wait.
void WaitServingGui(HANDLE handle);

class TThread {
public:
    // The thread is created suspended: Execute runs after Start.
    TThread();
    // Sets the terminate request and waits for the thread's end (serving the GUI thread).
    // Derived classes whose Execute uses their own members call Terminate and WaitFor in
    // their destructor, before those members go.
    virtual ~TThread();
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;

    void Start();
    void Terminate() { FTerminated = true; }
    bool Terminated() const { return FTerminated; }
    // Waits until Execute has returned (see WaitServingGui). Returns at once when never
    // started.
    void WaitFor();
    bool Started() const { return FStarted; }
    bool Finished() const { return FFinished; }
    DWORD ThreadID() const { return FThreadId; }
    // What Execute raised and did not handle (empty when it returned normally).
    std::exception_ptr FatalException() const { return FFatalException; }

    // Runs `call` on the GUI thread while this worker waits; rethrows what it raised.
    void Synchronize(TCallRef call) { tk::Synchronize(call); }
    void Post(TPostedCall call) { tk::Post(call); }

protected:
    virtual void Execute() = 0;

private:
    static unsigned __stdcall ThreadProc(void* self);

    TKernelHandle FHandle;
    DWORD FThreadId = 0;
    std::atomic<bool> FTerminated{false};
    std::atomic<bool> FFinished{false};
    bool FStarted = false;
    std::exception_ptr FFatalException;
};

}  // namespace tk
