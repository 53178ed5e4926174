#include "core/PlaylistFile.h"

#include <algorithm>
#include <cstdint>

#include "core/LineSplitter.h"

namespace {

template <class Char> Char LowerAscii(Char c) noexcept { return c >= 'A' && c <= 'Z' ? static_cast<Char>(c - 'A' + 'a') : c; }

// end: lower-case ASCII.
template <class Char> bool EndsWithNoCase(std::basic_string_view<Char> text, std::string_view end) noexcept {
    if (text.size() < end.size()) return false;
    const std::basic_string_view<Char> tail = text.substr(text.size() - end.size());
    for (std::size_t i = 0; i < end.size(); ++i)
        if (LowerAscii(tail[i]) != static_cast<Char>(end[i])) return false;
    return true;
}

// True when text starts with the ASCII text start.
template <class Char> bool StartsWith(std::basic_string_view<Char> text, std::string_view start) noexcept {
    if (text.size() < start.size()) return false;
    for (std::size_t i = 0; i < start.size(); ++i)
        if (text[i] != static_cast<Char>(start[i])) return false;
    return true;
}

template <class Char> bool IsAsciiLetter(Char c) noexcept { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

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

namespace {

template <class Char> bool IsPlaylistName(std::basic_string_view<Char> name) noexcept {
    return EndsWithNoCase(name, ".m3u") || EndsWithNoCase(name, ".m3u8");
}

} // namespace

bool IsPlaylistFileName(std::string_view name) noexcept { return IsPlaylistName(name); }
bool IsPlaylistFileName(std::wstring_view name) noexcept { return IsPlaylistName(name); }
bool IsUtf8PlaylistFileName(std::string_view name) noexcept { return EndsWithNoCase(name, ".m3u8"); }
bool IsUtf8PlaylistFileName(std::wstring_view name) noexcept { return EndsWithNoCase(name, ".m3u8"); }

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

std::string Latin1ToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            out += c;
        } else {
            out += static_cast<char>(0xC0 | (b >> 6));
            out += static_cast<char>(0x80 | (b & 0x3F));
        }
    }
    return out;
}

std::string Utf8OfUtf16(std::string_view bytes, bool bigEndian) {
    const auto unitAt = [&](std::size_t i) -> std::uint32_t {
        const std::uint32_t first = static_cast<unsigned char>(bytes[i]), second = static_cast<unsigned char>(bytes[i + 1]);
        return bigEndian ? (first << 8 | second) : (second << 8 | first);
    };
    const auto isLow = [](std::uint32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; };
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        std::uint32_t code = unitAt(i);
        if (code >= 0xD800 && code <= 0xDBFF && i + 3 < bytes.size() && isLow(unitAt(i + 2))) {
            code = 0x10000 + ((code - 0xD800) << 10) + (unitAt(i + 2) - 0xDC00);
            i += 2;
        } else if (code >= 0xD800 && code <= 0xDFFF) {
            code = 0xFFFD; // an unpaired half
        }
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return out;
}

std::optional<std::string> FileUriPath(std::string_view uri, TCodePageToUtf8 rawToUtf8) {
    const auto scheme = SchemeOf(uri);
    if (!scheme || scheme->size() != 4 || !EndsWithNoCase(*scheme, "file")) return std::nullopt;
    std::string_view rest = uri.substr(5);
    rest = rest.substr(0, rest.find_first_of("?#"));
    const auto isDrive = [](std::string_view p) {
        return p.size() >= 2 && IsAsciiLetter(p[0]) && (p[1] == ':' || p[1] == '|');
    };
    std::string path;
    if (rest.substr(0, 2) == "//") {
        rest.remove_prefix(2);
        const std::string_view host = rest.substr(0, rest.find('/'));
        if (host.size() == 9 && EndsWithNoCase(host, "localhost"))
            rest.remove_prefix(host.size()); // this machine: "/C:/x" follows
        else if (!host.empty() && !isDrive(host))
            path = "\\\\"; // a server's share; "file://C:/x" is a drive, written without its slash
    }
    if (!rest.empty() && rest[0] == '/' && isDrive(rest.substr(1))) rest.remove_prefix(1);
    if (path.empty() && isDrive(rest)) {
        // "C|" is the old spelling of "C:".
        path += rest[0];
        path += ':';
        rest.remove_prefix(2);
    }
    std::string raw;
    const auto flushRaw = [&] {
        path += rawToUtf8 != nullptr ? rawToUtf8(raw) : raw;
        raw.clear();
    };
    for (std::size_t i = 0; i < rest.size(); ++i) {
        const char c = rest[i];
        if (c == '%' && i + 2 < rest.size() && HexValue(rest[i + 1]) >= 0 && HexValue(rest[i + 2]) >= 0) {
            flushRaw();
            const auto byte = static_cast<char>(HexValue(rest[i + 1]) * 16 + HexValue(rest[i + 2]));
            path += byte == '/' ? '\\' : byte;
            i += 2;
        } else {
            raw += c == '/' ? '\\' : c;
        }
    }
    flushRaw();
    return path;
}

std::vector<std::string> ReadPlaylistFile(std::string_view bytes, bool utf8ByName, TCodePageToUtf8 codePageToUtf8) {
    bool utf8 = utf8ByName;
    std::string decoded;
    const bool littleEndian = bytes.substr(0, 2) == "\xFF\xFE", bigEndian = bytes.substr(0, 2) == "\xFE\xFF";
    if (littleEndian || bigEndian) {
        decoded = Utf8OfUtf16(bytes.substr(2), bigEndian);
        bytes = decoded;
        utf8 = true;
    } else if (bytes.substr(0, Utf8Mark.size()) == Utf8Mark) {
        bytes.remove_prefix(Utf8Mark.size());
        utf8 = true;
    }
    // Decoded UTF-16, or a file that is valid UTF-8 as a whole, has no line that is not.
    bool everyLineValid = littleEndian || bigEndian;
    if (!utf8) everyLineValid = utf8 = IsValidUtf8(bytes);
    std::vector<std::string> entries;
    while (!bytes.empty()) {
        const std::size_t end = bytes.find_first_of("\r\n");
        const std::string_view line = TrimLine(bytes.substr(0, end));
        bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
        // A NUL would cut the name short where the system reads it.
        if (line.empty() || line[0] == '#' || line.find('\0') != std::string_view::npos) continue;
        const bool lineUtf8 = utf8 && (everyLineValid || IsValidUtf8(line));
        if (SchemeOf(line)) {
            // Percent escapes stand for UTF-8 bytes, whatever the file's own encoding.
            auto path = FileUriPath(line, lineUtf8 ? nullptr : codePageToUtf8);
            if (path && !path->empty() && path->find('\0') == std::string::npos && IsValidUtf8(*path))
                entries.push_back(std::move(*path));
            continue;
        }
        entries.push_back(lineUtf8 ? WithBackslashes(line) : WithBackslashes(codePageToUtf8(line)));
    }
    return entries;
}

namespace {

bool IsDriveAt(std::string_view path, std::size_t at) noexcept {
    return path.size() >= at + 2 && IsAsciiLetter(path[at]) && path[at + 1] == ':';
}

// The length of a UNC root "\\server\share\" whose server starts at from (after "\\"
// or "\\?\UNC\"), with the share's separator where the path has one.
std::size_t ShareRootEnd(std::string_view path, std::size_t from) noexcept {
    const std::size_t server = path.find('\\', from);
    if (server == std::string_view::npos) return path.size();
    const std::size_t share = path.find('\\', server + 1);
    return share == std::string_view::npos ? path.size() : share + 1;
}

// The length of a full path's root: "D:\", "\\server\share\", "\\?\D:\",
// "\\?\UNC\server\share\"; 0 for a path without one.
std::size_t RootLength(std::string_view path) noexcept {
    constexpr std::string_view Extended = "\\\\?\\", ExtendedUnc = "\\\\?\\UNC\\";
    if (path.substr(0, ExtendedUnc.size()) == ExtendedUnc) return ShareRootEnd(path, ExtendedUnc.size());
    if (path.substr(0, Extended.size()) == Extended) {
        if (IsDriveAt(path, 4)) return std::min(path.size(), std::size_t{7});
        const std::size_t end = path.find('\\', 4);
        return end == std::string_view::npos ? path.size() : end + 1;
    }
    if (path.substr(0, 2) == "\\\\") return ShareRootEnd(path, 2);
    if (IsDriveAt(path, 0)) return path.size() >= 3 && path[2] == '\\' ? 3 : 2;
    return 0;
}

// The drive letter of a full path ("D:\x", "\\?\D:\x"), or 0.
char DriveOf(std::string_view path) noexcept {
    if (IsDriveAt(path, 0)) return path[0];
    if (path.substr(0, 4) == "\\\\?\\" && IsDriveAt(path, 4)) return path[4];
    return 0;
}

// The root as it is (with its separator); after it, "." and empty parts dropped and
// ".." taking the part before it along (never the root).
std::string Normalized(std::string_view full) {
    const std::size_t rootLength = RootLength(full);
    std::string out(full.substr(0, rootLength));
    if (!out.empty() && out.back() != '\\') out += '\\';
    const std::size_t base = out.size();
    std::string_view rest = full.substr(rootLength);
    while (!rest.empty()) {
        const std::size_t end = rest.find('\\');
        const std::string_view part = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            if (out.size() > base) out.erase(std::max(base, out.find_last_of('\\', out.size() - 2) + 1));
            continue;
        }
        out.append(part);
        out += '\\';
    }
    if (out.size() > base) out.pop_back();
    return out;
}

} // namespace

std::string ResolveListEntry(std::string_view listFolder, std::string_view entry) {
    if (entry.substr(0, 4) == "\\\\?\\") return std::string(entry);
    if (entry.substr(0, 2) == "\\\\" || (IsDriveAt(entry, 0) && entry.size() >= 3 && entry[2] == '\\'))
        return Normalized(entry);
    if (IsDriveAt(entry, 0)) {
        const char listDrive = DriveOf(listFolder);
        const std::string rest(entry.substr(2));
        if (listDrive != 0 && LowerAscii(listDrive) == LowerAscii(entry[0])) return Normalized(std::string(listFolder) + rest);
        return Normalized(std::string(entry.substr(0, 2)) + "\\" + rest);
    }
    if (!entry.empty() && entry[0] == '\\')
        return Normalized(std::string(listFolder.substr(0, RootLength(listFolder))) + std::string(entry.substr(1)));
    return Normalized(std::string(listFolder) + std::string(entry));
}

std::size_t Utf16Length(std::string_view utf8) noexcept {
    std::size_t length = 0;
    for (const char c : utf8) {
        const auto b = static_cast<unsigned char>(c);
        if ((b & 0xC0) != 0x80) ++length;
        if (b >= 0xF0) ++length; // a surrogate pair
    }
    return length;
}

namespace {

template <class Char> std::basic_string<Char> ExtendedForm(std::basic_string_view<Char> fullPath) {
    std::basic_string<Char> out;
    out.reserve(fullPath.size() + 8);
    constexpr std::string_view Extended = "\\\\?\\", ExtendedUnc = "\\\\?\\UNC\\";
    if (StartsWith(fullPath, Extended)) return std::basic_string<Char>(fullPath);
    const bool share = StartsWith(fullPath, "\\\\");
    for (const char c : share ? ExtendedUnc : Extended) out += static_cast<Char>(c);
    out.append(fullPath.substr(share ? 2 : 0));
    return out;
}

template <class Char> std::optional<std::basic_string_view<Char>> TreeFolder(std::basic_string_view<Char> line) noexcept {
    if (line.size() < 3 || line[line.size() - 1] != '*' || line[line.size() - 2] != '*') return std::nullopt;
    const Char separator = line[line.size() - 3];
    if (separator != '\\' && separator != '/') return std::nullopt;
    return line.substr(0, line.size() - 3);
}

template <class Char> bool IsFromRoot(std::basic_string_view<Char> path) noexcept {
    if (!path.empty() && (path[0] == '\\' || path[0] == '/')) return true;
    return path.size() >= 2 && IsAsciiLetter(path[0]) && path[1] == ':';
}

template <class Char> std::basic_string_view<Char> FolderPart(std::basic_string_view<Char> path) noexcept {
    std::size_t last = path.size();
    while (last > 0 && path[last - 1] != '\\' && path[last - 1] != '/') --last;
    return path.substr(0, last);
}

} // namespace

std::string ExtendedLengthPath(std::string_view fullPath) { return ExtendedForm(fullPath); }
std::wstring ExtendedLengthPath(std::wstring_view fullPath) { return ExtendedForm(fullPath); }

std::optional<std::string_view> RecursiveFolder(std::string_view line) noexcept { return TreeFolder(line); }
std::optional<std::wstring_view> RecursiveFolder(std::wstring_view line) noexcept { return TreeFolder(line); }

bool IsAbsolutePath(std::string_view path) noexcept { return IsFromRoot(path); }
bool IsAbsolutePath(std::wstring_view path) noexcept { return IsFromRoot(path); }

std::string_view FolderOf(std::string_view path) noexcept { return FolderPart(path); }
std::wstring_view FolderOf(std::wstring_view path) noexcept { return FolderPart(path); }
