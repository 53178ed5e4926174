// Reads the hot keys and switches of the configuration file through the profile API.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

class TKeyReader {
public:
    explicit TKeyReader(std::string fileName);
    // Flushes the platform's cached copy of the file; the file itself is never written.
    ~TKeyReader();
    TKeyReader(const TKeyReader&) = delete;
    TKeyReader& operator=(const TKeyReader&) = delete;

    // The value of section/key as a hot key (see ParseKeyText), or defaultValue when it
    // is missing, empty or neither a number nor a key. At most 2047 characters of a
    // value are seen.
    std::uint16_t ReadHotKey(const char* section, const char* key, std::uint16_t defaultValue) const;
    // True when the value of section/key is word (not empty), in any case of its ASCII
    // letters.
    bool ValueIs(const char* section, const char* key, const char* word) const;
    // The value of section/key as a whole number of decimal digits alone (at most 9 of
    // them), or -1 when it is missing or anything else.
    std::int32_t ReadDigits(const char* section, const char* key) const;
    // The value of section/key, whole (a path, at any length a path can have); empty
    // when it is missing.
    std::string Value(const char* section, const char* key) const;

private:
    // False when the section surely has no such key: each read opens the file again
    // (several calls to the system each), and most keys are not there. A section's
    // names are asked for once, the first time one of its keys is read.
    bool MayHold(const char* section, const char* key) const;

    std::string FFileName;
    mutable const char* FNamesSection = nullptr; // the section whose names FNames holds
    mutable unsigned FNamesLength = 0;
    mutable std::unique_ptr<char[]> FNames;       // each name ended by a NUL
};
