// The whole block path as the program runs it: the driver's callback, input conversion, the sine
// renderer with three sines per output under the engine lock, digital clipping, output conversion and
// OutputReady, for 1024-sample blocks. Reported as time per block and as a share of the block period
// at 48 and 192 kHz. The shares are of CPU time: on a shared machine the wall-clock time also holds
// the time other processes ran.
#include "engine/GeneratorCore.h"
#include "tests/support/AsioTestEnvironment.h"

#include <benchmark/benchmark.h>

namespace quenthal {
namespace {

void BM_BlockPath(benchmark::State& state) {
    const auto channels = static_cast<int32_t>(state.range(0));
    const auto sampleType = static_cast<int32_t>(state.range(1));
    constexpr int32_t kBlock = 1024;
    test::TAsioTestEnvironment env;
    auto control = env.AddDriver("Bench");
    control->Script.OutputChannels = channels;
    control->Script.InputChannels = 0;
    control->Script.DefaultSampleType = sampleType;
    control->Script.PreferredSize = kBlock;

    TGeneratorCore core;
    core.SetSamplerate(48000);
    core.SetChannelCount(channels);
    core.SetSineCount(3);
    core.FFadeDirection.store(TFadeDirection::fdNone);

    TAsioHost host(env.HostEnvironment());
    host.SetPreventClipping(TPreventClipping::pcDigital);
    host.SetOnBufferSwitch32(TBufferSwitchEvent32::Of<&TGeneratorCore::BufferSwitchSine32>(&core));
    host.SetDriverIndex(0);
    host.SetActive(true);
    if (!host.Active()) {
        state.SkipWithError("host did not start");
        return;
    }
    test::TScriptedAsioDriver& driver = *control->Driver();
    for (auto _ : state) driver.Step();
    host.SetActive(false);

    state.SetItemsProcessed(state.iterations() * kBlock * channels);
        // Share of the period in percent: seconds per block divided by 1024 / rate, times 100.
    state.counters["cpu_pct_period_48k"] = benchmark::Counter(static_cast<double>(state.iterations()) * (kBlock / 48000.0) / 100.0,
                                                          benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["cpu_pct_period_192k"] = benchmark::Counter(static_cast<double>(state.iterations()) * (kBlock / 192000.0) / 100.0,
                                                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// The renderer alone on arrays of the same shape: the block path minus this is the host's share.
void BM_SineRendererOnly(benchmark::State& state) {
    const auto channels = static_cast<int32_t>(state.range(0));
    constexpr int32_t kBlock = 1024;
    TGeneratorCore core;
    core.SetSamplerate(48000);
    core.SetChannelCount(channels);
    core.SetSineCount(3);
    core.FFadeDirection.store(TFadeDirection::fdNone);
    std::vector<std::vector<float>> storage(static_cast<size_t>(channels), std::vector<float>(kBlock));
    std::vector<float*> pointers;
    for (auto& channel : storage) pointers.push_back(channel.data());
    const TArrayOfSingleFixedArray out(pointers.data(), channels, kBlock);
    for (auto _ : state) {
        core.BufferSwitchSine32(nullptr, TArrayOfSingleFixedArray(), out);
        benchmark::ClobberMemory();
    }
    state.counters["cpu_pct_period_192k"] = benchmark::Counter(static_cast<double>(state.iterations()) * (kBlock / 192000.0) / 100.0,
                                                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

BENCHMARK(BM_SineRendererOnly)->ArgName("channels")->Arg(8)->Arg(64)->Unit(benchmark::kMicrosecond);

BENCHMARK(BM_BlockPath)
    ->ArgNames({"channels", "type"})
    ->Args({8, ASIOSTInt32LSB})
    ->Args({64, ASIOSTInt32LSB})
    ->Args({8, ASIOSTFloat32LSB})
    ->Args({64, ASIOSTFloat32LSB})
    ->Args({64, ASIOSTInt24LSB})
    
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace quenthal

BENCHMARK_MAIN();
