// A lock that never allocates and never fails: a slim reader/writer lock used
// exclusively. Usable with std::lock_guard and std::unique_lock.
#pragma once

#include <windows.h>

class TSlimLock {
public:
    TSlimLock() noexcept = default;
    TSlimLock(const TSlimLock&) = delete;
    TSlimLock& operator=(const TSlimLock&) = delete;

    void lock() noexcept { AcquireSRWLockExclusive(&FLock); }
    void unlock() noexcept { ReleaseSRWLockExclusive(&FLock); }

private:
    SRWLOCK FLock = SRWLOCK_INIT;
};
