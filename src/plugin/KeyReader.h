// Reads the hot-key values of the configuration file through the profile API.
#pragma once

#include <cstdint>
#include <string>

class TKeyReader {
public:
    explicit TKeyReader(std::string fileName);
    // Flushes the platform's cached copy of the file; the file itself is never written.
    ~TKeyReader();
    TKeyReader(const TKeyReader&) = delete;
    TKeyReader& operator=(const TKeyReader&) = delete;

    // The value of section/key as an integer, or defaultValue when it is missing,
    // empty or not an integer. At most 2047 characters of a value are seen.
    std::int32_t ReadKeyValue(const char* section, const char* key, std::int32_t defaultValue) const;
    // True when the value of section/key is word, in any case of its ASCII letters.
    bool ValueIs(const char* section, const char* key, const char* word) const;

private:
    std::string FFileName;
};
