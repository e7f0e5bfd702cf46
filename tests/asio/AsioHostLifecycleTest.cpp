// Driver choice, open and close, start and stop, buffer sizes and sample rates.
#include "tests/asio/HostFixture.h"

#include <algorithm>

namespace quenthal::test {
namespace {

TEST_F(HostTest, FullLifecycleOpensRunsBlocksAndStops) {
    Alpha->Script.InputChannels = 1;
    Alpha->Script.OutputChannels = 2;
    Alpha->Script.PreferredSize = 256;
    MakeHost();
    ASSERT_EQ(Host->DriverList(), (std::vector<std::string>{"Alpha Card", "Beta"}));
    TConstantRenderer renderer;
    Host->SetOnBufferSwitch32(renderer.Event());
    int driverChanged = 0;
    Host->OnDriverChanged = [&](TCustomAsioHostBasic&) { ++driverChanged; };

    Host->SetDriverIndex(0);
    EXPECT_EQ(driverChanged, 1);
    EXPECT_EQ(Host->DriverName(), "Scripted Driver");  // the name the driver reports wins
    EXPECT_EQ(Host->DriverVersion(), 7);
    EXPECT_TRUE(Host->BuffersCreated());
    EXPECT_EQ(Host->BufferSize(), 256u);
    EXPECT_EQ(Host->InputChannelCount(), 1);
    EXPECT_EQ(Host->OutputChannelCount(), 2);
    EXPECT_EQ(Host->InputLatency(), 256);
    EXPECT_EQ(Host->OutputLatency(), 512);
    EXPECT_EQ(Host->SampleRate(), 48000.0);
    EXPECT_FALSE(Host->Active());

    Host->SetActive(true);
    ASSERT_TRUE(Host->Active());
    auto& driver = Driver(Alpha);
    EXPECT_EQ(driver.Step(), 0);
    EXPECT_EQ(driver.Step(false), 1);
    EXPECT_EQ(renderer.Calls, 2);
    EXPECT_EQ(Alpha->OutputReadyCount.load(), 2u);
    EXPECT_EQ(Alpha->SamplePositionCount.load(), 1u);  // only the block without time info asks
    EXPECT_EQ(OutputSample(Alpha, 0, 0, 255), 0.25f);
    EXPECT_EQ(OutputSample(Alpha, 1, 1, 0), 0.5f);

    Host->SetActive(false);
    EXPECT_FALSE(Host->Active());
    EXPECT_EQ(OutputSample(Alpha, 1, 1, 0), 0.0f);  // stopping clears the driver's halves
    Host->CloseDriver();
    EXPECT_EQ(Alpha->LiveObjects.load(), 0);

    const auto calls = Alpha->Calls();
    const std::vector<std::string> expectedOrder{"Init", "GetBufferSize", "GetSampleRate", "GetChannels",
                                                 "GetChannelInfo in 0", "GetChannelInfo out 0", "GetChannelInfo out 1",
                                                 "CreateBuffers 3 256", "GetLatencies", "GetDriverName",
                                                 "GetDriverVersion"};
    ASSERT_GE(calls.size(), expectedOrder.size());
    EXPECT_TRUE(std::equal(expectedOrder.begin(), expectedOrder.end(), calls.begin()));
    EXPECT_EQ(Alpha->CountOf("Start"), 1u);
    EXPECT_EQ(Alpha->CountOf("DisposeBuffers"), 1u);
    EXPECT_EQ(calls.back(), "Release");
}

}  // namespace
}  // namespace quenthal::test
