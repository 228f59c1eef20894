#pragma once
#include <windows.h>

// Owns one Win32 handle (null = none) and closes it with Close. Movable, not copyable.
template <typename T, auto Close>
class UniqueHandle {
public:
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
    explicit operator bool() const { return m_value != T{}; }
    T release()
    {
        T value = m_value;
        m_value = T{};
        return value;
    }
    void reset(T value = T{})
    {
        if (m_value != T{} && m_value != value)
            Close(m_value);
        m_value = value;
    }

private:
    T m_value{};
};

using UniqueKernelHandle = UniqueHandle<HANDLE, &CloseHandle>;
using UniqueRegistryKey = UniqueHandle<HKEY, &RegCloseKey>;
