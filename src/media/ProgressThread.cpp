#include "media/ProgressThread.h"

#include <deque>
#include <exception>
#include <mutex>
#include <set>

#include "core/Errors.h"
#include "core/NumberText.h"
#include "media/qrvMP3.h"
#include "win32/SlimLock.h"
#include "win32/SystemErrorText.h"

namespace {

constexpr DWORD TickPeriodMs = 1000;

// One call handed from a worker to the owning thread.
struct THandOver {
    TqrvProgressThread* Ticker;
    void (*Routine)(TqrvProgressThread&);
    UniqueHandle Done;
    std::exception_ptr Error;
};

// What every ticker of the process shares.
struct TTickerRegistry {
    std::atomic<DWORD> OwnerThreadID{0};
    // Set at process end: the lock may be held by a thread that is gone.
    std::atomic<bool> Abandoned{false};
    TSlimLock Lock; // guards Pending and Live
    std::deque<THandOver*> Pending;
    std::set<TqrvProgressThread*> Live;
    UniqueHandle SyncEvent{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
};

TTickerRegistry Registry;

[[noreturn]] void RaiseThreadError(DWORD code) {
    throw EThread("Thread Error: " + SystemErrorText(code) + " (" + DecimalText(static_cast<int>(code)) + ")");
}

// Runs routine on the owning thread and waits for it; re-raises its error here.
void RunOnOwner(TqrvProgressThread& ticker, void (*routine)(TqrvProgressThread&)) {
    if (GetCurrentThreadId() == Registry.OwnerThreadID.load()) {
        routine(ticker);
        return;
    }
    THandOver handOver{&ticker, routine, UniqueHandle(CreateEventA(nullptr, TRUE, FALSE, nullptr)), nullptr};
    if (!handOver.Done) RaiseThreadError(GetLastError());
    {
        std::lock_guard<TSlimLock> guard(Registry.Lock);
        Registry.Pending.push_back(&handOver);
        SetEvent(Registry.SyncEvent.Get());
    }
    WaitForSingleObject(handOver.Done.Get(), INFINITE);
    {
        // The drain signals under the lock: once we hold it, it no longer uses handOver.
        std::lock_guard<TSlimLock> guard(Registry.Lock);
    }
    if (handOver.Error) std::rethrow_exception(handOver.Error);
}

} // namespace

TqrvProgressThread::TqrvProgressThread(TqrvMP3& device) : FDevice(&device) {}

std::shared_ptr<TqrvProgressThread> TqrvProgressThread::Start(TqrvMP3& device) {
    auto ticker = std::make_shared<TqrvProgressThread>(device);
    ticker->FWakeEvent.Reset(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    if (!ticker->FWakeEvent) RaiseThreadError(GetLastError());
    // The worker's share, handed over through the thread's parameter.
    auto workerShare = std::make_unique<std::shared_ptr<TqrvProgressThread>>(ticker);
    {
        std::lock_guard<TSlimLock> guard(Registry.Lock);
        Registry.Live.insert(ticker.get());
    }
    UniqueHandle thread(CreateThread(nullptr, 0, &ThreadEntry, workerShare.get(), CREATE_SUSPENDED, &ticker->FThreadID));
    if (!thread) {
        const DWORD code = GetLastError();
        {
            std::lock_guard<TSlimLock> guard(Registry.Lock);
            Registry.Live.erase(ticker.get());
        }
        throw EThread("Thread creation error: " + SystemErrorText(code));
    }
    workerShare.release(); // from here on the worker owns its share
    if (ResumeThread(thread.Get()) == static_cast<DWORD>(-1)) {
        const DWORD code = GetLastError();
        {
            std::lock_guard<TSlimLock> guard(Registry.Lock);
            ticker->Detach();
        }
        ResumeThread(thread.Get());
        RaiseThreadError(code);
    }
    return ticker;
}

DWORD WINAPI TqrvProgressThread::ThreadEntry(void* parameter) noexcept {
    std::shared_ptr<TqrvProgressThread> self;
    {
        std::unique_ptr<std::shared_ptr<TqrvProgressThread>> share(static_cast<std::shared_ptr<TqrvProgressThread>*>(parameter));
        self = std::move(*share);
    }
    try {
        self->RunTicks();
    } catch (...) {
        // An error in a tick ends the ticker quietly.
    }
    {
        std::lock_guard<TSlimLock> guard(Registry.Lock);
        Registry.Live.erase(self.get());
        SetEvent(Registry.SyncEvent.Get());
    }
    // The device may still hold its share; the last one out frees the ticker. The
    // plug-in stays loaded until the process ends, so this code is there to return to.
    return 0;
}

void TqrvProgressThread::RunTicks() {
    while (WaitUntilRunnable()) {
        RunOnOwner(*this, [](TqrvProgressThread& ticker) { ticker.DoTick(); });
        if (!SleepOnePeriod()) return;
    }
}

void TqrvProgressThread::DoTick() {
    TqrvMP3* device = FDevice;
    if (device == nullptr) return;
    try {
        device->ProgressTick();
    } catch (...) {
        // This ticker ends with the error and never touches the device again.
        std::lock_guard<TSlimLock> guard(Registry.Lock);
        FDevice = nullptr;
        throw;
    }
}

bool TqrvProgressThread::WaitUntilRunnable() noexcept {
    while (FHeld.load() && !FStopRequested.load()) WaitForSingleObject(FWakeEvent.Get(), INFINITE);
    return !FStopRequested.load();
}

bool TqrvProgressThread::SleepOnePeriod() noexcept {
    // Only a stop request cuts the period short; a wake-up for anything else waits again.
    const DWORD start = GetTickCount();
    for (;;) {
        if (FStopRequested.load()) return false;
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= TickPeriodMs) return true;
        WaitForSingleObject(FWakeEvent.Get(), TickPeriodMs - elapsed);
    }
}

void TqrvProgressThread::Wake() noexcept { SetEvent(FWakeEvent.Get()); }

void TqrvProgressThread::RequestStop() noexcept {
    FStopRequested = true;
    Wake();
}

void TqrvProgressThread::Hold() noexcept { FHeld = true; }

void TqrvProgressThread::Release() noexcept {
    FHeld = false;
    Wake();
}

// Under the lock: forget the device, stop, and withdraw the pending tick.
void TqrvProgressThread::Detach() noexcept {
    FDevice = nullptr;
    FStopRequested = true;
    for (auto it = Registry.Pending.begin(); it != Registry.Pending.end();) {
        if ((*it)->Ticker == this) {
            SetEvent((*it)->Done.Get());
            it = Registry.Pending.erase(it);
        } else {
            ++it;
        }
    }
    Wake();
}

void TqrvProgressThread::ForgetDevice(const TqrvMP3& device) noexcept {
    if (Registry.Abandoned.load()) return;
    std::lock_guard<TSlimLock> guard(Registry.Lock);
    for (TqrvProgressThread* ticker : Registry.Live)
        if (ticker->FDevice == &device) ticker->Detach();
}

bool TqrvProgressThread::CheckSynchronize(DWORD timeoutMs) {
    if (GetCurrentThreadId() != Registry.OwnerThreadID.load()) {
        throw EThread("CheckSynchronize called from thread $" + HexText(GetCurrentThreadId(), 1, false) +
                      ", which is NOT the main thread");
    }
    if (timeoutMs > 0) {
        if (WaitForSingleObject(Registry.SyncEvent.Get(), timeoutMs) == WAIT_OBJECT_0)
            ResetEvent(Registry.SyncEvent.Get());
    } else {
        ResetEvent(Registry.SyncEvent.Get());
    }
    std::unique_lock<TSlimLock> lock(Registry.Lock);
    std::deque<THandOver*> taken;
    taken.swap(Registry.Pending);
    bool ran = false;
    while (!taken.empty()) {
        THandOver* handOver = taken.front();
        taken.pop_front();
        lock.unlock();
        try {
            handOver->Routine(*handOver->Ticker);
        } catch (...) {
            handOver->Error = std::current_exception();
        }
        ran = true;
        lock.lock();
        SetEvent(handOver->Done.Get());
    }
    return ran;
}

void TqrvProgressThread::SetOwnerThread() noexcept { Registry.OwnerThreadID = GetCurrentThreadId(); }

void TqrvProgressThread::EndAll() noexcept {
    if (Registry.Abandoned.load()) return;
    std::lock_guard<TSlimLock> guard(Registry.Lock);
    for (TqrvProgressThread* ticker : Registry.Live) ticker->Detach();
    for (THandOver* handOver : Registry.Pending) SetEvent(handOver->Done.Get());
    Registry.Pending.clear();
}

void TqrvProgressThread::AbandonAll() noexcept { Registry.Abandoned = true; }

int TqrvProgressThread::LiveCount() noexcept {
    std::lock_guard<TSlimLock> guard(Registry.Lock);
    return static_cast<int>(Registry.Live.size());
}
