#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "engine/DspGain.h"
#include "engine/DspPinkNoiseGenerator.h"
#include "engine/GeneratorCore.h"
#include "platform/Random.h"
#include "tests/engine/RenderBuffers.h"

namespace quenthal {
namespace {

using testing::RenderBuffers;

constexpr double k2Pow32 = 4294967296.0;

TEST(RandomSource, LinearCongruentialSequence) {
    SetRandSeed(0);
    EXPECT_EQ(Random(), 1 / k2Pow32);
    EXPECT_EQ(RandSeed.load(), 1u);
    EXPECT_EQ(Random(), 134775814 / k2Pow32);
    SetRandSeed(0xFFFFFFFFu);
    EXPECT_EQ(Random(), static_cast<uint32_t>(0xFFFFFFFFull * 134775813ull + 1) / k2Pow32);
    // A chosen next value, as the tests of the noise sources need.
    for (const uint32_t next : {0u, 1u, 0x80000000u, 0xFFFFFFFFu, 123456789u}) {
        SetRandSeed(RandSeedBefore(next));
        EXPECT_EQ(Random(), next / k2Pow32);
    }
}

class WhiteNoise : public ::testing::Test {
protected:
    void SetUp() override {
        core.FFadeDirection = TFadeDirection::fdNone;
        SetRandSeed(20260101);
    }

    // Renders Blocks blocks on four outputs, checks that they agree, and returns output 1.
    std::vector<float> Render(int Blocks) {
        std::vector<float> values;
        RenderBuffers buffers(4, 1024);
        for (int b = 0; b < Blocks; ++b) {
            core.BufferSwitchWhiteNoise32(nullptr, {}, buffers.View());
            for (int o = 1; o < 4; ++o) EXPECT_EQ(buffers[o], buffers[0]);
            values.insert(values.end(), buffers[0].begin(), buffers[0].end());
        }
        return values;
    }

    TGeneratorCore core;
};

struct Statistics {
    double Mean = 0, Rms = 0, Min = 1e9, Max = -1e9;
    explicit Statistics(const std::vector<float>& Values) {
        for (const float v : Values) {
            Mean += v;
            Rms += double(v) * v;
            Min = std::min<double>(Min, v);
            Max = std::max<double>(Max, v);
        }
        Mean /= Values.size();
        Rms = std::sqrt(Rms / Values.size());
    }
};

TEST_F(WhiteNoise, RectangularDistribution) {
    const Statistics stats(Render(256));
    EXPECT_NEAR(stats.Mean, 0.0, 0.005);
    EXPECT_NEAR(stats.Rms, 1 / std::sqrt(3.0), 0.002);  // 0.577
    EXPECT_GE(stats.Min, -1.0);
    EXPECT_LT(stats.Max, 1.0);
    EXPECT_LT(stats.Min, -0.999);
    EXPECT_GT(stats.Max, 0.999);
}

TEST_F(WhiteNoise, TriangularDistribution) {
    core.WhiteNoiseDistribution = TWhiteNoiseDistribution::wdTriangle;
    const std::vector<float> values = Render(256);
    const Statistics stats(values);
    EXPECT_NEAR(stats.Mean, 0.0, 0.005);
    EXPECT_NEAR(stats.Rms, 1 / std::sqrt(6.0), 0.002);  // 0.408
    EXPECT_GT(stats.Min, -1.0);
    EXPECT_LT(stats.Max, 1.0);
    // The density falls linearly from its peak at 0: windows of equal width at 0, +0.5 and -0.5.
    int nearZero = 0, nearPlusHalf = 0, nearMinusHalf = 0;
    for (const float v : values) {
        nearZero += std::fabs(v) < 0.05;
        nearPlusHalf += std::fabs(v - 0.5) < 0.05;
        nearMinusHalf += std::fabs(v + 0.5) < 0.05;
    }
    EXPECT_NEAR(double(nearZero) / nearPlusHalf, 2.0, 0.1);
    EXPECT_NEAR(double(nearZero) / nearMinusHalf, 2.0, 0.1);
}

TEST_F(WhiteNoise, GainsScaleTheValues) {
    core.FWhiteNoiseGain = DbToGain(-1000);
    EXPECT_EQ(core.FWhiteNoiseGain, 0.0);
    for (const float v : Render(1)) ASSERT_EQ(v, 0.0f);

    core.FWhiteNoiseGain = 0.25;
    core.FMainGainL = 0.5;
    const uint32_t seed = RandSeed.load();
    const std::vector<float> values = Render(1);
    SetRandSeed(seed);
    for (const float v : values) ASSERT_EQ(v, static_cast<float>((2 * Random() - 1) * (0.5 * 0.25)));
}

TEST(PinkNoise, StageSelectionFollowsTheFirstDraw) {
    // For each threshold: the largest draw at or below it renews that stage, the next draw above it
    // renews the following stage (or nothing above the last).
    for (int stage = 0; stage < TPinkNoiseGenerator::kStageCount; ++stage) {
        for (const bool justAbove : {false, true}) {
            const double threshold = TPinkNoiseGenerator::kStageThreshold[stage];
            const uint32_t r0 = static_cast<uint32_t>(std::floor(threshold * k2Pow32)) + (justAbove ? 1 : 0);
            const int renewed = stage + (justAbove ? 1 : 0);

            TPinkNoiseGenerator pink;
            SetRandSeed(RandSeedBefore(r0));
            const double r = NextRandSeed(r0) / k2Pow32;  // the second draw
            const double y = pink.ProcessSample64();
            for (int c = 0; c < TPinkNoiseGenerator::kStageCount; ++c) {
                const double expected = c == renewed ? (2 * r - 1) * TPinkNoiseGenerator::kStageAmplitude[c] : 0.0;
                EXPECT_EQ(pink.Contribution()[c], expected) << "r0 " << r0 << " stage " << c;
            }
            EXPECT_EQ(y, renewed < TPinkNoiseGenerator::kStageCount ? pink.Contribution()[renewed] : 0.0);
        }
    }
}

TEST(PinkNoise, OnlyOneContributionChangesPerSample) {
    TPinkNoiseGenerator pink;
    pink.SetAmplitude(0.5);
    SetRandSeed(RandSeedBefore(0x80000000u));  // r0 = 0.5: stage 4 only
    const double first = pink.ProcessSample64();
    EXPECT_NE(first, 0.0);
    EXPECT_EQ(first, pink.Contribution()[4] * 0.5);
    SetRandSeed(RandSeedBefore(static_cast<uint32_t>(0.95 * k2Pow32)));  // above every threshold
    EXPECT_EQ(pink.ProcessSample64(), first);
    SetRandSeed(7);
    for (int n = 0; n < 10000; ++n) {
        const auto before = pink.Contribution();
        pink.ProcessSample64();
        int changed = 0;
        for (int c = 0; c < 5; ++c) changed += before[c] != pink.Contribution()[c];
        ASSERT_LE(changed, 1);
    }
    pink.Clear();
    for (const double c : pink.Contribution()) EXPECT_EQ(c, 0.0);
}

TEST(PinkNoise, AmplitudeKeepsSixtyFourBitsAndMayExceedOne) {
    TPinkNoiseGenerator pink;
    pink.SetAmplitude(DbToGain(-6));
    EXPECT_EQ(pink.Amplitude(), 0.5011872336272722);
    // A hand-edited preset may hold more than 0 dB: it plays louder (the host clips), never stops.
    TPinkNoiseGenerator loud;
    loud.SetAmplitude(4);
    TPinkNoiseGenerator plain;
    SetRandSeed(99);
    std::vector<double> reference;
    for (int n = 0; n < 100000; ++n) reference.push_back(plain.ProcessSample64());
    SetRandSeed(99);
    double peak = 0;
    for (int n = 0; n < 100000; ++n) {
        const double y = loud.ProcessSample64();
        ASSERT_EQ(y, reference[n] * 4);
        peak = std::max(peak, std::fabs(y));
    }
    EXPECT_GT(peak, 1.0);
}

TEST(PinkNoise, RendererCopiesOneValueToEveryOutput) {
    TGeneratorCore core;
    core.FFadeDirection = TFadeDirection::fdNone;
    core.FMainGainL = 0.5;
    core.SetSamplerate(48000);
    core.ChannelCountChanged();
    ASSERT_EQ(core.FPinkNoise.size(), 1u);
    core.SetPinkAmplitude(0.8);
    EXPECT_EQ(core.FPinkNoise[0]->Amplitude(), 0.8);

    TPinkNoiseGenerator twin;
    twin.SetAmplitude(0.8);
    SetRandSeed(4242);
    RenderBuffers buffers(4, 512);
    core.BufferSwitchPinkNoise32(nullptr, {}, buffers.View());
    SetRandSeed(4242);
    for (int s = 0; s < 512; ++s) ASSERT_EQ(buffers[0][s], static_cast<float>(0.5f * twin.ProcessSample64())) << s;
    for (int o = 1; o < 4; ++o) EXPECT_EQ(buffers[o], buffers[0]);
}

}  // namespace
}  // namespace quenthal
