// Renderer throughput at several interface sizes, the sine renderer against the sample-by-sample
// reference (side by side in one run, with a bit-for-bit check), and the time to build a 30 s sweep
// table at 192 kHz.
//
// Run: build/release/bench/engine/quenthal_engine_bench
// The renderers run at steady gain (playing, no fade), as they do for all but the first moments.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "engine/GeneratorCore.h"
#include "platform/Random.h"
#include "tests/engine/ReferenceSineRenderer.h"
#include "tests/engine/RenderBuffers.h"

namespace quenthal {
namespace {

constexpr int32_t kBlock = 1024;
constexpr double kRate = 192000;

struct Shape {
    int32_t Outputs, Sines;
};
constexpr Shape kShapes[] = {{2, 1}, {8, 3}, {64, 3}, {64, 10}, {128, 10}};

std::unique_ptr<TGeneratorCore> MakeCore(Shape S, bool Fading = false) {
    auto core = std::make_unique<TGeneratorCore>();
    core->SetSamplerate(static_cast<int32_t>(kRate));
    core->SetSineCount(S.Sines);
    core->SetChannelCount(S.Outputs);
    core->ChannelCountChanged();
    core->UpdateSamplerate();
    SetRandSeed(77);
    for (int32_t o = 0; o < S.Outputs; ++o) {
        for (int32_t k = 0; k < S.Sines; ++k) {
            core->SetSineFrequency(o, k, static_cast<float>(20 + Random() * 20000));
            core->SetSineAmplitude(o, k, 0.1 + 0.2 * Random());
        }
        core->SetSquareFrequency(o, 20 + Random() * 20000);
    }
    core->SweepGen->SetStartFrequenz(20);
    core->SweepGen->SetStopFrequenz(20000);
    core->SweepGen->SetDuration(30);
    core->GenerateAndStartSweep();
    core->FMainGainL = 0.8;
    core->FFadeGain = Fading ? TGeneratorCore::kFadeInStartGain : 1.0;
    core->FFadeDirection = Fading ? TFadeDirection::fdUp : TFadeDirection::fdNone;
    return core;
}

using Renderer = void (TGeneratorCore::*)(void*, const TArrayOfSingleFixedArray&, const TArrayOfSingleFixedArray&);

void RunRenderer(benchmark::State& State, Renderer Render, Shape S) {
    auto core = MakeCore(S);
    testing::RenderBuffers buffers(S.Outputs, kBlock);
    const TArrayOfSingleFixedArray out = buffers.View();
    const int32_t tableEnd = static_cast<int32_t>(core->SweepTable->size()) - kBlock;
    for (auto _ : State) {
        ((*core).*Render)(nullptr, {}, out);
        benchmark::DoNotOptimize(buffers[0].data());
        if (core->SweepGen->SweepPos() > tableEnd) core->SweepGen->StartSweep();  // keep the sweep playing
    }
    State.SetItemsProcessed(State.iterations() * kBlock);
}

void RunReferenceSine(benchmark::State& State, Shape S) {
    auto core = MakeCore(S);
    testing::RenderBuffers buffers(S.Outputs, kBlock);
    const TArrayOfSingleFixedArray out = buffers.View();
    for (auto _ : State) {
        testing::ReferenceBufferSwitchSine32(*core, out);
        benchmark::DoNotOptimize(buffers[0].data());
    }
    State.SetItemsProcessed(State.iterations() * kBlock);
}

void RunSweepTable(benchmark::State& State) {
    TSweepLog sweep(kRate);
    for (auto _ : State) {
        TSweepTable table = sweep.GenerateLogSweep(20, 20000, 30, 1);
        benchmark::DoNotOptimize(table->data());
    }
    State.counters["samples"] = 30 * kRate;
}

// Both sine renderers from the same state, through a fade-in and a stop, with a burst: every sample
// of every block must have the same bits.
bool SineRenderersAgree(Shape S) {
    auto fast = MakeCore(S, true);
    auto plain = MakeCore(S, true);
    for (auto* core : {fast.get(), plain.get()}) {
        core->BurstEnabled = true;
        core->BurstRemaining = 20 * kBlock;
    }
    testing::RenderBuffers a(S.Outputs, kBlock), b(S.Outputs, kBlock);
    for (int block = 0; block < 40; ++block) {
        if (block == 10) fast->FFadeDirection = plain->FFadeDirection = TFadeDirection::fdDown;
        if (block == 12) {
            fast->FFadeGain = plain->FFadeGain = 1.0;
            fast->FFadeDirection = plain->FFadeDirection = TFadeDirection::fdNone;
        }
        fast->BufferSwitchSine32(nullptr, {}, a.View());
        testing::ReferenceBufferSwitchSine32(*plain, b.View());
        for (int32_t o = 0; o < S.Outputs; ++o)
            if (std::memcmp(a[o].data(), b[o].data(), sizeof(float) * kBlock) != 0) return false;
    }
    return fast->BurstRemaining == plain->BurstRemaining && fast->BurstRemaining == -1;
}

std::string ShapeName(Shape S) { return std::to_string(S.Outputs) + "x" + std::to_string(S.Sines); }

// Keeps the CPU time per iteration of every run for the summary table.
class CollectingReporter : public benchmark::ConsoleReporter {
public:
    CollectingReporter() : benchmark::ConsoleReporter(OO_Tabular) {}
    void ReportRuns(const std::vector<Run>& Runs) override {
        for (const Run& run : Runs)
            if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
                const double unit = benchmark::GetTimeUnitMultiplier(run.time_unit);
                Seconds[run.benchmark_name()] = run.GetAdjustedCPUTime() / unit;
                WallSeconds[run.benchmark_name()] = run.GetAdjustedRealTime() / unit;
            }
        ConsoleReporter::ReportRuns(Runs);
    }
    std::map<std::string, double> Seconds;      // CPU time of the calling thread
    std::map<std::string, double> WallSeconds;
};

}  // namespace
}  // namespace quenthal

int main(int argc, char** argv) {
    using namespace quenthal;
    const std::pair<const char*, Renderer> renderers[] = {
        {"Sine", &TGeneratorCore::BufferSwitchSine32},
        {"Rechteck", &TGeneratorCore::BufferSwitchRechteck32},
        {"Sweep", &TGeneratorCore::BufferSwitchSweep32},
        {"WhiteNoise", &TGeneratorCore::BufferSwitchWhiteNoise32},
        {"PinkNoise", &TGeneratorCore::BufferSwitchPinkNoise32},
    };
    for (const Shape s : kShapes) {
        for (const auto& [name, render] : renderers)
            benchmark::RegisterBenchmark(("BufferSwitch" + std::string(name) + "32/" + ShapeName(s)).c_str(),
                                         RunRenderer, render, s);
        benchmark::RegisterBenchmark(("ReferenceSine32/" + ShapeName(s)).c_str(), RunReferenceSine, s);
    }
    benchmark::RegisterBenchmark("SweepTable/30s@192kHz", RunSweepTable)->Unit(benchmark::kMillisecond)->UseRealTime();

    benchmark::Initialize(&argc, argv);
    CollectingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    const double blockSeconds = kBlock / kRate;
    std::printf("\nRenderer throughput, %d-sample blocks, CPU time; load = share of one core at 192 kHz\n", kBlock);
    std::printf("%-12s %-8s %14s %16s %10s\n", "renderer", "outputs", "frames/s", "samples/s", "load");
    bool allAgree = true;
    for (const auto& [name, render] : renderers) {
        for (const Shape s : kShapes) {
            const auto found = reporter.Seconds.find("BufferSwitch" + std::string(name) + "32/" + ShapeName(s));
            if (found == reporter.Seconds.end()) continue;
            const double frames = kBlock / found->second;
            std::printf("%-12s %-8s %14.0f %16.0f %9.2f%%\n", name, ShapeName(s).c_str(), frames, frames * s.Outputs,
                        100 * found->second / blockSeconds);
        }
    }
    std::printf("\nSine renderer against the sample-by-sample reference\n");
    std::printf("%-8s %12s %12s %8s %10s\n", "outputs", "ours load", "ref load", "speed-up", "same bits");
    for (const Shape s : kShapes) {
        const auto ours = reporter.Seconds.find("BufferSwitchSine32/" + ShapeName(s));
        const auto ref = reporter.Seconds.find("ReferenceSine32/" + ShapeName(s));
        if (ours == reporter.Seconds.end() || ref == reporter.Seconds.end()) continue;
        const bool agree = SineRenderersAgree(s);
        allAgree = allAgree && agree;
        std::printf("%-8s %11.2f%% %11.2f%% %7.2fx %10s\n", ShapeName(s).c_str(), 100 * ours->second / blockSeconds,
                    100 * ref->second / blockSeconds, ref->second / ours->second, agree ? "yes" : "NO");
    }
    const auto sweep = reporter.WallSeconds.find("SweepTable/30s@192kHz/real_time");
    if (sweep != reporter.WallSeconds.end())
        std::printf("\nSweep table, 30 s at 192 kHz (5760000 samples, shared among %u cores): %.1f ms\n",
                    std::thread::hardware_concurrency(), sweep->second * 1e3);
    benchmark::Shutdown();
    return allAgree ? 0 : 1;
}
