#include <gtest/gtest.h>

#include <vector>

#include "engine/DspErrors.h"
#include "engine/DspSquareOscillator.h"

namespace quenthal {
namespace {

// Lengths of the runs of equal values, starting with the first sample.
std::vector<int> RunLengths(TDspSquareOscillator& Square, int Samples) {
    std::vector<int> runs;
    float last = 0.0f;
    for (int n = 0; n < Samples; ++n) {
        const float value = Square.NextSample();
        if (n == 0 || value != last) runs.push_back(0);
        ++runs.back();
        last = value;
    }
    return runs;
}

TEST(SquareOscillator, CreationValues) {
    TDspSquareOscillator square(48000);
    EXPECT_EQ(square.SampleRate(), 48000.0);
    EXPECT_EQ(square.Frequency(), 1000.0);
    EXPECT_EQ(square.Gain(), 0.7);
    EXPECT_EQ(square.Ratio(), 0.5);
    EXPECT_EQ(square.Phase(), 0.0);
    EXPECT_EQ(square.PhaseInc(), 1000.0 / 48000.0);
    EXPECT_EQ(square.NextSample(), 0.7f);  // a fresh oscillator starts high
}

TEST(SquareOscillator, PatternsWhenTheRateIsAMultipleOfTheFrequency) {
    struct Case {
        double Ratio;
        std::vector<int> Runs;
    };
    // 750 Hz at 48 kHz advances exactly 1/64 per sample.
    for (const Case& c : {Case{0.5, {32, 32, 32, 32, 32, 32}}, Case{0.25, {16, 48, 16, 48, 16, 48}}}) {
        TDspSquareOscillator square(48000);
        square.SetGain(1);
        square.SetFrequency(750);
        square.SetRatio(c.Ratio);
        EXPECT_EQ(square.NextSample(), 1.0f);
        square.Reset();
        EXPECT_EQ(RunLengths(square, 192), c.Runs) << "ratio " << c.Ratio;
    }
}

TEST(SquareOscillator, EdgesFollowTheAccumulatedPhase) {
    // 1/48 added 24 times gives 0.49999999999999994, still below the ratio: the first period holds
    // 25 high samples, every later one 24.
    TDspSquareOscillator square(48000);
    square.SetGain(1);
    std::vector<int> highs;
    for (int group = 0; group < 6; ++group) {
        highs.push_back(0);
        for (int n = 0; n < 48; ++n) highs.back() += square.NextSample() > 0 ? 1 : 0;
    }
    EXPECT_EQ(highs, (std::vector<int>{25, 24, 24, 24, 24, 24}));
    square.Reset();
    EXPECT_EQ(RunLengths(square, 48).front(), 25);
}

TEST(SquareOscillator, RatioLimits) {
    struct Case {
        double Set;
        double Stored;
        float Value;  // every sample
    };
    for (const Case c : {Case{0.0, 0.0, -0.5f}, Case{1.0, 1.0, 0.5f}, Case{1.5, 1.0, 0.5f}, Case{-0.2, 0.0, -0.5f}}) {
        TDspSquareOscillator square(48000);
        square.SetGain(0.5);
        square.SetRatio(c.Set);
        EXPECT_EQ(square.Ratio(), c.Stored);
        for (int n = 0; n < 500; ++n) ASSERT_EQ(square.NextSample(), c.Value) << c.Set << " at " << n;
    }
}

TEST(SquareOscillator, NegativeFrequencyHoldsTheLevel) {
    TDspSquareOscillator square(48000);
    square.SetGain(1);
    for (int n = 0; n < 30; ++n) square.NextSample();  // phase 30/48, in the low part
    square.SetFrequency(-5);
    EXPECT_EQ(square.Frequency(), 0.0);
    EXPECT_EQ(square.PhaseInc(), 0.0);
    for (int n = 0; n < 200; ++n) ASSERT_EQ(square.NextSample(), -1.0f);
}

TEST(SquareOscillator, FrequencyChangeKeepsThePhase) {
    TDspSquareOscillator square(48000);
    square.SetFrequency(750);
    for (int n = 0; n < 16; ++n) square.NextSample();  // phase 16/64 = 0.25
    square.SetFrequency(1500);                          // now 1/32 per sample
    EXPECT_EQ(square.Phase(), 0.25);
    const std::vector<int> runs = RunLengths(square, 8 + 16 + 32);
    EXPECT_EQ(runs, (std::vector<int>{8, 16, 16, 16}));
}

TEST(SquareOscillator, FrequencyAboveTheRateWrapsWholePeriods) {
    TDspSquareOscillator square(48000);
    square.SetFrequency(48000 + 750);  // 1 + 1/64 per sample
    for (int n = 0; n < 1000; ++n) {
        square.NextSample();
        ASSERT_GE(square.Phase(), 0.0);
        ASSERT_LT(square.Phase(), 1.0);
    }
}

TEST(SquareOscillator, SampleRateMustBePositive) {
    for (const double rate : {0.0, -1.0}) {
        try {
            TDspSquareOscillator square(rate);
            FAIL() << rate << " accepted at creation";
        } catch (const EDspError& error) {
            EXPECT_STREQ(error.what(), "SampleRate must be > 0");
        }
        TDspSquareOscillator square(48000);
        EXPECT_THROW(square.SetSampleRate(rate), EDspError);
        EXPECT_EQ(square.SampleRate(), 48000.0);
        EXPECT_EQ(square.PhaseInc(), 1000.0 / 48000.0);
    }
    TDspSquareOscillator square(48000);
    for (int n = 0; n < 7; ++n) square.NextSample();
    const double phase = square.Phase();
    square.SetSampleRate(96000);
    EXPECT_EQ(square.Phase(), phase);
    EXPECT_EQ(square.PhaseInc(), 1000.0 / 96000.0);
}

}  // namespace
}  // namespace quenthal
