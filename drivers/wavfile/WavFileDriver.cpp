#include "drivers/wavfile/WavFileDriver.h"

#include "drivers/common/DriverModule.h"
#include "drivers/common/DriverSettings.h"

#include <chrono>
#include <filesystem>
#include <system_error>

namespace quenthal::drivers {

namespace {
constexpr double kRates[] = {44100, 48000, 96000, 192000};

bool IsAcceptedRate(double rate) {
    for (double accepted : kRates)
        if (rate == accepted) return true;
    return false;
}

int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
}  // namespace

TWavFileSettings TWavFileSettings::Load() {
    const auto ini = TDriverSettings::Load(DriverConfigFolder() + "/WavFileWriter.ini");
    const std::string section = kWavFileDeviceName;
    TWavFileSettings settings;
    settings.Outputs = static_cast<int32_t>(ini.ReadInteger(section, "Outputs", 2, 1, 256));
    const auto type = static_cast<int32_t>(ini.ReadInteger(section, "SampleType", ASIOSTFloat32LSB, 0, 27));
    settings.SampleType = IsWavSampleType(type) ? type : ASIOSTFloat32LSB;
    settings.BufferSize = static_cast<int32_t>(ini.ReadInteger(section, "BufferSize", 1024, 16, 65536));
    const auto rate = static_cast<double>(ini.ReadInteger(section, "SampleRate", 48000, 1, 1 << 20));
    settings.SampleRate = IsAcceptedRate(rate) ? rate : 48000;
    settings.RealTime = ini.ReadString(section, "Pacing", "realtime") != "free";
    settings.BlockLimit = ini.ReadInteger(section, "BlockLimit", 0, 0, INT64_MAX);
    settings.File = ini.ReadString(section, "File", DocumentsFolder() + "/Quenthal/Quenthal.wav");
    return settings;
}

TWavFileDriver::TWavFileDriver(const TGuid& clsid) : TDriverBase(clsid, kWavFileDeviceName, 1) {}

TWavFileDriver::~TWavFileDriver() {
    Stop();
    DisposeBuffers();
}

TAsioBool TWavFileDriver::Init(void*) {
    FSettings = TWavFileSettings::Load();
    FInitialised = true;
    return 1;
}

TAsioError TWavFileDriver::GetChannels(int32_t* numInputChannels, int32_t* numOutputChannels) {
    if (!FInitialised) return kAsioNotPresent;
    if (numInputChannels) *numInputChannels = 0;
    if (numOutputChannels) *numOutputChannels = FSettings.Outputs;
    return kAsioOK;
}

TAsioError TWavFileDriver::GetLatencies(int32_t* inputLatency, int32_t* outputLatency) {
    if (!FInitialised) return kAsioNotPresent;
    // The file gets each block as soon as the host has rendered it.
    if (inputLatency) *inputLatency = 0;
    if (outputLatency) *outputLatency = FSettings.BufferSize;
    return kAsioOK;
}

TAsioError TWavFileDriver::GetBufferSize(int32_t* minSize, int32_t* maxSize, int32_t* preferredSize,
                                         int32_t* granularity) {
    if (!FInitialised) return kAsioNotPresent;
    return AnswerSingleBufferSize(FSettings.BufferSize, minSize, maxSize, preferredSize, granularity);
}

TAsioError TWavFileDriver::CanSampleRate(TAsioSampleRate sampleRate) {
    return IsAcceptedRate(sampleRate) ? kAsioOK : kAsioNoClock;
}

TAsioError TWavFileDriver::GetSampleRate(TAsioSampleRate* sampleRate) {
    if (!sampleRate) return kAsioInvalidParameter;
    *sampleRate = FSettings.SampleRate;
    return kAsioOK;
}

TAsioError TWavFileDriver::SetSampleRate(TAsioSampleRate sampleRate) {
    if (!IsAcceptedRate(sampleRate)) return kAsioNoClock;
    if (FRunning) return sampleRate == FSettings.SampleRate ? kAsioOK : kAsioInvalidMode;
    FSettings.SampleRate = sampleRate;
    return kAsioOK;
}

TAsioError TWavFileDriver::GetSamplePosition(TAsioInt64* samplePosition, TAsioInt64* timeStamp) {
    return FClock.Answer(FRunning, samplePosition, timeStamp);
}

TAsioError TWavFileDriver::GetChannelInfo(TAsioChannelInfo* info) {
    if (!FInitialised) return kAsioNotPresent;
    if (!info || info->IsInput || info->Channel < 0 || info->Channel >= FSettings.Outputs)
        return kAsioInvalidParameter;
    info->IsActive = FBuffers.Created() && FBuffers.Output(info->Channel, 0) ? 1 : 0;
    info->ChannelGroup = 0;
    info->SampleType = FSettings.SampleType;
    CopyText(info->Name, sizeof info->Name, "Out " + std::to_string(info->Channel + 1));
    return kAsioOK;
}

TAsioError TWavFileDriver::CreateBuffers(TAsioBufferInfo* bufferInfos, int32_t numChannels, int32_t bufferSize,
                                         TAsioCallbacks* callbacks) {
    if (!FInitialised) return kAsioNotPresent;
    if (FRunning) return kAsioInvalidMode;
    if (!callbacks || bufferSize != FSettings.BufferSize) return kAsioInvalidMode;
    const auto result = FBuffers.Create(bufferInfos, numChannels, 0, FSettings.Outputs, bufferSize,
                                        AsioSampleTypeSize(FSettings.SampleType));
    if (result != kAsioOK) return result;
    FInterleaved.assign(static_cast<size_t>(bufferSize) * FSettings.Outputs * AsioSampleTypeSize(FSettings.SampleType),
                        0);
    FHost.Connect(*callbacks);
    return kAsioOK;
}

TAsioError TWavFileDriver::DisposeBuffers() {
    if (!FBuffers.Created()) return kAsioInvalidMode;
    Stop();
    FHost.Disconnect();
    FBuffers.Dispose();
    return kAsioOK;
}

TAsioError TWavFileDriver::Start() {
    if (!FBuffers.Created()) return kAsioNotPresent;
    if (FRunning) return kAsioOK;
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(FSettings.File).parent_path(), ignored);
    FFile = std::fopen(FSettings.File.c_str(), "wb");
    if (!FFile) {
        Fail("Cannot write " + FSettings.File);
        return kAsioHwMalfunction;
    }
    const TWavFormat format{FSettings.Outputs, static_cast<int32_t>(FSettings.SampleRate), FSettings.SampleType};
    const auto header = BuildWavHeader(format, 0);
    if (std::fwrite(header.data(), 1, header.size(), FFile) != header.size()) {
        CloseFile();
        Fail("Cannot write " + FSettings.File);
        return kAsioHwMalfunction;
    }
    FDataBytes = 0;
    FClock.Restart(NowNs());
    ModuleStatistics().Reset();
    FRunning = true;
    try {
        FThread = std::thread([this] { Run(); });
    } catch (...) {
        FRunning = false;
        CloseFile();
        return kAsioHwMalfunction;
    }
    return kAsioOK;
}

TAsioError TWavFileDriver::Stop() {
    if (!FThread.joinable()) return kAsioOK;
    FRunning = false;
    FThread.join();
    CloseFile();
    return kAsioOK;
}

TAsioError TWavFileDriver::OutputReady() { return kAsioOK; }

void TWavFileDriver::Run() noexcept {
    using namespace std::chrono;
    const auto period = duration<double>(FSettings.BufferSize / FSettings.SampleRate);
    auto deadline = steady_clock::now();
    int half = 0;
    int64_t blocks = 0;
    while (FRunning.load(std::memory_order_acquire)) {
        if (FSettings.BlockLimit > 0 && blocks >= FSettings.BlockLimit) {
            std::this_thread::sleep_for(milliseconds(5));
            continue;
        }
        const int64_t now = NowNs();
        FHost.DeliverBlock(half, FClock.Stamp(now), now, FSettings.SampleRate);
        if (!WriteHalf(half)) {
            // Disk full or file gone: the host stops and reopens, which fails visibly at the next start.
            Fail("Cannot write " + FSettings.File);
            FHost.SendMessage(kAsioResetRequest, 0);
            break;
        }
        FClock.Advance(FSettings.BufferSize);
        ModuleStatistics().CountBlock();
        ++blocks;
        half ^= 1;
        if (FSettings.RealTime) {
            deadline += duration_cast<steady_clock::duration>(period);
            const auto late = steady_clock::now() - deadline;
            if (late > steady_clock::duration::zero()) {
                ModuleStatistics().ReportDelay(duration_cast<microseconds>(late).count());
                if (late > period) {  // a whole period lost: count it and take up the clock from now
                    ModuleStatistics().CountXrun();
                    deadline = steady_clock::now();
                }
            }
            std::this_thread::sleep_until(deadline);
        }
    }
}

bool TWavFileDriver::WriteHalf(int half) noexcept {
    FBuffers.InterleaveOutputs(half, FInterleaved.data());
    if (std::fwrite(FInterleaved.data(), 1, FInterleaved.size(), FFile) != FInterleaved.size()) return false;
    FDataBytes += FInterleaved.size();
    return true;
}

void TWavFileDriver::CloseFile() noexcept {
    if (!FFile) return;
    if (FDataBytes & 1) std::fputc(0, FFile);  // RIFF chunks are word aligned
    const TWavFormat format{FSettings.Outputs, static_cast<int32_t>(FSettings.SampleRate), FSettings.SampleType};
    const auto header = BuildWavHeader(format, FDataBytes);
    if (std::fseek(FFile, 0, SEEK_SET) == 0) std::fwrite(header.data(), 1, header.size(), FFile);
    std::fclose(FFile);
    FFile = nullptr;
}

}  // namespace quenthal::drivers
