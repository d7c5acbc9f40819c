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
    struct Request {
        explicit Request(TCallRef c) : call(c) {}
        TCallRef call;
        Request* next = nullptr;  // not owned: the next waiting worker's request
        std::exception_ptr error;
        bool sleeping = false;  // under FLock: the worker sleeps on it
        bool done = false;      // under FLock
    };

    TSyncLock FLock;
    Request* FHead = nullptr;  // not owned (each lives on its worker's stack); oldest first
    Request* FTail = nullptr;  // not owned: the newest request
    std::atomic<bool> FHasPending{false};  // FHead != nullptr, readable without the lock
    bool FServing = false;                 // under FLock: the GUI thread sleeps in ServeUntil
    std::function<void()> FWake;
    std::thread::id FGuiThread;
};

// The process's queue, used by TThread::Synchronize and served by the application.
TSyncQueue& GuiSyncQueue();

}  // namespace tk
