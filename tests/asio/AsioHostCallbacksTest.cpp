// The driver callbacks, the requests moved onto the GUI queue, deferred and threaded blocks, and what
// happens when a handler throws inside a block.
#include "tests/asio/HostFixture.h"

#include <chrono>
#include <stdexcept>
#include <thread>

namespace quenthal::test {
namespace {

int32_t Message(int32_t selector, int32_t value = 0) {
    return TCustomAsioHostBasic::DriverCallbacks().AsioMessage(selector, value, nullptr, nullptr);
}

TEST_F(HostTest, AsioMessageAnswersWithAndWithoutAHost) {
    struct TCase {
        int32_t Selector, Value, WithHost, WithoutHost;
    };
    const TCase cases[] = {{kAsioSelectorSupported, 9, 1, 1},   {kAsioSelectorSupported, 12345, 1, 1},
                           {kAsioEngineVersion, 0, 2, 2},       {kAsioResetRequest, 0, 1, 0},
                           {kAsioBufferSizeChange, 0, 1, 0},    {kAsioResyncRequest, 0, 1, 0},
                           {kAsioLatenciesChanged, 0, 1, 0},    {kAsioSupportsTimeInfo, 0, 1, 1},
                           {kAsioSupportsTimeCode, 0, 1, 1},    {kAsioSupportsInputMonitor, 0, 0, 1},
                           {kAsioMMCCommand, 0, 0, 0},          {0, 0, 0, 0},
                           {11, 0, 0, 0},                       {1000, 0, 0, 0}};
    for (const TCase& c : cases) EXPECT_EQ(Message(c.Selector, c.Value), c.WithoutHost) << c.Selector;
    EXPECT_EQ(Env.Gui.Pending(), 0u);

    OpenAlpha();
    for (const TCase& c : cases)
        EXPECT_EQ(Driver(Alpha).SendMessageFromDriverThread(c.Selector, c.Value), c.WithHost) << c.Selector;
    Host->SetSupports(assSupportsInputMonitor);
    EXPECT_EQ(Message(kAsioSupportsTimeInfo), 0);
    EXPECT_EQ(Message(kAsioSupportsTimeCode), 0);
    EXPECT_EQ(Message(kAsioSupportsInputMonitor), 1);
}

TEST_F(HostTest, ResetRequestWhileRunningReopensOnTheGuiThreadAndEndsStopped) {
    OpenAlpha();
    Host->SetActive(true);
    const auto guiThread = std::this_thread::get_id();
    std::thread::id resetThread;
    int resets = 0;
    Host->OnReset = [&](TCustomAsioHostBasic&) {
        ++resets;
        resetThread = std::this_thread::get_id();
    };
    for (int32_t selector : {kAsioResetRequest, kAsioBufferSizeChange}) {
        Host->SetActive(true);
        Alpha->ClearCalls();
        ASSERT_EQ(Driver(Alpha).SendMessageFromDriverThread(selector, 0), 1);
        EXPECT_TRUE(Host->Active()) << "nothing happens on the driver's thread";
        EXPECT_TRUE(Alpha->Calls().empty());
        EXPECT_EQ(Env.Gui.Drain(), 1u);
        EXPECT_FALSE(Host->Active());
        EXPECT_TRUE(Host->BuffersCreated());
        EXPECT_EQ(resetThread, guiThread);
        const auto calls = Alpha->Calls();
        ASSERT_GE(calls.size(), 4u);
        EXPECT_EQ(calls[0], "Stop");
        EXPECT_EQ(calls[1], "DisposeBuffers");
        EXPECT_EQ(calls[2], "Release");
        EXPECT_EQ(calls[3], "Init");
    }
    EXPECT_EQ(resets, 2);
}

TEST_F(HostTest, FailedDriverResetIsReportedThroughOnError) {
    OpenAlpha();
    std::vector<std::string> errors;
    Host->OnError = [&](TCustomAsioHostBasic&, const std::string& message) { errors.push_back(message); };
    Driver(Alpha).SendMessageFromDriverThread(kAsioResetRequest, 0);
    Alpha->Script.InitResult = 0;
    EXPECT_NO_THROW(Env.Gui.Drain());
    EXPECT_EQ(errors, std::vector<std::string>{"Asio driver failed!"});
    EXPECT_FALSE(Host->DriverOpen());
}

TEST_F(HostTest, LatencyChangeIsReadAgainOnTheGuiThread) {
    OpenAlpha();
    int changes = 0;
    Host->OnLatencyChanged = [&](TCustomAsioHostBasic&) { ++changes; };
    Alpha->Script.OutputLatency = 2048;
    for (int32_t selector : {kAsioResyncRequest, kAsioLatenciesChanged})
        EXPECT_EQ(Driver(Alpha).SendMessageFromDriverThread(selector, 0), 1);
    EXPECT_EQ(Host->OutputLatency(), 512);
    EXPECT_EQ(Env.Gui.Drain(), 2u);
    EXPECT_EQ(Host->OutputLatency(), 2048);
    EXPECT_EQ(changes, 2);
    EXPECT_TRUE(Host->BuffersCreated());
}

TEST_F(HostTest, DeferredBlocksRunInOrderOnTheGuiQueue) {
    OpenAlpha();
    TConstantRenderer renderer;
    Host->SetOnBufferSwitch32(renderer.Event());
    std::vector<int64_t> positions;
    Host->OnUpdateSamplePos = [&](TCustomAsioHostBasic&, int64_t position) { positions.push_back(position); };
    Host->SetActive(true);
    auto& driver = Driver(Alpha);
    driver.Step(true, 0);
    driver.Step(false, 0);
    driver.Step(true, 0);
    driver.Step(true, 2);  // neither direct nor deferred: nothing
    EXPECT_EQ(renderer.Calls, 0);
    EXPECT_EQ(Env.Gui.Pending(), 3u);
    EXPECT_EQ(Env.Gui.Drain(), 3u);
    EXPECT_EQ(renderer.Calls, 3);
    EXPECT_EQ(Alpha->OutputReadyCount.load(), 3u);
    // Time-info blocks carry the driver's record; the other asks GetSamplePosition when it runs.
    EXPECT_EQ(positions, (std::vector<int64_t>{0, 4096, 2048}));
    EXPECT_EQ(Host->AsioTime().SamplePos(), 2048);

    driver.Step(true, 0);
    Host->CloseDriver();  // a queued block arriving after close does nothing
    Env.Gui.Drain();
    EXPECT_EQ(renderer.Calls, 3);
}

TEST_F(HostTest, BlockOrderIsSamplePositionNativeThenFloatEvent) {
    OpenAlpha();
    std::vector<std::string> order;
    Host->OnUpdateSamplePos = [&](TCustomAsioHostBasic&, int64_t) { order.push_back("position"); };
    Host->OnBufferSwitchNative = [&](TCustomAsioHostBasic&, const TAsioBufferInfo* infos, int32_t index) {
        order.push_back("native " + std::to_string(index) + " " + std::to_string(infos[2].IsInput) + std::to_string(infos[2].ChannelNum));
    };
    struct TOrder {
        std::vector<std::string>* Order;
        void Render(void*, const TArrayOfSingleFixedArray&, const TArrayOfSingleFixedArray&) { Order->push_back("float"); }
    } recorder{&order};
    Host->SetOnBufferSwitch32(TBufferSwitchEvent32::Of<&TOrder::Render>(&recorder));
    Host->SetActive(true);
    Driver(Alpha).Step();
    EXPECT_EQ(order, (std::vector<std::string>{"position", "native 0 00", "float"}));
}

TEST_F(HostTest, BlockWithoutAnOpenDriverDoesNothing) {
    OpenAlpha();
    TConstantRenderer renderer;
    Host->SetOnBufferSwitch32(renderer.Event());
    TAsioCallbacks callbacks = *Driver(Alpha).Callbacks();
    Host->CloseDriver();
    TAsioTime time;
    EXPECT_EQ(callbacks.bufferSwitchTimeInfo(&time, 0, 1), nullptr);
    callbacks.bufferSwitch(1, 1);
    callbacks.bufferSwitchTimeInfo(nullptr, 0, 1);
    EXPECT_EQ(renderer.Calls, 0);
    EXPECT_EQ(Alpha->OutputReadyCount.load(), 0u);
    Host.reset();
    callbacks.bufferSwitch(0, 1);  // no host at all
    callbacks.sampleRateDidChange(48000);
    EXPECT_EQ(Env.Gui.Pending(), 0u);
}

TEST_F(HostTest, SampleRateChangeRunsOnTheDriversThread) {
    Alpha->Script.CurrentRate = 44100;
    OpenAlpha();
    std::thread::id eventThread;
    Host->OnSampleRateChanged = [&](TCustomAsioHostBasic&) { eventThread = std::this_thread::get_id(); };
    Driver(Alpha).SampleRateDidChangeFromDriverThread(96000);
    EXPECT_EQ(Host->SampleRate(), 96000.0);
    EXPECT_EQ(Alpha->CountOf("SetSampleRate 96000"), 1u);  // asked back
    EXPECT_NE(eventThread, std::thread::id());
    EXPECT_NE(eventThread, std::this_thread::get_id());
}

struct TThrowingRenderer {
    std::atomic<int> Calls{0};
    std::atomic<int> ThrowFrom{0};
    void Render(void*, const TArrayOfSingleFixedArray&, const TArrayOfSingleFixedArray& out) {
        for (int32_t c = 0; c < out.Length(); ++c)
            for (int32_t i = 0; i < out.BufferSize(); ++i) out[c][i] = 0.5f;
        if (++Calls > ThrowFrom) throw std::runtime_error("renderer broke");
    }
};

TEST_F(HostTest, ExceptionInAHandlerSilencesThatBlockAndTellsTheGuiOnce) {
    Alpha->Script.OutputTypes = {ASIOSTInt16LSB, ASIOSTFloat64MSB};
    OpenAlpha();
    TThrowingRenderer renderer;
    renderer.ThrowFrom = 1;
    Host->SetOnBufferSwitch32(TBufferSwitchEvent32::Of<&TThrowingRenderer::Render>(&renderer));
    std::vector<std::string> errors;
    Host->OnError = [&](TCustomAsioHostBasic&, const std::string& message) { errors.push_back(message); };
    Host->SetActive(true);
    auto& driver = Driver(Alpha);
    driver.Step();
    int16_t first;
    std::memcpy(&first, driver.OutputHalf(0, 0), 2);
    EXPECT_EQ(first, 16384);
    for (int i = 0; i < 5; ++i) EXPECT_NO_THROW(driver.Step());
    EXPECT_EQ(Alpha->OutputReadyCount.load(), 6u);
    for (int half = 0; half < 2; ++half)
        for (int channel = 0; channel < 2; ++channel) {
            const uint8_t* bytes = driver.OutputHalf(channel, half);
            const size_t size = channel == 0 ? 2048 : 8192;
            EXPECT_EQ(std::count(bytes, bytes + size, 0), static_cast<long>(size)) << channel << half;
            EXPECT_EQ(bytes[size], 0xA5) << "silence stays inside the half";
        }
    EXPECT_EQ(Host->BlockFaultCount(), 5u);
    EXPECT_EQ(Env.Gui.Drain(), 1u);
    EXPECT_EQ(errors, std::vector<std::string>{"Exception in the audio block: renderer broke"});
    // A new run reports again.
    Host->SetActive(false);
    Host->SetActive(true);
    driver.Step();
    Env.Gui.Drain();
    EXPECT_EQ(errors.size(), 2u);
}

TEST_F(HostTest, ThreadedDriverRunsBlocksAtTheBlockRateAndStopsCleanly) {
    Alpha->Script.Threaded = true;
    Alpha->Script.PreferredSize = 64;  // 1.3 ms at 48 kHz
    OpenAlpha();
    TConstantRenderer first, second;
    first.Level = 0.125f;
    second.Level = 0.375f;
    Host->SetOnBufferSwitch32(first.Event());
    Host->SetActive(true);
    const auto started = std::chrono::steady_clock::now();
    while (Alpha->BlocksDelivered.load() < 20) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    EXPECT_GT(elapsed, 19 * 64 / 48000.0 * 0.9) << "blocks come at the block rate, not faster";
    Host->SetOnBufferSwitch32(second.Event());  // swapped while running
    const uint64_t swappedAt = Alpha->BlocksDelivered.load();
    while (Alpha->BlocksDelivered.load() < swappedAt + 5) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    Host->SetActive(false);
    const uint64_t delivered = Alpha->BlocksDelivered.load();
    EXPECT_EQ(Alpha->OutputReadyCount.load(), delivered);
    EXPECT_EQ(static_cast<uint64_t>(first.Calls + second.Calls), delivered);
    EXPECT_GE(second.Calls, 4);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(Alpha->BlocksDelivered.load(), delivered) << "no block after Stop";
}

TEST_F(HostTest, DestroyingARunningHostStopsTheDriverThreadFirst) {
    Alpha->Script.Threaded = true;
    Alpha->Script.FreeRun = true;  // blocks back to back, so one is in flight at the destruction
    Alpha->Script.PreferredSize = 64;
    OpenAlpha();
    TConstantRenderer renderer;
    Host->SetOnBufferSwitch32(renderer.Event());
    Host->SetActive(true);
    while (Alpha->BlocksDelivered.load() < 50) std::this_thread::yield();
    Host.reset();
    EXPECT_EQ(Alpha->LiveObjects.load(), 0);
    // Every block the host took ran to its OutputReady; blocks that came after the host left its
    // current-host role did nothing.
    EXPECT_EQ(Alpha->OutputReadyCount.load(), static_cast<uint64_t>(renderer.Calls));
    EXPECT_GE(renderer.Calls, 50);
    EXPECT_LE(Alpha->OutputReadyCount.load(), Alpha->BlocksDelivered.load());
}

TEST_F(HostTest, DestroyedHostIgnoresItsQueuedMessages) {
    OpenAlpha();
    Driver(Alpha).SendMessageFromDriverThread(kAsioResetRequest, 0);
    Driver(Alpha).Step(true, 0);
    Host.reset();
    EXPECT_EQ(Env.Gui.Drain(), 2u);
    EXPECT_EQ(Alpha->LiveObjects.load(), 0);
}

}  // namespace
}  // namespace quenthal::test
