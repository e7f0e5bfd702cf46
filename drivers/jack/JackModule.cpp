// Plugin exports of the JACK module: one device, listed whether or not a server runs (without one,
// Init fails and the host reports the driver as failed).
#include "drivers/common/DriverModule.h"
#include "drivers/jack/JackDriver.h"

#include <new>

using namespace quenthal;

QUENTHAL_DRIVER_EXPORT int32_t quenthal_asio_list_devices(TAsioDeviceEntry* entries, int32_t capacity) {
    if (entries && capacity >= 1) {
        entries[0] = TAsioDeviceEntry{};
        drivers::CopyText(entries[0].Name, sizeof entries[0].Name, drivers::kJackDeviceName);
        drivers::CopyText(entries[0].Description, sizeof entries[0].Description, "JACK Audio Connection Kit");
        entries[0].Clsid = AsioClsidFromDeviceName(drivers::kJackDeviceName);
    }
    return 1;
}

QUENTHAL_DRIVER_EXPORT int32_t quenthal_asio_create_driver(const TGuid* clsid, IAsioDriver** driver) {
    if (!clsid || !driver) return kAsioInvalidParameter;
    *driver = nullptr;
    if (!(*clsid == AsioClsidFromDeviceName(drivers::kJackDeviceName))) return kAsioNotPresent;
    *driver = new (std::nothrow) drivers::TJackDriver(*clsid);
    return *driver ? kAsioOK : kAsioNoMemory;
}
