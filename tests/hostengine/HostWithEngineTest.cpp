// The host on a driver thread with the engine's renderers, while the GUI thread writes parameters,
// swaps renderers and reads the engine's reports: the shape of a running Quenthal.
#include "engine/GeneratorCore.h"
#include "tests/support/AsioTestEnvironment.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>

namespace quenthal::test {
namespace {

TEST(HostWithEngine, SineBlocksRunOnTheDriverThreadWhileTheGuiThreadWritesParameters) {
    TAsioTestEnvironment env;
    auto control = env.AddDriver("Card");
    control->Script.OutputChannels = 4;
    control->Script.InputChannels = 0;
    control->Script.OutputTypes = {ASIOSTInt32LSB, ASIOSTFloat32LSB, ASIOSTInt16LSB, ASIOSTInt24LSB};
    control->Script.PreferredSize = 128;
    control->Script.Threaded = true;

    TGeneratorCore core;
    core.SetSamplerate(48000);
    core.SetChannelCount(4);
    core.SetSineCount(3);

    TAsioHost host(env.HostEnvironment());
    host.SetPreventClipping(TPreventClipping::pcDigital);
    const auto sine = TBufferSwitchEvent32::Of<&TGeneratorCore::BufferSwitchSine32>(&core);
    const auto square = TBufferSwitchEvent32::Of<&TGeneratorCore::BufferSwitchRechteck32>(&core);
    host.SetOnBufferSwitch32(sine);
    host.SetDriverIndex(0);
    ASSERT_EQ(host.OutputChannelCount(), 4);
    host.SetActive(true);
    ASSERT_TRUE(host.Active());

    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(250);
    int round = 0;
    while (std::chrono::steady_clock::now() < until) {
        core.FMainGainL.store(round % 2 ? 0.5 : 0.25);
        core.FFadeDirection.store(round % 3 ? TFadeDirection::fdUp : TFadeDirection::fdNone);
        core.SetSineFrequency(round % 4, round % 3, 100.0f + static_cast<float>(round));
        core.SetSineAmplitude(round % 4, 0, 0.5);
        core.IdenticalSineOutputs.store(round % 5 == 0);
        core.SetSquareFrequency(round % 4, 440.0);
        host.SetOnBufferSwitch32(round % 7 == 6 ? square : sine);  // renderer swap while running
        (void)core.SweepEnded.load();
        ++round;
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    host.SetOnBufferSwitch32(sine);
    const uint64_t before = control->BlocksDelivered.load();
    while (control->BlocksDelivered.load() < before + 3) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    host.SetActive(false);  // clears the driver's halves; look at the float arrays instead

    EXPECT_GT(control->BlocksDelivered.load(), 40u);
    EXPECT_EQ(control->OutputReadyCount.load(), control->BlocksDelivered.load());
    EXPECT_EQ(host.BlockFaultCount(), 0u);
    const auto out = host.SingleOutBuffer();
    ASSERT_EQ(out.Length(), 4);
    float peak = 0;
    for (int32_t c = 0; c < out.Length(); ++c)
        for (int32_t i = 0; i < out.BufferSize(); ++i) {
            ASSERT_TRUE(std::isfinite(out[c][i]));
            ASSERT_LE(std::fabs(out[c][i]), 1.0f);
            peak = std::max(peak, std::fabs(out[c][i]));
        }
    EXPECT_GT(peak, 0.01f) << "the sines sounded";
}

}  // namespace
}  // namespace quenthal::test
