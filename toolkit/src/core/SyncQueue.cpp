#include "toolkit/SyncQueue.h"

#include <algorithm>

namespace tk {

TSyncQueue::TSyncQueue() : FGuiThread(std::this_thread::get_id()) {
}

TSyncQueue::~TSyncQueue() {
    for (Request* r = FHead; r;) {
        Request* next = r->next;
        if (r->isPosted) delete r;  // the others live on their workers' stacks
        r = next;
    }
    while (Request* r = FFreePosted) {
        FFreePosted = r->next;
        delete r;
    }
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
        ++FWaitedCount;
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

void TSyncQueue::Post(TPostedCall call) {
    if (IsGuiThread()) {
        try {
            call();
        } catch (...) {
        }
        return;
    }
    bool wake, serving;
    {
        std::unique_lock lock(FLock);
        while (FPostedCount >= kPostWindow) {
            FPosterWaiting = true;
            FLock.Sleep(lock);
        }
        Request* node = FFreePosted;
        if (node)
            FFreePosted = node->next;
        else
            node = new Request();
        node->posted = call;
        node->next = nullptr;
        (FTail ? FTail->next : FHead) = node;
        FTail = node;
        FHasPending.store(true);
        ++FPostedCount;
        // Within the interval after a serving the GUI thread comes back by itself (ServeBy);
        // a full window cannot wait for that.
        wake = !FPostWoke && (FPostedCount >= kPostWindow || Clock::now() >= FQuietUntil);
        if (wake) FPostWoke = true;
        serving = FServing;
    }
    if (!wake) return;
    if (serving)
        FLock.NotifyAll();
    else if (FWake)
        FWake();
}

bool TSyncQueue::RunPending(bool* ranWaited) {
    bool ran = false;
    for (;;) {
        Request* request;
        {
            std::lock_guard lock(FLock);
            FPostWoke = false;
            if (!HeadRunnable()) return ran;
            request = FHead;
            FHead = request->next;
            if (!FHead) {
                FTail = nullptr;
                FHasPending.store(false);
            }
            if (!request->isPosted) --FWaitedCount;
            ++FRunDepth;
        }
        ran = true;
        // Each call catches what it raises, so the depth is always given back below.
        if (request->isPosted) {
            try {
                request->call();
            } catch (...) {
            }
            bool notify;
            {
                std::lock_guard lock(FLock);
                --FRunDepth;
                request->next = FFreePosted;
                FFreePosted = request;
                --FPostedCount;
                FQuietUntil = Clock::now() + kPostedRunInterval;
                notify = FPosterWaiting && FPostedCount <= kPostWindow / 2;
                if (notify) FPosterWaiting = false;
            }
            if (notify) FLock.NotifyAll();
            continue;
        }
        if (ranWaited) *ranWaited = true;
        std::exception_ptr error;
        try {
            request->call();
        } catch (...) {
            error = std::current_exception();
        }
        bool sleeping;
        {
            std::lock_guard lock(FLock);
            --FRunDepth;
            request->error = std::move(error);
            sleeping = request->sleeping;
            // The last touch: once it sees this, the worker may return and drop the request.
            request->done = true;
        }
        if (sleeping) FLock.NotifyAll();
    }
}

bool TSyncQueue::ServeUntil(Clock::time_point deadline) {
    bool ran = false;
    for (;;) {
        ran = RunPending() || ran;
        std::unique_lock lock(FLock);
        const auto now = Clock::now();
        if ((FWaitedCount > 0 && HeadRunnable()) || PostedDue(now)) continue;
        if (now >= deadline) return ran;
        FServing = true;
        FLock.SleepUntil(lock, Quiet(now) ? std::min(deadline, FQuietUntil) : deadline);
        // From here on a worker wakes this thread by its wake handler again; a call queued
        // before is served by the next round.
        FServing = false;
    }
}

bool TSyncQueue::HasPending() const {
    return FHasPending.load();
}

bool TSyncQueue::Due() const {
    if (!FHasPending.load()) return false;
    std::lock_guard lock(FLock);
    return (FWaitedCount > 0 && HeadRunnable()) || PostedDue(Clock::now());
}

TSyncQueue::Clock::time_point TSyncQueue::ServeBy() const {
    std::lock_guard lock(FLock);
    if (Quiet(Clock::now())) return FQuietUntil;
    return Clock::time_point::max();
}

TSyncQueue& GuiSyncQueue() {
    static TSyncQueue queue;
    return queue;
}

}  // namespace tk
