#include "asio/AsioDriverInterface.h"

#include <gtest/gtest.h>

#include <cstddef>

namespace quenthal {
namespace {

TEST(AsioDriverInterface, RecordsKeepTheDriverFormatOffsets) {
    EXPECT_EQ(offsetof(TAsioTime, TimeInfo), 16u);
    EXPECT_EQ(offsetof(TAsioTime, TimeCode), 64u);
    EXPECT_EQ(offsetof(TAsioTimeInfo, SamplePosition), 16u);
    EXPECT_EQ(offsetof(TAsioTimeInfo, Flags), 32u);
    EXPECT_EQ(offsetof(TAsioTimeCode, Flags), 16u);
    EXPECT_EQ(offsetof(TAsioChannelInfo, Name), 20u);
    EXPECT_EQ(offsetof(TAsioBufferInfo, Buffers), 8u);
}

TEST(AsioDriverInterface, GuidTextRoundTripsAndRejectsMalformedText) {
    TGuid guid;
    ASSERT_TRUE(TryParseGuid("{0123abcd-89AB-CDEF-0123-456789abcdef}", guid));
    EXPECT_EQ(guid.D1, 0x0123abcdu);
    EXPECT_EQ(guid.D2, 0x89abu);
    EXPECT_EQ(guid.D4[7], 0xefu);
    EXPECT_EQ(GuidToString(guid), "{0123ABCD-89AB-CDEF-0123-456789ABCDEF}");
    for (const char* bad : {"", "0123abcd-89AB-CDEF-0123-456789abcdef", "{0123abcd-89AB-CDEF-0123-456789abcdeg}",
                            "{0123abcd+89AB-CDEF-0123-456789abcdef}", "{0123abcd-89AB-CDEF-0123-456789abcdef"}) {
        TGuid untouched;
        EXPECT_FALSE(TryParseGuid(bad, untouched)) << bad;
    }
}

TEST(AsioDriverInterface, DeviceClsidIsStableAndDistinct) {
    const TGuid a = AsioClsidFromDeviceName("JACK");
    EXPECT_EQ(a, AsioClsidFromDeviceName("JACK"));
    EXPECT_FALSE(a == AsioClsidFromDeviceName("JACK2"));
    EXPECT_FALSE(AsioClsidFromDeviceName("hw:0,0") == AsioClsidFromDeviceName("hw:0,1"));
    // A fixed value: a change of the hash would orphan CLSIDs that users' settings refer to.
    EXPECT_EQ(GuidToString(a), "{AC8170E9-BDBE-5D3A-B0B8-1A6BFAD8E241}");
}

TEST(AsioDriverInterface, SampleTypeTable) {
    struct Case { int32_t type; int32_t size; };
    for (auto [type, size] : {Case{0, 2}, Case{1, 3}, Case{2, 4}, Case{3, 4}, Case{4, 8}, Case{8, 4}, Case{11, 4},
                              Case{16, 2}, Case{17, 3}, Case{18, 4}, Case{19, 4}, Case{20, 8}, Case{24, 4},
                              Case{27, 4}, Case{5, 0}, Case{12, 0}, Case{21, 0}, Case{28, 0}, Case{-1, 0}}) {
        EXPECT_EQ(AsioSampleTypeSize(type), size) << type;
        EXPECT_EQ(IsKnownAsioSampleType(type), size != 0) << type;
    }
}

}  // namespace
}  // namespace quenthal
