#pragma once
// Base classes of every DSP object: change notification with update brackets, and the sample rate.

#include <cstdint>
#include <functional>

namespace quenthal {

class TNotifiablePersistent;
using TNotifyEvent = std::function<void(TNotifiablePersistent* Sender)>;

// An object whose settings can be copied into another one and that tells a listener about changes.
class TNotifiablePersistent {
public:
    TNotifiablePersistent() = default;
    TNotifiablePersistent(const TNotifiablePersistent&) = default;
    TNotifiablePersistent& operator=(const TNotifiablePersistent&) = default;
    virtual ~TNotifiablePersistent() = default;

    // Copies Source's settings into this object: Source.AssignTo(*this).
    void Assign(const TNotifiablePersistent& Source) { Source.AssignTo(*this); }

    // Raises OnChange unless an update bracket is open.
    virtual void Changed();
    virtual void BeginUpdate();
    // Throws EAssertionFailed "Unpaired TThreadPersistent.EndUpdate" without a matching BeginUpdate.
    virtual void EndUpdate();

    int32_t UpdateCount() const noexcept { return FUpdateCount; }
    const TNotifyEvent& OnChange() const noexcept { return FOnChange; }
    void SetOnChange(TNotifyEvent Value) { FOnChange = std::move(Value); }

protected:
    // Copies every field of every level that Dest shares with this object; each level copies its
    // own fields and hands on to the level below.
    virtual void AssignTo(TNotifiablePersistent& Dest) const;

private:
    int32_t FUpdateCount = 0;
    TNotifyEvent FOnChange;
};

class TDspPersistent : public TNotifiablePersistent {};

class TDspSampleRatePersistent : public TDspPersistent {
public:
    double SampleRate() const noexcept { return FSampleRate; }
    // 0 throws EDspError "Invalid Samplerate!" and keeps the rate; a negative rate is taken as |rate|.
    void SetSampleRate(double Value);

protected:
    virtual void SampleRateChanged();
    void AssignTo(TNotifiablePersistent& Dest) const override;

    double FSampleRate = 44100.0;
};

}  // namespace quenthal
