#include "BareMci.h"

namespace {

constexpr DWORD OpenFlags = MCI_OPEN_ELEMENT | MCI_OPEN_SHAREABLE | MCI_WAIT;

MCIDEVICEID Open(const char* path) {
    MCI_OPEN_PARMSA open{};
    open.lpstrDeviceType = "WaveAudio";
    open.lpstrElementName = path;
    if (mciSendCommandA(0, MCI_OPEN, OpenFlags, reinterpret_cast<DWORD_PTR>(&open)) != 0) return 0;
    return static_cast<MCIDEVICEID>(open.wDeviceID);
}

DWORD_PTR Status(MCIDEVICEID device, DWORD item) {
    MCI_STATUS_PARMS status{};
    status.dwItem = item;
    mciSendCommandA(device, MCI_STATUS, MCI_STATUS_ITEM | MCI_WAIT, reinterpret_cast<DWORD_PTR>(&status));
    return status.dwReturn;
}

} // namespace

MCIDEVICEID BareOpenAndPlay(const char* path) {
    MCIDEVICEID device = Open(path);
    if (device == 0) return 0;
    MCI_SET_PARMS set{};
    set.dwTimeFormat = MCI_FORMAT_MILLISECONDS;
    mciSendCommandA(device, MCI_SET, MCI_SET_TIME_FORMAT, reinterpret_cast<DWORD_PTR>(&set));
    Status(device, MCI_STATUS_LENGTH);
    mciSendCommandA(device, MCI_CLOSE, MCI_WAIT, 0);
    device = Open(path);
    if (device == 0) return 0;
    Status(device, MCI_STATUS_MODE);
    MCI_PLAY_PARMS play{};
    mciSendCommandA(device, MCI_PLAY, 0, reinterpret_cast<DWORD_PTR>(&play));
    return device;
}

void BareSeek(MCIDEVICEID device, int deltaMs, HWND window) {
    Status(device, MCI_STATUS_MODE);
    MCI_SET_PARMS set{};
    set.dwTimeFormat = MCI_FORMAT_MILLISECONDS;
    mciSendCommandA(device, MCI_SET, MCI_SET_TIME_FORMAT, reinterpret_cast<DWORD_PTR>(&set));
    const long position = static_cast<long>(Status(device, MCI_STATUS_POSITION)) + deltaMs;
    MCI_PLAY_PARMS play{};
    play.dwCallback = reinterpret_cast<DWORD_PTR>(window);
    play.dwFrom = static_cast<DWORD>(position < 0 ? 0 : position);
    mciSendCommandA(device, MCI_PLAY, MCI_FROM | MCI_NOTIFY, reinterpret_cast<DWORD_PTR>(&play));
}

void BareStopAndClose(MCIDEVICEID device) {
    if (device == 0) return;
    mciSendCommandA(device, MCI_STOP, MCI_WAIT, 0);
    mciSendCommandA(device, MCI_CLOSE, MCI_WAIT, 0);
}
