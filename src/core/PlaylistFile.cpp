#include "core/PlaylistFile.h"

#include <cstdint>

#include "core/LineSplitter.h"

namespace {

char LowerAscii(char c) noexcept { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EndsWithNoCase(std::string_view text, std::string_view end) noexcept {
    if (text.size() < end.size()) return false;
    const std::string_view tail = text.substr(text.size() - end.size());
    for (std::size_t i = 0; i < end.size(); ++i)
        if (LowerAscii(tail[i]) != end[i]) return false;
    return true;
}

bool IsAsciiLetter(char c) noexcept { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

int HexValue(char c) noexcept {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// The scheme of a URI ("http" of "http://x"), or nothing. A single letter before the
// colon is a drive ("C:\x"), not a scheme.
std::optional<std::string_view> SchemeOf(std::string_view line) noexcept {
    if (line.empty() || !IsAsciiLetter(line[0])) return std::nullopt;
    for (std::size_t i = 1; i < line.size(); ++i) {
        const char c = line[i];
        if (c == ':') return i >= 2 ? std::optional(line.substr(0, i)) : std::nullopt;
        if (!IsAsciiLetter(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.') return std::nullopt;
    }
    return std::nullopt;
}

std::string WithBackslashes(std::string_view path) {
    std::string out(path);
    for (char& c : out)
        if (c == '/') c = '\\';
    return out;
}

constexpr std::string_view Utf8Mark = "\xEF\xBB\xBF";

} // namespace

bool IsPlaylistFileName(std::string_view name) noexcept {
    return EndsWithNoCase(name, ".m3u") || EndsWithNoCase(name, ".m3u8");
}

bool IsUtf8PlaylistFileName(std::string_view name) noexcept { return EndsWithNoCase(name, ".m3u8"); }

bool IsValidUtf8(std::string_view bytes) noexcept {
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80) {
            ++i;
            continue;
        }
        std::size_t length;
        std::uint32_t code;
        if (b >= 0xC2 && b <= 0xDF) {
            length = 2, code = b & 0x1F;
        } else if (b >= 0xE0 && b <= 0xEF) {
            length = 3, code = b & 0x0F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            length = 4, code = b & 0x07;
        } else {
            return false;
        }
        if (bytes.size() - i < length) return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto c = static_cast<unsigned char>(bytes[i + k]);
            if ((c & 0xC0) != 0x80) return false;
            code = (code << 6) | (c & 0x3F);
        }
        const bool overlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
        if (overlong || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) return false;
        i += length;
    }
    return true;
}

std::optional<std::string> FileUriPath(std::string_view uri) {
    const auto scheme = SchemeOf(uri);
    if (!scheme || scheme->size() != 4 || !EndsWithNoCase(*scheme, "file")) return std::nullopt;
    std::string_view rest = uri.substr(5);
    std::string path;
    if (rest.substr(0, 2) == "//") {
        rest.remove_prefix(2);
        // "file:///C:/x": no host. "file://server/share": a server's share.
        if (rest.empty() || rest[0] != '/') path = "\\\\";
    }
    // "/C:/x" is the drive's path.
    if (rest.size() >= 3 && rest[0] == '/' && IsAsciiLetter(rest[1]) && (rest[2] == ':' || rest[2] == '|'))
        rest.remove_prefix(1);
    for (std::size_t i = 0; i < rest.size(); ++i) {
        const char c = rest[i];
        if (c == '%' && i + 2 < rest.size() && HexValue(rest[i + 1]) >= 0 && HexValue(rest[i + 2]) >= 0) {
            const auto byte = static_cast<char>(HexValue(rest[i + 1]) * 16 + HexValue(rest[i + 2]));
            path += byte == '/' ? '\\' : byte;
            i += 2;
        } else {
            path += c == '/' ? '\\' : c;
        }
    }
    return path;
}

std::vector<TTrackPath> ReadPlaylistFile(std::string_view bytes, bool utf8ByName) {
    bool utf8 = utf8ByName;
    if (bytes.substr(0, Utf8Mark.size()) == Utf8Mark) {
        bytes.remove_prefix(Utf8Mark.size());
        utf8 = true;
    }
    if (!utf8) utf8 = IsValidUtf8(bytes);
    std::vector<TTrackPath> entries;
    while (!bytes.empty()) {
        const std::size_t end = bytes.find('\n');
        const std::string_view line = TrimLine(bytes.substr(0, end));
        bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
        if (line.empty() || line[0] == '#') continue;
        if (SchemeOf(line)) {
            // Percent escapes stand for UTF-8 bytes, whatever the file's own encoding.
            // An escaped NUL would cut the name short where the system reads it.
            auto path = FileUriPath(line);
            if (path && !path->empty() && path->find('\0') == std::string::npos)
                entries.push_back({std::move(*path), true});
            continue;
        }
        entries.push_back({WithBackslashes(line), utf8});
    }
    return entries;
}

std::optional<std::string_view> RecursiveFolder(std::string_view line) noexcept {
    if (line.size() < 3 || line.substr(line.size() - 2) != "**") return std::nullopt;
    const char separator = line[line.size() - 3];
    if (separator != '\\' && separator != '/') return std::nullopt;
    return line.substr(0, line.size() - 3);
}

bool IsAbsolutePath(std::string_view path) noexcept {
    if (!path.empty() && (path[0] == '\\' || path[0] == '/')) return true;
    return path.size() >= 2 && IsAsciiLetter(path[0]) && path[1] == ':';
}

std::string_view FolderOf(std::string_view path) noexcept {
    const std::size_t last = path.find_last_of("\\/");
    return last == std::string_view::npos ? std::string_view() : path.substr(0, last + 1);
}
