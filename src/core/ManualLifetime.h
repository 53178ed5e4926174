// Room for one object whose owner ends its life explicitly, and which the program's end
// never destroys. A DLL's static objects are destroyed in its process detach; when the
// process is ending, that is no time to release anything: its other threads died
// wherever they were, perhaps holding the heap's or the window manager's locks.
#pragma once

#include <memory>
#include <new>
#include <utility>

template <class T> class TManualLifetime {
public:
    TManualLifetime() noexcept = default;
    // Trivial on purpose: a live object is left as it is.
    ~TManualLifetime() = default;
    TManualLifetime(const TManualLifetime&) = delete;
    TManualLifetime& operator=(const TManualLifetime&) = delete;

    // Ends the life of the object held, then makes a new one; when its constructor
    // raises, none is held.
    template <class... Args> T& Emplace(Args&&... args) {
        Reset();
        T& made = *std::construct_at(reinterpret_cast<T*>(FStorage), std::forward<Args>(args)...);
        FLive = true;
        return made;
    }
    // Ends the life of the object held, if any; safe to repeat.
    void Reset() noexcept {
        if (!FLive) return;
        FLive = false;
        std::destroy_at(Get());
    }
    // Forgets the object held without ending its life: what it holds stays held.
    void Abandon() noexcept { FLive = false; }

    explicit operator bool() const noexcept { return FLive; }
    T* Get() noexcept { return std::launder(reinterpret_cast<T*>(FStorage)); }
    T* operator->() noexcept { return Get(); }

private:
    alignas(T) unsigned char FStorage[sizeof(T)];
    bool FLive = false;
};
