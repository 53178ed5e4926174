// The message box that tells the player why the plug-in did not load.
#pragma once

#include <cstdint>
#include <string>

#include "core/Errors.h"

// "Exception <class> in module <file> at <address>.\r\n<message>[.]\r\n"; the address is
// relative to the module's base.
std::string LoadFailureText(const char* className, const std::string& moduleName, std::uintptr_t offset,
                            const std::string& message);

// Shows the task-modal "Application Error" box for an error that ended the load.
void ShowLoadFailure(const char* className, const std::string& message, const void* address) noexcept;
