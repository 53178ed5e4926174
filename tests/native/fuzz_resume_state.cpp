// libFuzzer target: any bytes as the resume state file (a crash, a full disk or another
// program may leave it torn or garbled).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/ResumeState.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto state = ParseResumeState(text);
    if (!state) return 0;
    // A state names a track and a position that can be written back.
    if (state->TrackUtf8.empty() || state->PositionMs < 0) __builtin_trap();
    if (state->TrackUtf8.find_first_of(std::string_view("\n\0", 2)) != std::string::npos) __builtin_trap();
    // Written back, it reads as itself, and no cut of what is written reads at all.
    const std::string written = ResumeStateText(*state);
    if (ParseResumeState(written) != state) __builtin_trap();
    for (std::size_t at = written.find('\n'); at + 1 < written.size(); at = written.find('\n', at + 1))
        if (ParseResumeState(std::string_view(written).substr(0, at + 1))) __builtin_trap();
    if (ParseResumeState(std::string_view(written).substr(0, written.size() - 1))) __builtin_trap();
    return 0;
}
