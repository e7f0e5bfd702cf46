// The four process-wide driver callbacks, the host messages that carry driver requests and deferred
// blocks to the GUI thread, and the base per-block flow.
#include "asio/AsioHost.h"

#include <cstring>

namespace quenthal {

namespace {
// The sample-position message of the last block: rewritten by every block, read right away by the
// same thread.
struct TSamplePositionMessage {
    std::atomic<uint32_t> Hi{0};
    std::atomic<uint32_t> Lo{0};
} gSamplePositionMessage;

bool AnswersSupport(TCustomAsioHostBasic* host, TAsioSupports flag) noexcept {
    return host == nullptr || (host->Supports() & flag) != 0;
}
}  // namespace

// Exceptions never leave a callback: the driver's thread has no one to hand them to.
struct TAsioHostCallbacks {
    static void BufferSwitch(int32_t doubleBufferIndex, TAsioBool directProcess) noexcept {
        TCustomAsioHostBasic* host = TCustomAsioHostBasic::CurrentHost();
        if (!host) return;
        try {
            if (directProcess == 1) {
                host->BufferSwitch(doubleBufferIndex);
            } else if (directProcess == 0) {
                host->PostHostMessage(TCustomAsioHostBasic::THostMessage::DeferredBlock, 1, doubleBufferIndex);
            }
        } catch (...) {
        }
    }

    static TAsioTime* BufferSwitchTimeInfo(TAsioTime* params, int32_t doubleBufferIndex,
                                           TAsioBool directProcess) noexcept {
        TCustomAsioHostBasic* host = TCustomAsioHostBasic::CurrentHost();
        if (!host || !params) return nullptr;
        try {
            if (directProcess == 1) {
                host->BufferSwitchTimeInfo(doubleBufferIndex, *params);
            } else if (directProcess == 0) {
                host->PostDeferredTimeInfoBlock(*params, doubleBufferIndex);
            }
        } catch (...) {
        }
        return nullptr;
    }

    static void SampleRateDidChange(TAsioSampleRate sampleRate) noexcept {
        TCustomAsioHostBasic* host = TCustomAsioHostBasic::CurrentHost();
        if (!host) return;
        try {
            host->SetSampleRate(sampleRate);
            if (host->OnSampleRateChanged) host->OnSampleRateChanged(*host);
        } catch (...) {
        }
    }

    static int32_t AsioMessage(int32_t selector, int32_t, void*, double*) noexcept {
        TCustomAsioHostBasic* host = TCustomAsioHostBasic::CurrentHost();
        using M = TCustomAsioHostBasic::THostMessage;
        try {
            switch (selector) {
                case kAsioSelectorSupported: return 1;
                case kAsioEngineVersion: return host ? host->FEngineVersion : 2;
                case kAsioResetRequest:
                case kAsioBufferSizeChange:
                    if (!host) return 0;
                    host->PostHostMessage(M::DriverRequest, 0, 0);
                    return 1;
                case kAsioResyncRequest:
                case kAsioLatenciesChanged:
                    if (!host) return 0;
                    host->PostHostMessage(M::DriverRequest, 3, 0);
                    return 1;
                case kAsioSupportsTimeInfo: return AnswersSupport(host, assSupportsTimeInfo) ? 1 : 0;
                case kAsioSupportsTimeCode: return AnswersSupport(host, assSupportsTimeCode) ? 1 : 0;
                case kAsioSupportsInputMonitor: return AnswersSupport(host, assSupportsInputMonitor) ? 1 : 0;
                default: return 0;
            }
        } catch (...) {
            return 0;
        }
    }
};

const TAsioCallbacks& HostDriverCallbacks() noexcept {
    static const TAsioCallbacks callbacks{&TAsioHostCallbacks::BufferSwitch, &TAsioHostCallbacks::SampleRateDidChange,
                                          &TAsioHostCallbacks::AsioMessage, &TAsioHostCallbacks::BufferSwitchTimeInfo};
    return callbacks;
}

// ---- Host messages -------------------------------------------------------------------------------

void TCustomAsioHostBasic::PostHostMessage(THostMessage message, int32_t wParam, int32_t lParam) {
    FGuiQueue.Post([self = FSelf, message, wParam, lParam] {
        if (TCustomAsioHostBasic* host = self->load(std::memory_order_acquire))
            host->HandleHostMessage(message, wParam, lParam);
    });
}

// The driver's time record travels with the deferred block, so the driver thread never writes the
// record the GUI thread may be reading; it becomes AsioTime's record when the block runs.
void TCustomAsioHostBasic::PostDeferredTimeInfoBlock(const TAsioTime& params, int32_t index) {
    FGuiQueue.Post([self = FSelf, params, index] {
        if (TCustomAsioHostBasic* host = self->load(std::memory_order_acquire)) {
            if (!host->BlockDriver()) return;
            host->FAsioTime.Record() = params;
            host->HandleHostMessage(THostMessage::DeferredBlockTimeInfo, 2, index);
        }
    });
}

void TCustomAsioHostBasic::HandleHostMessage(THostMessage message, int32_t wParam, int32_t lParam) {
    switch (message) {
        case THostMessage::DriverRequest:
            if (!FDriver) return;
            switch (wParam) {
                case 0: ResetFromDriverRequest(); break;
                case 1: BufferSwitch(lParam); break;
                case 2: BufferSwitchTimeInfo(lParam, FAsioTime.Record()); break;
                case 3:
                    FDriver->GetLatencies(&FInputLatency, &FOutputLatency);
                    if (OnLatencyChanged) OnLatencyChanged(*this);
                    break;
                default: break;
            }
            break;
        case THostMessage::SamplePosition:
            if (OnUpdateSamplePos)
                OnUpdateSamplePos(*this, static_cast<int64_t>((static_cast<uint64_t>(static_cast<uint32_t>(wParam)) << 32) |
                                                              static_cast<uint32_t>(lParam)));
            break;
        case THostMessage::DeferredBlock:
            if (BlockDriver()) BufferSwitch(lParam);
            break;
        case THostMessage::DeferredBlockTimeInfo:
            if (BlockDriver()) BufferSwitchTimeInfo(lParam, FAsioTime.Record());
            break;
        case THostMessage::Reset: ResetFromDriverRequest(); break;
    }
}

// A queued closure has no caller to take an exception: a failed reset is reported through OnError.
void TCustomAsioHostBasic::ResetFromDriverRequest() {
    try {
        Reset();
    } catch (const std::exception& error) {
        if (OnError) OnError(*this, error.what());
    }
}

// ---- The base block flow -------------------------------------------------------------------------

void TCustomAsioHostBasic::BufferSwitch(int32_t index) {
    IStdCallAsio* driver = BlockDriver();
    if (!driver) return;
    TAsioTime& record = FAsioTime.Record();
    record.TimeCode = TAsioTimeCode{};
    if (driver->GetSamplePosition(&record.TimeInfo.SamplePosition, &record.TimeInfo.SystemTime) == kAsioOK)
        record.TimeInfo.Flags |= atSystemTimeValid | atSamplePositionValid;
    BufferSwitchTimeInfo(index, record);
}

void TCustomAsioHostBasic::DispatchSamplePosition(const TAsioTime& params) {
    gSamplePositionMessage.Hi.store(params.TimeInfo.SamplePosition.Hi, std::memory_order_relaxed);
    gSamplePositionMessage.Lo.store(params.TimeInfo.SamplePosition.Lo, std::memory_order_relaxed);
    HandleHostMessage(THostMessage::SamplePosition,
                      static_cast<int32_t>(gSamplePositionMessage.Hi.load(std::memory_order_relaxed)),
                      static_cast<int32_t>(gSamplePositionMessage.Lo.load(std::memory_order_relaxed)));
}

void TCustomAsioHostBasic::BufferSwitchTimeInfo(int32_t index, const TAsioTime& params) {
    IStdCallAsio* driver = BlockDriver();
    if (!driver || (index != 0 && index != 1)) return;
    try {
        DispatchSamplePosition(params);
        if (OnBufferSwitch) OnBufferSwitch(*this, FInputBuffers, index);
    } catch (const std::exception& error) {
        SilenceOutputs(index);
        NoteBlockFault(error.what());
    } catch (...) {
        SilenceOutputs(index);
        NoteBlockFault("unknown exception");
    }
    driver->OutputReady();
}

void TCustomAsioHostBasic::SilenceOutputs(int32_t index) noexcept {
    if (!FOutputBuffers || (index != 0 && index != 1)) return;
    for (int32_t i = 0; i < FOutputChannelCount && i < static_cast<int32_t>(FOutputChannelInfos.size()); ++i) {
        void* half = FOutputBuffers[i].Buffers[index];
        if (half)
            std::memset(half, 0, static_cast<size_t>(FBufferSize) *
                                     static_cast<size_t>(AsioSampleTypeSize(FOutputChannelInfos[i].SampleType)));
    }
}

void TCustomAsioHostBasic::NoteBlockFault(const char* message) noexcept {
    FBlockFaultCount.fetch_add(1, std::memory_order_relaxed);
    if (FBlockFaultReported.exchange(true, std::memory_order_acq_rel)) return;
    std::strncpy(FBlockFaultText, message ? message : "", sizeof FBlockFaultText - 1);
    FBlockFaultText[sizeof FBlockFaultText - 1] = 0;
    try {
        FGuiQueue.Post([self = FSelf] {
            if (TCustomAsioHostBasic* host = self->load(std::memory_order_acquire))
                if (host->OnError) host->OnError(*host, std::string("Exception in the audio block: ") + host->FBlockFaultText);
        });
    } catch (...) {
    }
}

}  // namespace quenthal
