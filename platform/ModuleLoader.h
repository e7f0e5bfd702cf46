#pragma once
// Creates driver objects by CLSID, the way an in-process COM server is created: the loader finds the
// module that serves the CLSID, asks its factory for an object, and keeps the module loaded while the
// object lives. The Linux loader dlopens the module named by the registry; tests use
// TInProcessFactoryTable.

#include "asio/AsioDriverInterface.h"

#include <functional>
#include <vector>

namespace quenthal {

class IModuleLoader {
public:
    virtual ~IModuleLoader() = default;
    // A driver object holding one reference for the caller, or nullptr when the class is not
    // available (not registered, module missing, no factory, factory refused). Never throws.
    virtual IAsioDriver* CreateInstance(const TGuid& clsid) = 0;
};

// Factories registered by the test itself, keyed by CLSID.
class TInProcessFactoryTable : public IModuleLoader {
public:
    using TFactory = std::function<IAsioDriver*()>;
    void Register(const TGuid& clsid, TFactory factory);
    void Unregister(const TGuid& clsid);
    IAsioDriver* CreateInstance(const TGuid& clsid) override;

private:
    std::vector<std::pair<TGuid, TFactory>> FFactories;
};

}  // namespace quenthal
