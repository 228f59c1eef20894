#pragma once
#include <windows.h>
#include <atomic>

// An export of a module that the program's imports have already loaded, looked up on first use.
// A failed lookup is not retried. Two threads may resolve it at once; both store the same value.
template <typename Function>
class LazyProc {
public:
    constexpr LazyProc(const wchar_t* module, const char* name) : m_module(module), m_name(name) {}

    Function Get()
    {
        if (!m_tried.load(std::memory_order_acquire)) {
            Function function = nullptr;
            if (HMODULE module = GetModuleHandleW(m_module))
                function = reinterpret_cast<Function>(
                    reinterpret_cast<void*>(GetProcAddress(module, m_name)));
            m_function.store(function, std::memory_order_relaxed);
            m_tried.store(true, std::memory_order_release);
        }
        return m_function.load(std::memory_order_relaxed);
    }

private:
    const wchar_t* m_module;
    const char* m_name;
    std::atomic<Function> m_function{nullptr};
    std::atomic<bool> m_tried{false};
};
