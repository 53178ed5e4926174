// Timing helpers of the benchmarks: the median of several runs, in microseconds.
#pragma once

#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <utility>
#include <vector>

inline double NowMicroseconds() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1e6 / static_cast<double>(frequency.QuadPart);
}

inline double Median(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

template <class Work> double MedianMicroseconds(int runs, Work work) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const double start = NowMicroseconds();
        work();
        times.push_back(NowMicroseconds() - start);
    }
    return Median(std::move(times));
}

// The IDs of this process's threads, as a snapshot of the system's threads shows them.
inline std::vector<DWORD> ProcessThreads() {
    std::vector<DWORD> ids;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return ids;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == GetCurrentProcessId()) ids.push_back(entry.th32ThreadID);
    CloseHandle(snapshot);
    return ids;
}

// Handles of the threads that were not there before: the plug-in reads its library
// forms on a thread of its own, which ends when the whole library is in the playlist.
inline std::vector<HANDLE> NewThreads(const std::vector<DWORD>& before) {
    std::vector<HANDLE> threads;
    for (const DWORD id : ProcessThreads()) {
        if (std::find(before.begin(), before.end(), id) != before.end()) continue;
        if (HANDLE thread = OpenThread(SYNCHRONIZE, FALSE, id)) threads.push_back(thread);
    }
    return threads;
}

inline void WaitForThreads(const std::vector<HANDLE>& threads) {
    for (HANDLE thread : threads) {
        WaitForSingleObject(thread, 600000);
        CloseHandle(thread);
    }
}

inline void WaitForNewThreads(const std::vector<DWORD>& before) { WaitForThreads(NewThreads(before)); }
