#include "engine/GeneratorCore.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace quenthal {

namespace {

TSimpleOscillator64 NewSine(int32_t SampleRate, double Amplitude) {
    TSimpleOscillator64 sine;
    sine.SetSampleRate(SampleRate);
    sine.SetFrequency(TGeneratorCore::kNewGeneratorFrequency);
    sine.SetAmplitude(Amplitude);
    return sine;
}

size_t CountOf(int32_t Value) { return static_cast<size_t>(std::max(Value, 0)); }

}  // namespace

TGeneratorCore::TGeneratorCore()
    : SweepGen(std::make_unique<TSweepLog>(44100.0)), FSineSums(kSineChunk, 0.0), FSweepBlock(kSweepChunk, 0.0) {}

TGeneratorCore::~TGeneratorCore() = default;

float TGeneratorCore::CurrentGainL() noexcept {
    const double gain = FFadeGain.load(std::memory_order_relaxed);
    const float result = static_cast<float>(gain * FMainGainL.load(std::memory_order_relaxed));
    switch (FFadeDirection.load(std::memory_order_relaxed)) {
        case TFadeDirection::fdUp: {
            const double next = gain * FFadeFactor.load(std::memory_order_relaxed);
            if (next > 1.0) {
                FFadeGain.store(1.0, std::memory_order_relaxed);
                // A stop that set fdDown meanwhile must not be undone.
                TFadeDirection expected = TFadeDirection::fdUp;
                FFadeDirection.compare_exchange_strong(expected, TFadeDirection::fdNone, std::memory_order_relaxed);
            } else {
                FFadeGain.store(next, std::memory_order_relaxed);
            }
            break;
        }
        case TFadeDirection::fdDown: {
            const double next = gain / FFadeFactor.load(std::memory_order_relaxed);
            FFadeGain.store(next < 1e-10 ? 0.0 : next, std::memory_order_relaxed);
            break;
        }
        case TFadeDirection::fdNone:
            break;
    }
    return result;
}

bool TGeneratorCore::FadeIsSteady(float& Gain) const noexcept {
    const double gain = FFadeGain.load(std::memory_order_relaxed);
    const TFadeDirection direction = FFadeDirection.load(std::memory_order_relaxed);
    if (direction == TFadeDirection::fdNone || (direction == TFadeDirection::fdDown && gain == 0.0)) {
        Gain = static_cast<float>(gain * FMainGainL.load(std::memory_order_relaxed));
        return true;
    }
    return false;
}

void TGeneratorCore::SetChannelCount(int32_t Value) {
    if (Value == FChannelCount) return;
    FChannelCount = Value;
    ChannelCountChanged();
}

void TGeneratorCore::SetSineCount(int32_t Value) {
    if (Value == FSineCount) return;
    FSineCount = Value;
    SineCountChanged();
}

void TGeneratorCore::ResizeSineScratch(size_t OutputCount) {
    FSineSums.assign(std::max<size_t>(OutputCount, 1) * kSineChunk, 0.0);
}

void TGeneratorCore::ChannelCountChanged() {
    TEngineLock lock(FCriticalSection);
    if (FPinkNoise.empty()) FPinkNoise.resize(1);
    if (!FPinkNoise[0]) FPinkNoise[0] = std::make_unique<TPinkNoiseGenerator>();

    // Built aside and swapped in, so a refused sample rate leaves the old objects playing.
    const int32_t rate = Samplerate();
    tsine sines(CountOf(FChannelCount));
    for (auto& output : sines) {
        output.reserve(CountOf(FSineCount));
        for (size_t k = 0; k < CountOf(FSineCount); ++k) output.push_back(NewSine(rate, kNewGeneratorGain));
    }
    tsquare squares;
    squares.reserve(CountOf(FChannelCount));
    for (size_t i = 0; i < CountOf(FChannelCount); ++i) {
        squares.emplace_back(rate);
        squares.back().SetGain(kNewGeneratorGain);
    }
    ResizeSineScratch(sines.size());
    FSineOsc.swap(sines);
    SquareOsc.swap(squares);
}

void TGeneratorCore::SineCountChanged() {
    TEngineLock lock(FCriticalSection);
    if (FSineOsc.empty()) return;
    const int32_t rate = Samplerate();
    tsine sines(CountOf(FChannelCount));
    for (size_t i = 0; i < sines.size(); ++i) {
        auto& output = sines[i];
        output.reserve(CountOf(FSineCount));
        if (FSineCount < 1) continue;
        if (i < FSineOsc.size() && !FSineOsc[i].empty())
            output.push_back(FSineOsc[i][0]);
        else
            output.push_back(NewSine(rate, kNewGeneratorGain));
        for (size_t k = 1; k < CountOf(FSineCount); ++k) output.push_back(NewSine(rate, kSineOffGain));
    }
    ResizeSineScratch(sines.size());
    FSineOsc.swap(sines);
}

void TGeneratorCore::UpdateSamplerate() {
    TEngineLock lock(FCriticalSection);
    const int32_t rate = Samplerate();
    for (auto& output : FSineOsc) {
        for (auto& sine : output) {
            sine.Reset();
            sine.SetSampleRate(rate);
        }
    }
    SweepGen->SetSamplerate(rate);
    for (auto& square : SquareOsc) square.SetSampleRate(rate);
}

void TGeneratorCore::RecreateSweepGen() {
    auto replacement = std::make_unique<TSweepLog>(Samplerate());
    {
        TEngineLock lock(FCriticalSection);
        SweepGen.swap(replacement);
    }
}

void TGeneratorCore::GenerateAndStartSweep() {
    LoadSweepTable(SweepGen->GenerateLogSweepSet());
    SweepGen->StartSweep();
}

void TGeneratorCore::LoadSweepTable(TSweepTable Table) {
    // The previous table (up to 46 MB) is released after the lock, not while the audio thread waits.
    TSweepTable previous = Table;
    {
        TEngineLock lock(FCriticalSection);
        SweepTable.swap(previous);
        SweepGen->LoadSweep(std::move(Table));
    }
}

void TGeneratorCore::SetSineFrequency(int32_t Output, int32_t Sine, float Frequency) {
    TEngineLock lock(FCriticalSection);
    FSineOsc.at(static_cast<size_t>(Output)).at(static_cast<size_t>(Sine)).SetFrequency(Frequency);
}

void TGeneratorCore::SetSineAmplitude(int32_t Output, int32_t Sine, double Amplitude) {
    TEngineLock lock(FCriticalSection);
    FSineOsc.at(static_cast<size_t>(Output)).at(static_cast<size_t>(Sine)).SetAmplitude(Amplitude);
}

void TGeneratorCore::SetSquareFrequency(int32_t Output, double Frequency) {
    TEngineLock lock(FCriticalSection);
    SquareOsc.at(static_cast<size_t>(Output)).SetFrequency(Frequency);
}

void TGeneratorCore::SetSquareGain(int32_t Output, double Gain) {
    TEngineLock lock(FCriticalSection);
    SquareOsc.at(static_cast<size_t>(Output)).SetGain(Gain);
}

void TGeneratorCore::SetSquareRatio(int32_t Output, double Ratio) {
    TEngineLock lock(FCriticalSection);
    SquareOsc.at(static_cast<size_t>(Output)).SetRatio(Ratio);
}

void TGeneratorCore::SetPinkAmplitude(double Amplitude) {
    TEngineLock lock(FCriticalSection);
    if (!FPinkNoise.empty() && FPinkNoise[0]) FPinkNoise[0]->SetAmplitude(Amplitude);
}

void TGeneratorCore::ReportSweepEnd(int32_t BufferSize) noexcept {
    SweepEnded.store(true, std::memory_order_release);
    const int32_t rate = Samplerate();
    if (rate <= 0) return;
    // One and a half block durations, so the timer acts soon; at least 1 ms, since 0 stops a timer.
    const double interval = std::nearbyint(1500.0 * BufferSize / rate);
    const double limited = std::clamp(interval, 1.0, double(std::numeric_limits<int32_t>::max()));
    FRequestedTimerInterval.store(static_cast<int32_t>(limited), std::memory_order_relaxed);
}

}  // namespace quenthal
