#include "HostSection.h"

#include <windows.h>

#include <cstring>

// Linked at 0x505000 (see the build); the stand-in fills it at start-up.
__attribute__((section(".hostrt"), used, aligned(4096))) unsigned char HostCodeSection[0x1000];

void PrepareHostSection(const unsigned char (&signature)[4], std::uintptr_t routineAddress, THostTextRoutine routine) {
    DWORD old = 0;
    VirtualProtect(HostCodeSection, sizeof HostCodeSection, PAGE_READWRITE, &old);
    std::memset(HostCodeSection, 0xCC, sizeof HostCodeSection);
    std::memcpy(HostCodeSection + (HostSignatureAddress - HostSectionBase), signature, 4);
    if (routineAddress != 0) {
        // jmp rel32 to the routine
        unsigned char* stub = HostCodeSection + (routineAddress - HostSectionBase);
        // The image is linked low, so the routine is within reach of a rel32 jump on
        // either architecture.
        const auto target = reinterpret_cast<std::uintptr_t>(routine);
        const auto rel = static_cast<std::int32_t>(target - (routineAddress + 5));
        stub[0] = 0xE9;
        std::memcpy(stub + 1, &rel, 4);
        VirtualProtect(HostCodeSection, sizeof HostCodeSection, PAGE_EXECUTE_READ, &old);
        FlushInstructionCache(GetCurrentProcess(), HostCodeSection, sizeof HostCodeSection);
    } else {
        VirtualProtect(HostCodeSection, sizeof HostCodeSection, PAGE_READONLY, &old);
    }
}

void InstallHostRoutine(THostBuild build, THostTextRoutine routine) {
    static const unsigned char firstBuild[4] = {0x8B, 0x44, 0x24, 0x04};
    static const unsigned char otherBuild[4] = {0x55, 0x8B, 0xEC, 0x83};
    if (build == THostBuild::First)
        PrepareHostSection(firstBuild, HostRoutineFirstBuild, routine);
    else
        PrepareHostSection(otherBuild, HostRoutineOtherBuild, routine);
}

void HideHostSection() {
    DWORD old = 0;
    VirtualProtect(HostCodeSection, sizeof HostCodeSection, PAGE_NOACCESS, &old);
}
