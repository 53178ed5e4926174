// The plug-in's replacements for the C++ runtime's thread calls and error raisers, linked
// as in the plug-in (no POSIX thread library): exceptions of every kind thrown and caught
// on several threads at once, a thread's values freed as it ends, the recursive and the
// error-checking mutex as their static initialisers make them, and a one-time routine
// whose waiters sleep until it is done.
#include <windows.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "TestWatchdog.h"
#include "core/Errors.h"

extern "C" int pthread_key_create(unsigned* key, void (*destructor)(void*));
extern "C" int pthread_setspecific(unsigned key, const void* value);
extern "C" int pthread_mutex_lock(std::intptr_t* mutex);
extern "C" int pthread_mutex_unlock(std::intptr_t* mutex);
extern "C" int pthread_once(long* once, void (*routine)());

namespace {

volatile LONG Failures = 0;
volatile LONG ValuesFreed = 0;

void Expect(bool condition, const char* what) {
    if (condition) return;
    InterlockedIncrement(&Failures);
    std::printf("FAILED: %s\n", what);
    std::fflush(stdout);
}

// Each kind the plug-in may meet: its own error class, a string asked for more than it
// can hold, an index out of range, an allocation that cannot succeed.
DWORD WINAPI ThrowMany(LPVOID) {
    for (int i = 0; i < 500; ++i) {
        try {
            throw EFOpenError("Cannot open file");
        } catch (const Exception& error) {
            Expect(error.Message() == "Cannot open file", "own error class");
        }
        try {
            std::string text;
            text.reserve(text.max_size() + 1);
            Expect(false, "length error raised");
        } catch (const std::exception& error) {
            Expect(error.what() != nullptr && error.what()[0] != '\0', "length error text");
        }
        try {
            const std::vector<int> none;
            Expect(none.at(3) == 0, "range error raised");
        } catch (const std::exception& error) {
            Expect(error.what()[0] != '\0', "range error text");
        }
        try {
            std::vector<char> huge(static_cast<std::size_t>(-1) / 2);
            Expect(false, "allocation failure raised");
        } catch (const std::bad_alloc&) {
        } catch (const std::exception&) {
            // Some sizes are refused as too long before any allocation.
        }
    }
    return 0;
}

void CountFreed(void*) { InterlockedIncrement(&ValuesFreed); }

unsigned Key;
DWORD WINAPI SetValue(LPVOID) {
    pthread_setspecific(Key, &Key);
    return 0;
}

std::vector<HANDLE> StartThreads(LPTHREAD_START_ROUTINE routine, int count) {
    std::vector<HANDLE> threads;
    for (int i = 0; i < count; ++i) threads.push_back(CreateThread(nullptr, 0, routine, nullptr, 0, nullptr));
    return threads;
}

// Waits for the threads' ends (a thread that hangs fails after timeoutMs).
void EndThreads(const std::vector<HANDLE>& threads, DWORD timeoutMs = 60000) {
    const DWORD start = GetTickCount();
    for (HANDLE thread : threads) {
        const DWORD spent = GetTickCount() - start;
        Expect(thread != nullptr && WaitForSingleObject(thread, spent < timeoutMs ? timeoutMs - spent : 0) == WAIT_OBJECT_0,
               "thread ended");
        if (thread != nullptr) CloseHandle(thread);
    }
}

void RunThreads(LPTHREAD_START_ROUTINE routine, int count, DWORD timeoutMs = 60000) {
    EndThreads(StartThreads(routine, count), timeoutMs);
}

// The processor time the running threads have used together.
double ProcessorMs(const std::vector<HANDLE>& threads) {
    double ms = 0;
    for (HANDLE thread : threads) {
        FILETIME created, ended, kernel, user;
        if (thread != nullptr && GetThreadTimes(thread, &created, &ended, &kernel, &user))
            ms += (ULARGE_INTEGER{{kernel.dwLowDateTime, kernel.dwHighDateTime}}.QuadPart +
                   ULARGE_INTEGER{{user.dwLowDateTime, user.dwHighDateTime}}.QuadPart) / 10000.0;
    }
    return ms;
}

// A std::recursive_mutex (the static initialiser -3) taken twice by each owner, with
// other threads waiting for it.
std::recursive_mutex Recursive;
long Shared = 0;
DWORD WINAPI CountUnderRecursiveLock(LPVOID) {
    for (int i = 0; i < 2000; ++i) {
        const std::lock_guard outer(Recursive);
        const std::lock_guard inner(Recursive);
        const long seen = Shared;
        if ((i & 63) == 0) Sleep(0);
        Shared = seen + 1;
    }
    return 0;
}

// The error-checking mutex (the static initialiser -2): each step on the main thread or
// on another one, and what it returns.
std::intptr_t Checked = -2;
DWORD WINAPI UnlockChecked(LPVOID) { return static_cast<DWORD>(pthread_mutex_unlock(&Checked)); }
int OnOtherThread(LPTHREAD_START_ROUTINE routine) {
    HANDLE thread = CreateThread(nullptr, 0, routine, nullptr, 0, nullptr);
    DWORD result = 0;
    Expect(thread != nullptr && WaitForSingleObject(thread, 10000) == WAIT_OBJECT_0 && GetExitCodeThread(thread, &result),
           "other thread ended");
    if (thread != nullptr) CloseHandle(thread);
    return static_cast<int>(result);
}
DWORD WINAPI CheckErrorCheckingMutex(LPVOID) {
    struct TStep {
        bool Lock;
        bool OtherThread;
        int Result;
        const char* What;
    };
    const TStep steps[] = {
        {true, false, 0, "error-checking mutex: first lock"},
        {true, false, EDEADLK, "error-checking mutex: its owner locks it again"},
        {false, true, EPERM, "error-checking mutex: another thread unlocks it"},
        {false, false, 0, "error-checking mutex: its owner unlocks it"},
        {false, false, EPERM, "error-checking mutex: unlocked twice"},
        {true, false, 0, "error-checking mutex: locked again"},
        {false, false, 0, "error-checking mutex: unlocked again"},
    };
    for (const TStep& step : steps) {
        const int result = step.OtherThread ? OnOtherThread(&UnlockChecked)
                           : step.Lock      ? pthread_mutex_lock(&Checked)
                                            : pthread_mutex_unlock(&Checked);
        Expect(result == step.Result, step.What);
    }
    return 0;
}

// A one-time routine that runs until it is let go, with threads arriving while it runs:
// it runs once, every caller returns after it is done, and the waiters sleep meanwhile
// (a waiter that spins holds a processor that a game thread pinned beside it needs).
long Once = 0;
HANDLE LetRoutineGo = CreateEventA(nullptr, TRUE, FALSE, nullptr);
volatile LONG OnceRuns = 0;
volatile LONG OnceDone = 0;
volatile LONG ReturnedEarly = 0;
void HeldRoutine() {
    InterlockedIncrement(&OnceRuns);
    WaitForSingleObject(LetRoutineGo, 20000);
    InterlockedExchange(&OnceDone, 1);
}
DWORD WINAPI RunOnce(LPVOID) {
    pthread_once(&Once, &HeldRoutine);
    if (OnceDone == 0) InterlockedIncrement(&ReturnedEarly);
    return 0;
}
void CheckOnce() {
    const std::vector<HANDLE> runner = StartThreads(&RunOnce, 1);
    while (OnceRuns == 0) Sleep(1);
    const std::vector<HANDLE> waiters = StartThreads(&RunOnce, 3);
    Sleep(100);
    const double before = ProcessorMs(waiters);
    Sleep(500);
    const double waited = ProcessorMs(waiters) - before;
    SetEvent(LetRoutineGo);
    EndThreads(runner, 20000);
    EndThreads(waiters, 20000);
    Expect(OnceRuns == 1 && ReturnedEarly == 0, "once: runs once, callers return after it");
    std::printf("once: three waiters used %.0f ms of processor time in 500 ms\n", waited);
    Expect(waited < 50, "once: the waiters sleep");

    // A routine that ends by an exception has not run: the next call runs it again.
    static long thrownOnce = 0;
    static int calls = 0;
    for (int i = 0; i < 2; ++i) {
        try {
            pthread_once(&thrownOnce, [] {
                if (++calls == 1) throw EFOpenError("first call");
            });
        } catch (const Exception&) {
        }
    }
    Expect(calls == 2 && thrownOnce != 0, "once: run again after an exception");
}

} // namespace

int main() {
    // A step that hangs ends the program long before ctest's 120 s, naming itself.
    StartTestWatchdog(45, 100);
    WatchdogStep("runtime: exceptions of every kind on 4 threads at once");
    RunThreads(&ThrowMany, 4);
    WatchdogStep("runtime: a thread's value freed as it ends");
    Expect(pthread_key_create(&Key, &CountFreed) == 0, "key made");
    RunThreads(&SetValue, 3);
    Expect(ValuesFreed == 3, "each ending thread's value freed");
    RunThreads(&CountUnderRecursiveLock, 4, 20000);
    Expect(Shared == 4 * 2000, "recursive mutex: one owner at a time");
    RunThreads(&CheckErrorCheckingMutex, 1, 20000);
    CheckOnce();
    std::printf("%ld passed, %ld failed\n", Failures == 0 ? 1L : 0L, Failures == 0 ? 0L : 1L);
    return Failures == 0 ? 0 : 1;
}
