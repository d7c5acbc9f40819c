#include "toolkit/SyncQueue.h"

namespace tk {
namespace {

// Long enough for a handler that repaints a control, short enough to cost little when the
// handler runs longer (a message box, an extraction).
constexpr std::chrono::microseconds kSpinTime{300};

// Polls `ready`, yielding the processor between looks (to the thread that will make it
// true, and to whatever serves that thread's calls), for at most `time`.
template <class Ready>
bool PollFor(std::chrono::microseconds time, Ready ready) {
    if (ready()) return true;
    if (time.count() <= 0) return false;
    const auto deadline = std::chrono::steady_clock::now() + time;
    do {
        std::this_thread::yield();
        if (ready()) return true;
    } while (std::chrono::steady_clock::now() < deadline);
    return false;
}

}  // namespace

TSyncQueue::TSyncQueue()
    : FGuiThread(std::this_thread::get_id()),
      FSpinTime(std::thread::hardware_concurrency() > 1 ? kSpinTime
                                                        : std::chrono::microseconds{0}) {
}

void TSyncQueue::RunAndWait(TCallRef call) {
    if (IsGuiThread()) {
        call();
        return;
    }
    Request request(call);
    {
        std::lock_guard lock(FLock);
        (FTail ? FTail->next : FHead) = &request;
        FTail = &request;
        FHasPending.store(true);
    }
    if (FWake) FWake();
    if (!PollFor(FSpinTime, [&] { return request.done.load(std::memory_order_acquire); })) {
        std::unique_lock lock(FLock);
        request.sleeping = true;
        while (!request.done.load(std::memory_order_acquire)) FLock.Sleep(lock);
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
            // The last touch: a polling worker may return and drop the request at once.
            request->done.store(true, std::memory_order_release);
        }
        if (sleeping) FLock.NotifyAll();
        ran = true;
    }
}

bool TSyncQueue::HasPending() const {
    return FHasPending.load();
}

bool TSyncQueue::PollPending(std::chrono::microseconds time) const {
    return PollFor(time, [this] { return FHasPending.load(); });
}

TSyncQueue& GuiSyncQueue() {
    static TSyncQueue queue;
    return queue;
}

}  // namespace tk
