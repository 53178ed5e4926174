// The one way the device reaches MCI, so tests can record commands and inject failures.
#pragma once

#include <windows.h>
#include <mmsystem.h>

class TMciApi {
public:
    virtual ~TMciApi() = default;
    virtual MCIERROR SendCommand(MCIDEVICEID device, UINT message, DWORD_PTR flags, DWORD_PTR params) = 0;
    // The same with UTF-16 strings in params (an open by a name the code page cannot
    // spell).
    virtual MCIERROR SendCommandW(MCIDEVICEID device, UINT message, DWORD_PTR flags, DWORD_PTR params) = 0;
    virtual BOOL GetErrorString(MCIERROR code, LPSTR text, UINT length) = 0;
};

// The MCI in use: winmm unless a test has put another in place.
TMciApi& CurrentMciApi() noexcept;

// Puts api in place (nullptr restores winmm); returns the one it replaces.
TMciApi* ReplaceMciApi(TMciApi* api) noexcept;
