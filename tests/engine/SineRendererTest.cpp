#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>

#include "engine/GeneratorCore.h"
#include "platform/Random.h"
#include "tests/engine/ReferenceSineRenderer.h"
#include "tests/engine/RenderBuffers.h"

namespace quenthal {
namespace {

using testing::ReferenceBufferSwitchSine32;
using testing::RenderBuffers;

void Build(TGeneratorCore& Core, int32_t Outputs, int32_t Sines, int32_t Rate = 48000) {
    Core.SetSamplerate(Rate);
    Core.SetSineCount(Sines);
    Core.SetChannelCount(Outputs);
    Core.ChannelCountChanged();
    Core.UpdateSamplerate();
    Core.FFadeDirection = TFadeDirection::fdNone;
}

// Bit-for-bit equality, so that -0.0 and 0.0 differ too.
bool SameBits(const RenderBuffers& A, const RenderBuffers& B, int32_t Outputs, int32_t Size) {
    for (int o = 0; o < Outputs; ++o)
        if (std::memcmp(A[o].data(), B[o].data(), sizeof(float) * size_t(Size)) != 0) return false;
    return true;
}

TEST(SineRenderer, OneSineAtMinus6dB) {
    TGeneratorCore core;
    Build(core, 1, 1);
    RenderBuffers buffers(1, 96);
    core.BufferSwitchSine32(nullptr, {}, buffers.View());
    EXPECT_EQ(buffers[0][0], 0.0f);
    EXPECT_FALSE(std::signbit(buffers[0][0]));  // the sum starts at +0, not at the oscillator's -0
    for (int s = 0; s < 96; ++s)
        EXPECT_NEAR(buffers[0][s], 0.5011872053146362 * std::sin(2 * std::numbers::pi * s / 48), 1e-7) << s;
}

TEST(SineRenderer, SinesAddUpWithoutNormalising) {
    TGeneratorCore core;
    Build(core, 1, 2);
    core.SetSineAmplitude(0, 0, 1.0);
    core.SetSineAmplitude(0, 1, 1.0);
    RenderBuffers buffers(1, 48);
    core.BufferSwitchSine32(nullptr, {}, buffers.View());
    EXPECT_NEAR(buffers[0][12], 2.0f, 1e-6);  // two equal sines at 0 dBFS peak at 2.0; the host clips
}

TEST(SineRenderer, MatchesTheSampleBySampleRendererBitForBit) {
    struct Case {
        const char* Name;
        int32_t Outputs, Sines, HostOutputs, BufferSize, Blocks;
        bool Fade, Identical, Burst;
    };
    const Case cases[] = {
        {"2x1", 2, 1, 2, 1024, 3, false, false, false},
        {"8x3 fading in", 8, 3, 8, 1024, 3, true, false, false},
        {"64x10", 64, 10, 64, 1024, 2, false, false, false},
        {"odd block sizes", 3, 5, 3, 65, 7, true, false, false},
        {"one-sample blocks", 2, 2, 2, 1, 300, true, false, false},
        {"identical outputs", 4, 3, 4, 256, 4, true, true, false},
        {"burst", 2, 1, 2, 256, 6, false, false, true},
        {"burst while fading", 3, 2, 3, 100, 8, true, false, true},
        {"identical burst", 3, 2, 3, 256, 6, false, true, true},
        {"more host outputs", 2, 2, 5, 128, 2, true, false, false},
        {"more host outputs identical", 2, 2, 5, 128, 2, false, true, false},
        {"fewer host outputs", 4, 2, 2, 128, 2, true, false, false},
        {"no host outputs", 2, 2, 0, 128, 2, true, false, false},
    };
    for (const Case& c : cases) {
        TGeneratorCore fast, plain;
        for (TGeneratorCore* core : {&fast, &plain}) {
            Build(*core, c.Outputs, c.Sines);
            SetRandSeed(1234);
            for (int o = 0; o < c.Outputs; ++o)
                for (int k = 0; k < c.Sines; ++k) {
                    core->SetSineFrequency(o, k, static_cast<float>(20 + Random() * 20000));
                    core->SetSineAmplitude(o, k, Random());
                    core->FSineOsc[o][k].SetPhase(Random() * 6.28);
                }
            core->FMainGainL = 0.7;
            if (c.Fade) {
                core->FFadeGain = TGeneratorCore::kFadeInStartGain;
                core->FFadeDirection = TFadeDirection::fdUp;
            }
            core->IdenticalSineOutputs = c.Identical;
            core->BurstEnabled = c.Burst;
            core->BurstRemaining = c.BufferSize * 2;
        }
        for (int b = 0; b < c.Blocks; ++b) {
            RenderBuffers a(c.HostOutputs, c.BufferSize, 9.0f), r(c.HostOutputs, c.BufferSize, 9.0f);
            fast.BufferSwitchSine32(nullptr, {}, a.View());
            ReferenceBufferSwitchSine32(plain, r.View());
            ASSERT_TRUE(SameBits(a, r, c.HostOutputs, c.BufferSize)) << c.Name << ", block " << b;
            if (c.Fade && b == 1) {  // a stop in the middle of the run
                fast.FFadeDirection = TFadeDirection::fdDown;
                plain.FFadeDirection = TFadeDirection::fdDown;
            }
        }
        EXPECT_EQ(fast.FFadeGain, plain.FFadeGain) << c.Name;
        EXPECT_EQ(fast.FFadeDirection, plain.FFadeDirection) << c.Name;
        EXPECT_EQ(fast.BurstRemaining, plain.BurstRemaining) << c.Name;
        EXPECT_EQ(fast.BurstPrevSample, plain.BurstPrevSample) << c.Name;
        for (int o = 0; o < c.Outputs; ++o)
            for (int k = 0; k < c.Sines; ++k) {
                EXPECT_EQ(fast.FSineOsc[o][k].Position().Re, plain.FSineOsc[o][k].Position().Re) << c.Name;
                EXPECT_EQ(fast.FSineOsc[o][k].Position().Im, plain.FSineOsc[o][k].Position().Im) << c.Name;
            }
    }
}

TEST(SineRenderer, EightOutputsFadeInWithin1296Samples) {
    TGeneratorCore core;
    Build(core, 8, 1);
    core.FFadeGain = TGeneratorCore::kFadeInStartGain;
    core.FFadeDirection = TFadeDirection::fdUp;
    RenderBuffers head(8, 1295), last(8, 1);
    core.BufferSwitchSine32(nullptr, {}, head.View());
    EXPECT_EQ(core.FFadeDirection, TFadeDirection::fdUp);
    core.BufferSwitchSine32(nullptr, {}, last.View());
    EXPECT_EQ(core.FFadeDirection, TFadeDirection::fdNone);
    EXPECT_EQ(core.FFadeGain, 1.0);
}

TEST(SineRenderer, IdenticalOutputsPlayOutputOneWithTheirOwnGainReadings) {
    TGeneratorCore core;
    Build(core, 4, 1);
    for (int o = 0; o < 4; ++o) core.SetSineFrequency(o, 0, 500.0f * (o + 1));
    TSimpleOscillator64 first = core.FSineOsc[0][0];
    core.IdenticalSineOutputs = true;
    core.FFadeGain = 0.001;
    core.FFadeDirection = TFadeDirection::fdUp;

    RenderBuffers buffers(4, 200);
    core.BufferSwitchSine32(nullptr, {}, buffers.View());
    double fade = 0.001;
    for (int s = 0; s < 200; ++s) {
        const double sum = 0.0 + first.Sine();
        first.CalculateNextSample();
        for (int o = 0; o < 4; ++o) {
            const float gain = static_cast<float>(fade);
            fade *= 1.001;
            ASSERT_EQ(buffers[o][s], static_cast<float>(double(gain) * sum)) << o << " " << s;
        }
    }
    // The other outputs' sines ran on, unheard.
    EXPECT_NE(core.FSineOsc[3][0].Phase(), 0.0);
}

class Burst : public ::testing::Test {
protected:
    // One 1000 Hz sine at 48 kHz, 48 samples per period, with the burst switch on.
    void Start(int32_t FrameCount, int32_t BufferSize, double Phase = 0.0) {
        Build(core, 1, 1);
        core.FSineOsc[0][0].SetPhase(Phase);
        twin = core.FSineOsc[0][0];
        core.BurstEnabled = true;
        core.BurstFrameCount = FrameCount;
        core.BurstRemaining = BufferSize * FrameCount;
        size = BufferSize;
    }
    // Renders Blocks blocks; returns output 1 and the free-running sine it was cut from.
    void Render(int Blocks) {
        RenderBuffers buffers(1, size);
        for (int b = 0; b < Blocks; ++b) {
            core.BufferSwitchSine32(nullptr, {}, buffers.View());
            played.insert(played.end(), buffers[0].begin(), buffers[0].end());
            for (int s = 0; s < size; ++s) {
                free.push_back(static_cast<float>(twin.Sine()));
                twin.CalculateNextSample();
            }
        }
    }
    size_t FirstSilentSample() const {
        size_t n = played.size();
        while (n > 0 && played[n - 1] == 0.0f) --n;
        return n;
    }
    TGeneratorCore core;
    TSimpleOscillator64 twin;
    int32_t size = 0;
    std::vector<float> played, free;
};

TEST_F(Burst, CutsAtTheNextRisingZeroCrossing) {
    Start(2, 256);
    Render(4);
    EXPECT_EQ(core.BurstRemaining, -1);
    const size_t cut = FirstSilentSample();
    // 512 samples end 32 samples into a period; the next rising crossing is at 528, and the cut
    // falls on the first sample above it.
    EXPECT_GT(cut, 528u);
    EXPECT_LE(cut, 530u);
    EXPECT_LT(free[cut - 1], 1e-6f);
    EXPECT_GT(free[cut], 0.0f);
    for (size_t n = 0; n < cut; ++n) ASSERT_EQ(played[n], free[n]) << n;
    for (size_t n = cut; n < played.size(); ++n) ASSERT_EQ(played[n], 0.0f) << n;
}

TEST_F(Burst, ACrossingBetweenTwoBlocksIsNotSeen) {
    // Half a sample of phase lead: every period starts with a clearly positive sample after a
    // negative one, so each rising crossing lies between samples 48k - 1 and 48k.
    const double w = 2 * std::numbers::pi / 48;
    Start(1, 240, -w / 2);
    Render(3);
    ASSERT_LT(free[239], 0.0f);
    ASSERT_GT(free[240], 1e-3f);
    // The count runs out at the end of block 1; the crossing at 240 falls between blocks, so the cut
    // waits one period, to 288.
    EXPECT_EQ(FirstSilentSample(), 288u);
    for (size_t n = 0; n < 288; ++n) ASSERT_EQ(played[n], free[n]) << n;
    EXPECT_EQ(core.BurstRemaining, -1);
}

TEST(BurstCut, FindsTheCrossingWhereverItFallsInTheBlock) {
    // Rising crossings between samples 48k - 1 and 48k (half a sample of phase lead); a count of R
    // samples is cut at the first crossing at or after R, in one 1024-sample block.
    const double w = 2 * std::numbers::pi / 48;
    for (int32_t remaining = 1; remaining <= 900; ++remaining) {
        TGeneratorCore core;
        Build(core, 1, 1);
        core.FSineOsc[0][0].SetPhase(-w / 2);
        core.BurstEnabled = true;
        core.BurstRemaining = remaining;
        RenderBuffers buffers(1, 1024);
        core.BufferSwitchSine32(nullptr, {}, buffers.View());
        const int32_t cut = (remaining + 47) / 48 * 48;
        ASSERT_NE(buffers[0][cut - 1], 0.0f) << remaining;
        for (int32_t s = cut; s < 1024; ++s) ASSERT_EQ(buffers[0][s], 0.0f) << remaining << " at " << s;
        ASSERT_EQ(core.BurstRemaining, -1);
    }
}

TEST_F(Burst, OtherOutputsAreCutAtOutputOnesCrossing) {
    Build(core, 2, 1);
    core.SetSineFrequency(1, 0, 1300);
    core.BurstEnabled = true;
    core.BurstRemaining = 100;
    RenderBuffers buffers(2, 512);
    core.BufferSwitchSine32(nullptr, {}, buffers.View());
    // Output 1 crosses upwards at 144 (three periods); the cut sample is 145.
    for (int s = 145; s < 512; ++s) {
        ASSERT_EQ(buffers[0][s], 0.0f) << s;
        ASSERT_EQ(buffers[1][s], 0.0f) << s;
    }
    EXPECT_NE(buffers[1][144], 0.0f);
}

TEST_F(Burst, SwitchedOffTheCountIsLeftAlone) {
    Build(core, 1, 1);
    core.BurstRemaining = 10;
    RenderBuffers buffers(1, 256);
    core.BufferSwitchSine32(nullptr, {}, buffers.View());
    EXPECT_EQ(core.BurstRemaining, 10);
    EXPECT_NE(buffers[0][255], 0.0f);
}

}  // namespace
}  // namespace quenthal
