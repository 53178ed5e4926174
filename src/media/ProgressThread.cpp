#include "media/ProgressThread.h"

#include <cstdio>
#include <deque>
#include <exception>
#include <mutex>
#include <set>

#include "core/Errors.h"
#include "media/qrvMP3.h"
#include "win32/SystemErrorText.h"

namespace {

constexpr DWORD TickPeriodMs = 1000;

// One call handed from a worker to the owning thread.
struct THandOver {
    TqrvProgressThread* Ticker;
    void (*Routine)(TqrvProgressThread&);
    HANDLE Done;
    std::exception_ptr Error;
};

std::atomic<DWORD> OwnerThreadID{0};
std::mutex HandOverLock;                 // guards PendingHandOvers and LiveTickers
std::deque<THandOver*> PendingHandOvers;
std::set<TqrvProgressThread*> LiveTickers;
HANDLE SyncEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);

[[noreturn]] void RaiseThreadError(DWORD code) {
    char text[512];
    std::snprintf(text, sizeof text, "Thread Error: %s (%d)", SystemErrorText(code).c_str(), static_cast<int>(code));
    throw EThread(text);
}

// Runs routine on the owning thread and waits for it; re-raises its error here.
void RunOnOwner(TqrvProgressThread& ticker, void (*routine)(TqrvProgressThread&)) {
    if (GetCurrentThreadId() == OwnerThreadID.load()) {
        routine(ticker);
        return;
    }
    THandOver handOver{&ticker, routine, CreateEventA(nullptr, TRUE, FALSE, nullptr), nullptr};
    if (handOver.Done == nullptr) RaiseThreadError(GetLastError());
    {
        std::lock_guard<std::mutex> guard(HandOverLock);
        PendingHandOvers.push_back(&handOver);
        SetEvent(SyncEvent);
    }
    WaitForSingleObject(handOver.Done, INFINITE);
    {
        // The drain signals under the lock: once we hold it, it no longer uses handOver.
        std::lock_guard<std::mutex> guard(HandOverLock);
    }
    CloseHandle(handOver.Done);
    if (handOver.Error) std::rethrow_exception(handOver.Error);
}

} // namespace

TqrvProgressThread::TqrvProgressThread(TqrvMP3& device) : FDevice(&device) {}

TqrvProgressThread::~TqrvProgressThread() {
    if (FWakeEvent != nullptr) CloseHandle(FWakeEvent);
}

TqrvProgressThread* TqrvProgressThread::Start(TqrvMP3& device) {
    auto ticker = std::make_unique<TqrvProgressThread>(device);
    ticker->FWakeEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (ticker->FWakeEvent == nullptr) RaiseThreadError(GetLastError());

    // The worker keeps the module loaded until its very last instruction.
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCSTR>(&ThreadEntry), &module);

    TqrvProgressThread* raw = ticker.get();
    {
        std::lock_guard<std::mutex> guard(HandOverLock);
        LiveTickers.insert(raw);
    }
    HANDLE thread = CreateThread(nullptr, 0, &ThreadEntry, raw, CREATE_SUSPENDED, &raw->FThreadID);
    if (thread == nullptr) {
        const DWORD code = GetLastError();
        {
            std::lock_guard<std::mutex> guard(HandOverLock);
            LiveTickers.erase(raw);
        }
        if (module != nullptr) FreeLibrary(module);
        throw EThread("Thread creation error: " + SystemErrorText(code));
    }
    ticker.release(); // from here on the worker owns it
    if (ResumeThread(thread) == static_cast<DWORD>(-1)) {
        const DWORD code = GetLastError();
        raw->FStopRequested = true;
        raw->FDevice = nullptr;
        ResumeThread(thread);
        CloseHandle(thread);
        RaiseThreadError(code);
    }
    CloseHandle(thread);
    return raw;
}

DWORD WINAPI TqrvProgressThread::ThreadEntry(void* parameter) noexcept {
    std::unique_ptr<TqrvProgressThread> self(static_cast<TqrvProgressThread*>(parameter));
    try {
        self->RunTicks();
    } catch (...) {
        // An error in a tick ends the ticker quietly.
    }
    {
        std::lock_guard<std::mutex> guard(HandOverLock);
        LiveTickers.erase(self.get());
        SetEvent(SyncEvent);
    }
    self.reset();
    HMODULE module = nullptr;
    if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<LPCSTR>(&ThreadEntry), &module))
        FreeLibraryAndExitThread(module, 0);
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
        // This ticker ends with the error: the device forgets it before the worker
        // learns of it, so no one refers to a ticker that frees itself.
        if (FDevice != nullptr && FDevice->FThread == this) FDevice->FThread = nullptr;
        FDevice = nullptr;
        throw;
    }
}

bool TqrvProgressThread::WaitUntilRunnable() noexcept {
    while (FHeld.load() && !FStopRequested.load()) WaitForSingleObject(FWakeEvent, INFINITE);
    return !FStopRequested.load();
}

bool TqrvProgressThread::SleepOnePeriod() noexcept {
    // Only a stop request cuts the period short; a wake-up for anything else waits again.
    const DWORD start = GetTickCount();
    for (;;) {
        if (FStopRequested.load()) return false;
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= TickPeriodMs) return true;
        WaitForSingleObject(FWakeEvent, TickPeriodMs - elapsed);
    }
}

void TqrvProgressThread::Wake() noexcept { SetEvent(FWakeEvent); }

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
    if (FDevice != nullptr && FDevice->FThread == this) FDevice->FThread = nullptr;
    FDevice = nullptr;
    FStopRequested = true;
    for (auto it = PendingHandOvers.begin(); it != PendingHandOvers.end();) {
        if ((*it)->Ticker == this) {
            SetEvent((*it)->Done);
            it = PendingHandOvers.erase(it);
        } else {
            ++it;
        }
    }
    Wake();
}

void TqrvProgressThread::ForgetDevice(const TqrvMP3& device) noexcept {
    std::lock_guard<std::mutex> guard(HandOverLock);
    for (TqrvProgressThread* ticker : LiveTickers)
        if (ticker->FDevice == &device) ticker->Detach();
}

bool TqrvProgressThread::CheckSynchronize(DWORD timeoutMs) {
    if (GetCurrentThreadId() != OwnerThreadID.load()) {
        char text[96];
        std::snprintf(text, sizeof text, "CheckSynchronize called from thread $%lx, which is NOT the main thread",
                      static_cast<unsigned long>(GetCurrentThreadId()));
        throw EThread(text);
    }
    if (timeoutMs > 0) {
        if (WaitForSingleObject(SyncEvent, timeoutMs) == WAIT_OBJECT_0) ResetEvent(SyncEvent);
    } else {
        ResetEvent(SyncEvent);
    }
    std::unique_lock<std::mutex> lock(HandOverLock);
    std::deque<THandOver*> taken;
    taken.swap(PendingHandOvers);
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
        SetEvent(handOver->Done);
    }
    return ran;
}

void TqrvProgressThread::SetOwnerThread() noexcept { OwnerThreadID = GetCurrentThreadId(); }

void TqrvProgressThread::EndAll() noexcept {
    std::lock_guard<std::mutex> guard(HandOverLock);
    for (TqrvProgressThread* ticker : LiveTickers) ticker->Detach();
    for (THandOver* handOver : PendingHandOvers) SetEvent(handOver->Done);
    PendingHandOvers.clear();
}

int TqrvProgressThread::LiveCount() noexcept {
    std::lock_guard<std::mutex> guard(HandOverLock);
    return static_cast<int>(LiveTickers.size());
}
