// Replaces the POSIX thread library (winpthreads), which would otherwise come whole, a
// tenth of the plug-in, for the few calls that the C++ runtime's exception machinery
// makes: the emergency allocation pool's lock, the unwinder's frame registry, emulated
// thread-locals such as the current exception. Here they run on the system's own
// primitives; the plug-in's own threads are the system's (CreateThread) and its locks
// slim reader/writer locks.
//
// Must cover every POSIX thread call that code linked into the plug-in makes: a call
// left out pulls the library's member back and fails the link on the calls defined
// twice. And each call whole for every object the headers can make: the mutexes of the
// three static initialisers (plain; error-checking and recursive, as std::recursive_mutex
// makes it), a one-time routine with threads waiting for it, a key's values freed as
// each thread ends.
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

// The static initialisers' values: a plain mutex, an error-checking one, a recursive one.
// None is a value a slim lock takes (its bits hold an address of the lock's waiters).
constexpr pthread_mutex_t PlainMutex = -1;
constexpr pthread_mutex_t ErrorCheckingMutex = -2;
constexpr pthread_mutex_t RecursiveMutex = -3;

// A plain mutex is a slim lock in the mutex's own word: an unlocked slim lock is 0. One
// made by the static initialiser becomes an unlocked lock on its first use.
SRWLOCK* SlimLockOf(pthread_mutex_t* mutex) noexcept {
    static_assert(sizeof(pthread_mutex_t) == sizeof(SRWLOCK));
    InterlockedCompareExchangePointer(reinterpret_cast<PVOID volatile*>(mutex), nullptr,
                                      reinterpret_cast<PVOID>(PlainMutex));
    return reinterpret_cast<SRWLOCK*>(mutex);
}

// Every wait other than a plain mutex's (an error-checking or recursive mutex another
// thread holds, a one-time routine another thread runs) sleeps on one condition under one
// lock, woken whenever such a mutex is let go or such a routine ends. Such waits are rare
// (the runtime's own mutexes are plain, its routines run once a process), so waking all
// of them costs nothing that matters.
SRWLOCK WaitLock = SRWLOCK_INIT;
CONDITION_VARIABLE WaitOver = CONDITION_VARIABLE_INIT;

// The word of an error-checking or a recursive mutex keeps its initialiser's value for
// good; its owner and count are here while it is held, under WaitLock. So nothing is
// held for a mutex that is not locked (std::recursive_mutex is never destroyed through
// these calls).
struct THeldMutex {
    pthread_mutex_t* Mutex;
    DWORD Owner;
    unsigned Count;
};
constexpr int MaxHeldMutexes = 8;
THeldMutex HeldMutexes[MaxHeldMutexes];

THeldMutex* HeldEntry(const pthread_mutex_t* mutex) noexcept {
    for (THeldMutex& entry : HeldMutexes)
        if (entry.Mutex == mutex) return &entry;
    return nullptr;
}

int LockOwnedMutex(pthread_mutex_t* mutex, bool recursive) noexcept {
    const DWORD self = GetCurrentThreadId();
    int result = 0;
    AcquireSRWLockExclusive(&WaitLock);
    for (;;) {
        THeldMutex* entry = HeldEntry(mutex);
        if (entry == nullptr) {
            entry = HeldEntry(nullptr);
            if (entry != nullptr) *entry = {mutex, self, 1};
            else result = EAGAIN; // more such mutexes held at once than there is room for
            break;
        }
        if (entry->Owner == self) {
            if (recursive) ++entry->Count;
            else result = EDEADLK;
            break;
        }
        SleepConditionVariableSRW(&WaitOver, &WaitLock, INFINITE, 0);
    }
    ReleaseSRWLockExclusive(&WaitLock);
    return result;
}

int UnlockOwnedMutex(pthread_mutex_t* mutex) noexcept {
    AcquireSRWLockExclusive(&WaitLock);
    THeldMutex* entry = HeldEntry(mutex);
    const bool owner = entry != nullptr && entry->Owner == GetCurrentThreadId();
    const bool free = owner && --entry->Count == 0;
    if (free) entry->Mutex = nullptr;
    ReleaseSRWLockExclusive(&WaitLock);
    if (free) WakeAllConditionVariable(&WaitOver);
    return owner ? 0 : EPERM;
}

bool IsOwnedKind(const pthread_mutex_t* mutex) noexcept {
    // The word of a plain mutex changes under other threads' hands, never to these values.
    const pthread_mutex_t kind = __atomic_load_n(mutex, __ATOMIC_RELAXED);
    return kind == ErrorCheckingMutex || kind == RecursiveMutex;
}

// The run state of a one-time routine.
enum : long { OnceNotRun = 0, OnceRunning = 1, OnceDone = 2 };

// Sets the state of a one-time routine and wakes its waiters.
void SetOnceState(pthread_once_t* once, long state) noexcept {
    AcquireSRWLockExclusive(&WaitLock);
    __atomic_store_n(once, state, __ATOMIC_RELEASE);
    ReleaseSRWLockExclusive(&WaitLock);
    WakeAllConditionVariable(&WaitOver);
}

// A routine that ends by an exception has not run: the next caller runs it.
struct TOnceRun {
    pthread_once_t* Once;
    ~TOnceRun() {
        if (Once != nullptr) SetOnceState(Once, OnceNotRun);
    }
};

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
    if (IsOwnedKind(mutex)) return LockOwnedMutex(mutex, *mutex == RecursiveMutex);
    AcquireSRWLockExclusive(SlimLockOf(mutex));
    return 0;
}

int pthread_mutex_unlock(pthread_mutex_t* mutex) {
    if (IsOwnedKind(mutex)) return UnlockOwnedMutex(mutex);
    ReleaseSRWLockExclusive(reinterpret_cast<SRWLOCK*>(mutex));
    return 0;
}

// The system's one-time initialisation (InitOnceExecuteOnce) keeps a pointer-sized word,
// and the runtime's once word is a long: four bytes on x86_64 too. So the state is kept
// in the runtime's word, and a thread that finds the routine running sleeps until it
// ends, whatever the threads' priorities (a wait that only yields can spin for seconds
// on one processor against the running thread).
int pthread_once(pthread_once_t* once, void (*routine)()) {
    if (__atomic_load_n(once, __ATOMIC_ACQUIRE) == OnceDone) return 0;
    AcquireSRWLockExclusive(&WaitLock);
    while (__atomic_load_n(once, __ATOMIC_RELAXED) == OnceRunning)
        SleepConditionVariableSRW(&WaitOver, &WaitLock, INFINITE, 0);
    const bool ours = __atomic_load_n(once, __ATOMIC_RELAXED) == OnceNotRun;
    if (ours) __atomic_store_n(once, OnceRunning, __ATOMIC_RELAXED);
    ReleaseSRWLockExclusive(&WaitLock);
    if (!ours) return 0;
    TOnceRun run{once};
    routine();
    run.Once = nullptr;
    SetOnceState(once, OnceDone);
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
