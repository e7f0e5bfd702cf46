#include "platform/ModuleLoader.h"

#include <algorithm>

namespace quenthal {

void TInProcessFactoryTable::Register(const TGuid& clsid, TFactory factory) {
    Unregister(clsid);
    FFactories.emplace_back(clsid, std::move(factory));
}

void TInProcessFactoryTable::Unregister(const TGuid& clsid) {
    FFactories.erase(std::remove_if(FFactories.begin(), FFactories.end(),
                                    [&](const auto& entry) { return entry.first == clsid; }),
                     FFactories.end());
}

IAsioDriver* TInProcessFactoryTable::CreateInstance(const TGuid& clsid) {
    for (auto& [id, factory] : FFactories) {
        if (id == clsid) {
            try {
                return factory();
            } catch (...) {
                return nullptr;
            }
        }
    }
    return nullptr;
}

}  // namespace quenthal
