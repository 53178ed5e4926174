// The optional files of a session, and the settings of the session:
//   [player] resume=yes      the track, its position and shuffle kept in
//                            vask\quilm-resume.txt for the next session's first switch-on
//   [player] autostart=yes   the player switches on as the game's loop first runs
//   [display] nowplaying=F   F holds the title of the track playing or paused
// The player reports its changes to the files (TPlayerWatcher), which call nothing back.
// Files are replaced whole, on a writer thread of their own, so that a slow disk never
// holds up a key; at the game's end the last state is written before the device closes.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "core/ResumeState.h"
#include "player/PlayerReport.h"
#include "win32/Handles.h"
#include "win32/SlimLock.h"

inline constexpr char ResumeFileName[] = "vask\\quilm-resume.txt";

// The session's settings in a configuration file, paths made full at once (the game may
// change its current folder later).
struct TSessionSettings {
    std::wstring ResumePath;     // the state file's full path with resume=yes, else empty
    std::wstring NowPlayingPath; // the now-playing file's full path, else empty
    bool AutoStart = false;
};
TSessionSettings ReadSessionSettings(const char* configFile);

// Writes the latest text of each of two files on a thread of its own; a text given
// while an older one waits replaces it. One file is written by one thread at a time, so
// an older text never lands over a newer one.
class TFileWriter {
public:
    // drainWaitMs: how long Drain waits for the thread before it writes itself.
    explicit TFileWriter(DWORD drainWaitMs = 5000);
    // Waits for a thread that was started: never at the process's end or in the
    // loader's call (a load that fails starts none).
    ~TFileWriter();
    TFileWriter(const TFileWriter&) = delete;
    TFileWriter& operator=(const TFileWriter&) = delete;

    // Queues text for the file at path (slot 0 or 1; path lives as long as the writer);
    // starts the thread at the first.
    void Put(int slot, const std::wstring& path, std::string text);
    // Writes everything queued before returning (on this thread when there is no
    // writer thread, or when it does not finish in time: then all but a file the thread
    // is still writing, whose newest text the thread writes next).
    void Drain() noexcept;

private:
    struct TSlot {
        const std::wstring* Path = nullptr;
        std::string Text;
        bool Pending = false;
        // The text the file holds, as far as we know: while Busy, the text being written,
        // which it holds once that write ends.
        std::string Written;
        bool Known = false;
        bool Busy = false; // a thread is writing it
        bool Absorbed = false; // a text equal to the one being written was not queued
    };
    static DWORD WINAPI ThreadEntry(void* writer) noexcept;
    void Run() noexcept;
    // Writes one waiting slot that no thread is writing; false when none was waiting.
    bool WriteOne() noexcept;

    const DWORD FDrainWaitMs;
    TSlimLock FLock;
    TSlot FSlots[2];
    bool FStop = false;
    UniqueHandle FWake;
    UniqueHandle FIdle;
    UniqueHandle FThread;
};

class TSessionFiles final : public TPlayerWatcher {
public:
    // Full paths; an empty one is a file not kept.
    TSessionFiles(std::wstring resumePath, std::wstring nowPlayingPath);
    ~TSessionFiles();
    TSessionFiles(const TSessionFiles&) = delete;
    TSessionFiles& operator=(const TSessionFiles&) = delete;

    // The state the last session left; nothing without resume, or when the file is
    // missing, cut short or garbled.
    std::optional<TResumeState> RememberedState() const;
    void PlayerChanged(const TPlayerReport& report, bool gameEnding) noexcept override;

private:
    const std::wstring FResumePath;
    const std::wstring FNowPlayingPath;
    TFileWriter FWriter;
};
