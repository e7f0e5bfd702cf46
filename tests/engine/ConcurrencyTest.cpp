// The audio thread renders while the GUI thread changes everything it is allowed to change while
// the output plays (and, for robustness, the structure too). Run under ThreadSanitizer as well.

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>

#include "engine/GeneratorCore.h"
#include "tests/engine/RenderBuffers.h"

namespace quenthal {
namespace {

using testing::RenderBuffers;

TEST(EngineThreads, RenderersRunWhileTheGuiThreadChangesSettings) {
    TGeneratorCore core;
    core.SetSamplerate(48000);
    core.SetSineCount(3);
    core.SetChannelCount(4);
    core.UpdateSamplerate();
    core.SweepGen->SetDuration(0.05);
    core.GenerateAndStartSweep();

    std::atomic<bool> running{true};
    std::atomic<int> blocks{0};
    std::atomic<int> badSamples{0};
    std::thread audio([&] {
        using Renderer = void (TGeneratorCore::*)(void*, const TArrayOfSingleFixedArray&, const TArrayOfSingleFixedArray&);
        const Renderer renderers[] = {&TGeneratorCore::BufferSwitchSine32, &TGeneratorCore::BufferSwitchRechteck32,
                                      &TGeneratorCore::BufferSwitchSweep32, &TGeneratorCore::BufferSwitchWhiteNoise32,
                                      &TGeneratorCore::BufferSwitchPinkNoise32};
        RenderBuffers buffers(4, 256);
        for (int n = 0; running || n < 50; ++n) {
            (core.*renderers[(n / 10) % 5])(nullptr, {}, buffers.View());
            for (int o = 0; o < 4; ++o)
                for (const float v : buffers[o]) badSamples += !std::isfinite(v) || std::fabs(v) > 3.0f;
            ++blocks;
        }
    });

    for (int step = 0; step < 400; ++step) {
        const int output = step % 4;
        core.SetSineFrequency(output, step % core.SineCount(), 100.0f + step);
        core.SetSineAmplitude(output, 0, 0.001 * step);
        core.SetSquareFrequency(output, 50.0 + step);
        core.SetSquareGain(output, 0.5);
        core.SetSquareRatio(output, (step % 90 + 5) / 100.0);
        core.SetPinkAmplitude(0.5);
        core.FMainGainL = 1.0 - step / 1000.0;
        core.FWhiteNoiseGain = 0.7;
        core.IdenticalSineOutputs = step % 7 == 0;
        core.IdenticalSquareOutputs = step % 5 == 0;
        core.WhiteNoiseDistribution = step % 2 ? TWhiteNoiseDistribution::wdTriangle : TWhiteNoiseDistribution::wdRectangle;
        if (step % 50 == 0) {  // start: fade in, burst counter
            core.FFadeGain = TGeneratorCore::kFadeInStartGain;
            core.FFadeDirection = TFadeDirection::fdUp;
            core.BurstEnabled = step % 100 == 0;
            core.BurstRemaining = 256 * 2;
        }
        if (step % 50 == 25) core.FFadeDirection = TFadeDirection::fdDown;  // stop
        if (core.SweepEnded.exchange(false)) core.SweepGen->StartSweep();  // the timer's loop restart
        if (core.BurstEnabled && core.BurstRemaining < 0) core.FFadeGain = 0.0;
        (void)core.RequestedTimerInterval();
        if (step % 40 == 0) core.SetSineCount(1 + step / 40 % 3);
        if (step % 100 == 0) core.ChannelCountChanged();
        if (step % 60 == 0) {
            core.SetSamplerate(step % 120 ? 96000 : 48000);
            core.UpdateSamplerate();
        }
        if (step % 150 == 0) core.GenerateAndStartSweep();
        std::this_thread::yield();
    }
    running = false;
    audio.join();
    EXPECT_GE(blocks, 50);
    EXPECT_EQ(badSamples, 0);
}

}  // namespace
}  // namespace quenthal
