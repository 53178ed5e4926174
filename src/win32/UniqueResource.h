// One owner per Win32 resource, declared in one line with its close function:
//   using UniqueFile = UniqueResource<HANDLE, ::CloseHandle, InvalidHandleBits>;
#pragma once

#include <cstdint>
#include <utility>

template <class T, auto Close, std::uintptr_t InvalidBits = 0>
class UniqueResource {
public:
    UniqueResource() noexcept = default;
    explicit UniqueResource(T value) noexcept : FValue(value) {}
    ~UniqueResource() { Reset(); }

    UniqueResource(UniqueResource&& other) noexcept : FValue(other.Release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;

    static T Invalid() noexcept { return (T)InvalidBits; }

    T Get() const noexcept { return FValue; }
    bool Valid() const noexcept { return FValue != Invalid(); }
    explicit operator bool() const noexcept { return Valid(); }

    T Release() noexcept { return std::exchange(FValue, Invalid()); }
    void Reset(T value = Invalid()) noexcept {
        const T old = std::exchange(FValue, value);
        if (old != Invalid()) Close(old);
    }

private:
    T FValue = Invalid();
};
