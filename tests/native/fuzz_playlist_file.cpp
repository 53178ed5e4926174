// libFuzzer target: any bytes as a playlist file (as .m3u and as .m3u8, as they are and
// as UTF-16 in both byte orders), and each of its lines as a "file:" URI and a playlist
// line.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/PlaylistFile.h"

namespace {

void Check(std::string_view bytes) {
    for (const bool utf8ByName : {false, true}) {
        for (const std::string& entry : ReadPlaylistFile(bytes, utf8ByName)) {
            // Entries are never empty, never hold a line end, a NUL or a "/", and are
            // valid UTF-8, whatever the file's encoding.
            if (entry.empty()) __builtin_trap();
            if (entry.find_first_of(std::string_view("\n\r\0/", 4)) != std::string::npos) __builtin_trap();
            if (!IsValidUtf8(entry)) __builtin_trap();
            (void)RecursiveFolder(entry);
            (void)IsAbsolutePath(entry);
            (void)FolderOf(entry);
            (void)ResolveListEntry("D:\\Lists\\", entry);
            (void)ResolveListEntry("\\\\?\\UNC\\nas\\m\\", entry);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    Check(bytes);
    Check("\xFF\xFE" + std::string(bytes));
    Check("\xFE\xFF" + std::string(bytes));
    (void)FileUriPath(bytes, &Latin1ToUtf8);
    (void)IsValidUtf8(bytes);
    (void)ExtendedLengthPath(bytes);
    return 0;
}
