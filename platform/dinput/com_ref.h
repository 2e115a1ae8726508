#pragma once
// One counted reference to a COM interface, released when it goes. Needs the interface's
// full declaration only where a ComRef is destroyed or used, so a header can hold one of an
// interface it merely names.
//
// Facts relied on (COM): an interface handed out through an out parameter (CreateDevice,
// DirectInput8Create) comes with a reference already counted for the caller, which Release
// gives back; Release never throws.
#include <utility>

namespace tessiva {

template <class Interface>
class ComRef {
public:
    ComRef() = default;
    ~ComRef() { reset(); }
    ComRef(ComRef&& other) noexcept : m_pointer(std::exchange(other.m_pointer, nullptr)) {}
    ComRef& operator=(ComRef&& other) noexcept {
        if (this != &other) {
            reset();
            m_pointer = std::exchange(other.m_pointer, nullptr);
        }
        return *this;
    }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;

    Interface* get() const { return m_pointer; }
    Interface* operator->() const { return m_pointer; }
    explicit operator bool() const { return m_pointer != nullptr; }

    // For a call that hands out a new reference through an out parameter.
    Interface** put() {
        reset();
        return &m_pointer;
    }
    void reset() {
        if (m_pointer != nullptr) std::exchange(m_pointer, nullptr)->Release();
    }

private:
    Interface* m_pointer = nullptr;
};

}  // namespace tessiva
