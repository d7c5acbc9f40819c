#include <condition_variable>

#include "toolkit/SyncLock.h"

namespace tk {

struct TSyncLock::Impl {
    std::mutex Mutex;
    std::condition_variable_any Condition;
};

TSyncLock::TSyncLock() : FImpl(std::make_unique<Impl>()) {
}
TSyncLock::~TSyncLock() = default;

void TSyncLock::lock() {
    FImpl->Mutex.lock();
}
void TSyncLock::unlock() {
    FImpl->Mutex.unlock();
}
void TSyncLock::Sleep(std::unique_lock<TSyncLock>& held) {
    FImpl->Condition.wait(held);
}
void TSyncLock::SleepUntil(std::unique_lock<TSyncLock>& held,
                           std::chrono::steady_clock::time_point deadline) {
    FImpl->Condition.wait_until(held, deadline);
}
void TSyncLock::NotifyAll() {
    FImpl->Condition.notify_all();
}

}  // namespace tk
