// Driver choice, open and close, start and stop, buffer sizes and sample rates.
#include "tests/asio/HostFixture.h"

#include <algorithm>
#include <cmath>
#include <functional>

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


// The five states, observed through what the host reports.
enum class TState { Unchosen, Chosen, Open, OpenWithoutBuffers, Running };
TState StateOf(const TAsioHost& host) {
    if (!host.DriverOpen()) return host.DriverIndex() < 0 ? TState::Unchosen : TState::Chosen;
    if (!host.BuffersCreated()) return TState::OpenWithoutBuffers;
    return host.Active() ? TState::Running : TState::Open;
}

std::string MessageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const EAsioHostError& error) {
        return error.what();
    }
    return "no exception";
}

TEST_F(HostTest, StateTransitions) {
    MakeHost();
    EXPECT_EQ(StateOf(*Host), TState::Unchosen);
    Host->SetActive(true);  // no driver: counts as false
    EXPECT_EQ(StateOf(*Host), TState::Unchosen);
    Host->SetDriverIndex(0);
    EXPECT_EQ(StateOf(*Host), TState::Open);
    Host->SetActive(true);
    EXPECT_EQ(StateOf(*Host), TState::Running);
    Host->OpenDriver();  // stops itself
    EXPECT_EQ(StateOf(*Host), TState::Open);
    Host->SetActive(true);
    Host->CloseDriver();
    EXPECT_EQ(StateOf(*Host), TState::Chosen);
    EXPECT_EQ(Alpha->LiveObjects.load(), 0);
    Host->Reset();
    EXPECT_EQ(StateOf(*Host), TState::Open);

    // Choosing another driver while running comes back running.
    Host->SetActive(true);
    Host->SetDriverIndex(1);
    EXPECT_EQ(StateOf(*Host), TState::Running);
    EXPECT_EQ(Alpha->LiveObjects.load(), 0);
    EXPECT_EQ(Beta->LiveObjects.load(), 1);
    Host->SetDriverIndex(-1);
    EXPECT_EQ(StateOf(*Host), TState::Unchosen);
    EXPECT_EQ(Beta->LiveObjects.load(), 0);

    // Failures: no driver object gives Chosen, refused buffers give Open without buffers.
    Host->SetDriverIndex(0);
    Env.Loader.Unregister(TAsioTestEnvironment::ClsidOf("Alpha"));
    EXPECT_EQ(MessageOf([&] { Host->OpenDriver(); }), "Asio driver failed!");
    EXPECT_EQ(StateOf(*Host), TState::Chosen);
    Env.Loader.Register(TAsioTestEnvironment::ClsidOf("Alpha"), [c = Alpha] { return new TScriptedAsioDriver(c); });
    Alpha->Script.CreateBuffersResult = kAsioNoMemory;
    Alpha->ClearCalls();
    EXPECT_EQ(MessageOf([&] { Host->OpenDriver(); }), "Asio buffers could not be created!");
    EXPECT_EQ(StateOf(*Host), TState::OpenWithoutBuffers);
    Host->SetActive(true);  // never starts a driver without buffers
    EXPECT_EQ(StateOf(*Host), TState::OpenWithoutBuffers);
    EXPECT_EQ(Alpha->CountOf("Start"), 0u);
}

TEST_F(HostTest, FailedInitAnswersGiveDriverFailedAndLeaveIndexMinusOne) {
    MakeHost();
    for (TAsioBool answer : {0, -1000, -997, -994}) {
        Alpha->Script.InitResult = answer;
        EXPECT_EQ(MessageOf([&] { Host->SetDriverIndex(0); }), "Asio driver failed!") << answer;
        EXPECT_EQ(Host->DriverIndex(), -1);
        EXPECT_EQ(Host->DriverName(), "");
        EXPECT_EQ(Alpha->LiveObjects.load(), 0) << "a driver whose Init failed is released";
    }
    Alpha->Script.InitResult = -993;  // outside the error range: ready
    Host->SetDriverIndex(0);
    EXPECT_TRUE(Host->DriverOpen());
}

TEST_F(HostTest, RewritingTheIndexAfterCloseDoesNothing) {
    OpenAlpha();
    Host->CloseDriver();
    Alpha->ClearCalls();
    int changed = 0;
    Host->OnDriverChanged = [&](TCustomAsioHostBasic&) { ++changed; };
    Host->SetDriverIndex(0);
    EXPECT_FALSE(Host->DriverOpen());
    EXPECT_EQ(Host->OutputChannelCount(), 0);
    EXPECT_EQ(changed, 0);
    EXPECT_TRUE(Alpha->Calls().empty());
}

TEST_F(HostTest, OutOfRangeIndexBehavesLikeMinusOne) {
    for (int32_t index : {-5, 2}) {
        OpenAlpha();
        int changed = 0;
        Host->OnDriverChanged = [&](TCustomAsioHostBasic&) { ++changed; };
        Host->SetDriverIndex(index);
        EXPECT_EQ(Host->DriverIndex(), -1);
        EXPECT_FALSE(Host->DriverOpen());
        EXPECT_EQ(Host->DriverName(), "");
        EXPECT_EQ(Host->InputLatency() + Host->OutputLatency(), 0);
        EXPECT_EQ(Host->InputChannelCount() + Host->OutputChannelCount(), 0);
        EXPECT_EQ(Host->BufferSize(), 0u);
        EXPECT_EQ(changed, 1);
        Host.reset();
    }
}

TEST_F(HostTest, DriverNameChoosesCaseFreeAndUnlistedNameCloses) {
    MakeHost();
    Host->SetDriverName("beta");
    EXPECT_EQ(Host->DriverIndex(), 1);
    EXPECT_TRUE(Host->DriverOpen());
    Host->SetDriverName("Gamma");
    EXPECT_EQ(Host->DriverIndex(), -1);
    EXPECT_FALSE(Host->DriverOpen());
}

TEST_F(HostTest, BufferSizeIsThePreferredOneOrTheOnlyOne) {
    struct TCase {
        int32_t Min, Max, Preferred;
        uint32_t Expected;  // 0: "Prefered buffer size invalid!"
    };
    for (const TCase& c : {TCase{512, 512, 64, 512}, TCase{64, 4096, 2048, 2048}, TCase{64, 4096, 0, 0},
                           TCase{64, 4096, -3, 0}, TCase{0, 0, 256, 0}}) {
        Alpha->Script.MinSize = c.Min;
        Alpha->Script.MaxSize = c.Max;
        Alpha->Script.PreferredSize = c.Preferred;
        MakeHost();
        if (c.Expected == 0) {
            EXPECT_EQ(MessageOf([&] { Host->SetDriverIndex(0); }), "Prefered buffer size invalid!");
            EXPECT_EQ(Alpha->CountOf("CreateBuffers 4 0"), 0u);
        } else {
            Host->SetDriverIndex(0);
            EXPECT_EQ(Host->BufferSize(), c.Expected);
            EXPECT_EQ(Host->BufferMinimum(), c.Min);
            EXPECT_EQ(Host->BufferMaximum(), c.Max);
            EXPECT_EQ(Host->BufferGranularity(), -1);
        }
        Host.reset();
    }
}

TEST_F(HostTest, CloseDriverKeepsWhatAWindowShows) {
    Alpha->Script.MinSize = 128;
    Alpha->Script.MaxSize = 8192;
    OpenAlpha();
    Host->CloseDriver();
    EXPECT_EQ(Host->BufferSize(), 1024u);
    EXPECT_EQ(Host->BufferMinimum(), 128);
    EXPECT_EQ(Host->BufferMaximum(), 8192);
    EXPECT_EQ(Host->DriverName(), "Scripted Driver");
    EXPECT_EQ(Host->DriverVersion(), 7);
    EXPECT_EQ(Host->OutputChannelCount(), 0);
    EXPECT_EQ(Host->OutputLatency(), 0);
}

TEST_F(HostTest, SampleRateWrites) {
    MakeHost();
    Host->SetSampleRate(48000);  // no driver: dropped
    EXPECT_EQ(Host->SampleRate(), 44100.0);
    EXPECT_EQ(Host->CanSampleRate(48000), kAsioNotPresent);

    Alpha->Script.CurrentRate = 96000;
    OpenAlpha();
    ASSERT_EQ(Host->SampleRate(), 96000.0);
    struct TCase {
        double Written, Asked;
    };
    for (const TCase& c : {TCase{-48000, 48000}, TCase{0, 44100}, TCase{96000, 96000}, TCase{2000000, 44100},
                           TCase{1048576, 44100}, TCase{std::nan(""), 44100}, TCase{192000, 192000}}) {
        Host->SetSampleRate(c.Written);
        EXPECT_EQ(Host->SampleRate(), c.Asked) << c.Written;
        EXPECT_EQ(Host->AsioTime().SampleRate(), c.Asked);
        EXPECT_EQ(Alpha->Script.CurrentRate, c.Asked);
    }
    Alpha->ClearCalls();
    Host->SetSampleRate(22050);  // refused by the driver: unchanged, no error
    EXPECT_EQ(Host->SampleRate(), 192000.0);
    EXPECT_EQ(Alpha->Calls(), std::vector<std::string>{"CanSampleRate 22050"});
    Host->SetSampleRate(192000);  // the current rate: not set again
    EXPECT_EQ(Alpha->CountOf("SetSampleRate 192000"), 0u);
}

TEST_F(HostTest, FailedStartLeavesTheHostStoppedWithoutError) {
    Alpha->Script.StartResult = kAsioHwMalfunction;
    OpenAlpha();
    Alpha->ClearCalls();
    EXPECT_NO_THROW(Host->SetActive(true));
    EXPECT_FALSE(Host->Active());
    EXPECT_EQ(Alpha->Calls(), (std::vector<std::string>{"Start", "Stop"}));
}

TEST_F(HostTest, SecondHostIsRefusedAndTheFirstKeepsItsCallbacks) {
    OpenAlpha();
    TConstantRenderer renderer;
    Host->SetOnBufferSwitch32(renderer.Event());
    Host->SetActive(true);
    try {
        TAsioHost second(Env.HostEnvironment());
        FAIL() << "second host created";
    } catch (const EAsioHostError& error) {
        EXPECT_STREQ(error.what(), "Only one Asio host is allowed per instance");
    }
    EXPECT_EQ(TCustomAsioHostBasic::CurrentHost(), Host.get());
    Driver(Alpha).Step();
    EXPECT_EQ(renderer.Calls, 1);
    Host.reset();
    EXPECT_EQ(TCustomAsioHostBasic::CurrentHost(), nullptr);
    MakeHost();  // a host may be made again once the first is gone
}

TEST_F(HostTest, OpeningTwiceDisposesThenCreatesBuffers) {
    OpenAlpha();
    std::vector<std::string> events;
    Host->OnBuffersDispose = [&](TCustomAsioHostBasic&) { events.push_back("dispose"); };
    Host->OnBuffersCreate = [&](TCustomAsioHostBasic&) { events.push_back("create"); };
    Host->OnLatencyChanged = [&](TCustomAsioHostBasic&) { events.push_back("latency"); };
    Host->OnDriverChanged = [&](TCustomAsioHostBasic&) { events.push_back("changed"); };
    Host->OpenDriver();
    Host->OpenDriver();
    EXPECT_EQ(events, (std::vector<std::string>{"dispose", "create", "latency", "dispose", "create", "latency"}));
    Host.reset();  // closing raises OnBuffersDispose once more, while events still exists
    EXPECT_EQ(events.back(), "dispose");
}

TEST_F(HostTest, UntrustworthyDriverAnswersAreCheckedBeforeUse) {
    Alpha->Script.NameUnterminated = true;
    Alpha->Script.UnterminatedChannelNames = true;
    Alpha->Script.InputChannels = -4;
    Alpha->Script.OutputChannels = 3;
    Alpha->Script.NullOutputHalves = {1};
    OpenAlpha();
    EXPECT_EQ(Host->DriverName(), "Alpha Card");  // unterminated: the list's name stays
    EXPECT_EQ(Host->InputChannelCount(), 0);
    EXPECT_EQ(std::string(Host->GetOutputChannelInfo(2).Name), std::string(31, 'N'));
    EXPECT_EQ(MessageOf([&] { Host->GetOutputChannelInfo(3); }), "Index out of bounds 3");
    EXPECT_EQ(MessageOf([&] { Host->GetInputChannelInfo(-1); }), "Index out of bounds -1");
    TConstantRenderer renderer;
    Host->SetOnBufferSwitch32(renderer.Event());
    Host->SetActive(true);
    auto& driver = Driver(Alpha);
    driver.Step();  // channel 1 has no halves: skipped
    EXPECT_EQ(OutputSample(Alpha, 0, 0, 0), 0.25f);
    EXPECT_EQ(OutputSample(Alpha, 2, 0, 0), 0.75f);
    driver.StepWithIndex(2);  // no such half: the block is ignored
    driver.StepWithIndex(-1);
    EXPECT_EQ(renderer.Calls, 1);
    Host->SetActive(false);

    for (int32_t type : {5, 21, 31, 99, -1}) {
        Alpha->Script.OutputTypes = {ASIOSTInt16LSB, type};
        EXPECT_EQ(MessageOf([&] { Host->OpenDriver(); }), "Converter type unknown") << type;
        EXPECT_FALSE(Host->BuffersCreated());
    }
}

TEST_F(HostTest, CanDosGainsAndMetersGoThroughFuture) {
    Alpha->Script.FutureAnswers = {{kAsioCanTimeInfo, kAsioSuccessFuture}, {kAsioCanOutputMeter, kAsioSuccessFuture},
                                   {kAsioCanInputGain, kAsioOK}};
    MakeHost();
    EXPECT_EQ(Host->GetOutputMeter(0), -1);
    EXPECT_EQ(Host->GetInputMeter(0), -1);
    Host->SetOutputGain(0, 5);  // nothing without a driver
    Host->SetDriverIndex(0);
    EXPECT_EQ(Host->CanDos(), acdTimeInfo | acdOutputMeter);
    Alpha->ClearCalls();
    Host->SetInputGain(1, 100);
    Host->SetOutputGain(1, 100);
    EXPECT_EQ(Host->GetInputMeter(1), -3);
    EXPECT_EQ(Host->GetOutputMeter(1), -3);
    EXPECT_EQ(Alpha->Calls(), (std::vector<std::string>{"Future 5", "Future 7", "Future 6", "Future 8"}));
    Host->ControlPanel();
    EXPECT_EQ(Alpha->CountOf("ControlPanel"), 1u);
}

TEST_F(HostTest, DestructionStopsAndClosesAndRaisesOnDestroy) {
    OpenAlpha();
    Host->SetActive(true);
    bool destroyed = false;
    Host->OnDestroy = [&](TCustomAsioHostBasic&) { destroyed = true; };
    Host.reset();
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(Alpha->LiveObjects.load(), 0);
    const auto calls = Alpha->Calls();
    const auto stop = std::find(calls.begin(), calls.end(), "Stop");
    const auto dispose = std::find(calls.begin(), calls.end(), "DisposeBuffers");
    EXPECT_TRUE(stop < dispose);
}

}  // namespace
}  // namespace quenthal::test
