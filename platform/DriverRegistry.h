#pragma once
// The Linux backing of the registry: the "software\asio" and "clsid\...\InprocServer32" keys built
// from what the bundled driver modules say about themselves (each lists its devices), plus the
// entries of an optional registry file for drivers installed separately.
//
// Registry file: one INI section per driver list entry, named like the registry sub-key:
//   [My Interface]
//   CLSID={01234567-89AB-CDEF-0123-456789ABCDEF}
//   Description=My Interface 8x8
//   Module=/opt/myinterface/libmyasio.so
// Lines that are neither a section nor "key=value" are skipped. A section's values are kept as they
// stand, so an entry with an empty or malformed CLSID gets the driver list's own handling.

#include "platform/Registry.h"

#include <memory>
#include <string>
#include <vector>

namespace quenthal {

class TDriverRegistry : public IRegistry {
public:
    // Modules are the *.so files of the folders; of two with the same file name the first folder's
    // wins, of two devices with the same name the one found first. Sub-keys enumerate sorted by name
    // without regard to letter case, as the Windows registry enumerates them.
    TDriverRegistry(const std::vector<std::string>& driverFolders, const std::string& registryFile);
    // The program's registry: BundledDriverFolders() and DriverRegistryFile().
    static std::unique_ptr<TDriverRegistry> ForProgram();

    bool KeyExists(TRegistryRoot root, const std::string& path) const override;
    std::vector<std::string> SubKeyNames(TRegistryRoot root, const std::string& path) const override;
    std::optional<std::string> ReadString(TRegistryRoot root, const std::string& path,
                                          const std::string& valueName) const override;

private:
    TMemoryRegistry FTree;
};

}  // namespace quenthal
