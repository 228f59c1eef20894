#pragma once
#include <windows.h>

// A critical section for the life of its owner, and a guard that holds it for one scope.
class CriticalSection {
public:
    CriticalSection() { InitializeCriticalSection(&m_section); }
    ~CriticalSection() { DeleteCriticalSection(&m_section); }
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;

    // For waits that release it meanwhile (SleepConditionVariableCS).
    CRITICAL_SECTION* Native() { return &m_section; }

    class Lock {
    public:
        explicit Lock(CriticalSection& owner) : m_owner(owner) { EnterCriticalSection(&m_owner.m_section); }
        ~Lock() { LeaveCriticalSection(&m_owner.m_section); }
        Lock(const Lock&) = delete;
        Lock& operator=(const Lock&) = delete;

    private:
        CriticalSection& m_owner;
    };

private:
    CRITICAL_SECTION m_section;
};
