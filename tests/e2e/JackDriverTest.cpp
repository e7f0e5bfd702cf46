// The JACK driver against the real JACK server on its dummy backend (started by
// tools/lib/with-audio-servers: 48 kHz, 1024-frame periods, 8 playback and 2 capture ports).
#include "tests/e2e/DriverHarness.h"
#include "tests/e2e/JackFixtures.h"
#include "tests/e2e/SignalAnalysis.h"
#include "tests/e2e/TempFolder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <signal.h>
#include <thread>

namespace quenthal::test {
namespace {

using namespace std::chrono_literals;

class JackDriverTest : public ::testing::Test {
protected:
    void SetUp() override {
        TJackTap probe(0, 0);
        ASSERT_TRUE(probe.Ok()) << "no JACK server: run the suite through tools/lib/with-audio-servers";
    }
    TTempFolder FConfig;
};

TEST_F(JackDriverTest, ReportsTheServersShapeAndOnlyItsPeriodAndRate) {
    TDriverHarness harness("JACK", FConfig.Path());
    ASSERT_TRUE(harness.Create());
    ASSERT_TRUE(harness.Init());
    auto& driver = harness.Driver();
    int32_t inputs = -1, outputs = -1;
    ASSERT_EQ(driver.GetChannels(&inputs, &outputs), kAsioOK);
    EXPECT_EQ(outputs, 8);  // one per physical playback port
    EXPECT_EQ(inputs, 2);
    int32_t minSize = 0, maxSize = 0, preferred = 0, granularity = -5;
    driver.GetBufferSize(&minSize, &maxSize, &preferred, &granularity);
    EXPECT_EQ(minSize, 1024);
    EXPECT_EQ(maxSize, 1024);
    EXPECT_EQ(preferred, 1024);
    EXPECT_EQ(driver.CanSampleRate(48000), kAsioOK);
    for (double other : {44100.0, 96000.0, 192000.0}) {
        EXPECT_NE(driver.CanSampleRate(other), kAsioOK) << other;
    }
    double rate = 0;
    driver.GetSampleRate(&rate);
    EXPECT_EQ(rate, 48000);
    for (int input = 0; input < 2; ++input) {
        for (int32_t channel = 0; channel < (input ? inputs : outputs); ++channel) {
            TAsioChannelInfo info;
            info.Channel = channel;
            info.IsInput = input;
            ASSERT_EQ(driver.GetChannelInfo(&info), kAsioOK);
            EXPECT_EQ(info.SampleType, ASIOSTFloat32LSB);
            EXPECT_NE(std::memchr(info.Name, 0, sizeof info.Name), nullptr);
        }
    }
    TAsioChannelInfo beyond;
    beyond.Channel = outputs;
    EXPECT_NE(driver.GetChannelInfo(&beyond), kAsioOK);
    int32_t inputLatency = -1, outputLatency = -1;
    ASSERT_EQ(driver.GetLatencies(&inputLatency, &outputLatency), kAsioOK);
    EXPECT_EQ(inputLatency, 1024);   // the dummy backend's capture latency range
    EXPECT_EQ(outputLatency, 2048);  // and its playback latency range
    EXPECT_EQ(driver.CreateBuffers(nullptr, 0, 1024, nullptr), kAsioInvalidMode);
    EXPECT_EQ(harness.CreateBuffers(512), kAsioInvalidMode) << "only the server's period is a buffer size";
}

TEST_F(JackDriverTest, BlocksAlternateHalvesWithTimeInfoAndReachThePlaybackPorts) {
    TDriverHarness harness("JACK", FConfig.Path());
    ASSERT_TRUE(harness.Create() && harness.Init());
    ASSERT_EQ(harness.CreateBuffers(1024), kAsioOK);
    TJackTap tap(2, 2.0);
    ASSERT_TRUE(tap.Ok());
    // Output 1: 1 kHz at -6 dBFS, output 2: 3 kHz at -20 dBFS, phase-continuous over the blocks.
    harness.OnBlock = [&](int half, const TBlockRecord& record) {
        for (int channel = 0; channel < 2; ++channel) {
            auto* out = static_cast<float*>(harness.OutputHalf(channel, half));
            const double frequency = channel == 0 ? 1000 : 3000;
            const double amplitude = channel == 0 ? 0.5 : 0.1;
            for (int i = 0; i < 1024; ++i)
                out[i] = static_cast<float>(
                    amplitude * std::sin(2 * M_PI * frequency * double(record.SamplePosition + i) / 48000));
        }
    };
    ASSERT_EQ(harness.Driver().Start(), kAsioOK);
    ASSERT_TRUE(tap.Connect({"Quenthal:out_1", "Quenthal:out_2"}));
    std::this_thread::sleep_for(100ms);
    tap.Record();
    ASSERT_TRUE(TDriverHarness::WaitFor([&] { return tap.Frames() >= 48000; }, 5s));
    ASSERT_EQ(harness.Driver().Stop(), kAsioOK);
    const size_t stopped = harness.BlockCount();
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(harness.BlockCount(), stopped) << "no block after Stop";

    ASSERT_GE(stopped, 10u);
    for (size_t i = 0; i < stopped; ++i) {
        const auto block = harness.Block(i);
        EXPECT_EQ(block.Half, static_cast<int>(i % 2));
        EXPECT_EQ(block.Direct, 1);
        EXPECT_EQ(block.SamplePosition, static_cast<int64_t>(i) * 1024);
        EXPECT_EQ(block.SampleRate, 48000);
        EXPECT_EQ(block.Flags & (kAsioSamplePositionValid | kAsioSystemTimeValid),
                  kAsioSamplePositionValid | kAsioSystemTimeValid);
        if (i > 0) {
            EXPECT_GT(block.SystemTime, harness.Block(i - 1).SystemTime);
        }
    }
    const float* one = tap.Samples(0);
    const float* two = tap.Samples(1);
    EXPECT_NEAR(ToDb(GoertzelAmplitude(one, 48000, 1000, 48000)), ToDb(0.5), 0.01);
    EXPECT_NEAR(ToDb(GoertzelAmplitude(two, 48000, 3000, 48000)), ToDb(0.1), 0.01);
    EXPECT_LT(ToDb(GoertzelAmplitude(one, 48000, 3000, 48000)), -100);
    EXPECT_LT(ToDb(GoertzelAmplitude(two, 48000, 1000, 48000)), -100);
    TAsioInt64 position, time;
    EXPECT_EQ(harness.Driver().GetSamplePosition(&position, &time), kAsioSPNotAdvancing);
    EXPECT_EQ(harness.Driver().DisposeBuffers(), kAsioOK);
}

TEST_F(JackDriverTest, WithoutTimeInfoTheHostGetsPlainBufferSwitches) {
    TDriverHarness harness("JACK", FConfig.Path());
    harness.AnswerTimeInfo = false;
    ASSERT_TRUE(harness.Create() && harness.Init());
    ASSERT_EQ(harness.CreateBuffers(1024), kAsioOK);
    ASSERT_EQ(harness.Driver().Start(), kAsioOK);
    ASSERT_TRUE(TDriverHarness::WaitFor([&] { return harness.BlockCount() >= 4; }, 3s));
    TAsioInt64 position, time;
    EXPECT_EQ(harness.Driver().GetSamplePosition(&position, &time), kAsioOK);
    EXPECT_GE(AsioInt64ToInt64(position), 3 * 1024);
    harness.Driver().Stop();
    EXPECT_EQ(harness.Block(0).Flags, 0u);  // recorded from bufferSwitch, which carries no time
    EXPECT_EQ(harness.Block(1).Half, 1);
}

TEST_F(JackDriverTest, NoServerMeansInitFailsAtOnce) {
    FConfig.Write("Jack.ini", "[JACK]\nServerName=quenthal-nobody-runs-this\n");
    TDriverHarness harness("JACK", FConfig.Path());
    ASSERT_TRUE(harness.Create());
    const auto begin = std::chrono::steady_clock::now();
    EXPECT_FALSE(harness.Init());
    EXPECT_LT(std::chrono::steady_clock::now() - begin, 5s);
    char text[128];
    harness.Driver().GetErrorMessage(text);
    EXPECT_STREQ(text, "No JACK server is running");
}

TEST_F(JackDriverTest, ABufferSizeChangeOfTheServerAsksTheHostToRebuild) {
    TDriverHarness harness("JACK", FConfig.Path());
    ASSERT_TRUE(harness.Create() && harness.Init());
    ASSERT_EQ(harness.CreateBuffers(1024), kAsioOK);
    ASSERT_EQ(harness.Driver().Start(), kAsioOK);
    TJackTap other(0, 0);
    ASSERT_EQ(jack_set_buffer_size(other.Client(), 512), 0);
    const bool asked = TDriverHarness::WaitFor(
        [&] {
            for (const auto& message : harness.Messages())
                if (message.Selector == kAsioBufferSizeChange && message.Value == 512) return true;
            return false;
        },
        5s);
    jack_set_buffer_size(other.Client(), 1024);
    EXPECT_TRUE(asked);
    int32_t minSize = 0, maxSize = 0, preferred = 0, granularity = 0;
    harness.Driver().GetBufferSize(&minSize, &maxSize, &preferred, &granularity);
    harness.Driver().Stop();
    EXPECT_TRUE(preferred == 512 || preferred == 1024);  // 1024 again once the server is back
}

TEST_F(JackDriverTest, AServerThatDiesWhilePlayingAsksForAResetAndNeverHangs) {
    TPrivateJackServer server("quenthal-e2e-restart");
    ASSERT_TRUE(server.Start());
    FConfig.Write("Jack.ini", "[JACK]\nServerName=quenthal-e2e-restart\n");
    TDriverHarness harness("JACK", FConfig.Path());
    ASSERT_TRUE(harness.Create() && harness.Init());
    ASSERT_EQ(harness.CreateBuffers(1024), kAsioOK);
    ASSERT_EQ(harness.Driver().Start(), kAsioOK);
    ASSERT_TRUE(TDriverHarness::WaitFor([&] { return harness.BlockCount() >= 3; }, 3s));

    server.Stop(SIGKILL);
    EXPECT_TRUE(TDriverHarness::WaitFor(
        [&] {
            for (const auto& message : harness.Messages())
                if (message.Selector == kAsioResetRequest) return true;
            return false;
        },
        10s));
    // What the host's reset does: stop, dispose, release, a new object, Init.
    const auto begin = std::chrono::steady_clock::now();
    EXPECT_EQ(harness.Driver().Stop(), kAsioOK);
    harness.ReleaseDriver();
    ASSERT_TRUE(harness.Create());
    EXPECT_FALSE(harness.Init());
    EXPECT_LT(std::chrono::steady_clock::now() - begin, 5s);

    ASSERT_TRUE(server.Start());
    ASSERT_TRUE(harness.Create());
    ASSERT_TRUE(harness.Init());
    ASSERT_EQ(harness.CreateBuffers(1024), kAsioOK);
    ASSERT_EQ(harness.Driver().Start(), kAsioOK);
    EXPECT_TRUE(TDriverHarness::WaitFor([&] { return harness.BlockCount() >= 3; }, 3s));
    harness.ReleaseDriver();
}

}  // namespace
}  // namespace quenthal::test
