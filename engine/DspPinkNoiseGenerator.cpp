#include "engine/DspPinkNoiseGenerator.h"

#include "platform/Random.h"

namespace quenthal {

void TCustomPinkNoiseGenerator::ProcessBlock32(float* Data, int32_t SampleCount) {
    for (int32_t i = 0; i < SampleCount; ++i) Data[i] = ProcessSample32();
}

void TCustomPinkNoiseGenerator::ProcessBlock64(double* Data, int32_t SampleCount) {
    for (int32_t i = 0; i < SampleCount; ++i) Data[i] = ProcessSample64();
}

void TCustomPinkNoiseGenerator::AssignTo(TNotifiablePersistent& Dest) const {
    if (auto* dest = dynamic_cast<TCustomPinkNoiseGenerator*>(&Dest)) dest->FContribution = FContribution;
    TDspPersistent::AssignTo(Dest);
}

double TPinkNoiseGenerator::ProcessSample64() {
    const double r0 = Random();
    for (int stage = 0; stage < kStageCount; ++stage) {
        if (kStageThreshold[stage] >= r0) {
            FContribution[stage] = (2.0 * Random() - 1.0) * kStageAmplitude[stage];
            break;
        }
    }
    return (FContribution[0] + FContribution[1] + FContribution[2] + FContribution[3] + FContribution[4]) *
           FAmplitude;
}

}  // namespace quenthal
