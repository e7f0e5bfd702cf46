#include "drivers/common/HostLink.h"

namespace quenthal::drivers {

void THostLink::Connect(const TAsioCallbacks& callbacks) {
    std::lock_guard<std::mutex> guard(FLock);
    FCallbacks = callbacks;
    FConnected = true;
    FTimeInfo = callbacks.bufferSwitchTimeInfo && callbacks.AsioMessage &&
                callbacks.AsioMessage(kAsioSupportsTimeInfo, 0, nullptr, nullptr) == 1;
    FTime = TAsioTime{};
}

void THostLink::Disconnect() {
    std::lock_guard<std::mutex> guard(FLock);
    FConnected = false;
    FCallbacks = TAsioCallbacks{};
}

void THostLink::DeliverBlock(int32_t half, int64_t samplePosition, int64_t systemTimeNs, double sampleRate) noexcept {
    if (FTimeInfo) {
        auto& info = FTime.TimeInfo;
        info.Speed = 1.0;
        info.SamplePosition = Int64ToAsioInt64(samplePosition);
        info.SystemTime = Int64ToAsioInt64(systemTimeNs);
        info.SampleRate = sampleRate;
        info.Flags = kAsioSystemTimeValid | kAsioSamplePositionValid | kAsioSampleRateValid | kAsioSpeedValid;
        FCallbacks.bufferSwitchTimeInfo(&FTime, half, 1);
    } else if (FCallbacks.bufferSwitch) {
        FCallbacks.bufferSwitch(half, 1);
    }
}

void THostLink::SendMessage(int32_t selector, int32_t value) noexcept {
    std::lock_guard<std::mutex> guard(FLock);
    if (FConnected && FCallbacks.AsioMessage) FCallbacks.AsioMessage(selector, value, nullptr, nullptr);
}

void THostLink::SampleRateChanged(double sampleRate) noexcept {
    std::lock_guard<std::mutex> guard(FLock);
    if (FConnected && FCallbacks.sampleRateDidChange) FCallbacks.sampleRateDidChange(sampleRate);
}

}  // namespace quenthal::drivers
