// A lock with a condition to sleep on, for the hand-over queue. Natively the standard
// library's mutex and condition variable; on Windows the system's slim reader/writer lock
// and condition variable, which (unlike the mingw runtime's, built on events and semaphores)
// take no kernel object, so that under wine a hand-over costs no trip to the server for them.
#pragma once

#include <chrono>
#include <memory>
#include <mutex>

namespace tk {

class TSyncLock {
public:
    TSyncLock();
    ~TSyncLock();
    TSyncLock(const TSyncLock&) = delete;
    TSyncLock& operator=(const TSyncLock&) = delete;

    // BasicLockable: works with std::lock_guard and std::unique_lock.
    void lock();
    void unlock();

    // Held lock: releases it while asleep, until NotifyAll (or spuriously), then holds it again.
    void Sleep(std::unique_lock<TSyncLock>& held);
    // As Sleep, and wakes by itself once `deadline` has passed.
    void SleepUntil(std::unique_lock<TSyncLock>& held,
                    std::chrono::steady_clock::time_point deadline);
    void NotifyAll();

private:
    struct Impl;
    std::unique_ptr<Impl> FImpl;
};

}  // namespace tk
