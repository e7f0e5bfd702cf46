#include "engine/audio_sweep_generator.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <system_error>
#include <thread>

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
    auto fill = [=](int32_t From, int32_t To) {
        for (int32_t i = From; i < To; ++i) {
            const double t = i / fs;
            sample[i] = Amplitude * std::sin(L * (std::exp(t * K / Dur) - 1));
        }
    };
    // Every sample stands alone, so a long table is shared out among the cores: 30 s at 192 kHz is
    // 5.76 million sines of large arguments, computed while the user waits for the start.
    constexpr int32_t kSamplesPerWorker = 1 << 16;
    const int32_t workers = std::clamp<int32_t>(static_cast<int32_t>(std::thread::hardware_concurrency()), 1,
                                                std::max(n / kSamplesPerWorker, 1));
    std::vector<std::jthread> helpers;
    const auto sliceStart = [&](int32_t Worker) { return static_cast<int32_t>(int64_t(n) * Worker / workers); };
    for (int32_t w = 1; w < workers; ++w) {
        try {
            helpers.emplace_back(fill, sliceStart(w), sliceStart(w + 1));
        } catch (const std::system_error&) {
            fill(sliceStart(w), sliceStart(w + 1));  // no thread to be had: this one does the slice
        }
    }
    fill(0, sliceStart(1));
    helpers.clear();  // joins
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
