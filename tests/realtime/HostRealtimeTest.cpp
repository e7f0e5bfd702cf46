// The block path under the interposer: on the driver's thread, from the callback's entry to its
// return, nothing is allocated or freed and no lock is taken but the engine lock.
#include "engine/GeneratorCore.h"
#include "tests/realtime/RealtimeInterposer.h"
#include "tests/support/AsioTestEnvironment.h"

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <thread>

namespace quenthal::test {
namespace {

TEST(RealtimeInterposer, SeesAllocationsAndForeignLocksInsideABlockOnly) {
    ResetRealtimeCounts();
    std::mutex foreign, allowed;
    AllowLock(&allowed);
    int* volatile outside = new int(1);  // outside: not counted
    delete outside;
    EnterBlock();
    int* volatile inside = new int(2);  // volatile: the allocation cannot be elided
    { std::lock_guard<std::mutex> lock(foreign); }
    { std::lock_guard<std::mutex> lock(allowed); }
    LeaveBlock();
    delete inside;
    const TRealtimeCounts counts = RealtimeCounts();
    EXPECT_EQ(counts.Allocations, 1u);
    EXPECT_EQ(counts.Frees, 0u);
    EXPECT_EQ(counts.ForeignLocks, 1u);
    EXPECT_EQ(counts.AllowedLocks, 1u);
    AllowLock(nullptr);
}

// Every sample type on some channel, the sine renderer with three sines per output, digital clipping:
// the whole path a block takes, on the driver's own thread at the block rate.
TEST(HostRealtime, BlockPathAllocatesNothingAndLocksOnlyTheEngineLock) {
    TAsioTestEnvironment env;
    auto control = env.AddDriver("Realtime");
    const std::vector<int32_t> types{0, 1, 2, 3, 4, 8, 9, 10, 11, 16, 17, 18, 19, 20, 24, 25, 26, 27};
    control->Script.OutputTypes = types;
    control->Script.InputTypes = types;
    control->Script.OutputChannels = static_cast<int32_t>(types.size());
    control->Script.InputChannels = static_cast<int32_t>(types.size());
    control->Script.PreferredSize = 256;
    control->Script.Threaded = true;
    control->BeforeBlock = &EnterBlock;
    control->AfterBlock = &LeaveBlock;

    TGeneratorCore core;
    core.SetSamplerate(48000);
    core.SetChannelCount(static_cast<int32_t>(types.size()));
    core.SetSineCount(3);

    TAsioHost host(env.HostEnvironment());
    host.SetPreventClipping(TPreventClipping::pcDigital);
    host.SetInputMonitor(true);
    host.SetOnBufferSwitch32(TBufferSwitchEvent32::Of<&TGeneratorCore::BufferSwitchSine32>(&core));
    host.SetDriverIndex(0);
    ASSERT_TRUE(host.BuffersCreated());
    AllowLock(&core.FCriticalSection);
    ResetRealtimeCounts();

    for (bool timeInfo : {true, false}) {
        control->Script.ThreadUsesTimeInfo = timeInfo;
        const uint64_t before = control->BlocksDelivered.load();
        host.SetActive(true);
        ASSERT_TRUE(host.Active());
        while (control->BlocksDelivered.load() < before + 30) {
            // The GUI thread swaps the handler and writes parameters meanwhile; that side may allocate.
            host.SetOnBufferSwitch32(TBufferSwitchEvent32::Of<&TGeneratorCore::BufferSwitchSine32>(&core));
            core.FMainGainL.store(0.5);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        host.SetActive(false);
    }

    const TRealtimeCounts counts = RealtimeCounts();
    EXPECT_EQ(counts.Allocations, 0u);
    EXPECT_EQ(counts.Frees, 0u);
    EXPECT_EQ(counts.ForeignLocks, 0u);
    EXPECT_GE(counts.AllowedLocks, 60u) << "the renderer took the engine lock once per block";
    EXPECT_EQ(control->OutputReadyCount.load(), control->BlocksDelivered.load());
    AllowLock(nullptr);
}

}  // namespace
}  // namespace quenthal::test
