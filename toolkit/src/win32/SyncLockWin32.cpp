#include "toolkit/SyncLock.h"

#include <windows.h>

namespace tk {

struct TSyncLock::Impl {
    SRWLOCK Lock = SRWLOCK_INIT;
    CONDITION_VARIABLE Condition = CONDITION_VARIABLE_INIT;
};

TSyncLock::TSyncLock() : FImpl(std::make_unique<Impl>()) {
}
TSyncLock::~TSyncLock() = default;

void TSyncLock::lock() {
    AcquireSRWLockExclusive(&FImpl->Lock);
}
void TSyncLock::unlock() {
    ReleaseSRWLockExclusive(&FImpl->Lock);
}
void TSyncLock::Sleep(std::unique_lock<TSyncLock>&) {
    SleepConditionVariableSRW(&FImpl->Condition, &FImpl->Lock, INFINITE, 0);
}
void TSyncLock::SleepUntil(std::unique_lock<TSyncLock>&,
                           std::chrono::steady_clock::time_point deadline) {
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return;
    SleepConditionVariableSRW(&FImpl->Condition, &FImpl->Lock, static_cast<DWORD>(left.count()), 0);
}
void TSyncLock::NotifyAll() {
    WakeAllConditionVariable(&FImpl->Condition);
}

}  // namespace tk
