// A module as a careless third party might write it: device records with an unterminated name, a
// name with a registry path separator, one good device; with QUENTHAL_NO_FACTORY it lacks the
// factory export, otherwise its factory knows no CLSID at all.
#include "asio/AsioDriverInterface.h"

#include <cstring>

#define EXPORT extern "C" __attribute__((visibility("default")))

EXPORT int32_t quenthal_asio_list_devices(quenthal::TAsioDeviceEntry* entries, int32_t capacity) {
    if (capacity < 3) return 3;
    std::memset(entries[0].Name, 'x', sizeof entries[0].Name);  // no terminator
    std::strcpy(entries[1].Name, "Odd\\Nested");
    std::strcpy(entries[2].Name, MODULE_DEVICE_NAME);
    entries[2].Clsid = quenthal::AsioClsidFromDeviceName(MODULE_DEVICE_NAME);
    std::memset(entries[2].Description, 'y', sizeof entries[2].Description);  // no terminator: no description
    return 3;
}

#ifndef QUENTHAL_NO_FACTORY
EXPORT int32_t quenthal_asio_create_driver(const quenthal::TGuid*, quenthal::IAsioDriver** driver) {
    *driver = nullptr;
    return quenthal::kAsioNotPresent;
}
#endif
