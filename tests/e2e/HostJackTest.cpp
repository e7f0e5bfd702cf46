// Through the real host and the engine's sine renderer to the JACK server, captured by a JACK client
// of the test: what the program plays, how it fades in, that it keeps time, and what it does when the
// server goes away.
#include "tests/e2e/HostRig.h"
#include "tests/e2e/JackFixtures.h"
#include "tests/e2e/SignalAnalysis.h"
#include "tests/e2e/TempFolder.h"

#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <cmath>
#include <thread>

namespace quenthal::test {
namespace {

using namespace std::chrono_literals;
constexpr const char* kJack = "JACK Audio Connection Kit";

std::vector<std::string> QuenthalPorts(int count) {
    std::vector<std::string> ports;
    for (int i = 1; i <= count; ++i) ports.push_back("Quenthal:out_" + std::to_string(i));
    return ports;
}

class HostJackTest : public ::testing::Test {
protected:
    void SetUp() override {
        TJackTap probe(0, 0);
        ASSERT_TRUE(probe.Ok()) << "no JACK server: run the suite through tools/lib/with-audio-servers";
    }
    TTempFolder FConfig;
};

TEST_F(HostJackTest, TheDriverListShowsTheBundledDrivers) {
    THostRig rig(FConfig.Path());
    const auto& list = rig.Host().DriverList();
    for (const char* name : {kJack, "WAV File Writer", "ALSA default"})
        EXPECT_NE(std::find(list.begin(), list.end(), name), list.end()) << name;
}

TEST_F(HostJackTest, EachOutputPlaysItsOwnFrequencyAtItsOwnLevel) {
    THostRig rig(FConfig.Path());
    rig.Choose(kJack, 48000);
    ASSERT_EQ(rig.Host().OutputChannelCount(), 8);
    ASSERT_EQ(rig.Host().BufferSize(), 1024u);
    std::vector<float> frequencies;
    std::vector<double> levels;
    for (int k = 0; k < 8; ++k) {
        frequencies.push_back(1000.0f * static_cast<float>(k + 1));  // output 1: 1 kHz
        levels.push_back(-6.0 - 2.5 * k);
    }
    const auto gains = rig.SetSines(frequencies, levels);
    rig.StartSine(true);
    TJackTap tap(8, 1.0);
    ASSERT_TRUE(tap.Connect(QuenthalPorts(8)));
    std::this_thread::sleep_for(200ms);  // well past the 27 ms fade-in
    tap.Record();
    ASSERT_TRUE(TDriverHarness::WaitFor([&] { return tap.Frames() >= 48000; }, 5s));
    rig.Stop();
    EXPECT_EQ(rig.Host().BlockFaultCount(), 0u);

    for (int k = 0; k < 8; ++k) {
        const float* samples = tap.Samples(k);
        EXPECT_NEAR(ToDb(GoertzelAmplitude(samples, 48000, frequencies[k], 48000)), ToDb(gains[k]), 0.01)
            << "output " << k + 1;
        EXPECT_NEAR(ToDb(Rms(samples, 48000) * std::sqrt(2.0)), ToDb(gains[k]), 0.01) << "nothing else on it";
        for (int other = 0; other < 8; ++other) {
            if (other == k) continue;
            EXPECT_LT(ToDb(GoertzelAmplitude(samples, 48000, frequencies[other], 48000)), -120)
                << "output " << other + 1 << " leaks into output " << k + 1;
        }
    }
}

TEST_F(HostJackTest, TheFadeInRisesFromMinus90dBInSteadyStepsOfTheEightOutputs) {
    THostRig rig(FConfig.Path());
    rig.Choose(kJack, 48000);
    rig.SetSines(std::vector<float>(8, 1000.0f), std::vector<double>(8, -6.0));
    // Play silently until the capture runs, then fade in the way the start does.
    rig.Core().FMainGainL.store(1.0);
    rig.StartSine(false);
    rig.Core().FFadeDirection.store(TFadeDirection::fdNone);
    rig.Core().FFadeGain.store(0.0);
    TJackTap tap(1, 2.0);
    ASSERT_TRUE(tap.Connect(QuenthalPorts(1)));
    std::this_thread::sleep_for(200ms);
    tap.Record();
    std::this_thread::sleep_for(300ms);
    rig.Core().FFadeDirection.store(TFadeDirection::fdUp);
    rig.Core().FFadeGain.store(TGeneratorCore::kFadeInStartGain);
    ASSERT_TRUE(TDriverHarness::WaitFor([&] { return tap.Frames() >= 96000; }, 5s));
    rig.Stop();

    const float* x = tap.Samples(0);
    size_t start = 0;
    while (start < 96000 && x[start] == 0.0f) ++start;
    ASSERT_LT(start + 4000, 96000u) << "the fade never began";
    // Gain at sample n: the sample over the steady sample one whole number of 1 kHz periods later.
    const size_t later = 48 * 40;
    const double stepDb = 8 * 20 * std::log10(1.001);  // eight readings per sample
    size_t full = 0;
    int checked = 0;
    for (size_t n = start; n < start + 1400; ++n) {
        const double steady = x[n + later];
        if (std::fabs(steady) < 0.2) continue;
        const double gainDb = ToDb(x[n] / steady);
        if (gainDb > -0.0001) {
            if (!full) full = n - start;
            continue;
        }
        // On a straight line in dB from the start, within one reading's step.
        EXPECT_NEAR(gainDb, -90.0 + stepDb * double(n - start), stepDb + 0.01) << "sample " << n - start;
        ++checked;
    }
    EXPECT_GT(checked, 500);
    EXPECT_NEAR(static_cast<double>(full), 1296, 24) << "10367 readings, eight per sample";
}

TEST_F(HostJackTest, EightOutputsPlayTwentySecondsWithoutAnXrun) {
    THostRig rig(FConfig.Path());
    rig.Choose(kJack, 48000);
    std::vector<float> frequencies;
    for (int k = 0; k < 8; ++k) frequencies.push_back(440.0f * static_cast<float>(k + 1));
    rig.SetSines(frequencies, std::vector<double>(8, -12.0));
    TJackTap tap(0, 0);
    rig.StartSine(true);
    std::this_thread::sleep_for(500ms);
    const auto before = rig.Hooks(kJack).Statistics();
    const int tapBefore = tap.Xruns();
    std::this_thread::sleep_for(20s);
    const auto after = rig.Hooks(kJack).Statistics();
    const int tapXruns = tap.Xruns() - tapBefore;
    rig.Stop();
    EXPECT_EQ(after.Xruns - before.Xruns, 0);
    EXPECT_EQ(tapXruns, 0);
    EXPECT_NEAR(static_cast<double>(after.Blocks - before.Blocks), 20 * 48000.0 / 1024, 3);
    EXPECT_EQ(rig.Host().BlockFaultCount(), 0u);
}

TEST_F(HostJackTest, AKilledServerResetsTheHostToStoppedAndTheDriverComesBackWithIt) {
    TPrivateJackServer server("quenthal-e2e-host");
    ASSERT_TRUE(server.Start(8));
    FConfig.Write("Jack.ini", "[JACK]\nServerName=quenthal-e2e-host\n");
    THostRig rig(FConfig.Path());
    rig.Choose(kJack, 48000);
    rig.StartSine(true);
    const auto& hooks = rig.Hooks(kJack);
    ASSERT_TRUE(TDriverHarness::WaitFor([&] { return hooks.Statistics().Blocks >= 3; }, 3s));

    server.Stop(SIGKILL);
    // The request comes on the driver's thread and is acted on when the GUI queue runs.
    ASSERT_TRUE(TDriverHarness::WaitFor([&] { return rig.GuiQueue().Pending() > 0; }, 10s));
    const auto begin = std::chrono::steady_clock::now();
    rig.GuiQueue().Drain();
    EXPECT_LT(std::chrono::steady_clock::now() - begin, 5s) << "the reset must not hang";
    EXPECT_FALSE(rig.Host().Active());
    EXPECT_FALSE(rig.Host().DriverOpen());
    EXPECT_EQ(rig.Errors(), std::vector<std::string>{"Asio driver failed!"});

    // Choosing the driver again while the server is gone fails cleanly.
    rig.Host().SetDriverIndex(-1);
    try {
        rig.Host().SetDriverName(kJack);
        ADD_FAILURE() << "the choice should fail without a server";
    } catch (const std::exception& error) {
        EXPECT_STREQ(error.what(), "Asio driver failed!");
    }
    EXPECT_EQ(rig.Host().DriverIndex(), -1);

    ASSERT_TRUE(server.Start(8));
    rig.Choose(kJack, 48000);
    EXPECT_EQ(rig.Host().OutputChannelCount(), 8);
    rig.StartSine(true);
    EXPECT_TRUE(TDriverHarness::WaitFor([&] { return hooks.Statistics().Blocks >= 3; }, 3s));
    rig.Stop();
}

}  // namespace
}  // namespace quenthal::test
