// Converter throughput per sample type and direction, 32-bit and 64-bit float arrays:
// items_per_second is samples per second.
#include "asio/AsioConvert.h"

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

namespace quenthal {
namespace {

constexpr int32_t kSamples = 1024;  // one block of the program

template <typename Sample>
std::vector<Sample> Signal() {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> uniform(-1.0, 1.0);
    std::vector<Sample> samples(kSamples);
    for (auto& s : samples) s = static_cast<Sample>(uniform(random));
    return samples;
}

template <typename Sample>
void BM_Output(benchmark::State& state) {
    const auto type = static_cast<int32_t>(state.range(0));
    const std::vector<Sample> source = Signal<Sample>();
    std::vector<uint8_t> target(kSamples * 8);
    const TOutConverter pair = OutputConverterFor(type);
    for (auto _ : state) {
        if constexpr (sizeof(Sample) == 4) pair.oc32(source.data(), target.data(), kSamples);
        else pair.oc64(source.data(), target.data(), kSamples);
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kSamples);
}

template <typename Sample>
void BM_Input(benchmark::State& state) {
    const auto type = static_cast<int32_t>(state.range(0));
    std::vector<uint8_t> source(kSamples * 8);
    const std::vector<Sample> signal = Signal<Sample>();
    const TOutConverter out = OutputConverterFor(type);
    if constexpr (sizeof(Sample) == 4) out.oc32(signal.data(), source.data(), kSamples);
    else out.oc64(signal.data(), source.data(), kSamples);
    std::vector<Sample> target(kSamples);
    const TInConverter pair = InputConverterFor(type);
    for (auto _ : state) {
        // Big-endian inputs swap the half in place, so every second pass reads swapped bytes: the
        // cost is the same either way.
        if constexpr (sizeof(Sample) == 4) pair.ic32(source.data(), target.data(), kSamples);
        else pair.ic64(source.data(), target.data(), kSamples);
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kSamples);
}

void AllTypes(benchmark::internal::Benchmark* bench) {
    for (int type : {16, 17, 18, 19, 20, 24, 25, 26, 27, 0, 1, 2, 3, 4, 8, 9, 10, 11}) bench->Arg(type);
}

BENCHMARK(BM_Output<float>)->Apply(AllTypes);
BENCHMARK(BM_Output<double>)->Apply(AllTypes);
BENCHMARK(BM_Input<float>)->Apply(AllTypes);
BENCHMARK(BM_Input<double>)->Apply(AllTypes);

}  // namespace
}  // namespace quenthal

namespace quenthal {
namespace {

void BM_ClipDigital32(benchmark::State& state) {
    std::vector<float> data = Signal<float>();
    for (auto& s : data) s *= 1.5f;
    for (auto _ : state) {
        ClipDigital32(data.data(), kSamples);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kSamples);
}
BENCHMARK(BM_ClipDigital32);

}  // namespace
}  // namespace quenthal
