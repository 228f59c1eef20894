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
    const bool read = ReadSelfSizedRecord(file, this, sizeof(Settings));
    // Also after a short read: the bytes that did arrive are kept and must be in range.
    if (globalTransparency > kMaxTransparency)
        globalTransparency = kDefaultTransparency;
    // Every user of a flag takes any non-zero byte as on; made 1, a damaged byte is not saved
    // back as it was.
    for (uint8_t* flag : {&hideTrayIcon, &autoStart, &safeMode, &superTransMode, &activeWindowOpaque, &wheelAdjust})
        *flag = *flag != 0;
    if (wheelModifiers > kWheelAltShift)
        wheelModifiers = kWheelCtrlShift;
    return read;
}

bool Settings::WriteToFile(HANDLE file) const
{
    return WriteExactly(file, this, sizeof(Settings));
}
