#include "asio/AsioBuffers.h"

#include <gtest/gtest.h>

namespace quenthal {
namespace {

struct Recorder {
    int Calls = 0;
    void* LastSender = nullptr;
    int32_t LastOutputs = -1;
    void Render(void* sender, const TArrayOfSingleFixedArray&, const TArrayOfSingleFixedArray& out) {
        ++Calls;
        LastSender = sender;
        LastOutputs = out.Length();
        for (int32_t ch = 0; ch < out.Length(); ++ch)
            for (int32_t i = 0; i < out.BufferSize(); ++i) out[ch][i] = float(ch + 1);
    }
};

TEST(AsioBuffers, BoundMemberReceivesSenderAndWritesEveryChannel) {
    float left[4] = {}, right[4] = {};
    float* channels[] = {left, right};
    TArrayOfSingleFixedArray out(channels, 2, 4);
    Recorder recorder;
    auto event = TBufferSwitchEvent32::Of<&Recorder::Render>(&recorder);
    ASSERT_TRUE(event);
    int sender = 0;
    event(&sender, TArrayOfSingleFixedArray(), out);
    EXPECT_EQ(recorder.Calls, 1);
    EXPECT_EQ(recorder.LastSender, &sender);
    EXPECT_EQ(recorder.LastOutputs, 2);
    EXPECT_EQ(left[3], 1.0f);
    EXPECT_EQ(right[0], 2.0f);
    EXPECT_FALSE(TBufferSwitchEvent32{});
}

}  // namespace
}  // namespace quenthal
