#pragma once
#include <windows.h>
#include <cstdint>

// Owns one handle and closes it with Close. `InvalidValue` is what the handle's API gives for
// "none": null for most, INVALID_HANDLE_VALUE (-1) for files. Movable, not copyable.
template <typename T, auto Close, intptr_t InvalidValue = 0>
class UniqueHandle {
public:
    static T Invalid() { return reinterpret_cast<T>(InvalidValue); }

    UniqueHandle() = default;
    explicit UniqueHandle(T value) : m_value(value) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(UniqueHandle&& other) noexcept : m_value(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        reset(other.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    T get() const { return m_value; }
    explicit operator bool() const { return m_value != Invalid(); }
    T release()
    {
        T value = m_value;
        m_value = Invalid();
        return value;
    }
    void reset(T value = Invalid())
    {
        if (m_value != Invalid() && m_value != value)
            Close(m_value);
        m_value = value;
    }

private:
    T m_value = Invalid();
};

using UniqueKernelHandle = UniqueHandle<HANDLE, &CloseHandle>;
using UniqueFileHandle = UniqueHandle<HANDLE, &CloseHandle, -1>;
using UniqueRegistryKey = UniqueHandle<HKEY, &RegCloseKey>;
