#pragma once
// JACK pieces of the end-to-end tests: a capture client that records what the program plays, and a
// private server that a test may kill and start again without touching the shared one.

#include <jack/jack.h>

#include <sys/types.h>

#include <atomic>
#include <string>
#include <vector>

namespace quenthal::test {

class TJackTap {
public:
    // A client "quenthal_tap" on the server (empty: the default) with `ports` inputs, room for
    // `seconds` of audio per port.
    TJackTap(int ports, double seconds, const std::string& serverName = "");
    ~TJackTap();
    bool Ok() const { return FClient != nullptr; }
    jack_client_t* Client() const { return FClient; }
    // Connects source ports, e.g. "Quenthal:out_1", to the tap's inputs in order.
    bool Connect(const std::vector<std::string>& sources);
    // Starts recording afresh; Frames() grows until the room is full.
    void Record();
    size_t Frames() const { return FFrames.load(std::memory_order_acquire); }
    const float* Samples(int port) const { return FSamples[static_cast<size_t>(port)].data(); }
    int Xruns() const { return FXruns.load(); }

private:
    static int Process(jack_nframes_t frames, void* self) noexcept;
    static int Xrun(void* self) noexcept;
    jack_client_t* FClient = nullptr;
    std::vector<jack_port_t*> FPorts;
    std::vector<std::vector<float>> FSamples;
    std::atomic<size_t> FFrames{0};
    std::atomic<bool> FRecording{false};
    std::atomic<int> FXruns{0};
};

// `jackd -n <name> --no-realtime -d dummy ...`, stopped by its PID.
class TPrivateJackServer {
public:
    explicit TPrivateJackServer(std::string name) : FName(std::move(name)) {}
    ~TPrivateJackServer() { Stop(15); }
    // Starts the server and waits until a client can connect (false after 15 s).
    bool Start(int playbackPorts = 2);
    // Sends the signal and reaps the process (SIGKILL after 5 s).
    void Stop(int signal);
    const std::string& Name() const { return FName; }

private:
    std::string FName;
    pid_t FPid = -1;
};

}  // namespace quenthal::test
