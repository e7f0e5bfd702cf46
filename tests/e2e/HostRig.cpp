#include "tests/e2e/HostRig.h"

#include "asio/AsioConvert.h"

#include <cmath>
#include <stdexcept>

namespace quenthal::test {

THostRig::THostRig(const std::string& configFolder)
    : FConfigFolder(configFolder),
      FRegistry({TestDriverFolder()}, ""),
      FLoader(FRegistry, std::vector<std::string>{}) {
    // Every module gets the test's settings folder and stays loaded for the test.
    for (const auto& name : FRegistry.SubKeyNames(TRegistryRoot::LocalMachine, "software\\asio")) {
        const std::string path = FLoader.ModulePath(AsioClsidFromDeviceName(name.c_str()));
        if (path.empty() || FHooks.count(path)) continue;
        FHooks[path] = std::make_unique<TModuleHooks>(path);
        FHooks[path]->SetConfigFolder(configFolder);
    }
    FHost = std::make_unique<TAsioHost>(
        TAsioHostEnvironment{FRegistry, FLoader, FGuiQueue, TDriverSearchFolders{TestDriverFolder(), ""}});
    FHost->SetPreventClipping(TPreventClipping::pcDigital);
    FHost->OnError = [this](TCustomAsioHostBasic&, const std::string& message) { FErrors.push_back(message); };
    FHost->OnReset = [this](TCustomAsioHostBasic&) { ++FResets; };
}

THostRig::~THostRig() {
    FHost.reset();  // stops and closes the driver before the modules go
}

const TModuleHooks& THostRig::Hooks(const std::string& deviceName) {
    for (const auto& name : FRegistry.SubKeyNames(TRegistryRoot::LocalMachine, "software\\asio")) {
        const auto description = FRegistry.ReadString(TRegistryRoot::LocalMachine, "software\\asio\\" + name,
                                                      "description");
        if (name != deviceName && description.value_or("") != deviceName) continue;
        return *FHooks.at(FLoader.ModulePath(AsioClsidFromDeviceName(name.c_str())));
    }
    throw std::runtime_error("no module for " + deviceName);
}

void THostRig::Choose(const std::string& driverListName, int32_t sampleRate) {
    FHost->SetDriverName(driverListName);
    if (!FHost->DriverOpen()) throw std::runtime_error("driver not open: " + driverListName);
    FHost->SetSampleRate(sampleRate);
    FCore.SetSamplerate(static_cast<int32_t>(std::lround(FHost->SampleRate())));
    FCore.SetChannelCount(FHost->OutputChannelCount());
    FCore.ChannelCountChanged();
    FCore.UpdateSamplerate();
}

std::vector<double> THostRig::SetSines(const std::vector<float>& frequencies, const std::vector<double>& gainsDb,
                                      int32_t sine) {
    std::vector<double> gains;
    for (size_t k = 0; k < frequencies.size(); ++k) {
        const double gain = static_cast<float>(std::pow(10.0, gainsDb[k] / 20.0));
        FCore.SetSineFrequency(static_cast<int32_t>(k), sine, frequencies[k]);
        FCore.SetSineAmplitude(static_cast<int32_t>(k), sine, gain);
        gains.push_back(gain);
    }
    return gains;
}

void THostRig::StartSine(bool fadeIn) {
    // As the start of the output does: open, reset, the engine's rate to the driver.
    FHost->OpenDriver();
    FHost->Reset();
    FHost->SetSampleRate(FCore.Samplerate());
    if (FHost->BufferSize() < 1000) throw std::runtime_error("buffer below 1000 samples");
    FCore.FFadeGain.store(fadeIn ? TGeneratorCore::kFadeInStartGain : 1.0);
    FCore.FFadeDirection.store(fadeIn ? TFadeDirection::fdUp : TFadeDirection::fdNone);
    FHost->SetOnBufferSwitch32(TBufferSwitchEvent32::Of<&TGeneratorCore::BufferSwitchSine32>(&FCore));
    FHost->SetActive(true);
    if (!FHost->Active()) throw std::runtime_error("the driver did not start");
}

void THostRig::Stop() {
    FHost->SetActive(false);
    FHost->CloseDriver();
}

TReferenceRender::TReferenceRender(int32_t outputs, int32_t sampleRate, int32_t bufferSize, int32_t sampleType,
                                   const std::vector<float>& frequencies, const std::vector<double>& gains)
    : FOutputs(outputs), FBufferSize(bufferSize), FSampleType(sampleType) {
    FCore.SetSamplerate(sampleRate);
    FCore.SetChannelCount(outputs);
    FCore.ChannelCountChanged();
    FCore.UpdateSamplerate();
    for (size_t k = 0; k < frequencies.size(); ++k) {
        FCore.SetSineFrequency(static_cast<int32_t>(k), 0, frequencies[k]);
        FCore.SetSineAmplitude(static_cast<int32_t>(k), 0, gains[k]);
    }
    FCore.FFadeGain.store(1.0);
    FCore.FFadeDirection.store(TFadeDirection::fdNone);
    FFloat.assign(static_cast<size_t>(outputs), std::vector<float>(static_cast<size_t>(bufferSize)));
    for (auto& channel : FFloat) FChannels.push_back(channel.data());
}

std::vector<uint8_t> TReferenceRender::NextInterleavedBlock() {
    const TArrayOfSingleFixedArray none;
    const TArrayOfSingleFixedArray out(FChannels.data(), FOutputs, FBufferSize);
    FCore.BufferSwitchSine32(nullptr, none, out);
    const int32_t width = AsioSampleTypeSize(FSampleType);
    const auto convert = OutputConverterFor(FSampleType).oc32;
    std::vector<uint8_t> half(static_cast<size_t>(FBufferSize * width));
    std::vector<uint8_t> block(static_cast<size_t>(FBufferSize * width * FOutputs));
    for (int32_t channel = 0; channel < FOutputs; ++channel) {
        ClipDigital32(FChannels[static_cast<size_t>(channel)], FBufferSize);
        convert(FChannels[static_cast<size_t>(channel)], half.data(), FBufferSize);
        for (int32_t frame = 0; frame < FBufferSize; ++frame)
            std::memcpy(&block[static_cast<size_t>((frame * FOutputs + channel) * width)],
                        &half[static_cast<size_t>(frame * width)], static_cast<size_t>(width));
    }
    return block;
}

}  // namespace quenthal::test
