#include "media/MciApi.h"

namespace {

class TWinmmMciApi final : public TMciApi {
public:
    MCIERROR SendCommand(MCIDEVICEID device, UINT message, DWORD_PTR flags, DWORD_PTR params) override {
        return mciSendCommandA(device, message, flags, params);
    }
    MCIERROR SendCommandW(MCIDEVICEID device, UINT message, DWORD_PTR flags, DWORD_PTR params) override {
        return mciSendCommandW(device, message, flags, params);
    }
    BOOL GetErrorString(MCIERROR code, LPSTR text, UINT length) override {
        return mciGetErrorStringA(code, text, length);
    }
};

TWinmmMciApi WinmmMciApi;
TMciApi* ActiveMciApi = &WinmmMciApi;

} // namespace

TMciApi& CurrentMciApi() noexcept { return *ActiveMciApi; }

TMciApi* ReplaceMciApi(TMciApi* api) noexcept {
    TMciApi* previous = ActiveMciApi;
    ActiveMciApi = api != nullptr ? api : &WinmmMciApi;
    return previous;
}
