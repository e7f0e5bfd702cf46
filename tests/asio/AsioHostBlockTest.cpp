// The block path of the float host: event precedence, input monitor, prefill, clipping and the
// driver format on both sides.
#include "tests/asio/HostFixture.h"

#include <algorithm>
#include <cmath>

namespace quenthal::test {
namespace {

struct TRecorder64 {
    int Calls = 0;
    void Render(void*, const TArrayOfDoubleFixedArray&, const TArrayOfDoubleFixedArray& out) {
        ++Calls;
        for (int32_t c = 0; c < out.Length(); ++c)
            for (int32_t i = 0; i < out.BufferSize(); ++i) out[c][i] = -0.5;
    }
};

// Records what the outputs held when the event came, then writes nothing.
struct TSnapshot {
    std::vector<std::vector<float>> Inputs, Outputs;
    void Render(void*, const TArrayOfSingleFixedArray& in, const TArrayOfSingleFixedArray& out) {
        Inputs.clear();
        Outputs.clear();
        for (int32_t c = 0; c < in.Length(); ++c) Inputs.emplace_back(in[c], in[c] + in.BufferSize());
        for (int32_t c = 0; c < out.Length(); ++c) Outputs.emplace_back(out[c], out[c] + out.BufferSize());
    }
    TBufferSwitchEvent32 Event() { return TBufferSwitchEvent32::Of<&TSnapshot::Render>(this); }
};

void WriteFloats(uint8_t* half, int32_t count, float value) {
    for (int32_t i = 0; i < count; ++i) std::memcpy(half + 4 * i, &value, 4);
}

TEST_F(HostTest, SixtyFourBitEventTakesPrecedenceAndItsRemovalReallocatesZeroed32BitArrays) {
    Alpha->Script.PreferredSize = 16;
    OpenAlpha();
    TConstantRenderer single;
    TRecorder64 wide;
    Host->SetOnBufferSwitch32(single.Event());
    EXPECT_EQ(Host->ConvertMethod(), TConvertMethod::cm32);
    Host->SetOnBufferSwitch64(TBufferSwitchEvent64::Of<&TRecorder64::Render>(&wide));
    EXPECT_EQ(Host->ConvertMethod(), TConvertMethod::cm64);
    EXPECT_EQ(Host->SingleOutBuffer().Length(), 0);
    Host->SetActive(true);
    Driver(Alpha).Step();
    EXPECT_EQ(wide.Calls, 1);
    EXPECT_EQ(single.Calls, 0);
    EXPECT_EQ(OutputSample(Alpha, 1, 0, 15), -0.5f);
    Host->SetActive(false);

    Host->SetOnBufferSwitch64({});
    EXPECT_EQ(Host->ConvertMethod(), TConvertMethod::cm32);
    const auto out = Host->SingleOutBuffer();
    ASSERT_EQ(out.Length(), 2);
    EXPECT_EQ(out.BufferSize(), 16);
    EXPECT_EQ(std::count(out[1], out[1] + 16, 0.0f), 16);
    EXPECT_EQ(Host->DoubleOutBuffer().Length(), 0);
    Host->SetOnBufferSwitch32({});
    EXPECT_EQ(Host->ConvertMethod(), TConvertMethod::cmNone);
    EXPECT_EQ(Host->SingleOutBuffer().Length(), 0);
}

TEST_F(HostTest, WithoutAFloatEventTheDriversOutputIsLeftAlone) {
    Alpha->Script.PreferredSize = 8;
    OpenAlpha();
    Host->SetActive(true);
    auto& driver = Driver(Alpha);
    WriteFloats(driver.OutputHalf(0, 0), 8, 0.75f);
    driver.Step();
    EXPECT_EQ(OutputSample(Alpha, 0, 0, 7), 0.75f);
    EXPECT_EQ(Alpha->OutputReadyCount.load(), 1u);
}

TEST_F(HostTest, InputMonitorCopiesInputsIntoTheFirstOutputsBeforeTheEvent) {
    Alpha->Script.InputChannels = 2;
    Alpha->Script.OutputChannels = 4;
    Alpha->Script.PreferredSize = 8;
    OpenAlpha();
    TConstantRenderer fill;
    Host->SetOnBufferSwitch32(fill.Event());
    Host->SetActive(true);
    auto& driver = Driver(Alpha);
    driver.Step();  // every output now holds (c + 1) / 4

    TSnapshot snapshot;
    Host->SetOnBufferSwitch32(snapshot.Event());
    Host->SetInputMonitor(true);
    WriteFloats(driver.InputHalf(0, 1), 8, -0.125f);
    WriteFloats(driver.InputHalf(1, 1), 8, 0.0625f);
    driver.Step();
    ASSERT_EQ(snapshot.Outputs.size(), 4u);
    EXPECT_EQ(snapshot.Outputs[0], std::vector<float>(8, -0.125f));
    EXPECT_EQ(snapshot.Outputs[1], std::vector<float>(8, 0.0625f));
    EXPECT_EQ(snapshot.Outputs[2], std::vector<float>(8, 0.75f));
    EXPECT_EQ(snapshot.Outputs[3], std::vector<float>(8, 1.0f));
    EXPECT_EQ(OutputSample(Alpha, 3, 1, 0), 1.0f) << "an output the handler leaves alone repeats its last block";
}

struct TRampGenerator : TASIOGenerator {
    int OutputCalls = 0, InputCalls = 0;
    void ProcessBuffer32(const TArrayOfSingleFixedArray& buffer, bool isOutput) override {
        ++(isOutput ? OutputCalls : InputCalls);
        for (int32_t c = 0; c < buffer.Length(); ++c)
            for (uint32_t i = 0; i < BlockSize(); ++i) buffer[c][i] = isOutput ? 0.5f : -0.5f;
    }
};

TEST_F(HostTest, PrefillModesFillTheFloatArraysBeforeTheEvent) {
    Alpha->Script.PreferredSize = 32;
    Alpha->Script.CurrentRate = 96000;
    OpenAlpha();
    TSnapshot snapshot;
    Host->SetOnBufferSwitch32(snapshot.Event());
    Host->SetActive(true);
    auto& driver = Driver(Alpha);
    WriteFloats(driver.InputHalf(0, 0), 32, 0.3f);
    WriteFloats(driver.InputHalf(0, 1), 32, 0.3f);

    Host->SetPreFillInBuffer(TBufferPreFill::bpfZero);
    Host->SetPreFillOutBuffer(TBufferPreFill::bpfNoise);
    driver.Step();
    EXPECT_EQ(snapshot.Inputs[0], std::vector<float>(32, 0.0f));
    for (const auto& channel : snapshot.Outputs) {
        for (float v : channel) {
            EXPECT_GE(v, -1.0f);
            EXPECT_LT(v, 1.0f);
        }
        EXPECT_NE(channel[0], channel[1]);
    }

    TRampGenerator generator;
    Host->SetCustomGenerator(&generator);
    EXPECT_EQ(generator.BlockSize(), 32u);
    EXPECT_EQ(generator.SampleRate(), 96000.0);
    Host->SetPreFillInBuffer(TBufferPreFill::bpfCustom);
    Host->SetPreFillOutBuffer(TBufferPreFill::bpfCustom);
    driver.Step();
    EXPECT_EQ(snapshot.Inputs[1], std::vector<float>(32, -0.5f));
    EXPECT_EQ(snapshot.Outputs[0], std::vector<float>(32, 0.5f));
    EXPECT_EQ(generator.InputCalls, 1);
    EXPECT_EQ(generator.OutputCalls, 1);

    Host->SetPreFillInBuffer(TBufferPreFill::bpfNone);
    Host->SetPreFillOutBuffer(TBufferPreFill::bpfNone);
    driver.Step();
    EXPECT_EQ(snapshot.Inputs[0], std::vector<float>(32, 0.3f));
    EXPECT_EQ(snapshot.Outputs[0], std::vector<float>(32, 0.5f)) << "bpfNone keeps the previous block";

    // The base generator writes silence, never beyond the arrays.
    TASIOGenerator silent;
    silent.SetBlockSize(1 << 20);
    Host->SetCustomGenerator(&silent);
    silent.SetBlockSize(1 << 20);
    Host->SetPreFillOutBuffer(TBufferPreFill::bpfCustom);
    driver.Step();
    EXPECT_EQ(snapshot.Outputs[1], std::vector<float>(32, 0.0f));
}

TEST_F(HostTest, ClippingLimitsTheOutputsBeforeConversion) {
    Alpha->Script.OutputTypes = {ASIOSTInt16LSB, ASIOSTInt16LSB};
    Alpha->Script.PreferredSize = 4;
    OpenAlpha();
    TConstantRenderer loud;
    loud.Level = 1.5f;  // channel 0: 1.5, channel 1: 3.0
    Host->SetOnBufferSwitch32(loud.Event());
    Host->SetActive(true);
    auto sample = [&](int32_t channel) {
        int16_t value;
        std::memcpy(&value, Driver(Alpha).OutputHalf(channel, 0), 2);
        return value;
    };
    Driver(Alpha).Step();
    EXPECT_EQ(sample(0), static_cast<int16_t>(49150 - 65536)) << "pcNone keeps the low bits";
    Host->SetPreventClipping(TPreventClipping::pcDigital);
    Driver(Alpha).Step();
    Driver(Alpha).Step();
    EXPECT_EQ(sample(0), 32767);
    EXPECT_EQ(sample(1), 32767);
    Host->SetPreventClipping(TPreventClipping::pcAnalog);
    loud.Level = 1.0f;
    Driver(Alpha).Step();
    Driver(Alpha).Step();
    EXPECT_EQ(sample(0), static_cast<int16_t>(std::nearbyint(32767.0 * (2.0f * static_cast<float>(10.0L / 22.0L)))));
}

TEST_F(HostTest, DitherAndOptimisationsReachAChannelAtItsNextPrepare) {
    Alpha->Script.OutputTypes = {ASIOSTInt16LSB, ASIOSTInt32LSB};
    Alpha->Script.PreferredSize = 4;
    OpenAlpha();
    TConstantRenderer half;
    half.Level = 0.5f;  // channel 0: 16383.5, a tie the dither may decide
    Host->SetOnBufferSwitch32(half.Event());
    Host->SetOutputDither(TAsioOutputDither::odUDF);
    EXPECT_NE(GlobalOutConverters[ASIOSTInt16LSB].oc32, GlobalOutConverters[ASIOSTInt16MSB].oc32);
    Host->OpenDriver();
    Host->SetActive(true);
    Driver(Alpha).Step();
    int16_t value;
    std::memcpy(&value, Driver(Alpha).OutputHalf(0, 0), 2);
    EXPECT_TRUE(value == 16383 || value == 16384);
    const auto dithered = GlobalOutConverters[ASIOSTInt16LSB].oc32;
    Host->SetConvertOptimizations(coSSE);  // runs UsePlainConverters again
    EXPECT_NE(GlobalOutConverters[ASIOSTInt16LSB].oc32, dithered);
    Host->SetOutputDither(TAsioOutputDither::odNone);
}

}  // namespace
}  // namespace quenthal::test
