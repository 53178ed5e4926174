// Replaces the POSIX thread library (winpthreads), which would otherwise come whole, a
// tenth of the plug-in, for the few calls that the C++ runtime's exception machinery
// makes: the emergency allocation pool's lock, the unwinder's frame registry, emulated
// thread-locals such as the current exception. Here they run on the system's own
// primitives; the plug-in's own threads are the system's (CreateThread) and its locks
// slim reader/writer locks.
//
// Must cover every POSIX thread call that code linked into the plug-in makes: a call
// left out pulls the library back whole and fails the link on the calls defined twice.
#include <windows.h>

#include <cerrno>
#include <cstdint>

extern "C" {

// The types as the runtime was compiled against them.
using pthread_mutex_t = std::intptr_t;
using pthread_mutexattr_t = unsigned;
using pthread_once_t = long;
using pthread_key_t = unsigned;

int pthread_mutex_init(pthread_mutex_t* mutex, const pthread_mutexattr_t* attributes);
int pthread_mutex_destroy(pthread_mutex_t* mutex);
int pthread_mutex_lock(pthread_mutex_t* mutex);
int pthread_mutex_unlock(pthread_mutex_t* mutex);
int pthread_once(pthread_once_t* once, void (*routine)());
int pthread_key_create(pthread_key_t* key, void (*destructor)(void*));
void* pthread_getspecific(pthread_key_t key);
int pthread_setspecific(pthread_key_t key, const void* value);

} // extern "C"

namespace {

// A mutex is a slim lock in the mutex's own word: an unlocked slim lock is 0. A mutex
// made by the static initialiser holds -1 (a value no slim lock takes: its bits hold
// an address of the lock's waiters) and becomes an unlocked lock on its first use.
SRWLOCK* SlimLockOf(pthread_mutex_t* mutex) noexcept {
    static_assert(sizeof(pthread_mutex_t) == sizeof(SRWLOCK));
    InterlockedCompareExchangePointer(reinterpret_cast<PVOID volatile*>(mutex), nullptr, reinterpret_cast<PVOID>(-1));
    return reinterpret_cast<SRWLOCK*>(mutex);
}

// The run state of a once-routine.
enum : long { OnceNotRun = 0, OnceRunning = 1, OnceDone = 2 };

// The keys made, with their destructors, run for a thread's values as it ends. The
// runtime makes one (for its emulated thread-locals); a few more would fit.
struct TKeySlot {
    pthread_key_t Key;
    void (*Destructor)(void*);
};
constexpr long MaxKeys = 4;
TKeySlot KeySlots[MaxKeys];
volatile long KeyCount = 0;

void RunDestructors() noexcept {
    const long count = KeyCount < MaxKeys ? KeyCount : MaxKeys;
    for (long i = 0; i < count; ++i) {
        const TKeySlot& slot = KeySlots[i];
        if (slot.Destructor == nullptr) continue;
        if (void* value = TlsGetValue(slot.Key)) {
            TlsSetValue(slot.Key, nullptr);
            slot.Destructor(value);
        }
    }
}

// Runs for every thread that ends while the plug-in is loaded, as its DLL entry point
// would (a thread-local storage callback of the image): the thread's values are freed.
// An unload (a load that failed) frees the ending thread's values and the keys.
void NTAPI ThreadOrImageEnding(PVOID, DWORD reason, PVOID reserved) noexcept {
    if (reason == DLL_THREAD_DETACH) RunDestructors();
    if (reason != DLL_PROCESS_DETACH || reserved != nullptr) return;
    RunDestructors();
    const long count = KeyCount < MaxKeys ? KeyCount : MaxKeys;
    for (long i = 0; i < count; ++i) TlsFree(KeySlots[i].Key);
}

} // namespace

// The image's thread-local storage callbacks are the pointers between the runtime's
// .CRT$XLA and .CRT$XLZ markers.
extern "C" __attribute__((section(".CRT$XLQ"), used)) const PIMAGE_TLS_CALLBACK QuilmThreadEndCallback =
    &ThreadOrImageEnding;

extern "C" {

int pthread_mutex_init(pthread_mutex_t* mutex, const pthread_mutexattr_t*) {
    *mutex = 0;
    return 0;
}

int pthread_mutex_destroy(pthread_mutex_t*) { return 0; }

int pthread_mutex_lock(pthread_mutex_t* mutex) {
    AcquireSRWLockExclusive(SlimLockOf(mutex));
    return 0;
}

int pthread_mutex_unlock(pthread_mutex_t* mutex) {
    ReleaseSRWLockExclusive(reinterpret_cast<SRWLOCK*>(mutex));
    return 0;
}

int pthread_once(pthread_once_t* once, void (*routine)()) {
    if (InterlockedCompareExchange(once, OnceDone, OnceDone) == OnceDone) return 0;
    if (InterlockedCompareExchange(once, OnceRunning, OnceNotRun) == OnceNotRun) {
        routine();
        InterlockedExchange(once, OnceDone);
        return 0;
    }
    // Another thread runs it: wait until it is done.
    while (InterlockedCompareExchange(once, OnceDone, OnceDone) != OnceDone) Sleep(0);
    return 0;
}

int pthread_key_create(pthread_key_t* key, void (*destructor)(void*)) {
    const DWORD index = TlsAlloc();
    if (index == TLS_OUT_OF_INDEXES) return EAGAIN;
    const long slot = InterlockedIncrement(&KeyCount) - 1;
    if (slot >= MaxKeys) {
        InterlockedDecrement(&KeyCount);
        TlsFree(index);
        return EAGAIN;
    }
    KeySlots[slot] = {index, destructor};
    *key = index;
    return 0;
}

void* pthread_getspecific(pthread_key_t key) {
    // Asking for a value is no failure: the caller's last error stays as it was.
    const DWORD lastError = GetLastError();
    void* value = TlsGetValue(key);
    SetLastError(lastError);
    return value;
}

int pthread_setspecific(pthread_key_t key, const void* value) {
    return TlsSetValue(key, const_cast<void*>(value)) ? 0 : ENOMEM;
}

} // extern "C"
