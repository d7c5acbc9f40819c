// The hand-over of calls from worker threads to the GUI thread. A worker queues a call and
// waits until the GUI thread has run it; an exception raised by the call is carried back and
// raised again in the worker. The GUI thread runs queued calls whenever it serves the queue
// (its message loop, ProcessMessages, and waits for worker threads).
#pragma once

#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace tk {

class TSyncQueue {
public:
    TSyncQueue();

    // Runs `call` on the GUI thread and returns after it has run there; rethrows what it
    // raised. Called on the GUI thread itself, it runs the call at once.
    void RunAndWait(const std::function<void()>& call);
    // GUI thread: runs every queued call, oldest first. Returns whether any ran.
    bool RunPending();
    bool HasPending() const;

    // Called by a worker after it queued a call, to wake the GUI thread.
    void SetWakeHandler(std::function<void()> wake) { FWake = std::move(wake); }
    // The GUI thread is the one that created the queue unless told otherwise.
    void SetGuiThread(std::thread::id id) { FGuiThread = id; }
    bool IsGuiThread() const { return std::this_thread::get_id() == FGuiThread; }

private:
    struct Request {
        const std::function<void()>* call;
        std::exception_ptr error;
        bool done = false;
    };

    mutable std::mutex FLock;
    std::condition_variable FDone;
    std::deque<Request*> FPending;
    std::function<void()> FWake;
    std::thread::id FGuiThread;
};

// The process's queue, used by TThread::Synchronize and served by the application.
TSyncQueue& GuiSyncQueue();

}  // namespace tk
