#include "toolkit/SyncQueue.h"

namespace tk {

TSyncQueue::TSyncQueue() : FGuiThread(std::this_thread::get_id()) {
}

void TSyncQueue::RunAndWait(TCallRef call) {
    if (IsGuiThread()) {
        call();
        return;
    }
    Request request(call);
    bool serving;
    {
        std::lock_guard lock(FLock);
        (FTail ? FTail->next : FHead) = &request;
        FTail = &request;
        FHasPending.store(true);
        serving = FServing;
    }
    if (serving)
        FLock.NotifyAll();
    else if (FWake)
        FWake();
    {
        // A call served before the worker gets here costs no sleep and no wake.
        std::unique_lock lock(FLock);
        request.sleeping = true;
        while (!request.done) FLock.Sleep(lock);
    }
    if (request.error) std::rethrow_exception(request.error);
}

bool TSyncQueue::RunPending() {
    bool ran = false;
    for (;;) {
        Request* request;
        {
            std::lock_guard lock(FLock);
            if (!FHead) return ran;
            request = FHead;
            FHead = request->next;
            if (!FHead) {
                FTail = nullptr;
                FHasPending.store(false);
            }
        }
        std::exception_ptr error;
        try {
            request->call();
        } catch (...) {
            error = std::current_exception();
        }
        bool sleeping;
        {
            std::lock_guard lock(FLock);
            request->error = std::move(error);
            sleeping = request->sleeping;
            // The last touch: once it sees this, the worker may return and drop the request.
            request->done = true;
        }
        if (sleeping) FLock.NotifyAll();
        ran = true;
    }
}

bool TSyncQueue::ServeUntil(std::chrono::steady_clock::time_point deadline) {
    bool ran = false;
    for (;;) {
        ran = RunPending() || ran;
        std::unique_lock lock(FLock);
        if (FHead) continue;
        if (std::chrono::steady_clock::now() >= deadline) return ran;
        FServing = true;
        FLock.SleepUntil(lock, deadline);
        // From here on a worker wakes this thread by its wake handler again; a call queued
        // before is served by the next round.
        FServing = false;
    }
}

bool TSyncQueue::HasPending() const {
    return FHasPending.load();
}

TSyncQueue& GuiSyncQueue() {
    static TSyncQueue queue;
    return queue;
}

}  // namespace tk
