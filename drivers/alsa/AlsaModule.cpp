// Plugin exports of the ALSA module: one device per playback PCM.
#include "drivers/alsa/AlsaDevices.h"
#include "drivers/alsa/AlsaDriver.h"
#include "drivers/common/DriverModule.h"

#include <new>

using namespace quenthal;

QUENTHAL_DRIVER_EXPORT int32_t quenthal_asio_list_devices(TAsioDeviceEntry* entries, int32_t capacity) {
    const auto pcms = drivers::AlsaPlaybackPcms();
    for (int32_t i = 0; entries && i < capacity && i < static_cast<int32_t>(pcms.size()); ++i) {
        const std::string name = drivers::AlsaEntryName(pcms[static_cast<size_t>(i)]);
        entries[i] = TAsioDeviceEntry{};
        drivers::CopyText(entries[i].Name, sizeof entries[i].Name, name);
        drivers::CopyText(entries[i].Description, sizeof entries[i].Description, name);
        entries[i].Clsid = AsioClsidFromDeviceName(name.c_str());
    }
    return static_cast<int32_t>(pcms.size());
}

QUENTHAL_DRIVER_EXPORT int32_t quenthal_asio_create_driver(const TGuid* clsid, IAsioDriver** driver) {
    if (!clsid || !driver) return kAsioInvalidParameter;
    *driver = nullptr;
    try {
        for (const auto& pcm : drivers::AlsaPlaybackPcms()) {
            if (*clsid == AsioClsidFromDeviceName(drivers::AlsaEntryName(pcm).c_str())) {
                *driver = new drivers::TAlsaDriver(*clsid, pcm);
                return kAsioOK;
            }
        }
    } catch (...) {
        return kAsioNoMemory;
    }
    return kAsioNotPresent;
}
