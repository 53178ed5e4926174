// The bytes of ID3v2 tags and frames, for the tag readers' tests.
#pragma once

#include <cstdint>
#include <string>

inline std::string SyncSafe(std::uint32_t n) {
    return {static_cast<char>(n >> 21 & 0x7F), static_cast<char>(n >> 14 & 0x7F), static_cast<char>(n >> 7 & 0x7F),
            static_cast<char>(n & 0x7F)};
}

inline std::string BigEndian(std::uint32_t n, int bytes) {
    std::string out;
    for (int i = bytes - 1; i >= 0; --i) out += static_cast<char>(n >> (8 * i) & 0xFF);
    return out;
}

// A frame of the version: its id, its data, its format flags.
inline std::string Frame(int version, const std::string& id, const std::string& data, char format = 0) {
    if (version == 2) return id + BigEndian(static_cast<std::uint32_t>(data.size()), 3) + data;
    const std::string size = version == 4 ? SyncSafe(static_cast<std::uint32_t>(data.size()))
                                          : BigEndian(static_cast<std::uint32_t>(data.size()), 4);
    return id + size + std::string(1, '\0') + std::string(1, format) + data;
}

// A tag of the version holding frames, then padding, then audio.
inline std::string Tag(int version, const std::string& frames, char flags = 0, std::size_t padding = 16,
                       const std::string& audio = std::string(200, '\x55')) {
    const std::string body = frames + std::string(padding, '\0');
    return "ID3" + std::string(1, static_cast<char>(version)) + std::string(1, '\0') + std::string(1, flags) +
           SyncSafe(static_cast<std::uint32_t>(body.size())) + body + audio;
}

// Text frame data: encoding byte, then the bytes as given.
inline std::string Text(char encoding, const std::string& bytes) { return std::string(1, encoding) + bytes; }

inline std::string Utf16Le(const std::string& ascii, bool mark) {
    std::string out = mark ? "\xFF\xFE" : "";
    for (char c : ascii) out += c, out += '\0';
    return out;
}

inline std::string Utf16Be(const std::string& ascii, bool mark) {
    std::string out = mark ? "\xFE\xFF" : "";
    for (char c : ascii) out += '\0', out += c;
    return out;
}
