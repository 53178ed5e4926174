// The plug-in's replacements for the C++ runtime's thread calls and error raisers, linked
// as in the plug-in (no POSIX thread library): exceptions of every kind thrown and caught
// on several threads at once, and a thread's values freed as it ends.
#include <windows.h>

#include <cstdio>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "TestWatchdog.h"
#include "core/Errors.h"

extern "C" int pthread_key_create(unsigned* key, void (*destructor)(void*));
extern "C" int pthread_setspecific(unsigned key, const void* value);

namespace {

volatile LONG Failures = 0;
volatile LONG ValuesFreed = 0;

void Expect(bool condition, const char* what) {
    if (condition) return;
    InterlockedIncrement(&Failures);
    std::printf("FAILED: %s\n", what);
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

void RunThreads(LPTHREAD_START_ROUTINE routine, int count) {
    std::vector<HANDLE> threads;
    for (int i = 0; i < count; ++i) threads.push_back(CreateThread(nullptr, 0, routine, nullptr, 0, nullptr));
    for (HANDLE thread : threads) {
        Expect(thread != nullptr && WaitForSingleObject(thread, 60000) == WAIT_OBJECT_0, "thread ended");
        CloseHandle(thread);
    }
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
    std::printf("%ld passed, %ld failed\n", Failures == 0 ? 1L : 0L, Failures == 0 ? 0L : 1L);
    return Failures == 0 ? 0 : 1;
}
