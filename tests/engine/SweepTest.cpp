#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "engine/DspErrors.h"
#include "engine/GeneratorCore.h"
#include "engine/audio_sweep_generator.h"
#include "tests/engine/RenderBuffers.h"

namespace quenthal {
namespace {

using testing::RenderBuffers;

// Local frequency at sample n from its neighbours: x[n-1] + x[n+1] = 2 cos(w) x[n] for a sine;
// exact enough for a slow sweep where |x[n]| is large.
double LocalFrequency(const TDoubleDynArray& x, size_t n, double Fs) {
    return std::acos((x[n - 1] + x[n + 1]) / (2 * x[n])) * Fs / (2 * std::numbers::pi);
}

size_t LargestIn(const TDoubleDynArray& x, size_t From, size_t To) {
    size_t best = From;
    for (size_t n = From; n < To; ++n)
        if (std::fabs(x[n]) > std::fabs(x[best])) best = n;
    return best;
}

TEST(LogSweep, TwentyHertzToTwentyKilohertz) {
    TSweepLog sweep(48000);
    const TSweepTable table = sweep.GenerateLogSweep(20, 20000, 5, 1);
    const TDoubleDynArray& x = *table;
    ASSERT_EQ(x.size(), 240000u);
    // Built in slices on several cores: every sample must still be the one formula's.
    const double K = std::log(20000.0 / 20), L = 5 * 2 * std::numbers::pi * 20 / K;
    for (size_t i = 0; i < x.size(); ++i) {
        const double t = double(i) / 48000;
        ASSERT_EQ(x[i], 1 * std::sin(L * (std::exp(t * K / 5) - 1))) << i;
    }
    EXPECT_EQ(x[0], 0.0);
    EXPECT_GT(x[1], 0.0);  // rising
    // The sweep law F1 * (F2/F1)^(t/Dur), checked where the table is near its peaks.
    auto law = [](size_t n) { return 20 * std::pow(1000.0, (n / 48000.0) / 5); };
    const size_t early = LargestIn(x, 1, 1200);  // first half period at about 20 Hz
    EXPECT_NEAR(LocalFrequency(x, early, 48000), law(early), law(early) * 2e-3);
    EXPECT_NEAR(LocalFrequency(x, early, 48000), 20, 0.5);
    const size_t late = LargestIn(x, x.size() - 48, x.size() - 1);
    EXPECT_NEAR(LocalFrequency(x, late, 48000), law(late), law(late) * 2e-3);
    EXPECT_NEAR(LocalFrequency(x, late, 48000), 20000, 20);
    EXPECT_LE(*std::max_element(x.begin(), x.end()), 1.0);
    EXPECT_GE(*std::min_element(x.begin(), x.end()), -1.0);
}

TEST(LogSweep, ThirtySecondTable) {
    TSweepLog sweep(48000);
    const TSweepTable table = sweep.GenerateLogSweep(20, 20000, 30, 0.5);
    ASSERT_EQ(table->size(), 1440000u);  // 11 MB: a buffer of its own pages
    const double K = std::log(1000.0), L = 30 * 2 * std::numbers::pi * 20 / K;
    for (size_t i = 0; i < table->size(); i += 997)
        ASSERT_EQ((*table)[i], 0.5 * std::sin(L * (std::exp(double(i) / 48000 * K / 30) - 1))) << i;
    const TDoubleDynArray zeros(3 << 20);
    EXPECT_TRUE(std::all_of(zeros.begin(), zeros.end(), [](double v) { return v == 0.0; }));
}

TEST(LogSweep, LengthIsTheRoundedDurationTimesTheRate) {
    struct Case {
        double Fs, Dur;
        size_t Samples;
    };
    // Halves round to the even count.
    for (const Case c : {Case{48000, 0.01, 480}, Case{44100, 1.5, 66150}, Case{4, 0.625, 2}, Case{4, 0.875, 4},
                         Case{48000, 0, 0}, Case{48000, -1, 0}}) {
        TSweepLog sweep(c.Fs);
        EXPECT_EQ(sweep.GenerateLogSweep(100, 200, c.Dur, 0.5)->size(), c.Samples) << c.Fs << " " << c.Dur;
    }
}

TEST(LogSweep, SettingsAreCorrectedAndKept) {
    struct Case {
        int32_t Start, Stop;
        double Duration;
        int32_t UsedStart, UsedStop;
        double UsedDuration;
    };
    const Case cases[] = {
        {1000, 1000, 5, 1000, 1100, 5},  // never downwards: stop := start + 100
        {3000, 2000, 5, 3000, 3100, 5},
        {100, 5000, 0.005, 100, 5000, 1},  // too short: 1 s
        {0, 5000, 1, 10, 5000, 1},         // no log sweep starts at 0 Hz: raised to 10 Hz
        {-50, 5, 1, 10, 110, 1},
    };
    for (const Case& c : cases) {
        TSweepLog sweep(48000);
        sweep.SetStartFrequenz(c.Start);
        sweep.SetStopFrequenz(c.Stop);
        sweep.SetDuration(c.Duration);
        const TSweepTable table = sweep.GenerateLogSweepSet();
        EXPECT_EQ(sweep.StartFrequenz(), c.UsedStart);
        EXPECT_EQ(sweep.StopFrequenz(), c.UsedStop);
        EXPECT_EQ(sweep.Duration(), c.UsedDuration);
        EXPECT_EQ(table->size(), static_cast<size_t>(c.UsedDuration * 48000));
        EXPECT_TRUE(std::all_of(table->begin(), table->end(), [](double v) { return std::isfinite(v); }));
        const TSweepTable expected = sweep.GenerateLogSweep(c.UsedStart, c.UsedStop, c.UsedDuration, 1);
        EXPECT_EQ(*table, *expected);
    }
}

TEST(LogSweep, NoTableWithoutTwoPositiveDifferentFrequencies) {
    TSweepLog sweep(48000);
    for (const auto& [f1, f2] : {std::pair{0.0, 100.0}, {-10.0, 100.0}, {100.0, 0.0}, {100.0, 100.0}, {NAN, 100.0}})
        EXPECT_THROW(sweep.GenerateLogSweep(f1, f2, 1, 1), EDspError) << f1 << " " << f2;
    EXPECT_EQ(sweep.GenerateLogSweep(2000, 1000, 1, 1)->size(), 48000u);  // downwards is a real sweep
}

TEST(LogSweep, BlocksAndTheEndOfTheTable) {
    TSweepLog sweep(48000);
    double block[256];
    EXPECT_FALSE(sweep.ProcessSweepBlock(block, 256));  // nothing started
    EXPECT_TRUE(std::all_of(block, block + 256, [](double v) { return v == 0.0; }));

    const TSweepTable table = sweep.GenerateLogSweep(100, 1000, 0.01, 1);  // 480 samples
    sweep.LoadSweep(table);
    EXPECT_FALSE(sweep.SweepActive());
    sweep.StartSweep();
    ASSERT_TRUE(sweep.ProcessSweepBlock(block, 256));
    EXPECT_TRUE(std::equal(block, block + 256, table->begin()));
    ASSERT_FALSE(sweep.ProcessSweepBlock(block, 256));
    EXPECT_TRUE(std::equal(block, block + 224, table->begin() + 256));
    EXPECT_TRUE(std::all_of(block + 224, block + 256, [](double v) { return v == 0.0; }));
    EXPECT_FALSE(sweep.SweepActive());

    // A table that ends exactly at a block boundary: that block is whole, the next one is not.
    sweep.LoadSweep(sweep.GenerateLogSweep(100, 1000, 512 / 48000.0, 1));
    sweep.StartSweep();
    EXPECT_TRUE(sweep.ProcessSweepBlock(block, 256));
    EXPECT_TRUE(sweep.ProcessSweepBlock(block, 256));
    EXPECT_FALSE(sweep.ProcessSweepBlock(block, 256));
}

class SweepRenderer : public ::testing::Test {
protected:
    void SetUp() override {
        core.SetSamplerate(48000);
        core.RecreateSweepGen();
        core.FFadeDirection = TFadeDirection::fdNone;
    }
    TGeneratorCore core;
};

TEST_F(SweepRenderer, PlaysTheTableOnEveryOutputAndReportsItsEnd) {
    const TSweepTable table = core.SweepGen->GenerateLogSweep(100, 1000, 0.01, 0.5);  // 480 samples
    core.LoadSweepTable(table);
    core.SweepGen->StartSweep();
    core.FMainGainL = 0.5;
    EXPECT_EQ(core.SweepTable, table);

    RenderBuffers buffers(3, 256);
    core.BufferSwitchSweep32(nullptr, {}, buffers.View());
    EXPECT_FALSE(core.SweepEnded);
    for (int s = 0; s < 256; ++s) {
        ASSERT_EQ(buffers[0][s], static_cast<float>(0.5 * (*table)[s])) << s;
        ASSERT_EQ(buffers[1][s], buffers[0][s]);
        ASSERT_EQ(buffers[2][s], buffers[0][s]);
    }
    EXPECT_EQ(core.RequestedTimerInterval(), 0);

    core.BufferSwitchSweep32(nullptr, {}, buffers.View());
    EXPECT_TRUE(core.SweepEnded);
    EXPECT_EQ(core.RequestedTimerInterval(), 8);  // round(1500 * 256 / 48000) ms
    for (int s = 0; s < 224; ++s) ASSERT_EQ(buffers[2][s], static_cast<float>(0.5 * (*table)[256 + s]));
    for (int s = 224; s < 256; ++s) ASSERT_EQ(buffers[2][s], 0.0f);

    // Silence and the end report go on until the timer restarts the sweep.
    core.SweepEnded = false;
    core.BufferSwitchSweep32(nullptr, {}, buffers.View());
    EXPECT_TRUE(core.SweepEnded);
    EXPECT_TRUE(std::all_of(buffers[1].begin(), buffers[1].end(), [](float v) { return v == 0.0f; }));
    core.SweepEnded = false;
    core.SweepGen->StartSweep();
    core.BufferSwitchSweep32(nullptr, {}, buffers.View());
    EXPECT_FALSE(core.SweepEnded);
    EXPECT_EQ(buffers[0][100], static_cast<float>(0.5 * (*table)[100]));
}

TEST_F(SweepRenderer, BlocksLargerThanTheScratchArePlayedWhole) {
    const TSweepTable table = core.SweepGen->GenerateLogSweep(100, 1000, 1, 1);
    core.LoadSweepTable(table);
    core.SweepGen->StartSweep();
    RenderBuffers buffers(1, 10000);
    core.BufferSwitchSweep32(nullptr, {}, buffers.View());
    EXPECT_FALSE(core.SweepEnded);
    for (int s = 0; s < 10000; ++s) ASSERT_EQ(buffers[0][s], static_cast<float>((*table)[s])) << s;
    EXPECT_EQ(core.SweepGen->SweepPos(), 10000);
}

TEST_F(SweepRenderer, StartBuildsTheTableFromTheSettings) {
    core.SweepGen->SetStartFrequenz(20);
    core.SweepGen->SetStopFrequenz(20000);
    core.SweepGen->SetDuration(2);
    core.GenerateAndStartSweep();
    ASSERT_TRUE(core.SweepTable);
    EXPECT_EQ(core.SweepTable->size(), 96000u);
    EXPECT_EQ(core.SweepGen->SweepBuffer(), core.SweepTable);
    EXPECT_TRUE(core.SweepGen->SweepActive());
    // A setting changed while it plays waits for the next start.
    const TDoubleDynArray playing = *core.SweepTable;
    core.SweepGen->SetStopFrequenz(1000);
    EXPECT_EQ(*core.SweepGen->SweepBuffer(), playing);
}

}  // namespace
}  // namespace quenthal
