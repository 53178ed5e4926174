// Line structure of the configuration file, fed block by block.
//
// A line ends at LF (a CR before it is not part of the line); any other CR is dropped
// from the text. A Ctrl-Z (26) ends a line's text and the rest up to the next LF is
// skipped; a Ctrl-Z as the first byte of a line ends the file. A last line without a
// terminator counts. Lines have no length limit.
#pragma once

#include <string>
#include <string_view>

class TLineSplitter {
public:
    // Hands every complete line of the block to onLine(std::string_view).
    template <class OnLine> void Feed(std::string_view block, OnLine&& onLine) {
        for (const char c : block) {
            if (FEnded) return;
            const auto b = static_cast<unsigned char>(c);
            if (FSkipping) {
                if (b == '\n') {
                    FSkipping = false;
                    FAtLineStart = true;
                }
                continue;
            }
            if (FAtLineStart && b == CtrlZ) {
                FEnded = true;
                return;
            }
            FAtLineStart = false;
            if (b == '\n') {
                onLine(std::string_view(FLine));
                FLine.clear();
                FAtLineStart = true;
            } else if (b == CtrlZ) {
                onLine(std::string_view(FLine));
                FLine.clear();
                FSkipping = true;
            } else if (b != '\r') {
                FLine.push_back(c);
            }
        }
    }

    // Hands on the last line when the file ended without a terminator.
    template <class OnLine> void Finish(OnLine&& onLine) {
        if (!FEnded && !FSkipping && !FAtLineStart) onLine(std::string_view(FLine));
        FLine.clear();
        FEnded = true;
    }

    // True once a Ctrl-Z at the start of a line has ended the file.
    bool Ended() const noexcept { return FEnded; }

private:
    static constexpr unsigned char CtrlZ = 26;
    std::string FLine;
    bool FAtLineStart = true;
    bool FSkipping = false;
    bool FEnded = false;
};

// Removes every byte of value 32 or less from both ends.
std::string_view TrimLine(std::string_view line) noexcept;

// True for "[playlist]" in any case of its ASCII letters, nothing around it.
bool IsPlaylistHeader(std::string_view trimmedLine) noexcept;
