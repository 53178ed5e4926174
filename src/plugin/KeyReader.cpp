#include "plugin/KeyReader.h"

#include <windows.h>

#include "core/KeyText.h"

TKeyReader::TKeyReader(std::string fileName) : FFileName(std::move(fileName)) {}

TKeyReader::~TKeyReader() { WritePrivateProfileStringA(nullptr, nullptr, nullptr, FFileName.c_str()); }

std::uint16_t TKeyReader::ReadHotKey(const char* section, const char* key, std::uint16_t defaultValue) const {
    char value[2048];
    const DWORD n = GetPrivateProfileStringA(section, key, "", value, sizeof value, FFileName.c_str());
    return ParseKeyText(std::string_view(value, n)).value_or(defaultValue);
}

std::string TKeyReader::Value(const char* section, const char* key) const {
    // The longest path is 32,767 UTF-16 units, each at most 3 bytes in UTF-8.
    constexpr std::size_t MaxValueBytes = 3 * 32768;
    for (std::size_t size = MAX_PATH * 2;; size *= 2) {
        std::string value(size, '\0');
        const DWORD n =
            GetPrivateProfileStringA(section, key, "", value.data(), static_cast<DWORD>(size), FFileName.c_str());
        // A value that filled the buffer may have been cut: read again with more room.
        if (n + 1 < size || size > MaxValueBytes) return std::string(value.data(), n);
    }
}

bool TKeyReader::ValueIs(const char* section, const char* key, const char* word) const {
    char value[64];
    const DWORD n = GetPrivateProfileStringA(section, key, "", value, sizeof value, FFileName.c_str());
    return n < sizeof value - 1 &&
           CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, value, static_cast<int>(n), word, -1) == CSTR_EQUAL;
}

std::int32_t TKeyReader::ReadDigits(const char* section, const char* key) const {
    char value[16];
    const DWORD n = GetPrivateProfileStringA(section, key, "", value, sizeof value, FFileName.c_str());
    if (n == 0 || n > 9) return -1;
    std::int32_t number = 0;
    for (DWORD i = 0; i < n; ++i) {
        if (value[i] < '0' || value[i] > '9') return -1;
        number = number * 10 + (value[i] - '0');
    }
    return number;
}
