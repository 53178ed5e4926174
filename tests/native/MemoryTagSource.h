// The bytes of a file in memory, for the tag reader's tests and fuzz target; counts
// what is read.
#pragma once

#include <cstring>
#include <string>

#include "core/Id3v2Tag.h"

class TMemoryTagSource final : public TTagSource {
public:
    explicit TMemoryTagSource(std::string bytes) : FBytes(std::move(bytes)) {}
    std::uint64_t Size() const override { return FBytes.size(); }
    bool ReadAt(std::uint64_t offset, void* buffer, std::size_t count) override {
        if (offset > FBytes.size() || count > FBytes.size() - offset) return false;
        std::memcpy(buffer, FBytes.data() + offset, count);
        BytesRead += count;
        return true;
    }
    std::size_t BytesRead = 0;

private:
    std::string FBytes;
};
