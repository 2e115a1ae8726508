#pragma once
// ComRef<T>: one counted reference to a COM interface, released when the ComRef goes. Move
// only, so that every AddRef of ours has exactly one Release.
//
// Shared by the Windows layers. It includes no system header: T may be a forward-declared
// interface wherever a ComRef is only declared; the code that makes, uses or destroys one
// sees the full declaration (the SDK's header in the .cpp files), since that is where
// Release is called.
//
// Facts relied on (COM): an interface handed out through an out parameter (CoCreateInstance,
// QueryInterface, CreateDevice, DirectInput8Create) comes with a reference already counted
// for the caller, which Release gives back; Release never throws.
#include <utility>

namespace tessiva {

template <class T>
class ComRef {
public:
    ComRef() = default;
    // Takes over a reference the caller owns (as CoCreateInstance and QueryInterface hand out).
    explicit ComRef(T* adopted) : m_pointer(adopted) {}
    ComRef(ComRef&& other) noexcept : m_pointer(std::exchange(other.m_pointer, nullptr)) {}
    ComRef& operator=(ComRef&& other) noexcept {
        if (this != &other) reset(std::exchange(other.m_pointer, nullptr));
        return *this;
    }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    ~ComRef() { reset(); }

    void reset(T* adopted = nullptr) {
        if (m_pointer != nullptr) m_pointer->Release();
        m_pointer = adopted;
    }
    T* get() const { return m_pointer; }
    T* operator->() const { return m_pointer; }
    explicit operator bool() const { return m_pointer != nullptr; }

    // For a call that hands out a new reference through an out parameter: drops what it held.
    T** put() {
        reset();
        return &m_pointer;
    }
    // The same, for the calls that take a void** (QueryInterface, CoCreateInstance).
    void** putVoid() { return reinterpret_cast<void**>(put()); }

private:
    T* m_pointer = nullptr;
};

}  // namespace tessiva
