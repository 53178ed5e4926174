// libFuzzer target: any bytes as a playlist file (as .m3u and as .m3u8), and each of
// its lines as a "file:" URI and a playlist line.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/PlaylistFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (const bool utf8ByName : {false, true}) {
        for (const TTrackPath& entry : ReadPlaylistFile(bytes, utf8ByName)) {
            // Entries are never empty, never hold a line end or a "/".
            if (entry.Text.empty()) __builtin_trap();
            if (entry.Text.find('\n') != std::string::npos || entry.Text.find('/') != std::string::npos)
                __builtin_trap();
            (void)RecursiveFolder(entry.Text);
            (void)IsAbsolutePath(entry.Text);
            (void)FolderOf(entry.Text);
        }
    }
    (void)FileUriPath(bytes);
    (void)IsValidUtf8(bytes);
    return 0;
}
