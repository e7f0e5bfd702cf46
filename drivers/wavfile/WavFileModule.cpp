// Plugin exports of the WAV File Writer module: one device, always present.
#include "drivers/common/DriverModule.h"
#include "drivers/wavfile/WavFileDriver.h"

#include <new>

using namespace quenthal;

QUENTHAL_DRIVER_EXPORT int32_t quenthal_asio_list_devices(TAsioDeviceEntry* entries, int32_t capacity) {
    if (entries && capacity >= 1) {
        entries[0] = TAsioDeviceEntry{};
        drivers::CopyText(entries[0].Name, sizeof entries[0].Name, drivers::kWavFileDeviceName);
        drivers::CopyText(entries[0].Description, sizeof entries[0].Description, drivers::kWavFileDeviceName);
        entries[0].Clsid = AsioClsidFromDeviceName(drivers::kWavFileDeviceName);
    }
    return 1;
}

QUENTHAL_DRIVER_EXPORT int32_t quenthal_asio_create_driver(const TGuid* clsid, IAsioDriver** driver) {
    if (!clsid || !driver) return kAsioInvalidParameter;
    *driver = nullptr;
    if (!(*clsid == AsioClsidFromDeviceName(drivers::kWavFileDeviceName))) return kAsioNotPresent;
    *driver = new (std::nothrow) drivers::TWavFileDriver(*clsid);
    return *driver ? kAsioOK : kAsioNoMemory;
}
