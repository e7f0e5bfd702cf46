// Soak run of the bundled JACK and ALSA drivers: 64 outputs, three sines each, for a given time on
// the server named by JACK_DEFAULT_SERVER; prints blocks, xruns and the worst lateness of a cycle
// (jack_get_max_delayed_usecs) against the period, counted after a 2 s start. tools/soak starts the
// server and runs both modes.
//
//   quenthal_driver_soak jack|alsa SECONDS [OUTPUTS]
#include "tests/e2e/DriverHarness.h"
#include "tests/e2e/JackFixtures.h"
#include "tests/e2e/TempFolder.h"

#include <jack/statistics.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <thread>

using namespace quenthal;
using namespace quenthal::test;

namespace {

// Three sines per output as rotating phasors: two multiplications and two additions per sample and
// sine, so the measurement is about the driver path, not about std::sin.
class TSineBank {
public:
    TSineBank(int outputs, double rate) : FOutputs(outputs) {
        for (int output = 0; output < outputs; ++output)
            for (int k = 0; k < 3; ++k) {
                const double frequency = 100.0 + 37.0 * output + 1000.0 * k;
                const double omega = 2 * M_PI * frequency / rate;
                FPhasors.push_back({1.0, 0.0, std::cos(omega), std::sin(omega)});
            }
    }
    void Render(float* const* outputs, int frames) noexcept {
        for (int output = 0; output < FOutputs; ++output) {
            float* out = outputs[output];
            TPhasor* sines = &FPhasors[static_cast<size_t>(output) * 3];
            for (int i = 0; i < frames; ++i) {
                double sum = 0;
                for (int k = 0; k < 3; ++k) {
                    auto& p = sines[k];
                    const double re = p.Re * p.Cos - p.Im * p.Sin;
                    p.Im = p.Re * p.Sin + p.Im * p.Cos;
                    p.Re = re;
                    sum += p.Im;
                }
                out[i] = static_cast<float>(sum * 0.3);
            }
        }
    }

private:
    struct TPhasor {
        double Re, Im, Cos, Sin;
    };
    int FOutputs;
    std::vector<TPhasor> FPhasors;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s jack|alsa SECONDS [OUTPUTS]\n", argv[0]);
        return 2;
    }
    const std::string mode = argv[1];
    const double seconds = std::stod(argv[2]);
    const int outputs = argc > 3 ? std::stoi(argv[3]) : 64;

    TTempFolder config;
    TJackTap observer(0, 0);  // watches the server: its xruns and its worst cycle delay
    if (!observer.Ok()) {
        std::fprintf(stderr, "no JACK server\n");
        return 1;
    }
    const double rate = jack_get_sample_rate(observer.Client());
    const int period = static_cast<int>(jack_get_buffer_size(observer.Client()));
    std::string device = "JACK";
    if (mode == "alsa") {
        std::string ports;
        for (int i = 0; i < outputs; ++i)
            ports += "    " + std::to_string(i) + " system:playback_" + std::to_string(i + 1) + "\n";
        config.Write("asound.conf", "pcm.quenthal_soak {\n  type jack\n  playback_ports {\n" + ports + "  }\n  hint.show on\n}\n");
        setenv("ALSA_CONFIG_PATH", config.File("asound.conf").c_str(), 1);
        config.Write("Alsa.ini", "[ALSA]\nChannels=" + std::to_string(outputs) + "\nPeriod=" + std::to_string(period) +
                                     "\n");
        device = "ALSA quenthal_soak";
    } else {
        config.Write("Jack.ini", "[JACK]\nOutputs=" + std::to_string(outputs) + "\nInputs=" + (argc > 5 ? argv[5] : "-1") + "\n");
    }

    TDriverHarness harness(device, config.Path());
    if (!harness.Create() || !harness.Init() || harness.CreateBuffers(period) != kAsioOK) {
        std::fprintf(stderr, "the %s driver did not open\n", device.c_str());
        return 1;
    }
    TSineBank bank(harness.Outputs(), rate);
    std::vector<float*> halves[2];
    for (int half = 0; half < 2; ++half)
        for (int32_t i = 0; i < harness.Outputs(); ++i)
            halves[half].push_back(static_cast<float*>(harness.OutputHalf(i, half)));
    const bool silent = argc > 4 && std::string(argv[4]) == "silent";  // the driver path alone
    harness.OnBlock = [&](int half, const TBlockRecord&) {
        if (!silent) bank.Render(halves[half].data(), period);
    };

    const int startXruns = observer.Xruns();
    if (harness.Driver().Start() != kAsioOK) {
        std::fprintf(stderr, "the %s driver did not start\n", device.c_str());
        return 1;
    }
    // The start (ports made, 64 connections, the ALSA buffer filling) is measured apart from the run.
    std::this_thread::sleep_for(std::chrono::seconds(2));
    const auto warm = harness.Hooks().Statistics();
    const int observedBefore = observer.Xruns();
    jack_reset_max_delayed_usecs(observer.Client());
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    auto driver = harness.Hooks().Statistics();
    driver.Blocks -= warm.Blocks;
    driver.Xruns -= warm.Xruns;
    const int serverXruns = observer.Xruns() - observedBefore;
    const double worstDelay = jack_get_max_delayed_usecs(observer.Client());
    harness.Driver().Stop();

    const double periodUs = period / rate * 1e6;
    std::printf("soak %s: %d outputs x 3 sines, %.0f Hz, %d-frame periods (%.0f us), %.0f s\n", device.c_str(),
                harness.Outputs(), rate, period, periodUs, seconds);
    std::printf("  blocks %lld (expected %.0f), driver xruns %lld, server xruns %d\n",
                static_cast<long long>(driver.Blocks), seconds * rate / period,
                static_cast<long long>(driver.Xruns), serverXruns);
    std::printf("  during the 2 s start: %d server xruns\n", observedBefore - startXruns);
    std::printf("  worst cycle delay %.0f us = %.1f %% of the period\n", worstDelay, 100 * worstDelay / periodUs);
    return driver.Xruns == 0 && serverXruns == 0 ? 0 : 3;
}
