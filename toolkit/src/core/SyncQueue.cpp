#include "toolkit/SyncQueue.h"

namespace tk {

TSyncQueue::TSyncQueue() : FGuiThread(std::this_thread::get_id()) {
}

void TSyncQueue::RunAndWait(const std::function<void()>& call) {
    if (IsGuiThread()) {
        call();
        return;
    }
    Request request{&call, nullptr};
    {
        std::lock_guard lock(FLock);
        FPending.push_back(&request);
    }
    if (FWake) FWake();
    std::unique_lock lock(FLock);
    FDone.wait(lock, [&] { return request.done; });
    if (request.error) std::rethrow_exception(request.error);
}

bool TSyncQueue::RunPending() {
    bool ran = false;
    for (;;) {
        Request* request;
        {
            std::lock_guard lock(FLock);
            if (FPending.empty()) return ran;
            request = FPending.front();
            FPending.pop_front();
        }
        std::exception_ptr error;
        try {
            (*request->call)();
        } catch (...) {
            error = std::current_exception();
        }
        {
            std::lock_guard lock(FLock);
            request->error = error;
            request->done = true;
        }
        FDone.notify_all();
        ran = true;
    }
}

bool TSyncQueue::HasPending() const {
    std::lock_guard lock(FLock);
    return !FPending.empty();
}

TSyncQueue& GuiSyncQueue() {
    static TSyncQueue queue;
    return queue;
}

}  // namespace tk
