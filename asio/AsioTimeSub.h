#pragma once
// The host's time record of the last block, with change notification for the values a user sets.

#include "asio/AsioDriverInterface.h"

#include <cstdint>
#include <functional>

namespace quenthal {

// Bits of TAsioTimeInfo::Flags.
using TATFlags = uint32_t;
inline constexpr TATFlags atSystemTimeValid = kAsioSystemTimeValid;
inline constexpr TATFlags atSamplePositionValid = kAsioSamplePositionValid;
inline constexpr TATFlags atSampleRateValid = kAsioSampleRateValid;
inline constexpr TATFlags atSpeedValid = kAsioSpeedValid;
inline constexpr TATFlags atSampleRateChanged = kAsioSampleRateChanged;
inline constexpr TATFlags atClockSourceChanged = kAsioClockSourceChanged;

class TAsioTimeSub {
public:
    TAsioTimeSub();
    virtual ~TAsioTimeSub() = default;
    TAsioTimeSub(const TAsioTimeSub&) = delete;
    TAsioTimeSub& operator=(const TAsioTimeSub&) = delete;

    int64_t SamplePos() const noexcept { return AsioInt64ToInt64(FBufferTime.TimeInfo.SamplePosition); }
    void SetSamplePos(int64_t value);
    double Speed() const noexcept { return FBufferTime.TimeInfo.Speed; }
    void SetSpeed(double value);
    double SampleRate() const noexcept { return FBufferTime.TimeInfo.SampleRate; }
    void SetSampleRate(double value);
    TATFlags Flags() const noexcept { return FBufferTime.TimeInfo.Flags; }
    void SetFlags(TATFlags value) noexcept { FBufferTime.TimeInfo.Flags = value; }

    // The whole 148-byte record in driver format.
    TAsioTime& Record() noexcept { return FBufferTime; }
    const TAsioTime& Record() const noexcept { return FBufferTime; }

    // Copies the whole record and raises this object's OnChange.
    void Assign(const TAsioTimeSub& source);

    std::function<void(TAsioTimeSub& sender)> OnChange;

protected:
    virtual void Change();

private:
    TAsioTime FBufferTime;
};

}  // namespace quenthal
