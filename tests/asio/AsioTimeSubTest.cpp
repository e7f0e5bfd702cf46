#include "asio/AsioTimeSub.h"

#include <gtest/gtest.h>

namespace quenthal {
namespace {

TEST(AsioTimeSub, DefaultsChangeEventsAndAssignment) {
    TAsioTimeSub time;
    EXPECT_EQ(time.Speed(), 1.0);
    EXPECT_EQ(time.SampleRate(), 44100.0);
    EXPECT_EQ(time.SamplePos(), 0);
    EXPECT_EQ(time.Flags(), atSystemTimeValid | atSamplePositionValid | atSampleRateValid | atSpeedValid);
    int changes = 0;
    time.OnChange = [&](TAsioTimeSub&) { ++changes; };
    time.SetSamplePos(0x123456789);
    EXPECT_EQ(time.Record().TimeInfo.SamplePosition.Hi, 0x1u);
    EXPECT_EQ(time.Record().TimeInfo.SamplePosition.Lo, 0x23456789u);
    time.SetSamplePos(0x123456789);  // same value: no event
    time.SetSpeed(0.5);
    time.SetSampleRate(44100.0);  // same value: no event
    time.SetFlags(atSampleRateChanged);  // written without an event
    EXPECT_EQ(changes, 2);
    time.SetSamplePos(-2);
    EXPECT_EQ(time.SamplePos(), -2);

    TAsioTimeSub copy;
    int copyChanges = 0;
    copy.OnChange = [&](TAsioTimeSub&) { ++copyChanges; };
    copy.Assign(time);
    EXPECT_EQ(copyChanges, 1);
    EXPECT_EQ(copy.SamplePos(), -2);
    EXPECT_EQ(copy.Speed(), 0.5);
    EXPECT_EQ(copy.Flags(), atSampleRateChanged);
}

}  // namespace
}  // namespace quenthal
