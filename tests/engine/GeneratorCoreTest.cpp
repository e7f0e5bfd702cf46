#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <future>
#include <memory>
#include <numbers>
#include <stdexcept>

#include "engine/DspErrors.h"
#include "engine/DspGain.h"
#include "engine/GeneratorCore.h"
#include "tests/engine/RenderBuffers.h"

namespace quenthal {
namespace {

using testing::RenderBuffers;

bool LockIsFree(std::recursive_mutex& Lock) {
    // From another thread: the owning thread could always re-enter a recursive lock.
    return std::async(std::launch::async, [&] {
               if (!Lock.try_lock()) return false;
               Lock.unlock();
               return true;
           }).get();
}

TEST(GeneratorCore, CreationValues) {
    TGeneratorCore core;
    EXPECT_EQ(core.ChannelCount(), 1);
    EXPECT_EQ(core.SineCount(), 1);
    EXPECT_EQ(core.FWhiteNoiseGain, 1.0);
    EXPECT_EQ(core.FFadeGain, 1.0);
    EXPECT_EQ(core.FFadeFactor, 1.001);
    EXPECT_EQ(core.FFadeDirection, TFadeDirection::fdUp);
    EXPECT_EQ(core.BurstFrameCount, 1);
    EXPECT_TRUE(core.FSineOsc.empty());
    EXPECT_TRUE(core.SquareOsc.empty());
    EXPECT_TRUE(core.FPinkNoise.empty());
    ASSERT_TRUE(core.SweepGen);
    EXPECT_EQ(core.SweepGen->Samplerate(), 44100.0);
    EXPECT_EQ(core.SweepGen->StartFrequenz(), 100);
    EXPECT_EQ(core.SweepGen->StopFrequenz(), 5000);
    EXPECT_EQ(core.SweepGen->Amplitude(), 1.0);
    EXPECT_EQ(core.SweepGen->Duration(), 5.0);
    EXPECT_FALSE(core.SweepGen->Loop());
    EXPECT_FALSE(core.SweepGen->SweepActive());
    EXPECT_EQ(core.WhiteNoiseDistribution, TWhiteNoiseDistribution::wdRectangle);
}

TEST(Gains, DecibelRule) {
    struct Case {
        double Db, Gain;
    };
    for (const Case c : {Case{0, 1.0}, Case{-6, 0.5011872336272722}, Case{-1000, 0.0}, Case{-5000, 0.0},
                         Case{-90, std::exp(-90 * 0.11512925464970228)}, Case{900 * -0.1, 3.1622776601683795e-5}}) {
        EXPECT_DOUBLE_EQ(DbToGain(c.Db), c.Gain) << c.Db;
        if (c.Gain == 0 || c.Gain == 1) {
            EXPECT_EQ(DbToGain(c.Db), c.Gain) << c.Db;
        }
    }
    EXPECT_GT(DbToGain(-999.9), 0.0);
    EXPECT_EQ(double(DbToGainSingle(-6)), TGeneratorCore::kNewGeneratorGain);
    EXPECT_EQ(double(DbToGainSingle(-90)), TGeneratorCore::kFadeInStartGain);
}

TEST(Fade, UpFromMinus90dBTakes10367Readings) {
    TGeneratorCore core;
    core.FMainGainL = 0.5;
    core.FFadeGain = TGeneratorCore::kFadeInStartGain;
    core.FFadeDirection = TFadeDirection::fdUp;
    EXPECT_EQ(core.CurrentGainL(), static_cast<float>(TGeneratorCore::kFadeInStartGain * 0.5));
    int readings = 1;
    while (core.FFadeDirection == TFadeDirection::fdUp && readings < 20000) {
        EXPECT_LE(core.FFadeGain, 1.0);
        core.CurrentGainL();
        ++readings;
    }
    EXPECT_EQ(readings, 10367);
    EXPECT_EQ(core.FFadeGain, 1.0);
    EXPECT_EQ(core.FFadeDirection, TFadeDirection::fdNone);
    for (int n = 0; n < 10; ++n) EXPECT_EQ(core.CurrentGainL(), 0.5f);
}

TEST(Fade, DownFromFullTakes23038ReadingsThenStaysAtZero) {
    TGeneratorCore core;
    core.FFadeGain = 1.0;
    core.FFadeDirection = TFadeDirection::fdDown;
    EXPECT_EQ(core.CurrentGainL(), 1.0f);
    for (int n = 1; n < 23037; ++n) core.CurrentGainL();
    EXPECT_GE(core.FFadeGain, 1e-10);
    core.CurrentGainL();  // reading 23038
    EXPECT_EQ(core.FFadeGain, 0.0);
    for (int n = 0; n < 100; ++n) EXPECT_EQ(core.CurrentGainL(), 0.0f);
    EXPECT_EQ(core.FFadeGain, 0.0);
    EXPECT_EQ(core.FFadeDirection, TFadeDirection::fdDown);
}

class Engine : public ::testing::Test {
protected:
    void Build(int32_t Outputs, int32_t Sines, int32_t Rate = 48000) {
        core.SetSamplerate(Rate);
        core.SetSineCount(Sines);
        core.SetChannelCount(Outputs);
        core.ChannelCountChanged();
        core.UpdateSamplerate();
        core.FFadeDirection = TFadeDirection::fdNone;
    }
    TGeneratorCore core;
};

TEST_F(Engine, ChannelCountChangedBuildsFreshObjects) {
    core.SetSineCount(3);  // before any device: only stored
    EXPECT_TRUE(core.FSineOsc.empty());
    Build(2, 3);
    auto expectFresh = [&](int32_t Outputs) {
        ASSERT_EQ(core.FSineOsc.size(), size_t(Outputs));
        ASSERT_EQ(core.SquareOsc.size(), size_t(Outputs));
        for (const auto& output : core.FSineOsc) {
            ASSERT_EQ(output.size(), 3u);
            for (const auto& sine : output) {
                EXPECT_EQ(sine.Frequency(), 1000.0f);
                EXPECT_EQ(sine.Amplitude(), TGeneratorCore::kNewGeneratorGain);
                EXPECT_EQ(sine.SampleRate(), 48000.0);
                EXPECT_EQ(sine.Phase(), 0.0);
            }
        }
        for (const auto& square : core.SquareOsc) {
            EXPECT_EQ(square.Frequency(), 1000.0);
            EXPECT_EQ(square.Gain(), TGeneratorCore::kNewGeneratorGain);
            EXPECT_EQ(square.Ratio(), 0.5);
            EXPECT_EQ(square.Phase(), 0.0);
            EXPECT_EQ(square.SampleRate(), 48000.0);
        }
    };
    expectFresh(2);
    ASSERT_EQ(core.FPinkNoise.size(), 1u);
    EXPECT_EQ(core.FPinkNoise[0]->Amplitude(), 1.0);

    core.SetSineFrequency(1, 2, 440);
    core.SetSineAmplitude(0, 0, 0.1);
    core.SetSquareRatio(1, 0.2);
    core.SetPinkAmplitude(0.3);
    RenderBuffers buffers(2, 100);
    core.BufferSwitchSine32(nullptr, {}, buffers.View());
    core.BufferSwitchRechteck32(nullptr, {}, buffers.View());
    core.BufferSwitchPinkNoise32(nullptr, {}, buffers.View());
    TCustomPinkNoiseGenerator* pink = core.FPinkNoise[0].get();
    const auto contributions = pink->Contribution();

    core.SetChannelCount(4);  // a driver with more outputs
    expectFresh(4);
    // The pink generator is made once and keeps running.
    EXPECT_EQ(core.FPinkNoise[0].get(), pink);
    EXPECT_EQ(pink->Contribution(), contributions);
    EXPECT_EQ(pink->Amplitude(), 0.3);

    core.SetSineFrequency(0, 0, 500);
    core.ChannelCountChanged();  // every device choice rebuilds, same count or not
    expectFresh(4);
}

TEST_F(Engine, SineCountChangeKeepsSineOne) {
    Build(2, 3);
    for (int o = 0; o < 2; ++o) {
        core.SetSineFrequency(o, 0, 300.0f + o);
        core.SetSineAmplitude(o, 0, 0.25);
        core.SetSineFrequency(o, 1, 5000);
        core.SetSineAmplitude(o, 1, 0.5);
    }
    RenderBuffers buffers(2, 77);
    core.BufferSwitchSine32(nullptr, {}, buffers.View());
    const TSimpleOscillator64 firstBefore = core.FSineOsc[1][0];

    core.SetSineCount(2);
    ASSERT_EQ(core.FSineOsc.size(), 2u);
    for (int o = 0; o < 2; ++o) {
        ASSERT_EQ(core.FSineOsc[o].size(), 2u);
        EXPECT_EQ(core.FSineOsc[o][0].Frequency(), 300.0f + o);
        EXPECT_EQ(core.FSineOsc[o][0].Amplitude(), 0.25);
        const TSimpleOscillator64& second = core.FSineOsc[o][1];
        EXPECT_EQ(second.Frequency(), 1000.0f);
        EXPECT_EQ(second.Amplitude(), 1e-5);
        EXPECT_EQ(second.Phase(), 0.0);
        EXPECT_EQ(second.SampleRate(), 48000.0);
    }
    EXPECT_EQ(core.FSineOsc[1][0].Position().Re, firstBefore.Position().Re);  // phase runs on
    EXPECT_EQ(core.FSineOsc[1][0].Position().Im, firstBefore.Position().Im);

    core.SetSineCount(10);  // a preset may ask for up to ten
    for (const auto& output : core.FSineOsc) EXPECT_EQ(output.size(), 10u);
    core.BufferSwitchSine32(nullptr, {}, buffers.View());
}

TEST_F(Engine, SampleRateUpdateResetsSinesAndKeepsSquarePhases) {
    Build(2, 2);
    RenderBuffers buffers(2, 13);
    core.BufferSwitchSine32(nullptr, {}, buffers.View());
    core.BufferSwitchRechteck32(nullptr, {}, buffers.View());
    const double squarePhase = core.SquareOsc[1].Phase();
    ASSERT_NE(core.FSineOsc[1][1].Phase(), 0.0);

    core.SetSamplerate(96000);
    core.UpdateSamplerate();
    for (const auto& output : core.FSineOsc)
        for (const auto& sine : output) {
            EXPECT_EQ(sine.SampleRate(), 96000.0);
            EXPECT_EQ(sine.Phase(), 0.0);
            EXPECT_EQ(sine.Amplitude(), TGeneratorCore::kNewGeneratorGain);
        }
    EXPECT_EQ(core.SweepGen->Samplerate(), 96000.0);
    EXPECT_EQ(core.SquareOsc[1].SampleRate(), 96000.0);
    EXPECT_EQ(core.SquareOsc[1].Phase(), squarePhase);
}

TEST_F(Engine, RefusedSampleRatesReleaseTheLock) {
    Build(2, 1);
    core.SetSamplerate(0);
    try {
        core.UpdateSamplerate();
        FAIL() << "rate 0 accepted";
    } catch (const EDspError& error) {
        EXPECT_STREQ(error.what(), "Invalid Samplerate!");
    }
    EXPECT_TRUE(LockIsFree(core.FCriticalSection));
    EXPECT_EQ(core.FSineOsc[0][0].SampleRate(), 48000.0);

    core.SetSineCount(0);  // no sines: the squares are the first to refuse
    try {
        core.UpdateSamplerate();
        FAIL() << "rate 0 accepted";
    } catch (const EDspError& error) {
        EXPECT_STREQ(error.what(), "SampleRate must be > 0");
    }
    EXPECT_TRUE(LockIsFree(core.FCriticalSection));

    // A rebuild at a refused rate leaves the previous objects in place.
    EXPECT_THROW(core.ChannelCountChanged(), EDspError);
    EXPECT_TRUE(LockIsFree(core.FCriticalSection));
    EXPECT_EQ(core.SquareOsc.size(), 2u);
}

class ThrowingPink final : public TCustomPinkNoiseGenerator {
public:
    float ProcessSample32() override { throw std::runtime_error("broken source"); }
    double ProcessSample64() override { throw std::runtime_error("broken source"); }
};

TEST_F(Engine, ARendererThatThrowsReleasesTheLock) {
    core.FPinkNoise.push_back(std::make_unique<ThrowingPink>());
    Build(2, 1);  // an existing entry is kept
    RenderBuffers buffers(2, 64);
    EXPECT_THROW(core.BufferSwitchPinkNoise32(nullptr, {}, buffers.View()), std::runtime_error);
    EXPECT_TRUE(LockIsFree(core.FCriticalSection));
}

TEST_F(Engine, ParameterSettersRefuseMissingObjects) {
    Build(2, 2);
    EXPECT_THROW(core.SetSineFrequency(2, 0, 100), std::out_of_range);
    EXPECT_THROW(core.SetSineAmplitude(0, 2, 0.5), std::out_of_range);
    EXPECT_THROW(core.SetSquareGain(-1, 0.5), std::out_of_range);
    EXPECT_TRUE(LockIsFree(core.FCriticalSection));
}

TEST_F(Engine, RenderersTakeAnyBuffers) {
    using Renderer = void (TGeneratorCore::*)(void*, const TArrayOfSingleFixedArray&, const TArrayOfSingleFixedArray&);
    const Renderer renderers[] = {&TGeneratorCore::BufferSwitchSine32, &TGeneratorCore::BufferSwitchRechteck32,
                                  &TGeneratorCore::BufferSwitchSweep32, &TGeneratorCore::BufferSwitchWhiteNoise32,
                                  &TGeneratorCore::BufferSwitchPinkNoise32};
    struct Shape {
        int32_t Outputs, BufferSize;
    };
    // Before any device is chosen the banks are empty: silence, no crash.
    for (const Renderer renderer : renderers) {
        RenderBuffers buffers(3, 100, NAN);
        (core.*renderer)(nullptr, {}, buffers.View());
        if (renderer == &TGeneratorCore::BufferSwitchWhiteNoise32) continue;
        for (int o = 0; o < 3; ++o)
            for (const float v : buffers[o]) ASSERT_EQ(v, 0.0f);
    }
    Build(2, 3);
    core.GenerateAndStartSweep();
    for (const Renderer renderer : renderers)
        for (const Shape shape : {Shape{0, 256}, Shape{2, 0}, Shape{1, 1}, Shape{5, 3000}, Shape{2, 65}}) {
            RenderBuffers buffers(shape.Outputs, shape.BufferSize, NAN);
            (core.*renderer)(nullptr, {}, buffers.View());
            for (int o = 0; o < shape.Outputs; ++o)
                for (const float v : buffers[o]) ASSERT_TRUE(std::isfinite(v));  // every sample written
        }
}

TEST_F(Engine, RenderersBindAsTheHostsBlockEvent) {
    Build(2, 2);
    TGeneratorCore twin;
    twin.SetSamplerate(48000);
    twin.SetSineCount(2);
    twin.SetChannelCount(2);
    twin.FFadeDirection = TFadeDirection::fdNone;
    const TBufferSwitchEvent32 event = TBufferSwitchEvent32::Of<&TGeneratorCore::BufferSwitchSine32>(&core);
    RenderBuffers viaEvent(2, 300), direct(2, 300);
    event(nullptr, {}, viaEvent.View());
    twin.BufferSwitchSine32(nullptr, {}, direct.View());
    EXPECT_EQ(viaEvent[0], direct[0]);
    EXPECT_EQ(viaEvent[1], direct[1]);
}

TEST_F(Engine, GainReadingsPerSample) {
    using Renderer = void (TGeneratorCore::*)(void*, const TArrayOfSingleFixedArray&, const TArrayOfSingleFixedArray&);
    struct Case {
        const char* Name;
        Renderer Render;
        int32_t HostOutputs;
        int Readings;
    };
    // Engine of three outputs: the sine bank reads once per engine output, the square once per host
    // output, the sweep and the noises once per sample.
    const Case cases[] = {
        {"sine", &TGeneratorCore::BufferSwitchSine32, 3, 3},
        {"sine, more host outputs", &TGeneratorCore::BufferSwitchSine32, 5, 3},
        {"square", &TGeneratorCore::BufferSwitchRechteck32, 3, 3},
        {"square, more host outputs", &TGeneratorCore::BufferSwitchRechteck32, 5, 5},
        {"sweep", &TGeneratorCore::BufferSwitchSweep32, 3, 1},
        {"white", &TGeneratorCore::BufferSwitchWhiteNoise32, 3, 1},
        {"pink", &TGeneratorCore::BufferSwitchPinkNoise32, 3, 1},
    };
    Build(3, 2);
    core.GenerateAndStartSweep();
    for (const Case& c : cases) {
        core.FFadeGain = 1e-30;  // far from the end of the fade
        core.FFadeDirection = TFadeDirection::fdUp;
        RenderBuffers buffers(c.HostOutputs, 100);
        (core.*c.Render)(nullptr, {}, buffers.View());
        TGeneratorCore twin;
        twin.FFadeGain = 1e-30;
        for (int n = 0; n < 100 * c.Readings; ++n) twin.CurrentGainL();
        EXPECT_EQ(core.FFadeGain, twin.FFadeGain) << c.Name;
    }
}

}  // namespace
}  // namespace quenthal
