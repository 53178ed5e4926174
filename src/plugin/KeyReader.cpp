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

bool TKeyReader::ValueIs(const char* section, const char* key, const char* word) const {
    char value[64];
    const DWORD n = GetPrivateProfileStringA(section, key, "", value, sizeof value, FFileName.c_str());
    return n < sizeof value - 1 &&
           CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, value, static_cast<int>(n), word, -1) == CSTR_EQUAL;
}

std::string_view TKeyReader::Text(const char* section, const char* key, char (&buffer)[64]) const {
    const DWORD n = GetPrivateProfileStringA(section, key, "", buffer, sizeof buffer, FFileName.c_str());
    return n < sizeof buffer - 1 ? std::string_view(buffer, n) : std::string_view();
}
