#pragma once
// The program's audio path for the end-to-end tests: the real ASIO host over the bundled driver
// modules (registry and dlopen loader as the program builds them, from the build tree), the engine
// with its real renderers, and a GUI queue that the test drains. Device choice and start follow the
// main window: choose by name, size the engine to the outputs, take the rate, open, fade in, start.

#include "asio/AsioHost.h"
#include "engine/GeneratorCore.h"
#include "platform/DlopenModuleLoader.h"
#include "platform/DriverRegistry.h"
#include "platform/GuiQueue.h"
#include "tests/e2e/DriverHarness.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace quenthal::test {

class THostRig {
public:
    // configFolder: where the driver modules read their settings files.
    explicit THostRig(const std::string& configFolder);
    ~THostRig();

    TAsioHost& Host() { return *FHost; }
    TGeneratorCore& Core() { return FCore; }
    TManualGuiQueue& GuiQueue() { return FGuiQueue; }
    // The hooks of the module that serves a driver list name.
    const TModuleHooks& Hooks(const std::string& deviceName);
    std::vector<std::string> Errors() const { return FErrors; }
    int Resets() const { return FResets; }

    // The device choice: opens the driver, sizes the engine (one sine per output at 1 kHz -6 dBFS)
    // and sets the rate.
    void Choose(const std::string& driverListName, int32_t sampleRate);
    // The start of the output: open, reset, rate, fade in from -90 dB (or no fade), sine renderer,
    // Active.
    void StartSine(bool fadeIn);
    void Stop();

    // Sine `sine` of output k plays `frequencies[k]` Hz at `gainsDb[k]` dBFS (rounded to single
    // precision, as the sine page does). Returns the linear gains used.
    std::vector<double> SetSines(const std::vector<float>& frequencies, const std::vector<double>& gainsDb,
                                 int32_t sine = 0);

private:
    std::string FConfigFolder;
    TDriverRegistry FRegistry;
    TDlopenModuleLoader FLoader;
    TManualGuiQueue FGuiQueue;
    std::map<std::string, std::unique_ptr<TModuleHooks>> FHooks;  // module path -> hooks
    TGeneratorCore FCore;
    std::unique_ptr<TAsioHost> FHost;
    std::vector<std::string> FErrors;
    int FResets = 0;
};

// The same engine setup rendered offline through the host's own clip and converter: the bytes a
// driver must receive for `blocks` blocks, each channel's half as the host writes it.
class TReferenceRender {
public:
    TReferenceRender(int32_t outputs, int32_t sampleRate, int32_t bufferSize, int32_t sampleType,
                     const std::vector<float>& frequencies, const std::vector<double>& gains);
    // The next block, interleaved frame by frame as a device or file stores it.
    std::vector<uint8_t> NextInterleavedBlock();

private:
    TGeneratorCore FCore;
    int32_t FOutputs, FBufferSize, FSampleType;
    std::vector<std::vector<float>> FFloat;
    std::vector<float*> FChannels;
};

}  // namespace quenthal::test
