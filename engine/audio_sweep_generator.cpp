#include "engine/audio_sweep_generator.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "engine/DspErrors.h"

namespace quenthal {

namespace {
// The lowest start the value entry offers; a stored preset may hold less.
constexpr int32_t kLowestStartFrequency = 10;
constexpr int32_t kStopAboveStart = 100;
}  // namespace

TSweepLog::TSweepLog(double Fs) : FFs(Fs) {}

TSweepTable TSweepLog::GenerateLogSweep(double F1, double F2, double Dur, double Amplitude) const {
    if (!(F1 > 0.0) || !(F2 > 0.0) || F1 == F2 || !std::isfinite(F1) || !std::isfinite(F2))
        throw EDspError("Sweep frequencies must be > 0 and different");
    const double fs = FFs;
    const double count = std::nearbyint(Dur * fs);
    const int32_t n = count > 0.0 ? static_cast<int32_t>(std::min(count, double(std::numeric_limits<int32_t>::max()))) : 0;
    const double K = std::log(F2 / F1);
    const double L = Dur * 2 * std::numbers::pi * F1 / K;
    auto table = std::make_shared<TDoubleDynArray>(static_cast<size_t>(n));
    double* sample = table->data();
    for (int32_t i = 0; i < n; ++i) {
        const double t = i / fs;
        sample[i] = Amplitude * std::sin(L * (std::exp(t * K / Dur) - 1));
    }
    return table;
}

TSweepTable TSweepLog::GenerateLogSweepSet() {
    if (FStartFreq < kLowestStartFrequency) FStartFreq = kLowestStartFrequency;
    FStartFreq = std::min(FStartFreq, std::numeric_limits<int32_t>::max() - kStopAboveStart);
    if (FStartFreq >= FStopFreq) FStopFreq = FStartFreq + kStopAboveStart;
    if (FDuration_sec < 0.01) FDuration_sec = 1;
    return GenerateLogSweep(FStartFreq, FStopFreq, FDuration_sec, FAmplitude);
}

void TSweepLog::LoadSweep(TSweepTable Sweep) {
    FSweepBuffer = std::move(Sweep);
    FSweepPos.store(0, std::memory_order_relaxed);
    FSweepActive.store(false, std::memory_order_relaxed);
}

void TSweepLog::StartSweep() noexcept {
    FSweepPos.store(0, std::memory_order_relaxed);
    FSweepActive.store(true, std::memory_order_release);
}

bool TSweepLog::ProcessSweepBlock(double* Output, int32_t ASIOBufferSize) noexcept {
    const int32_t n = std::max<int32_t>(ASIOBufferSize, 0);
    if (!FSweepActive.load(std::memory_order_acquire)) {
        std::fill(Output, Output + n, 0.0);
        return false;
    }
    const int32_t length = FSweepBuffer ? static_cast<int32_t>(FSweepBuffer->size()) : 0;
    const int32_t pos = std::clamp(FSweepPos.load(std::memory_order_relaxed), 0, length);
    const int32_t fromTable = std::min(n, length - pos);
    if (fromTable > 0) std::copy(FSweepBuffer->data() + pos, FSweepBuffer->data() + pos + fromTable, Output);
    std::fill(Output + fromTable, Output + n, 0.0);
    FSweepPos.store(pos + fromTable, std::memory_order_relaxed);
    if (fromTable < n) {
        FSweepActive.store(false, std::memory_order_relaxed);
        return false;
    }
    return true;
}

}  // namespace quenthal
