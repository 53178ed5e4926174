#include "core/Errors.h"

#include "core/NumberText.h"

// The constructors are kept out of line so that the return address they record is
// inside the function that raised the error.
__attribute__((noinline)) Exception::Exception(std::string message)
    : FMessage(std::move(message)), FAddress(__builtin_return_address(0)) {}

#define QUILM_ERROR_CTOR(Name)                                                   \
    __attribute__((noinline)) Name::Name(std::string message)                    \
        : Exception(std::move(message)) {                                        \
        FAddress = __builtin_return_address(0);                                  \
    }

QUILM_ERROR_CTOR(EInOutError)
QUILM_ERROR_CTOR(EFOpenError)
QUILM_ERROR_CTOR(eMciDeviceError)
QUILM_ERROR_CTOR(EThread)

std::string InOutErrorText(unsigned code) {
    switch (code) {
    case 2: return "File not found";
    case 3: return "Invalid filename";
    case 4: return "Too many open files";
    case 5: return "File access denied";
    case 100: return "Read beyond end of file";
    case 101: return "Disk full";
    case 106: return "Invalid numeric input";
    default: return "I/O error " + DecimalText(static_cast<int>(code));
    }
}
