// A worker that, about once a second, has a device's ProgressTick run on the thread
// that owns the device (the thread that loaded the plug-in). The owning thread runs
// the pending ticks whenever it calls CheckSynchronize.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>

#include "win32/Handles.h"

class TqrvMP3;

class TqrvProgressThread {
public:
    // Starts a ticker for the device; the first tick is requested at once. The device
    // and the worker share the ticker: it lives until both have let go, so a device
    // may still tell a ticker whose worker has ended (an error in a tick) to stop.
    // Raises EThread when no thread can be made.
    static std::shared_ptr<TqrvProgressThread> Start(TqrvMP3& device);

    // Asks the worker to end at its next test; returns at once. A tick that is
    // already waiting for the owning thread still runs.
    void RequestStop() noexcept;
    // Holds the worker before its next tick (the track is paused) / lets it go on.
    void Hold() noexcept;
    void Release() noexcept;

    // Runs the pending hand-overs on the owning thread, waiting up to timeoutMs for
    // one to arrive; true when any ran. Raises EThread on any other thread.
    static bool CheckSynchronize(DWORD timeoutMs = 0);
    // The thread whose hand-overs CheckSynchronize runs: the caller (start-up).
    static void SetOwnerThread() noexcept;
    // The device is going away: every ticker that still refers to it stops, its
    // pending tick is withdrawn, and no tick touches the device again.
    static void ForgetDevice(const TqrvMP3& device) noexcept;
    // Unload: asks every ticker to end and withdraws every pending tick.
    static void EndAll() noexcept;
    // The process is ending: its other threads are gone, perhaps in the middle of a
    // hand-over. From now on nothing here takes the lock or waits; what the workers
    // held stays as it is.
    static void AbandonAll() noexcept;
    // Tickers whose worker has not ended yet.
    static int LiveCount() noexcept;

    explicit TqrvProgressThread(TqrvMP3& device);

private:
    void Detach() noexcept;
    static DWORD WINAPI ThreadEntry(void* parameter) noexcept;
    void RunTicks();
    void DoTick();
    void Wake() noexcept;
    // Waits while held; false when a stop was requested.
    bool WaitUntilRunnable() noexcept;
    // Sleeps one period; false when a stop was requested meanwhile.
    bool SleepOnePeriod() noexcept;

    TqrvMP3* FDevice;                // owning thread only, or under the lock
    std::atomic<bool> FStopRequested{false};
    std::atomic<bool> FHeld{false};
    UniqueHandle FWakeEvent;         // set on stop, hold release and abandon
    DWORD FThreadID = 0;
};
