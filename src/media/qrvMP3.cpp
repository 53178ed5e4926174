#include "media/qrvMP3.h"

#include <digitalv.h>

#include <algorithm>
#include <utility>

#include "core/Errors.h"
#include "core/Id3v2Tag.h"
#include "core/NumberText.h"
#include "core/OperationGuard.h"
#include "core/TrackTitle.h"
#include "media/MciApi.h"
#include "media/ProgressThread.h"
#include "win32/FullPathName.h"
#include "win32/Handles.h"
#include "win32/QuietErrorMode.h"
#include "win32/SystemErrorText.h"
#include "win32/WideText.h"

namespace {

constexpr DWORD OpenFlags = MCI_OPEN_ELEMENT | MCI_OPEN_SHAREABLE | MCI_WAIT;
constexpr DWORD StatusFlags = MCI_STATUS_ITEM | MCI_WAIT;

MCIERROR Send(MCIDEVICEID device, UINT message, DWORD_PTR flags, void* params) {
    return CurrentMciApi().SendCommand(device, message, flags, reinterpret_cast<DWORD_PTR>(params));
}

// Whole seconds of a millisecond count, truncated toward zero.
std::int32_t WholeSeconds(std::int32_t ms) {
    const std::int32_t s = ms / 1000;
    return (s % 60) + (s / 60) * 60;
}

// The open file, read where the tag reader asks.
class TFileTagSource final : public TTagSource {
public:
    TFileTagSource(HANDLE file, std::uint64_t size) : FFile(file), FSize(size) {}
    std::uint64_t Size() const override { return FSize; }
    bool ReadAt(std::uint64_t offset, void* buffer, std::size_t count) override {
        LARGE_INTEGER position;
        position.QuadPart = static_cast<LONGLONG>(offset);
        DWORD got = 0;
        return SetFilePointerEx(FFile, position, nullptr, FILE_BEGIN) &&
               ReadFile(FFile, buffer, static_cast<DWORD>(count), &got, nullptr) && got == count;
    }

private:
    HANDLE FFile;
    std::uint64_t FSize;
};

// A name for an error message: in the system code page where it spells it, else in UTF-8.
std::string NameForMessage(const std::wstring& name) {
    if (auto inCodePage = CodePageOf(name)) return std::move(*inCodePage);
    return Utf8Of(name);
}

} // namespace

TqrvMP3::TqrvMP3(std::wstring fileName, bool titleFromTags, TLoudness loudness) : FFileName(std::move(fileName)) {
    ReadTags(titleFromTags, loudness);
    FLength = MeasureLength();
    FWindow = std::make_unique<TNotifyWindow>(static_cast<TNotifyTarget&>(*this));
}

TqrvMP3::~TqrvMP3() {
    // No ticker may run ProgressTick on a device that is gone, not even one that Stop
    // has already asked to end while its last tick waits for this thread.
    TqrvProgressThread::ForgetDevice(*this);
    TOperationGuard::Forget(this);
}

void TqrvMP3::Check(MCIERROR code) {
    if (code == 0) return;
    throw eMciDeviceError(DecimalText(static_cast<int>(code)) + " - " + ErrorText(code));
}

std::string TqrvMP3::ErrorText(MCIERROR code) {
    char buffer[4096];
    buffer[0] = '\0';
    if (!CurrentMciApi().GetErrorString(code, buffer, sizeof buffer)) return "Unknown error code";
    buffer[sizeof buffer - 1] = '\0';
    return buffer;
}

void TqrvMP3::ReadTags(bool titleFromTags, TLoudness loudness) {
    const TQuietErrorMode quiet;
    UniqueFile file(
        CreateFileW(FFileName.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        const DWORD code = GetLastError();
        throw EFOpenError("Cannot open file \"" + NameForMessage(FullPathName(FFileName)) + "\". " +
                          SystemErrorText(code));
    }
    FTag = BlankTag();
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Get(), &size)) return;
    TFileTagSource source(file.Get(), static_cast<std::uint64_t>(size.QuadPart));
    std::uint8_t bytes[sizeof(TID3v1Tag)];
    // A file shorter than the trailer has none: TagFromTrailer takes the short read as that.
    const std::uint64_t trailerAt = source.Size() > sizeof bytes ? source.Size() - sizeof bytes : 0;
    const std::size_t got = static_cast<std::size_t>(std::min<std::uint64_t>(source.Size(), sizeof bytes));
    if (!source.ReadAt(trailerAt, bytes, got)) return;
    FTag = TagFromTrailer(bytes, got);
    if (!titleFromTags && loudness == TLoudness::Off) return;
    // One walk through the ID3v2 tag for the names and the gain frames; the LAME header
    // behind it only when the tag has no gain.
    TTagGains gains(loudness);
    const TId3v2Found found = ReadId3v2(source, titleFromTags, loudness == TLoudness::Off ? nullptr : &gains);
    FGain = TrackGain(gains, source, found.AudioAt);
    if (!titleFromTags) return;
    // The trailer's fields are in the system code page.
    const auto field = [](const char* text, std::size_t n) { return Utf8Of(WideOf(TrailerField(text, n), false)); };
    const TSongNames trailer{field(FTag.Title, sizeof FTag.Title), field(FTag.Artist, sizeof FTag.Artist)};
    if (const auto title = SongTitle(BothTags(found.Names, trailer))) FSongTitle = WideOf(*title, true);
}

std::int32_t TqrvMP3::MeasureLength() {
    Open();
    std::int32_t ms = 0;
    try {
        SetTimeFormat(MCI_FORMAT_MILLISECONDS);
        ms = StatusLength();
    } catch (...) {
        try {
            Close();
        } catch (...) {
            // The first error is the one worth reporting.
        }
        throw;
    }
    Close();
    FLengthMs = ms > 0 ? ms : 0;
    return WholeSeconds(ms);
}

void TqrvMP3::Open() {
    Close();
    // By the UTF-16 name: MCI's 8-bit open converts its name to this form itself.
    MCI_OPEN_PARMSW params{};
    params.lpstrDeviceType = L"WaveAudio";
    params.lpstrElementName = FFileName.c_str();
    Check(CurrentMciApi().SendCommandW(0, MCI_OPEN, OpenFlags, reinterpret_cast<DWORD_PTR>(&params)));
    FDeviceID = LOWORD(params.wDeviceID);
}

void TqrvMP3::Close() {
    if (FDeviceID == 0) return;
    Check(Send(FDeviceID, MCI_CLOSE, MCI_WAIT, nullptr));
    FDeviceID = 0;
}

DWORD_PTR TqrvMP3::StatusItem(DWORD item) {
    MCI_STATUS_PARMS params{};
    params.dwItem = item;
    Check(Send(FDeviceID, MCI_STATUS, StatusFlags, &params));
    return params.dwReturn;
}

TMciMode TqrvMP3::Mode() {
    if (FDeviceID == 0) return mmUnknown;
    const DWORD_PTR mode = StatusItem(MCI_STATUS_MODE);
    if (mode >= MCI_MODE_NOT_READY && mode <= MCI_MODE_OPEN) return static_cast<TMciMode>(mode - MCI_MODE_NOT_READY);
    return mmUnknown;
}

std::int32_t TqrvMP3::StatusLength() {
    if (FDeviceID == 0) return 0;
    return static_cast<std::int32_t>(StatusItem(MCI_STATUS_LENGTH));
}

std::int32_t TqrvMP3::StatusPosition() {
    if (FDeviceID == 0) return 0;
    return static_cast<std::int32_t>(StatusItem(MCI_STATUS_POSITION));
}

void TqrvMP3::SetTimeFormat(DWORD format) {
    if (FDeviceID == 0) return;
    MCI_SET_PARMS params{};
    params.dwTimeFormat = format;
    Check(Send(FDeviceID, MCI_SET, MCI_SET_TIME_FORMAT, &params));
}

void TqrvMP3::PlayNotify(DWORD_PTR flags, std::int32_t fromMs) {
    if (FDeviceID == 0) return;
    MCI_PLAY_PARMS params{};
    params.dwCallback = reinterpret_cast<DWORD_PTR>(FWindow ? FWindow->Handle() : nullptr);
    params.dwFrom = static_cast<DWORD>(fromMs);
    Check(Send(FDeviceID, MCI_PLAY, MCI_NOTIFY | flags, &params));
}

void TqrvMP3::SendStop() {
    if (FDeviceID != 0) Check(Send(FDeviceID, MCI_STOP, 0, nullptr));
}

void TqrvMP3::SendPause() {
    if (FDeviceID != 0) Check(Send(FDeviceID, MCI_PAUSE, 0, nullptr));
}

void TqrvMP3::SendResume() {
    if (FDeviceID != 0) Check(Send(FDeviceID, MCI_RESUME, 0, nullptr));
}

void TqrvMP3::SendVolume() noexcept {
    if (FDeviceID == 0 || !FVolume) return;
    MCI_DGV_SETAUDIO_PARMSA params{};
    params.dwItem = MCI_DGV_SETAUDIO_VOLUME;
    params.dwValue = *FVolume;
    // Refused (a device without volume control): it plays at its own volume.
    Send(FDeviceID, MCI_SETAUDIO, MCI_DGV_SETAUDIO_ITEM | MCI_DGV_SETAUDIO_VALUE, &params);
}

void TqrvMP3::SetVolume(std::uint32_t value) noexcept {
    FVolume = value;
    SendVolume();
}

void TqrvMP3::Prepare() {
    if (FDeviceID != 0) return;
    Open();
    SendVolume();
}

void TqrvMP3::Play() {
    Prepare();
    if (FAbandoned) return;
    // Playing already: a second play command would only restart the notification.
    if (Mode() == mmPlaying) return;
    PlayNotify();
    if (FOnProgress && FThread == nullptr) FThread = TqrvProgressThread::Start(*this);
}

void TqrvMP3::PlayFrom(std::int32_t ms, bool paused) {
    Prepare();
    if (FAbandoned) return;
    SetTimeFormat(MCI_FORMAT_MILLISECONDS);
    MoveTo(ms, paused);
    if (FOnProgress && FThread == nullptr) {
        FThread = TqrvProgressThread::Start(*this);
        if (paused) FThread->Hold();
    }
}

void TqrvMP3::Stop() {
    if (FDeviceID == 0) return;
    SendStop();
    if (FThread != nullptr) std::exchange(FThread, nullptr)->RequestStop();
    Close();
}

void TqrvMP3::CloseNow() noexcept {
    if (FDeviceID == 0) return;
    // A device that refuses to stop is closed all the same.
    Send(FDeviceID, MCI_STOP, 0, nullptr);
    if (FThread != nullptr) std::exchange(FThread, nullptr)->RequestStop();
    Send(FDeviceID, MCI_CLOSE, MCI_WAIT, nullptr);
    FDeviceID = 0;
}

void TqrvMP3::Pause() {
    if (FDeviceID == 0 || Mode() != mmPlaying) return;
    SendPause();
    if (FThread != nullptr) FThread->Hold();
}

void TqrvMP3::Resume() {
    if (FDeviceID == 0 || Mode() != mmPaused) return;
    SendResume();
    if (FThread != nullptr) FThread->Release();
}

std::int32_t TqrvMP3::PositionMs() {
    if (FDeviceID == 0) return 0;
    SetTimeFormat(MCI_FORMAT_MILLISECONDS);
    return StatusPosition();
}

void TqrvMP3::MoveTo(std::int32_t ms, bool paused) {
    if (FDeviceID == 0) return;
    // A play from the new place, with a new end notification (the old play's comes at
    // once as superseded, which is no end). MCI_SEEK would be the obvious command, but
    // MPEG devices refuse it while paused and are left stopped; a play followed at
    // once by a pause leaves them paused at the new place instead.
    PlayNotify(MCI_FROM, ms);
    if (paused) SendPause();
}

std::wstring TqrvMP3::Title() const {
    if (FSongTitle) return std::wstring(CutTitle(*FSongTitle));
    return std::wstring(CutTitle(TrackTitle(FFileName)));
}

void TqrvMP3::ProgressTick() {
    SetTimeFormat(MCI_FORMAT_MILLISECONDS);
    const std::int32_t seconds = WholeSeconds(StatusPosition());
    if (FOnProgress) {
        // The handler may free this device: call a copy, and touch nothing afterwards.
        const TProgressEvent onProgress = FOnProgress;
        onProgress(*this, seconds);
    }
}

void TqrvMP3::MciNotify(WPARAM code) {
    if (code != MCI_NOTIFY_SUCCESSFUL) return;
    if (FOnEnding) FOnEnding(FOnEndingContext, *this);
    Stop();
    if (FOnEnd) {
        // The handler may free this device: call a copy, and touch nothing afterwards.
        const TDeviceEvent onEnd = FOnEnd;
        onEnd(*this);
    }
}

void TqrvMP3::DeferredNotify(void* device, std::uintptr_t code) noexcept {
    auto* self = static_cast<TqrvMP3*>(device);
    self->HandleMessage(self->NotifyWindow(), MM_MCINOTIFY, static_cast<WPARAM>(code), 0);
}

LRESULT TqrvMP3::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (message != MM_MCINOTIFY) return DefWindowProcA(window, message, wParam, lParam);
    if (wParam != MCI_NOTIFY_SUCCESSFUL) return 0;
    if (TOperationGuard::Running()) {
        // Pumped inside an operation that is still running (perhaps one of this
        // device's own commands): the end is handled once that operation is over,
        // unless the device is freed before then.
        TOperationGuard::Defer(&TqrvMP3::DeferredNotify, this, wParam);
        return 0;
    }
    try {
        const TOperationGuard operation;
        MciNotify(wParam);
    } catch (...) {
        // A failure at the end of a track (the next one cannot start) must not reach
        // the game's message loop; the player stays silent until the next key.
    }
    return 0;
}
