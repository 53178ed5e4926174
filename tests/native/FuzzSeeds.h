// Table tests hand their inputs to the fuzz targets as seeds: with QUILM_FUZZ_SEEDS set
// to a folder, each input is written to a file of its own in FOLDER/TARGET
// (scripts/fuzz.sh runs the tests so before it fuzzes). Without it, nothing is written.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <string_view>

inline void SaveFuzzSeed(const char* target, std::string_view bytes) {
    const char* root = std::getenv("QUILM_FUZZ_SEEDS");
    if (root == nullptr || *root == '\0') return;
    const std::filesystem::path folder = std::filesystem::path(root) / target;
    std::filesystem::create_directories(folder);
    std::ofstream(folder / std::to_string(std::hash<std::string_view>{}(bytes)), std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}
