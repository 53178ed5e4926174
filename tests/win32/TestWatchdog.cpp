#include "TestWatchdog.h"

#include <windows.h>
#include <mmsystem.h>
#include <digitalv.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Fixed buffers: when the watchdog fires, the hung thread may hold the heap's lock.
struct TWatchedState {
    SRWLOCK Lock = SRWLOCK_INIT;
    char Step[256] = "(before the first test)";
    char Note[256] = "";
    DWORD StepStart = 0;
    DWORD NoteTime = 0;
    DWORD ProgramStart = 0;
    DWORD StepBoundMs = 0;
    DWORD ProgramBoundMs = 0;
};

TWatchedState Watched;

void CopyText(char (&to)[256], const std::string& from) {
    const std::size_t length = from.size() < sizeof to - 1 ? from.size() : sizeof to - 1;
    std::memcpy(to, from.data(), length);
    to[length] = '\0';
}

// Straight to the handle: the hung thread may hold the C runtime's stream lock.
void WriteError(const char* text) {
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), text, static_cast<DWORD>(std::strlen(text)), &written, nullptr);
}

DWORD WINAPI Watch(void*) {
    for (;;) {
        Sleep(200);
        char report[1024];
        AcquireSRWLockShared(&Watched.Lock);
        const DWORD now = GetTickCount(), stepFor = now - Watched.StepStart;
        const bool stepOver = stepFor >= Watched.StepBoundMs;
        const bool programOver = now - Watched.ProgramStart >= Watched.ProgramBoundMs;
        if (stepOver || programOver) {
            std::snprintf(report, sizeof report,
                          "\nWATCHDOG: %s is still running after %.1f s (the bound: %.0f s a test, %.0f s the "
                          "program); the program ends here as failed.\nWATCHDOG: last seen: %s%s%.1f s before.\n",
                          Watched.Step, stepFor / 1000.0, Watched.StepBoundMs / 1000.0,
                          Watched.ProgramBoundMs / 1000.0, Watched.Note[0] ? Watched.Note : "nothing noted",
                          Watched.Note[0] ? ", " : ", the test began ",
                          (now - (Watched.Note[0] ? Watched.NoteTime : Watched.StepStart)) / 1000.0);
        }
        ReleaseSRWLockShared(&Watched.Lock);
        if (!stepOver && !programOver) continue;
        WriteError(report);
        TerminateProcess(GetCurrentProcess(), 3);
    }
}

} // namespace

void StartTestWatchdog(unsigned stepSeconds, unsigned programSeconds) {
    if (const char* bound = std::getenv("QUILM_TEST_WATCHDOG_S"); bound != nullptr && std::atoi(bound) > 0)
        stepSeconds = static_cast<unsigned>(std::atoi(bound));
    AcquireSRWLockExclusive(&Watched.Lock);
    Watched.ProgramStart = Watched.StepStart = GetTickCount();
    Watched.StepBoundMs = stepSeconds * 1000;
    Watched.ProgramBoundMs = programSeconds * 1000;
    ReleaseSRWLockExclusive(&Watched.Lock);
    if (HANDLE thread = CreateThread(nullptr, 0, &Watch, nullptr, 0, nullptr)) CloseHandle(thread);
}

void WatchdogStep(const std::string& name) {
    AcquireSRWLockExclusive(&Watched.Lock);
    CopyText(Watched.Step, name);
    Watched.Note[0] = '\0';
    Watched.StepStart = GetTickCount();
    ReleaseSRWLockExclusive(&Watched.Lock);
}

void WatchdogNoteMci(unsigned device, unsigned message, unsigned long long flags, bool answered, unsigned result) {
    static constexpr struct {
        unsigned Message;
        const char* Name;
    } Names[] = {{MCI_OPEN, "MCI_OPEN"},   {MCI_CLOSE, "MCI_CLOSE"}, {MCI_PLAY, "MCI_PLAY"},
                 {MCI_STOP, "MCI_STOP"},   {MCI_PAUSE, "MCI_PAUSE"}, {MCI_RESUME, "MCI_RESUME"},
                 {MCI_SEEK, "MCI_SEEK"},   {MCI_SET, "MCI_SET"},     {MCI_STATUS, "MCI_STATUS"},
                 {MCI_SETAUDIO, "MCI_SETAUDIO"}};
    char name[16];
    std::snprintf(name, sizeof name, "0x%04X", message);
    for (const auto& known : Names)
        if (known.Message == message) std::snprintf(name, sizeof name, "%s", known.Name);
    char answer[32] = "sent, no answer yet";
    if (answered) std::snprintf(answer, sizeof answer, "answered %u", result);
    char text[160];
    std::snprintf(text, sizeof text, "the MCI command %s to device %u (flags 0x%llX) %s", name, device, flags, answer);
    WatchdogNote(text);
}

void WatchdogNote(const std::string& what) {
    AcquireSRWLockExclusive(&Watched.Lock);
    CopyText(Watched.Note, what);
    Watched.NoteTime = GetTickCount();
    ReleaseSRWLockExclusive(&Watched.Lock);
}
