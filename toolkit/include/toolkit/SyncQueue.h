// The hand-over of calls from worker threads to the GUI thread. A worker queues a call and
// waits until the GUI thread has run it; an exception raised by the call is carried back and
// raised again in the worker. The GUI thread runs queued calls whenever it serves the queue
// (its message loop, ProcessMessages, and waits for worker threads).
//
// A hand-over costs no allocation: the request lives on the worker's stack and the call is
// referred to, not copied. The worker spins briefly (yielding) before it sleeps, since on a
// machine with more than one processor a short handler is usually done by then, and the GUI
// thread then has no one to wake.
#pragma once

#include <atomic>
#include <chrono>
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

class TSyncQueue {
public:
    TSyncQueue();

    // Runs `call` on the GUI thread and returns after it has run there; rethrows what it
    // raised. Called on the GUI thread itself, it runs the call at once.
    void RunAndWait(TCallRef call);
    // GUI thread: runs every queued call, oldest first. Returns whether any ran.
    bool RunPending();
    bool HasPending() const;
    // Polls, yielding, until a call is queued or `time` has passed; whether one is queued.
    bool PollPending(std::chrono::microseconds time) const;

    // Called by a worker after it queued a call, to wake the GUI thread.
    void SetWakeHandler(std::function<void()> wake) { FWake = std::move(wake); }
    // The GUI thread is the one that created the queue unless told otherwise.
    void SetGuiThread(std::thread::id id) { FGuiThread = id; }
    bool IsGuiThread() const { return std::this_thread::get_id() == FGuiThread; }
    // How long a worker polls for its call to be done before it sleeps (0: never polls).
    void SetSpinTime(std::chrono::microseconds time) { FSpinTime = time; }

private:
    struct Request {
        explicit Request(TCallRef c) : call(c) {}
        TCallRef call;
        Request* next = nullptr;  // not owned: the next waiting worker's request
        std::exception_ptr error;
        bool sleeping = false;  // under FLock: the worker sleeps on it
        std::atomic<bool> done{false};
    };

    TSyncLock FLock;
    Request* FHead = nullptr;  // not owned (each lives on its worker's stack); oldest first
    Request* FTail = nullptr;  // not owned: the newest request
    std::atomic<bool> FHasPending{false};  // FHead != nullptr, readable without the lock
    std::function<void()> FWake;
    std::thread::id FGuiThread;
    std::chrono::microseconds FSpinTime;
};

// The process's queue, used by TThread::Synchronize and served by the application.
TSyncQueue& GuiSyncQueue();

}  // namespace tk
