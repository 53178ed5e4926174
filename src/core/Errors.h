// The system's error classes. Every failure the plug-in raises is an Exception with
// a message text; the class name is what the load-failure box shows.
#pragma once

#include <exception>
#include <string>

class Exception : public std::exception {
public:
    explicit Exception(std::string message);
    ~Exception() override = default;

    const char* what() const noexcept override { return FMessage.c_str(); }
    const std::string& Message() const noexcept { return FMessage; }
    virtual const char* ClassName() const noexcept { return "Exception"; }
    // Code address of the function that raised the error (0 when unknown).
    const void* Address() const noexcept { return FAddress; }

protected:
    std::string FMessage;
    const void* FAddress;
};

#define QUILM_ERROR_CLASS(Name)                                                  \
    class Name : public Exception {                                              \
    public:                                                                      \
        explicit Name(std::string message);                                      \
        const char* ClassName() const noexcept override { return #Name; }        \
    }

// A failed read of the configuration file as text.
QUILM_ERROR_CLASS(EInOutError);
// A file that cannot be opened for reading.
QUILM_ERROR_CLASS(EFOpenError);
// A failed MCI command: "<code> - <text>".
QUILM_ERROR_CLASS(eMciDeviceError);
// A failure of a worker thread.
QUILM_ERROR_CLASS(EThread);

#undef QUILM_ERROR_CLASS

// Text of an I/O error code of the configuration text pass.
std::string InOutErrorText(unsigned code);
