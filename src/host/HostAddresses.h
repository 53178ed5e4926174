// The game's fixed code addresses: where its build signature and its on-screen text
// routine live. The plug-in reads them; the stand-in game provides them.
#pragma once

#include <cstdint>

// The section of the game's image that holds both.
inline constexpr std::uintptr_t HostSectionBase = 0x505000;
// Where the first build keeps the four signature bytes 8B 44 24 04.
inline constexpr std::uintptr_t HostSignatureAddress = 0x5051F0;
inline constexpr std::uint32_t HostSignature = 0x0424448B;
inline constexpr std::uintptr_t HostRoutineFirstBuild = 0x5051E0;
inline constexpr std::uintptr_t HostRoutineOtherBuild = 0x5052C0;

// The routine: a UTF-16 line and a reserved 0, cdecl on 32-bit builds.
using THostTextRoutine = void(__cdecl*)(const wchar_t* text, int reserved);
