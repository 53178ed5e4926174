// The optional files of a session and the switch-on at the game's start:
//   [player] resume=yes      the track, its position and shuffle kept in
//                            vask\quilm-resume.txt for the next session's first switch-on
//   [player] autostart=yes   the player switches on as the game's loop first runs
//   [display] nowplaying=F   F holds the title of the track playing or paused
// Files are replaced whole, on a writer thread of their own, so that a slow disk never
// holds up a key; at the game's end the last state is written before the device closes.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "media/NotifyWindow.h"
#include "player/PlayerReport.h"
#include "win32/Handles.h"
#include "win32/SlimLock.h"

class TMp3Player;

inline constexpr char ResumeFileName[] = "vask\\quilm-resume.txt";

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

class TSessionFiles final : public TPlayerWatcher, private TNotifyTarget {
public:
    // Reads the settings of the configuration file; none when none is set. Tells the
    // player the remembered track, and posts the autostart for the game's loop.
    static std::unique_ptr<TSessionFiles> Make(TMp3Player* player, const char* configFile);
    TSessionFiles(TMp3Player& player, std::wstring resumePath, std::wstring nowPlayingPath, bool autoStart);
    ~TSessionFiles();
    TSessionFiles(const TSessionFiles&) = delete;
    TSessionFiles& operator=(const TSessionFiles&) = delete;

    void PlayerChanged(const TPlayerReport& report, bool gameEnding) noexcept override;

private:
    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept override;

    TMp3Player& FPlayer;
    const std::wstring FResumePath;
    const std::wstring FNowPlayingPath;
    TFileWriter FWriter;
    std::unique_ptr<TNotifyWindow> FWindow;
};
