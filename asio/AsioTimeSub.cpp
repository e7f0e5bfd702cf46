#include "asio/AsioTimeSub.h"

namespace quenthal {

TAsioTimeSub::TAsioTimeSub() {
    FBufferTime.TimeInfo.Speed = 1.0;
    FBufferTime.TimeInfo.SampleRate = 44100.0;
    FBufferTime.TimeInfo.SamplePosition = Int64ToAsioInt64(0);
    FBufferTime.TimeInfo.Flags = atSystemTimeValid | atSamplePositionValid | atSampleRateValid | atSpeedValid;
}

void TAsioTimeSub::SetSamplePos(int64_t value) {
    if (value == SamplePos()) return;
    FBufferTime.TimeInfo.SamplePosition = Int64ToAsioInt64(value);
    Change();
}

void TAsioTimeSub::SetSpeed(double value) {
    if (value == FBufferTime.TimeInfo.Speed) return;
    FBufferTime.TimeInfo.Speed = value;
    Change();
}

void TAsioTimeSub::SetSampleRate(double value) {
    if (value == FBufferTime.TimeInfo.SampleRate) return;
    FBufferTime.TimeInfo.SampleRate = value;
    Change();
}

void TAsioTimeSub::Assign(const TAsioTimeSub& source) {
    FBufferTime = source.FBufferTime;
    Change();
}

void TAsioTimeSub::Change() {
    if (OnChange) OnChange(*this);
}

}  // namespace quenthal
