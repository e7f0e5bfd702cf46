#include "asio/AsioInterface.h"

namespace quenthal {

TStdCallAsio::TStdCallAsio(IModuleLoader& loader, const TGuid& asioClsid, bool& success) {
    FDriver = loader.CreateInstance(asioClsid);
    success = FDriver != nullptr;
}

TStdCallAsio::~TStdCallAsio() {
    if (FDriver) FDriver->Release();
}

bool CreateStdCallAsio(IModuleLoader& loader, const TGuid& asioClsid, std::shared_ptr<IStdCallAsio>& driver) {
    driver.reset();
    try {
        bool success = false;
        auto adapter = std::make_shared<TStdCallAsio>(loader, asioClsid, success);
        if (success) driver = std::move(adapter);
    } catch (...) {
        driver.reset();
    }
    return driver != nullptr;
}

}  // namespace quenthal
