#include <gtest/gtest.h>

#include <vector>

#include "engine/GeneratorCore.h"
#include "tests/engine/RenderBuffers.h"

namespace quenthal {
namespace {

using testing::RenderBuffers;

class SquareRenderer : public ::testing::Test {
protected:
    void SetUp() override {
        core.SetSamplerate(48000);
        core.SetChannelCount(2);
        core.FFadeDirection = TFadeDirection::fdNone;
        core.SetSquareGain(0, 1.0);
        core.SetSquareGain(1, 0.5);
        core.SetSquareFrequency(0, 100);
        core.SetSquareFrequency(1, 300);
    }
    TGeneratorCore core;
};

TEST_F(SquareRenderer, EachOutputPlaysItsOwnSquareWithItsOwnReading) {
    std::vector<TDspSquareOscillator> twins(core.SquareOsc.begin(), core.SquareOsc.end());
    core.FFadeGain = 0.01;
    core.FFadeDirection = TFadeDirection::fdUp;
    core.FMainGainL = 0.5;
    RenderBuffers buffers(2, 4000);
    core.BufferSwitchRechteck32(nullptr, {}, buffers.View());
    double fade = 0.01;
    for (int s = 0; s < 4000; ++s)
        for (int o = 0; o < 2; ++o) {
            const float gain = static_cast<float>(fade * 0.5);
            fade = fade * 1.001 > 1.0 ? 1.0 : fade * 1.001;
            ASSERT_EQ(buffers[o][s], static_cast<float>(double(gain) * twins[o].NextSample())) << o << " " << s;
        }
    EXPECT_EQ(core.FFadeDirection, TFadeDirection::fdNone);  // the fade ended within the block
}

TEST_F(SquareRenderer, IdenticalOutputsPlayOutputOne) {
    core.IdenticalSquareOutputs = true;
    TDspSquareOscillator first = core.SquareOsc[0];
    RenderBuffers buffers(2, 960);
    core.BufferSwitchRechteck32(nullptr, {}, buffers.View());
    EXPECT_EQ(buffers[1], buffers[0]);
    for (int s = 0; s < 960; ++s) ASSERT_EQ(buffers[1][s], first.NextSample()) << s;  // 100 Hz at gain 1
    // Output 2's oscillator ran on unheard; its ratio changes nothing audible.
    EXPECT_NE(core.SquareOsc[1].Phase(), 0.0);
    core.SetSquareRatio(1, 0.1);
    RenderBuffers again(2, 960);
    core.BufferSwitchRechteck32(nullptr, {}, again.View());
    for (int s = 0; s < 960; ++s) ASSERT_EQ(again[1][s], first.NextSample()) << s;
}

TEST_F(SquareRenderer, HostOutputsWithoutAnOscillator) {
    RenderBuffers buffers(3, 100, 5.0f);
    core.BufferSwitchRechteck32(nullptr, {}, buffers.View());
    for (const float v : buffers[2]) ASSERT_EQ(v, 0.0f);
    core.IdenticalSquareOutputs = true;
    core.BufferSwitchRechteck32(nullptr, {}, buffers.View());
    EXPECT_EQ(buffers[2], buffers[0]);
}

}  // namespace
}  // namespace quenthal
