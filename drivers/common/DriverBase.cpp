#include "drivers/common/DriverBase.h"

#include <algorithm>

namespace quenthal::drivers {

namespace {
constexpr int32_t kNoInterface = static_cast<int32_t>(0x80004002u);  // E_NOINTERFACE
}

void CopyText(char* target, size_t capacity, const std::string& text) noexcept {
    if (!target || capacity == 0) return;
    const size_t count = std::min(capacity - 1, text.size());
    std::memcpy(target, text.data(), count);
    target[count] = '\0';
}

TDriverBase::TDriverBase(const TGuid& clsid, std::string name, int32_t version)
    : FClsid(clsid), FName(std::move(name)), FVersion(version) {}

int32_t TDriverBase::QueryInterface(const TGuid& iid, void** object) {
    if (!object) return kNoInterface;
    if (!(iid == FClsid)) {
        *object = nullptr;
        return kNoInterface;
    }
    AddRef();
    *object = static_cast<IAsioDriver*>(this);
    return 0;
}

uint32_t TDriverBase::AddRef() { return ++FReferences; }

uint32_t TDriverBase::Release() {
    const uint32_t left = --FReferences;
    if (left == 0) delete this;
    return left;
}

void TDriverBase::GetDriverName(char* name) { CopyText(name, 256, FName); }
int32_t TDriverBase::GetDriverVersion() { return FVersion; }
void TDriverBase::GetErrorMessage(char* text) { CopyText(text, 128, FError); }

bool TDriverBase::Fail(const std::string& text) {
    FError = text;
    return false;
}

TAsioError TDriverBase::GetClockSources(TAsioClockSource* clocks, int32_t* numSources) {
    if (!clocks || !numSources) return kAsioInvalidParameter;
    if (*numSources < 1) return kAsioInvalidParameter;
    clocks[0] = TAsioClockSource{};
    clocks[0].Index = 0;
    clocks[0].AssociatedChannel = -1;
    clocks[0].AssociatedGroup = -1;
    clocks[0].IsCurrentSource = 1;
    CopyText(clocks[0].Name, sizeof clocks[0].Name, "Internal");
    *numSources = 1;
    return kAsioOK;
}

TAsioError TDriverBase::SetClockSource(int32_t reference) {
    return reference == 0 ? kAsioOK : kAsioInvalidParameter;
}

// The bundled drivers have no settings window; their settings live in a small INI file of their own.
TAsioError TDriverBase::ControlPanel() { return kAsioNotPresent; }

TAsioError TDriverBase::Future(int32_t selector, void* /*opt*/) {
    // Every block carries time info; nothing else is offered.
    return selector == kAsioCanTimeInfo ? kAsioSuccessFuture : kAsioInvalidParameter;
}

}  // namespace quenthal::drivers
