#pragma once
#include <windows.h>
#include <cstddef>
#include <cstdint>

// The options record. Its 33 bytes are written to the data file exactly as they lie in memory,
// so the layout is fixed and packed.
#pragma pack(push, 1)
struct Settings {
    uint32_t size;
    uint8_t globalTransparency;
    uint8_t hideTrayIcon;
    uint8_t autoStart;
    uint8_t safeMode;
    uint8_t superTransMode;
    uint16_t hotkeyVirtualKey;
    uint16_t hotkeyModifiers;
    uint8_t passwordDigest[16];
    uint8_t activeWindowOpaque;   // the window in front kept opaque
    uint8_t wheelAdjust;          // the modifiers and the wheel set a program's transparency
    uint8_t wheelModifiers;       // the gesture's keys, a WheelModifiers; any other value reads as 0
    uint8_t hoverOpaque;          // the window under the mouse made opaque once the mouse rests on it

    void Reset();
    // All sixteen bytes zero mean that no password is set.
    bool HasPassword() const;
    // Reads a self-sized record at the file's position; see DataFile.h for the rules.
    bool ReadFromFile(HANDLE file);
    bool WriteToFile(HANDLE file) const;
};
#pragma pack(pop)

// The wheel gesture's two keys.
enum WheelModifiers : uint8_t { kWheelCtrlShift = 0, kWheelCtrlAlt = 1, kWheelAltShift = 2 };

static_assert(sizeof(Settings) == 33, "Settings is persisted byte for byte");
static_assert(offsetof(Settings, globalTransparency) == 4, "layout");
static_assert(offsetof(Settings, superTransMode) == 8, "layout");
static_assert(offsetof(Settings, hotkeyVirtualKey) == 9, "layout");
static_assert(offsetof(Settings, hotkeyModifiers) == 11, "layout");
static_assert(offsetof(Settings, passwordDigest) == 13, "layout");
static_assert(offsetof(Settings, activeWindowOpaque) == 29, "layout");
static_assert(offsetof(Settings, wheelAdjust) == 30, "layout");
static_assert(offsetof(Settings, wheelModifiers) == 31, "layout");
static_assert(offsetof(Settings, hoverOpaque) == 32, "layout");
