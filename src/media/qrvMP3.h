// One MCI device for one MP3 file: reads its ID3 version 1 trailer (and where asked
// its song's name and its gain), measures its length, and plays, pauses, resumes and
// stops it, reporting the natural end of the track through FOnEnd.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "core/Id3Tag.h"
#include "core/ReplayGain.h"
#include "media/NotifyWindow.h"

class TqrvMP3;
class TqrvProgressThread;

// Callbacks bound to an object: the sender, and for progress the whole seconds played.
using TDeviceEvent = std::function<void(TqrvMP3& Sender)>;
using TProgressEvent = std::function<void(TqrvMP3& Sender, std::int32_t Seconds)>;

enum TMciMode : std::uint8_t {
    mmNotReady = 0,
    mmStopped = 1,
    mmPlaying = 2,
    mmRecording = 3,
    mmSeeking = 4,
    mmPaused = 5,
    mmOpen = 6,
    mmUnknown = 7,
};

class TqrvMP3 : private TNotifyTarget {
public:
    // Reads the trailer, measures the length (opening and closing the device once) and
    // creates the notification window. With titleFromTags, the title is the song's own
    // from the file's tags where they have one (see Title); with loudness on, the gain
    // of that mode is read in the same pass (see Gain). Raises EFOpenError,
    // eMciDeviceError or Exception; nothing is left behind when it does.
    explicit TqrvMP3(std::wstring fileName, bool titleFromTags = false, TLoudness loudness = TLoudness::Off);
    // Releases the notification window. Sends no MCI command.
    virtual ~TqrvMP3();
    TqrvMP3(const TqrvMP3&) = delete;
    TqrvMP3& operator=(const TqrvMP3&) = delete;

    // Opens the device when closed and plays to the end with an end notification. A
    // device that is already playing goes on as it is.
    void Play();
    // Opens the device when closed and sends the volume, playing nothing: a track made
    // ready before its turn, whose Play then only starts it.
    void Prepare();
    // Opens the device when closed and plays from ms (within the track) with an end
    // notification; a paused play stays paused there. For a track picked up again
    // where it was.
    void PlayFrom(std::int32_t ms, bool paused);
    // Stops and closes an open device; nothing when closed.
    void Stop();
    // Stops and closes an open device whatever MCI answers to either command; raises
    // nothing. For the end of the game: no device may outlive the process.
    void CloseNow() noexcept;
    // The game is ending while a command of this device may still be running (its driver
    // pumped the game's messages): a play that has opened the device sends no play
    // command after that. CloseNow closes it.
    void Abandon() noexcept { FAbandoned = true; }
    // Pauses a playing device; nothing in any other mode.
    void Pause();
    // Resumes a paused device; nothing in any other mode.
    void Resume();
    // The volume on MCI's scale of 0 to 1000: sent at once to an open device, and to
    // the device each time Play opens it, before its play command. A device that
    // refuses it plays at its own volume; that is no error.
    void SetVolume(std::uint32_t value) noexcept;
    TMciMode Mode();
    // How far an open device is, in milliseconds (0 while closed).
    std::int32_t PositionMs();
    // Moves an open device to ms from the start (in the time format PositionMs sets),
    // which lies within the track: a
    // playing device plays on from there, a paused one stays paused there, and either
    // still reports its natural end. A device that refuses stays where it was
    // (eMciDeviceError).
    void MoveTo(std::int32_t ms, bool paused);
    // The title: the file name's, or with titleFromTags the song's "Artist - Title" or
    // "Title" from its tags where they have a title: each field from the ID3v2 tag, else
    // from the ID3v1 trailer; at most MaxTitleUnits long.
    std::wstring Title() const;
    const std::wstring& FileName() const noexcept { return FFileName; }
    std::int32_t Length() const noexcept { return FLength; }
    // The track's ReplayGain in decibels (see TrackGain); none with loudness off.
    std::optional<double> Gain() const noexcept { return FGain; }
    // The length as measured, in milliseconds; 0 when unknown.
    std::int32_t LengthMs() const noexcept { return FLengthMs; }

    // The window that receives this device's end notification.
    HWND NotifyWindow() const noexcept { return FWindow ? FWindow->Handle() : nullptr; }
    // The open MCI device, 0 while closed.
    MCIDEVICEID DeviceID() const noexcept { return FDeviceID; }
    const TID3v1Tag& Tag() const noexcept { return FTag; }

    // Called once the track has played to its end (the device is closed by then). The
    // handler may free the device.
    void SetOnEnd(TDeviceEvent handler) { FOnEnd = std::move(handler); }
    // Called at the natural end before the device is stopped and closed (closing one
    // takes tens of milliseconds), so that the next track can start first. The routine
    // must not free the device.
    using TEndingRoutine = void (*)(void* context, TqrvMP3& sender) noexcept;
    void SetOnEnding(TEndingRoutine routine, void* context) noexcept {
        FOnEnding = routine;
        FOnEndingContext = context;
    }
    // Called about once a second while the track plays, from a ticker that the next
    // Play starts. The handler may free the device.
    void SetOnProgress(TProgressEvent handler) { FOnProgress = std::move(handler); }
    // True while a ticker started for this device has not been told to stop.
    bool HasTicker() const noexcept { return FThread != nullptr; }

    // Runs on the owning thread for the progress ticker: whole seconds played.
    void ProgressTick();

    // MCI result check: raises eMciDeviceError "<code> - <text>" for a non-zero code.
    static void Check(MCIERROR code);
    static std::string ErrorText(MCIERROR code);

private:
    void Open();
    void Close();
    std::int32_t MeasureLength();
    void SetTimeFormat(DWORD format);
    std::int32_t StatusLength();
    std::int32_t StatusPosition();
    DWORD_PTR StatusItem(DWORD item);
    void PlayNotify(DWORD_PTR flags = 0, std::int32_t fromMs = 0);
    void SendStop();
    void SendPause();
    void SendResume();
    void SendVolume() noexcept;
    // Reads the trailer, and with titleFromTags the song's title, with loudness the gain,
    // from one open of the file.
    void ReadTags(bool titleFromTags, TLoudness loudness);
    void MciNotify(WPARAM code);
    static void DeferredNotify(void* device, std::uintptr_t code) noexcept;
    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept override;

    MCIDEVICEID FDeviceID = 0;
    std::wstring FFileName;
    TID3v1Tag FTag;
    std::optional<std::wstring> FSongTitle;
    std::optional<double> FGain;
    std::int32_t FLength = 0;
    std::int32_t FLengthMs = 0;
    std::optional<std::uint32_t> FVolume;
    bool FAbandoned = false;
    TProgressEvent FOnProgress;
    TDeviceEvent FOnEnd;
    TEndingRoutine FOnEnding = nullptr;
    void* FOnEndingContext = nullptr;
    // Shared with the ticker's worker: whichever lets go last frees it.
    std::shared_ptr<TqrvProgressThread> FThread;
    std::unique_ptr<TNotifyWindow> FWindow;
};
