#include "tests/e2e/JackFixtures.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

extern char** environ;

namespace quenthal::test {

TJackTap::TJackTap(int ports, double seconds, const std::string& serverName) {
    int options = JackNoStartServer | JackUseExactName;
    if (!serverName.empty()) options |= JackServerName;
    jack_status_t status{};
    FClient = jack_client_open("quenthal_tap", static_cast<jack_options_t>(options), &status, serverName.c_str());
    if (!FClient) return;
    const auto room = static_cast<size_t>(seconds * jack_get_sample_rate(FClient));
    for (int i = 0; i < ports; ++i) {
        const std::string name = "in_" + std::to_string(i + 1);
        FPorts.push_back(jack_port_register(FClient, name.c_str(), JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0));
        FSamples.emplace_back(room, 0.0f);
    }
    jack_set_process_callback(FClient, &TJackTap::Process, this);
    jack_set_xrun_callback(FClient, &TJackTap::Xrun, this);
    if (jack_activate(FClient) != 0) {
        jack_client_close(FClient);
        FClient = nullptr;
    }
}

TJackTap::~TJackTap() {
    if (FClient) {
        jack_deactivate(FClient);
        jack_client_close(FClient);
    }
}

bool TJackTap::Connect(const std::vector<std::string>& sources) {
    bool all = true;
    for (size_t i = 0; i < sources.size() && i < FPorts.size(); ++i) {
        const int result = jack_connect(FClient, sources[i].c_str(), jack_port_name(FPorts[i]));
        all = all && (result == 0 || result == EEXIST);
    }
    return all;
}

void TJackTap::Record() {
    FRecording = false;
    FFrames.store(0, std::memory_order_release);
    FRecording = true;
}

int TJackTap::Process(jack_nframes_t frames, void* self) noexcept {
    auto& tap = *static_cast<TJackTap*>(self);
    if (!tap.FRecording.load(std::memory_order_acquire)) return 0;
    const size_t at = tap.FFrames.load(std::memory_order_relaxed);
    const size_t room = tap.FSamples.empty() ? 0 : tap.FSamples[0].size();
    const size_t count = std::min<size_t>(frames, room - at);
    for (size_t port = 0; port < tap.FPorts.size(); ++port) {
        const auto* source = static_cast<const float*>(jack_port_get_buffer(tap.FPorts[port], frames));
        std::memcpy(tap.FSamples[port].data() + at, source, count * sizeof(float));
    }
    tap.FFrames.store(at + count, std::memory_order_release);
    return 0;
}

int TJackTap::Xrun(void* self) noexcept {
    ++static_cast<TJackTap*>(self)->FXruns;
    return 0;
}

bool TPrivateJackServer::Start(int playbackPorts) {
    Stop(SIGTERM);
    std::vector<std::string> args = {"jackd", "-n", FName, "--no-realtime", "-d", "dummy", "-r", "48000",
                                     "-p", "1024", "-P", std::to_string(playbackPorts)};
    std::vector<char*> argv;
    for (auto& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    setenv("JACK_NO_AUDIO_RESERVATION", "1", 1);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    const int spawned = posix_spawnp(&FPid, "jackd", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        FPid = -1;
        return false;
    }
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (std::chrono::steady_clock::now() < end) {
        jack_status_t status{};
        jack_client_t* probe = jack_client_open(
            "quenthal_probe", static_cast<jack_options_t>(JackNoStartServer | JackServerName), &status, FName.c_str());
        if (probe) {
            jack_client_close(probe);
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

void TPrivateJackServer::Stop(int signal) {
    if (FPid <= 0) return;
    kill(FPid, signal);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    int status = 0;
    while (waitpid(FPid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > end) {
            kill(FPid, SIGKILL);
            waitpid(FPid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    FPid = -1;
}

}  // namespace quenthal::test
