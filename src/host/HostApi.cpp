#include "host/HostApi.h"

#include <windows.h>

#include <cstring>
#include <string>

namespace {

bool IsCommitted(const MEMORY_BASIC_INFORMATION& info) {
    return info.State == MEM_COMMIT && !(info.Protect & (PAGE_GUARD | PAGE_NOACCESS));
}

// True when size bytes from address lie in committed memory with one of the rights.
bool HasAccess(std::uintptr_t address, std::size_t size, DWORD rights) {
    MEMORY_BASIC_INFORMATION info;
    if (VirtualQuery(reinterpret_cast<const void*>(address), &info, sizeof info) != sizeof info) return false;
    if (!IsCommitted(info) || !(info.Protect & rights)) return false;
    const auto regionEnd = reinterpret_cast<std::uintptr_t>(info.BaseAddress) + info.RegionSize;
    return address + size <= regionEnd;
}

constexpr DWORD ReadableRights = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                                 PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
constexpr DWORD ExecutableRights = PAGE_EXECUTE | PAGE_EXECUTE_READ | PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;

} // namespace

THostBinding::THostBinding() noexcept {
    std::uint32_t signature = 0;
    if (HasAccess(HostSignatureAddress, sizeof signature, ReadableRights))
        std::memcpy(&signature, reinterpret_cast<const void*>(HostSignatureAddress), sizeof signature);
    FRoutine = signature == HostSignature ? HostRoutineFirstBuild : HostRoutineOtherBuild;
    FCallable = HasAccess(FRoutine, 1, ExecutableRights);
}

void THostBinding::ShowLine(std::string_view line) const {
    if (!FCallable) return;
    std::wstring text;
    if (!line.empty()) {
        const int length = MultiByteToWideChar(CP_THREAD_ACP, 0, line.data(), static_cast<int>(line.size()), nullptr, 0);
        if (length > 0) {
            text.resize(static_cast<std::size_t>(length));
            MultiByteToWideChar(CP_THREAD_ACP, 0, line.data(), static_cast<int>(line.size()), text.data(), length);
        }
    }
    Call(text);
}

void THostBinding::ShowLine(std::wstring_view line) const {
    if (FCallable) Call(std::wstring(line));
}

void THostBinding::Call(const std::wstring& text) const {
    // The routine reads up to a terminating zero; an empty line still passes a pointer
    // to a single zero character.
    const auto routine = reinterpret_cast<THostTextRoutine>(FRoutine);
    routine(text.c_str(), 0);
}
