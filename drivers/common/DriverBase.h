#pragma once
// What every bundled driver shares: COM-style reference counting, the name and error texts, one
// internal clock source, and the capability answers of Future.

#include "asio/AsioDriverInterface.h"

#include <atomic>
#include <string>

namespace quenthal::drivers {

class TDriverBase : public IAsioDriver {
public:
    TDriverBase(const TGuid& clsid, std::string name, int32_t version);

    int32_t QueryInterface(const TGuid& iid, void** object) override;
    uint32_t AddRef() override;
    uint32_t Release() override;

    void GetDriverName(char* name) override;
    int32_t GetDriverVersion() override;
    void GetErrorMessage(char* text) override;
    TAsioError GetClockSources(TAsioClockSource* clocks, int32_t* numSources) override;
    TAsioError SetClockSource(int32_t reference) override;
    TAsioError ControlPanel() override;
    TAsioError Future(int32_t selector, void* opt) override;

protected:
    ~TDriverBase() override = default;
    // Returns false, so a failing step can end with `return Fail("...")`.
    bool Fail(const std::string& text);
    const TGuid& Clsid() const noexcept { return FClsid; }

private:
    TGuid FClsid;
    std::string FName;
    int32_t FVersion;
    std::string FError;
    std::atomic<uint32_t> FReferences{1};
};

// Copies text into a driver-format buffer of capacity bytes, always zero-terminated.
void CopyText(char* target, size_t capacity, const std::string& text) noexcept;

}  // namespace quenthal::drivers
