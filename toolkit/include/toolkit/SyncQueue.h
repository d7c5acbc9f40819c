// The hand-over of calls from worker threads to the GUI thread. A worker queues a call and
// waits until the GUI thread has run it; an exception raised by the call is carried back and
// raised again in the worker. The GUI thread runs queued calls whenever it serves the queue
// (its message loop, ProcessMessages, and waits for worker threads).
//
// A hand-over costs no allocation: the request lives on the worker's stack and the call is
// referred to, not copied. Neither side spins: the worker sleeps on the queue's condition
// until its call has run, and the GUI thread sleeps in its own wait until it is woken.
// Calls come in runs (a download hands one over per read): after one, the GUI thread may
// sleep on the queue's condition for the next (ServeUntil), so that a worker wakes it
// with no more than the condition's own wake, which costs no trip through the system's
// message queue.
//
// A worker may also post a call and go on without waiting (Post): a download reports each
// piece so. Posted calls run in order with the waited-for ones, but they are gathered: one
// wake of the GUI thread serves all that came within an interval (kPostedRunInterval), so
// that the GUI thread pays for the calls themselves and not a wake for each. A worker that
// has kPostWindow posted calls still waiting waits for room.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <exception>
#include <functional>
#include <thread>
#include <type_traits>

#include "toolkit/SyncLock.h"

namespace tk {

// A non-owning reference to something callable with no arguments; it must outlive the call
// it is handed to (a hand-over is synchronous, so a temporary lambda does).
class TCallRef {
public:
    template <class F, class = std::enable_if_t<!std::is_same_v<std::decay_t<F>, TCallRef>>>
    TCallRef(F&& call)  // NOLINT: converts implicitly, as std::function does
        : FTarget(const_cast<void*>(static_cast<const void*>(&call))),
          FInvoke([](void* target) { (*static_cast<std::remove_reference_t<F>*>(target))(); }) {}
    void operator()() const { FInvoke(FTarget); }

private:
    void* FTarget;  // not owned: the call, alive until it has run
    void (*FInvoke)(void*);
};

// A call posted without waiting: a plain function and the two values it takes, kept by the
// queue until the GUI thread has run it. It reports its own failures: what it raises is
// dropped.
struct TPostedCall {
    void (*Run)(void* target, std::int64_t value) = nullptr;
    void* Target = nullptr;  // not owned: the poster keeps it alive until its calls have run
    std::int64_t Value = 0;
    void operator()() const { Run(Target, Value); }
};

class TSyncQueue {
public:
    using Clock = std::chrono::steady_clock;
    // Posted calls that come within this of a served one wait for the next serving.
    static constexpr std::chrono::milliseconds kPostedRunInterval{100};
    static constexpr int kPostWindow = 256;

    TSyncQueue();
    ~TSyncQueue();
    TSyncQueue(const TSyncQueue&) = delete;
    TSyncQueue& operator=(const TSyncQueue&) = delete;

    // Runs `call` on the GUI thread and returns after it has run there; rethrows what it
    // raised. Called on the GUI thread itself, it runs the call at once.
    void RunAndWait(TCallRef call);
    // GUI thread: runs every queued call, oldest first. Returns whether any ran, and in
    // `ranWaited` whether a call a worker waits for was among them.
    bool RunPending(bool* ranWaited = nullptr);
    bool HasPending() const;
    // Worker: queues `call` and returns (on the GUI thread: runs it at once). The calls it
    // waits for (RunAndWait) after it run after it: a worker that must know its posted calls
    // have run waits for an empty call.
    void Post(TPostedCall call);
    // GUI thread: whether the queue wants serving now: a call waited for, or posted calls
    // whose interval is over (or that fill the window).
    bool Due() const;
    // GUI thread: by when it must serve the queue again although nobody wakes it (posted
    // calls are not woken for within the interval); Clock::time_point::max() when never.
    Clock::time_point ServeBy() const;
    // GUI thread: runs queued calls as they come, sleeping on the queue between them, until
    // `deadline`; whether any ran. Meanwhile workers wake it through the queue itself, not
    // through the wake handler, so no message needs to run for their calls.
    bool ServeUntil(std::chrono::steady_clock::time_point deadline);

    // Called by a worker after it queued a call, to wake the GUI thread.
    void SetWakeHandler(std::function<void()> wake) { FWake = std::move(wake); }
    // The GUI thread is the one that created the queue unless told otherwise.
    void SetGuiThread(std::thread::id id) { FGuiThread = id; }
    bool IsGuiThread() const { return std::this_thread::get_id() == FGuiThread; }

private:
    // Under FLock. A posted call does not run inside another call (whose handler may have
    // opened a message box, with its own message loop): its worker's later calls wait
    // behind it, as they would if it had waited.
    bool HeadRunnable() const { return FHead && !(FHead->isPosted && FRunDepth > 0); }
    // Under FLock: posted calls that want serving at `now`, and whether posted calls may
    // come unwoken for (so that the GUI thread must look again by FQuietUntil).
    bool PostedDue(Clock::time_point now) const {
        return FPostedCount > 0 && HeadRunnable() &&
               (FPostedCount >= kPostWindow || now >= FQuietUntil);
    }
    bool Quiet(Clock::time_point now) const {
        return (FPostedCount > 0 && HeadRunnable()) || now < FQuietUntil;
    }

    struct Request {
        explicit Request(TCallRef c) : call(c) {}
        Request() : call(posted), isPosted(true) {}  // a node for posted calls
        TPostedCall posted;  // a posted call's own copy (`call` refers to it)
        TCallRef call;
        bool isPosted = false;
        Request* next = nullptr;  // not owned: the next waiting worker's request
        std::exception_ptr error;
        bool sleeping = false;  // under FLock: the worker sleeps on it
        bool done = false;      // under FLock
    };

    mutable TSyncLock FLock;
    Request* FHead = nullptr;  // not owned (each lives on its worker's stack); oldest first
    Request* FTail = nullptr;  // not owned: the newest request
    std::atomic<bool> FHasPending{false};  // FHead != nullptr, readable without the lock
    bool FServing = false;                 // under FLock: the GUI thread sleeps in ServeUntil
    // Under FLock: the calls queued that a worker waits for, and the posted ones.
    int FWaitedCount = 0;
    int FPostedCount = 0;
    bool FPosterWaiting = false;     // a worker waits for room in the window
    bool FPostWoke = false;          // a post has woken the GUI thread, which has not served yet
    int FRunDepth = 0;               // calls running on the GUI thread, one inside another
    Clock::time_point FQuietUntil;   // posted calls are not woken for before this
    Request* FFreePosted = nullptr;  // owned: spare nodes for posted calls, linked by next
    std::function<void()> FWake;
    std::thread::id FGuiThread;
};

// The process's queue, used by TThread::Synchronize and served by the application.
TSyncQueue& GuiSyncQueue();

}  // namespace tk
