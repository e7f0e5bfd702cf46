#pragma once
// Sample conversion between the host's float arrays and the driver's native sample formats, and the
// clip routines. The tables are process-wide; each channel copies its converter pair once, when the
// driver's buffers are prepared, and the block only calls it.

#include "asio/AsioDriverInterface.h"

#include <cstdint>

namespace quenthal {

// Driver half -> float array. The source is not const: big-endian inputs are byte-swapped in place.
using TInConverter32 = void (*)(void* source, float* target, int32_t sampleCount);
using TInConverter64 = void (*)(void* source, double* target, int32_t sampleCount);
// Float array -> driver half.
using TOutConverter32 = void (*)(const float* source, void* target, int32_t sampleCount);
using TOutConverter64 = void (*)(const double* source, void* target, int32_t sampleCount);
using TClipRoutine32 = void (*)(float* data, int32_t sampleCount);
using TClipRoutine64 = void (*)(double* data, int32_t sampleCount);

struct TInConverter {
    TInConverter32 ic32 = nullptr;
    TInConverter64 ic64 = nullptr;
    explicit operator bool() const noexcept { return ic32 != nullptr && ic64 != nullptr; }
};
struct TOutConverter {
    TOutConverter32 oc32 = nullptr;
    TOutConverter64 oc64 = nullptr;
    explicit operator bool() const noexcept { return oc32 != nullptr && oc64 != nullptr; }
};
struct TClipBuffer {
    TClipRoutine32 cb32 = nullptr;
    TClipRoutine64 cb64 = nullptr;
};

// Indexed by sample type code; an entry without routines is a type we do not convert.
inline constexpr int32_t kConverterTableSize = 32;
extern TInConverter GlobalInConverters[kConverterTableSize];
extern TOutConverter GlobalOutConverters[kConverterTableSize];

// The pair for a sample type; throws EAsioHostError "Converter type unknown" for a type outside the
// family table.
TInConverter InputConverterFor(int32_t sampleType);
TOutConverter OutputConverterFor(int32_t sampleType);

// Fill the tables with the plain routines (also done at load time), or put the dithering output
// routines in place for the integer types 16, 17, 24, 25, 26 and 27.
void UsePlainConverters();
void UseUdfConverters();
void UseTdfConverters();

// Limit to [-1, +1]; values inside pass bit-exactly, NaN becomes 0.
void ClipDigital32(float* data, int32_t sampleCount);
void ClipDigital64(double* data, int32_t sampleCount);
// Soft saturation: 1.0 -> 20/22, tends to +-2 for large values.
void ClipAnalog32(float* data, int32_t sampleCount);
void ClipAnalog64(double* data, int32_t sampleCount);

}  // namespace quenthal
