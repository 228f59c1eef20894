#include "Settings.h"
#include "FilterList.h"
#include "RecordIo.h"

#include <cstring>
#include <initializer_list>

void Settings::Reset()
{
    std::memset(this, 0, sizeof(*this));
    size = sizeof(Settings);
    globalTransparency = kDefaultTransparency;
    wheelAdjust = 1;
}

bool Settings::HasPassword() const
{
    for (uint8_t byte : passwordDigest)
        if (byte != 0)
            return true;
    return false;
}

bool Settings::ReadFromFile(HANDLE file)
{
    uint32_t storedSize = 0;
    const bool read = ReadSelfSizedRecord(file, this, sizeof(Settings), &storedSize);
    // A record cut short is taken as the defaults, never half: half a password digest would lock
    // the user out for good. A length that ends inside the digest is no layout ever written.
    constexpr uint32_t digestStart = offsetof(Settings, passwordDigest), digestEnd = digestStart + sizeof(passwordDigest);
    if (!read || (storedSize > digestStart && storedSize < digestEnd)) {
        Reset();
        return false;
    }
    if (globalTransparency > kMaxTransparency)
        globalTransparency = kDefaultTransparency;
    // Every user of a flag takes any non-zero byte as on; made 1, a damaged byte is not saved
    // back as it was.
    for (uint8_t* flag : {&hideTrayIcon, &autoStart, &safeMode, &superTransMode, &activeWindowOpaque, &wheelAdjust,
                           &hoverOpaque})
        *flag = *flag != 0;
    if (wheelModifiers > kWheelAltShift)
        wheelModifiers = kWheelCtrlShift;
    return read;
}

bool Settings::WriteToFile(HANDLE file) const
{
    return WriteExactly(file, this, sizeof(Settings));
}
