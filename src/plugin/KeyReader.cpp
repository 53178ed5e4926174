#include "plugin/KeyReader.h"

#include <windows.h>

#include <cstring>
#include <string_view>

#include "core/KeyText.h"

namespace {

constexpr unsigned NamesSize = 1024;

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// True unless the profile API surely tells name from key: it may match a name beyond
// ASCII under the system's own case rules, and ASCII letters in any case.
bool MayBeKey(const char* name, const char* key) {
    for (const char* c = name; *c != '\0'; ++c)
        if (static_cast<unsigned char>(*c) >= 0x80) return true;
    for (; *name != '\0' || *key != '\0'; ++name, ++key)
        if (LowerAscii(*name) != LowerAscii(*key)) return false;
    return true;
}

} // namespace

TKeyReader::TKeyReader(std::string fileName) : FFileName(std::move(fileName)) {}

TKeyReader::~TKeyReader() { WritePrivateProfileStringA(nullptr, nullptr, nullptr, FFileName.c_str()); }

bool TKeyReader::MayHold(const char* section, const char* key) const {
    // The callers name sections by literals: one listing a section, as they read its keys
    // one after another (another literal of the same name lists it again, no more).
    if (FNamesSection != section) {
        if (!FNames) FNames = std::make_unique<char[]>(NamesSize);
        FNamesSection = section;
        FNamesLength = GetPrivateProfileStringA(section, nullptr, "", FNames.get(), NamesSize, FFileName.c_str());
    }
    // A list that filled the buffer may have been cut.
    if (FNamesLength >= NamesSize - 2) return true;
    for (const char* name = FNames.get(); name < FNames.get() + FNamesLength; name += std::strlen(name) + 1)
        if (MayBeKey(name, key)) return true;
    return false;
}

std::uint16_t TKeyReader::ReadHotKey(const char* section, const char* key, std::uint16_t defaultValue) const {
    if (!MayHold(section, key)) return defaultValue;
    char value[2048];
    const DWORD n = GetPrivateProfileStringA(section, key, "", value, sizeof value, FFileName.c_str());
    return ParseKeyText(std::string_view(value, n)).value_or(defaultValue);
}

std::string TKeyReader::Value(const char* section, const char* key) const {
    if (!MayHold(section, key)) return {};
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
    if (!MayHold(section, key)) return false;
    char value[64];
    const DWORD n = GetPrivateProfileStringA(section, key, "", value, sizeof value, FFileName.c_str());
    return n < sizeof value - 1 &&
           CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, value, static_cast<int>(n), word, -1) == CSTR_EQUAL;
}

std::int32_t TKeyReader::ReadDigits(const char* section, const char* key) const {
    if (!MayHold(section, key)) return -1;
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
