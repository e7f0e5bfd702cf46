// Soak run of the program's audio path: the ASIO host over the bundled JACK or ALSA driver module and
// the engine's sine renderer, 64 outputs with three sines each, for a given time on the server named
// by JACK_DEFAULT_SERVER. Counted after a 2 s start (ports made, 64 connections, the ALSA buffer
// filling), apart from the run:
//  - blocks and xruns from the driver's own statistics: the JACK driver counts the server's xrun
//    notifications, the ALSA driver the underruns of its PCM;
//  - the server's own record, when tools/soak names jackd's log in SOAK_JACKD_LOG: every xrun with
//    the client jackd blamed, and the worst cycle delay. On the dummy backend the server's delay
//    figure (jack_get_max_delayed_usecs) is the lateness of its own period wake-up, reported only
//    when it misses a period; the log names each one. The ALSA plugin's JACK client is not ours, so
//    the log is the only view of the server in that mode that adds no client to the graph.
// tools/soak starts the server and runs both modes.
//
//   quenthal_driver_soak jack|alsa SECONDS [OUTPUTS]
#include "tests/e2e/HostRig.h"
#include "tests/e2e/TempFolder.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>

using namespace quenthal;
using namespace quenthal::test;

namespace {

constexpr int32_t kRate = 192000;
constexpr int32_t kSinesPerOutput = 3;

// What jackd wrote about xruns between two points of its log.
struct TServerRecord {
    bool Available = false;
    int Xruns = 0;
    std::map<std::string, int> LateClients;  // "client (state)" -> count
    int LateWakeups = 0;                     // the server's own period missed
    long WorstDelayUs = 0;
};

class TServerLog {
public:
    explicit TServerLog(const char* path) : FPath(path ? path : "") {}
    // Where the log ends now: the next Read starts here.
    void Mark() { FOffset = Size(); }
    TServerRecord Read() const {
        TServerRecord record;
        if (FPath.empty()) return record;
        std::ifstream file(FPath);
        if (!file) return record;
        record.Available = true;
        file.seekg(static_cast<std::streamoff>(FOffset));
        std::string line;
        const std::string lateClient = "JackEngine::XRun: client";
        const std::string lateWakeup = "JackTimedDriver::Process XRun = ";
        while (std::getline(file, line)) {
            if (const auto at = line.find(lateClient); at != std::string::npos) {
                // "client = NAME was not finished, state = STATE" or "client NAME finished after ..."
                std::string rest = line.substr(at + lateClient.size());
                if (rest.rfind(" = ", 0) == 0) rest = rest.substr(3);
                else if (!rest.empty() && rest[0] == ' ') rest = rest.substr(1);
                const auto end = rest.find(' ');
                std::string what = rest.substr(0, end);
                const auto state = rest.find("state = ");
                what += state != std::string::npos ? " (" + rest.substr(state + 8) + ")" : " (finished late)";
                ++record.LateClients[what];
                ++record.Xruns;
            } else if (const auto wake = line.find(lateWakeup); wake != std::string::npos) {
                record.WorstDelayUs = std::max(record.WorstDelayUs, std::atol(line.c_str() + wake + lateWakeup.size()));
                ++record.LateWakeups;
                ++record.Xruns;
            }
        }
        return record;
    }

private:
    size_t Size() const {
        std::ifstream file(FPath, std::ios::ate);
        return file ? static_cast<size_t>(file.tellg()) : 0;
    }
    std::string FPath;
    size_t FOffset = 0;
};

std::string Describe(const TServerRecord& record) {
    if (!record.Available) return "no server log (SOAK_JACKD_LOG)";
    std::ostringstream text;
    text << record.Xruns << " xruns";
    for (const auto& [client, count] : record.LateClients) text << "; " << client << " late " << count << "x";
    if (record.LateWakeups) text << "; server period wake-up late " << record.LateWakeups << "x";
    return text.str();
}

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
    std::string device = "JACK Audio Connection Kit";
    if (mode == "alsa") {
        std::string ports;
        for (int i = 0; i < outputs; ++i)
            ports += "    " + std::to_string(i) + " system:playback_" + std::to_string(i + 1) + "\n";
        config.Write("asound.conf", "pcm.quenthal_soak {\n  type jack\n  playback_ports {\n" + ports + "  }\n  hint.show on\n}\n");
        setenv("ALSA_CONFIG_PATH", config.File("asound.conf").c_str(), 1);
        // SOAK_ALSA_SETTINGS: more lines for the ALSA driver's settings, e.g. "RealTime=0".
        const char* extra = std::getenv("SOAK_ALSA_SETTINGS");
        config.Write("Alsa.ini", "[ALSA]\nChannels=" + std::to_string(outputs) + "\nPeriod=1024\n" +
                                     (extra ? std::string(extra) + "\n" : ""));
        device = "ALSA quenthal_soak";
    } else {
        config.Write("Jack.ini", "[JACK]\nOutputs=" + std::to_string(outputs) + "\n");
    }

    TServerLog serverLog(std::getenv("SOAK_JACKD_LOG"));
    THostRig rig(config.Path());
    try {
        rig.Choose(device, kRate);
        rig.Core().SetSineCount(kSinesPerOutput);
        const int32_t channels = rig.Host().OutputChannelCount();
        for (int32_t sine = 0; sine < kSinesPerOutput; ++sine) {
            std::vector<float> frequencies;
            for (int32_t output = 0; output < channels; ++output)
                frequencies.push_back(static_cast<float>(100 + 37 * output + 1000 * sine));
            rig.SetSines(frequencies, std::vector<double>(static_cast<size_t>(channels), -16.0), sine);
        }
        serverLog.Mark();
        rig.StartSine(true);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "the %s driver did not start: %s\n", device.c_str(), error.what());
        for (const auto& message : rig.Errors()) std::fprintf(stderr, "  host: %s\n", message.c_str());
        return 1;
    }
    const auto& hooks = rig.Hooks(device);

    std::this_thread::sleep_for(std::chrono::seconds(2));
    const auto warm = hooks.Statistics();
    const auto startRecord = serverLog.Read();
    serverLog.Mark();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    auto driver = hooks.Statistics();
    const auto runRecord = serverLog.Read();
    const double rate = rig.Host().SampleRate();
    const auto period = static_cast<int32_t>(rig.Host().BufferSize());
    const uint32_t blockFaults = rig.Host().BlockFaultCount();
    const int32_t channels = rig.Host().OutputChannelCount();
    rig.Stop();
    driver.Blocks -= warm.Blocks;
    driver.Xruns -= warm.Xruns;

    const double periodUs = period / rate * 1e6;
    std::printf("soak %s: host + sine renderer, %d outputs x %d sines, %.0f Hz, %d-frame periods (%.0f us), %.0f s\n",
                device.c_str(), channels, kSinesPerOutput, rate, period, periodUs, seconds);
    std::printf("  blocks %lld (expected %.0f), driver xruns %lld, host block faults %u\n",
                static_cast<long long>(driver.Blocks), seconds * rate / period, static_cast<long long>(driver.Xruns),
                blockFaults);
    std::printf("  server: %s\n", Describe(runRecord).c_str());
    if (runRecord.Available)
        std::printf("  worst cycle delay %ld us = %.1f %% of the period\n", runRecord.WorstDelayUs,
                    100 * runRecord.WorstDelayUs / periodUs);
    if (mode == "jack")
        std::printf("  the driver's reading of jack_get_max_delayed_usecs since its start: %lld us\n",
                    static_cast<long long>(driver.MaxDelayedMicroseconds));
    std::printf("  during the 2 s start: driver xruns %lld; server: %s\n", static_cast<long long>(warm.Xruns),
                Describe(startRecord).c_str());
    const bool clean = driver.Xruns == 0 && runRecord.Xruns == 0 && blockFaults == 0;
    return clean ? 0 : 3;
}
