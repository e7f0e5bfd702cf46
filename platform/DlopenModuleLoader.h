#pragma once
// The Linux module loader: finds the module that serves a CLSID in the registry's InprocServer32
// key, dlopens it, and asks its factory for the driver object. The object handed out keeps the
// module loaded until its last reference goes.

#include "platform/ModuleLoader.h"
#include "platform/Registry.h"

#include <string>
#include <vector>

namespace quenthal {

class TDlopenModuleLoader : public IModuleLoader {
public:
    // fallbackFolders: where a module is looked for by its file name when the registered path names
    // no file (the program's driver folder, then the system library folder).
    TDlopenModuleLoader(const IRegistry& registry, std::vector<std::string> fallbackFolders);
    // With the program's fallback folders.
    explicit TDlopenModuleLoader(const IRegistry& registry);

    IAsioDriver* CreateInstance(const TGuid& clsid) override;
    // The module file that CreateInstance would load for the CLSID; empty when there is none.
    std::string ModulePath(const TGuid& clsid) const;

private:
    const IRegistry& FRegistry;
    std::vector<std::string> FFallbackFolders;
};

}  // namespace quenthal
