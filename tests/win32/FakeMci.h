// A recording MCI for tests: every command with its flags and the fields it filled,
// answers set per item, and failures injected per command.
#pragma once

#include <cstdio>
#include <functional>
#include <map>
#include <utility>
#include <string>
#include <vector>

#include "TestWatchdog.h"
#include "media/MciApi.h"
#include "win32/WideText.h"

#include <digitalv.h>

struct TMciCall {
    MCIDEVICEID Device = 0;
    UINT Message = 0;
    DWORD_PTR Flags = 0;
    bool NullParams = false;
    DWORD_PTR Callback = 0;
    std::string DeviceType;   // MCI_OPEN
    std::string Element;      // MCI_OPEN
    DWORD Item = 0;           // MCI_STATUS
    DWORD TimeFormat = 0;     // MCI_SET
    DWORD AudioItem = 0;      // MCI_SETAUDIO
    DWORD AudioValue = 0;     // MCI_SETAUDIO
    DWORD From = 0;           // MCI_PLAY
    bool Wide = false;        // sent with UTF-16 strings (Element in UTF-8)
    ULONGLONG TickMs = 0;     // when it was sent
    MCIDEVICEID Opened = 0;   // MCI_OPEN: the device it answered
};

class TFakeMci final : public TMciApi {
public:
    TFakeMci() : FPrevious(ReplaceMciApi(this)) {}
    ~TFakeMci() override { ReplaceMciApi(FPrevious); }

    MCIERROR SendCommand(MCIDEVICEID device, UINT message, DWORD_PTR flags, DWORD_PTR params) override {
        TMciCall call;
        call.Device = device;
        call.Message = message;
        call.Flags = flags;
        call.NullParams = params == 0;
        call.TickMs = GetTickCount64();
        if (message == MCI_OPEN && params) {
            auto* open = reinterpret_cast<MCI_OPEN_PARMSA*>(params);
            call.Callback = open->dwCallback;
            call.DeviceType = open->lpstrDeviceType ? open->lpstrDeviceType : "";
            call.Element = open->lpstrElementName ? open->lpstrElementName : "";
        } else if (message == MCI_STATUS && params) {
            call.Item = reinterpret_cast<MCI_STATUS_PARMS*>(params)->dwItem;
        } else if (message == MCI_SET && params) {
            call.TimeFormat = reinterpret_cast<MCI_SET_PARMS*>(params)->dwTimeFormat;
        } else if (message == MCI_SETAUDIO && params) {
            call.AudioItem = reinterpret_cast<MCI_DGV_SETAUDIO_PARMSA*>(params)->dwItem;
            call.AudioValue = reinterpret_cast<MCI_DGV_SETAUDIO_PARMSA*>(params)->dwValue;
        } else if (message == MCI_PLAY && params) {
            call.Callback = reinterpret_cast<MCI_PLAY_PARMS*>(params)->dwCallback;
            call.From = reinterpret_cast<MCI_PLAY_PARMS*>(params)->dwFrom;
        }
        const std::size_t at = Calls.size();
        Calls.push_back(call);
        WatchdogNoteMci(device, message, flags, false);
        // What happens while the command runs: a driver that pumps messages, say.
        if (DuringCommand && message == DuringMessage) std::exchange(DuringCommand, nullptr)();
        const MCIERROR result = Answer(device, message, params, at);
        WatchdogNoteMci(device, message, flags, true, result);
        return result;
    }

    MCIERROR SendCommandW(MCIDEVICEID device, UINT message, DWORD_PTR flags, DWORD_PTR params) override {
        // Recorded as the 8-bit command would be, with the element's name in UTF-8.
        MCI_OPEN_PARMSA narrow{};
        std::string element;
        if (message == MCI_OPEN && params) {
            auto* open = reinterpret_cast<MCI_OPEN_PARMSW*>(params);
            element = Utf8Of(open->lpstrElementName ? open->lpstrElementName : L"");
            narrow.lpstrDeviceType = "WaveAudio";
            narrow.lpstrElementName = element.c_str();
            const MCIERROR result = SendCommand(device, message, flags, reinterpret_cast<DWORD_PTR>(&narrow));
            Calls.back().Wide = true;
            Calls.back().DeviceType = Utf8Of(open->lpstrDeviceType ? open->lpstrDeviceType : L"");
            open->wDeviceID = narrow.wDeviceID;
            return result;
        }
        const MCIERROR result = SendCommand(device, message, flags, params);
        Calls.back().Wide = true;
        return result;
    }

    BOOL GetErrorString(MCIERROR code, LPSTR text, UINT length) override {
        if (!HasErrorText) return FALSE;
        std::snprintf(text, length, "fake text for %lu", static_cast<unsigned long>(code));
        return TRUE;
    }

    std::vector<UINT> Messages() const {
        std::vector<UINT> messages;
        for (const TMciCall& call : Calls) messages.push_back(call.Message);
        return messages;
    }

    std::vector<TMciCall> Calls;
    std::map<UINT, MCIERROR> Failures;
    MCIDEVICEID DeviceId = 7;
    // Not 0: each open answers this, and the next open one more; each device then has a
    // mode of its own (stopped when opened), not ModeValue.
    MCIDEVICEID NextDeviceId = 0;
    std::map<MCIDEVICEID, DWORD_PTR> Modes;
    DWORD_PTR ModeValue = MCI_MODE_STOP;
    DWORD_PTR LengthMs = 2000;
    DWORD_PTR PositionMs = 0;
    bool HasErrorText = true;
    // Runs once, inside the next command of message DuringMessage.
    std::function<void()> DuringCommand;
    UINT DuringMessage = 0;

private:
    DWORD_PTR& ModeOf(MCIDEVICEID device) {
        return NextDeviceId ? Modes.try_emplace(device, MCI_MODE_STOP).first->second : ModeValue;
    }
    // The answer to a command: the failure set for it, or what a device would fill in.
    MCIERROR Answer(MCIDEVICEID device, UINT message, DWORD_PTR params, std::size_t at) {
        if (const auto failure = Failures.find(message); failure != Failures.end()) return failure->second;
        if (message == MCI_OPEN)
            reinterpret_cast<MCI_OPEN_PARMSA*>(params)->wDeviceID = Calls[at].Opened =
                NextDeviceId ? NextDeviceId++ : DeviceId;
        if (message == MCI_STATUS) {
            auto* status = reinterpret_cast<MCI_STATUS_PARMS*>(params);
            status->dwReturn = status->dwItem == MCI_STATUS_MODE ? ModeOf(device)
                               : status->dwItem == MCI_STATUS_LENGTH ? LengthMs
                                                                     : PositionMs;
        }
        if (message == MCI_PLAY) ModeOf(device) = MCI_MODE_PLAY;
        if (message == MCI_PAUSE) ModeOf(device) = MCI_MODE_PAUSE;
        if (message == MCI_RESUME) ModeOf(device) = MCI_MODE_PLAY;
        if (message == MCI_STOP) ModeOf(device) = MCI_MODE_STOP;
        return 0;
    }

    TMciApi* FPrevious;
};
