#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "engine/DspErrors.h"
#include "engine/DspSimpleOscillator.h"

namespace quenthal {
namespace {

constexpr double kMinus6dB = 0.5011872053146362;

TSimpleOscillator64 Oscillator(double SampleRate, float Frequency, double Amplitude) {
    TSimpleOscillator64 sine;
    sine.SetSampleRate(SampleRate);
    sine.SetFrequency(Frequency);
    sine.SetAmplitude(Amplitude);
    return sine;
}

double Next(TSimpleOscillator64& Sine) {
    const double value = Sine.Sine();
    Sine.CalculateNextSample();
    return value;
}

TEST(SimpleOscillator, CreationValues) {
    TSimpleOscillator64 sine;
    EXPECT_EQ(sine.SampleRate(), 44100.0);
    EXPECT_EQ(sine.Amplitude(), 1.0);
    EXPECT_EQ(sine.Frequency(), 440.0f);
    EXPECT_EQ(sine.Position().Re, 0.0);
    EXPECT_TRUE(std::signbit(sine.Position().Re));
    EXPECT_EQ(sine.Position().Im, -1.0);
    const double w = 2.0 * std::numbers::pi * 440.0f * (1.0 / 44100.0);
    EXPECT_EQ(sine.Angle().Re, std::cos(w));
    EXPECT_EQ(sine.Angle().Im, std::sin(w));
}

TEST(SimpleOscillator, ThousandHertzAt48kRunsOnePeriodIn48Samples) {
    TSimpleOscillator64 sine = Oscillator(48000, 1000, kMinus6dB);
    EXPECT_EQ(Next(sine), 0.0);
    EXPECT_NEAR(Next(sine), kMinus6dB * std::sin(2 * std::numbers::pi / 48), 1e-15);
    EXPECT_NEAR(Next(sine), kMinus6dB * std::sin(4 * std::numbers::pi / 48), 1e-15);
    for (int n = 3; n < 48; ++n) EXPECT_NEAR(Next(sine), kMinus6dB * std::sin(n * 2 * std::numbers::pi / 48), 1e-12);
    EXPECT_NEAR(sine.Sine(), 0.0, 1e-9);
}

TEST(SimpleOscillator, PhaseSetsTheStartOfTheSequence) {
    struct Case {
        double Phase;
        double FirstValue;
    };
    for (const Case c : {Case{0.0, 0.0}, Case{std::numbers::pi / 2, -1.0}, Case{-std::numbers::pi / 2, 1.0}}) {
        TSimpleOscillator64 sine = Oscillator(48000, 1000, 1.0);
        sine.SetPhase(c.Phase);
        EXPECT_NEAR(sine.Phase(), c.Phase, 1e-15);
        const double w = 2 * std::numbers::pi * 1000 / 48000;
        for (int n = 0; n < 100; ++n) EXPECT_NEAR(Next(sine), std::sin(n * w - c.Phase), 1e-12) << c.Phase << " " << n;
        EXPECT_NEAR(std::remainder(sine.Phase() - (c.Phase - 100 * w), 2 * std::numbers::pi), 0.0, 1e-12);
    }
    TSimpleOscillator64 sine = Oscillator(48000, 1000, 1.0);
    sine.SetPhase(std::numbers::pi / 2);
    EXPECT_EQ(sine.Sine(), -1.0);
}

TEST(SimpleOscillator, AmplitudeChangeKeepsThePhase) {
    const double w = 2 * std::numbers::pi * 1000 / 48000;
    TSimpleOscillator64 sine = Oscillator(48000, 1000, 0.5);
    for (int n = 0; n < 10; ++n) Next(sine);
    sine.SetAmplitude(0.25);
    EXPECT_EQ(sine.Amplitude(), 0.25);
    for (int n = 10; n < 60; ++n) EXPECT_NEAR(Next(sine), 0.25 * std::sin(n * w), 1e-13) << n;
}

TEST(SimpleOscillator, AmplitudeFromZeroRestartsAtPhasePi) {
    const double w = 2 * std::numbers::pi * 1000 / 48000;
    TSimpleOscillator64 sine = Oscillator(48000, 1000, 0.5);
    for (int n = 0; n < 7; ++n) Next(sine);
    sine.SetAmplitude(0.0);
    EXPECT_EQ(Next(sine), 0.0);
    sine.SetAmplitude(0.25);
    EXPECT_EQ(sine.Position().Re, 0.0);
    EXPECT_EQ(sine.Position().Im, 0.25);
    for (int n = 0; n < 60; ++n) EXPECT_NEAR(Next(sine), -0.25 * std::sin(n * w), 1e-13) << n;
}

TEST(SimpleOscillator, FrequencyChangeContinuesWithoutAJump) {
    TSimpleOscillator64 sine = Oscillator(48000, 1000, 1.0);
    for (int n = 0; n < 17; ++n) Next(sine);
    const double phaseBefore = sine.Phase();
    const double valueBefore = sine.Sine();
    sine.SetFrequency(3000);
    EXPECT_EQ(sine.Sine(), valueBefore);
    EXPECT_EQ(sine.Phase(), phaseBefore);
    const double w = 2 * std::numbers::pi * 3000 / 48000;
    for (int n = 0; n < 50; ++n) EXPECT_NEAR(Next(sine), std::sin(n * w - phaseBefore), 1e-12);
}

TEST(SimpleOscillator, SampleRateRules) {
    TSimpleOscillator64 sine = Oscillator(48000, 1000, 1.0);
    const TComplex64 angle = sine.Angle();
    try {
        sine.SetSampleRate(0);
        FAIL() << "sample rate 0 accepted";
    } catch (const EDspError& error) {
        EXPECT_STREQ(error.what(), "Invalid Samplerate!");
    }
    EXPECT_EQ(sine.SampleRate(), 48000.0);
    EXPECT_EQ(sine.Angle().Re, angle.Re);

    for (int n = 0; n < 5; ++n) Next(sine);
    const TComplex64 state = sine.Position();
    sine.SetSampleRate(-96000);
    EXPECT_EQ(sine.SampleRate(), 96000.0);
    EXPECT_EQ(sine.Angle().Re, std::cos(2 * std::numbers::pi * 1000.0f * (1.0 / 96000)));
    EXPECT_EQ(sine.Position().Re, state.Re);  // the state is kept
    EXPECT_EQ(sine.Position().Im, state.Im);
}

TEST(SimpleOscillator, ChangedFollowsTheUpdateBracket) {
    TSimpleOscillator64 sine;
    int changes = 0;
    TNotifiablePersistent* sender = nullptr;
    sine.SetOnChange([&](TNotifiablePersistent* Sender) {
        ++changes;
        sender = Sender;
    });
    sine.SetFrequency(1000);  // FrequencyChanged raises Changed
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(sender, &sine);
    sine.SetFrequency(1000);  // same value: nothing
    sine.SetAmplitude(0.5);   // amplitude raises nothing
    EXPECT_EQ(changes, 1);
    sine.SetSampleRate(48000);  // FrequencyChanged, then Changed
    EXPECT_EQ(changes, 3);

    sine.BeginUpdate();
    sine.BeginUpdate();
    sine.SetFrequency(2000);
    sine.EndUpdate();
    sine.SetFrequency(3000);
    EXPECT_EQ(changes, 3);
    sine.EndUpdate();  // closing the bracket raises nothing by itself
    EXPECT_EQ(changes, 3);
    sine.SetFrequency(4000);
    EXPECT_EQ(changes, 4);
}

TEST(SimpleOscillator, UnpairedEndUpdateIsRefused) {
    TSimpleOscillator64 sine;
    sine.BeginUpdate();
    sine.EndUpdate();
    try {
        sine.EndUpdate();
        FAIL() << "unpaired EndUpdate accepted";
    } catch (const EAssertionFailed& error) {
        EXPECT_STREQ(error.what(), "Unpaired TThreadPersistent.EndUpdate");
    }
    EXPECT_EQ(sine.UpdateCount(), 0);
}

TEST(SimpleOscillator, AssignCopiesEveryLevel) {
    TSimpleOscillator64 source = Oscillator(96000, 1234.5f, 0.3);
    for (int n = 0; n < 11; ++n) Next(source);
    int changes = 0;
    source.SetOnChange([&](TNotifiablePersistent*) { ++changes; });
    source.BeginUpdate();

    TSimpleOscillator64 dest;
    dest.Assign(source);
    EXPECT_EQ(dest.SampleRate(), 96000.0);
    EXPECT_EQ(dest.Amplitude(), 0.3);
    EXPECT_EQ(dest.Frequency(), 1234.5f);
    EXPECT_EQ(dest.Angle().Re, source.Angle().Re);
    EXPECT_EQ(dest.Angle().Im, source.Angle().Im);
    EXPECT_EQ(dest.Position().Re, source.Position().Re);
    EXPECT_EQ(dest.Position().Im, source.Position().Im);
    EXPECT_EQ(dest.UpdateCount(), 1);
    for (int n = 0; n < 100; ++n) ASSERT_EQ(Next(dest), Next(source));
    dest.EndUpdate();
    dest.SetFrequency(100);  // the copied change event belongs to the source's listener
    EXPECT_EQ(changes, 1);
}

}  // namespace
}  // namespace quenthal
