#pragma once
#include <windows.h>

// Swaps this program's import-table entry of a system function for a function of the test's, for
// as long as the object lives. Code linked into the program statically (the engine, the framework,
// the skin) calls the system through that table, so a test can count or fail such calls without
// any hook in the product.
class ImportPatch {
public:
    ImportPatch(const wchar_t* module, const char* function, const void* replacement)
        : m_original(reinterpret_cast<const void*>(GetProcAddress(GetModuleHandleW(module), function)))
    {
        auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
        const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
            base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
        const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        for (auto* d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
             m_original && d->Name && !m_slot; ++d) {
            for (auto* slot = reinterpret_cast<const void**>(base + d->FirstThunk); *slot && !m_slot; ++slot)
                m_slot = *slot == m_original ? slot : nullptr;
        }
        if (m_slot)
            Write(replacement);
    }
    ~ImportPatch()
    {
        if (m_slot)
            Write(m_original);
    }
    ImportPatch(const ImportPatch&) = delete;
    ImportPatch& operator=(const ImportPatch&) = delete;

    bool Installed() const { return m_slot != nullptr; }
    // The system's function, for a replacement that passes calls on.
    template <typename Function>
    Function Original() const { return reinterpret_cast<Function>(const_cast<void*>(m_original)); }

private:
    void Write(const void* value)
    {
        DWORD protection = 0;
        VirtualProtect(m_slot, sizeof *m_slot, PAGE_READWRITE, &protection);
        *m_slot = value;
        VirtualProtect(m_slot, sizeof *m_slot, protection, &protection);
    }

    const void** m_slot = nullptr;
    const void* m_original = nullptr;
};
