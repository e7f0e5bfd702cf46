#include "asio/AsioConvert.h"

#include "asio/AsioHostError.h"
#include "platform/Random.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <type_traits>

#if defined(__x86_64__) || defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quenthal {

static_assert(std::endian::native == std::endian::little, "the converters assume a little-endian host");

TInConverter GlobalInConverters[kConverterTableSize];
TOutConverter GlobalOutConverters[kConverterTableSize];

namespace {

// ---- Rounding: nearest, ties to even (the default rounding mode) --------------------------------
// Out of range gives an unspecified value, never undefined behaviour; only the low bytes are kept.

inline int64_t RoundToInt64(double value) noexcept {
#if defined(__x86_64__)
    return _mm_cvtsd_si64(_mm_set_sd(value));
#else
    return std::llrint(value);
#endif
}

inline int64_t RoundToInt64(long double value) noexcept {
#if defined(__x86_64__) || defined(__i386__)
    int64_t result;
    __asm__("fistpll %0" : "=m"(result) : "t"(value) : "st");
    return result;
#else
    return std::llrintl(value);
#endif
}

enum TDither { kNoDither, kUdf, kTdf };

// x * scale rounded to an integer, in extended precision. For a float sample and a scale of at most
// 2^29 the product is exact in double, so the double path gives the very same integer, faster.
template <typename Sample, int64_t Scale, TDither Dither>
inline int64_t ScaleAndRound(Sample x) noexcept {
    if constexpr (Dither == kNoDither && sizeof(Sample) == 4 && Scale <= (int64_t(1) << 29)) {
        return RoundToInt64(static_cast<double>(x) * static_cast<double>(Scale));
    } else {
        long double product = static_cast<long double>(x) * static_cast<long double>(Scale);
        if constexpr (Dither == kUdf) {
            product += static_cast<long double>(2.0 * Random() - 1.0) * 0x1p-32L;
        } else if constexpr (Dither == kTdf) {
            const double r1 = Random();
            const double r2 = Random();
            product += static_cast<long double>(r1 - r2) * 0x1p-33L;
        }
        return RoundToInt64(product);
    }
}

// ---- Byte access --------------------------------------------------------------------------------

template <int Bytes, bool BigEndian = false>
inline void StoreLow(uint8_t* target, int64_t value) noexcept {
    const auto bits = static_cast<uint64_t>(value);
    if constexpr (Bytes == 2) {
        auto word = static_cast<uint16_t>(bits);
        if constexpr (BigEndian) word = static_cast<uint16_t>((word >> 8) | (word << 8));
        std::memcpy(target, &word, 2);
    } else if constexpr (Bytes == 3) {
        target[BigEndian ? 2 : 0] = static_cast<uint8_t>(bits);
        target[1] = static_cast<uint8_t>(bits >> 8);
        target[BigEndian ? 0 : 2] = static_cast<uint8_t>(bits >> 16);
    } else {
        auto word = static_cast<uint32_t>(bits);
        if constexpr (BigEndian) word = __builtin_bswap32(word);
        std::memcpy(target, &word, 4);
    }
}

// The stored value, sign-extended from the container's width.
template <int Bytes>
inline int32_t LoadSigned(const uint8_t* source) noexcept {
    if constexpr (Bytes == 2) {
        int16_t word;
        std::memcpy(&word, source, 2);
        return word;
    } else if constexpr (Bytes == 3) {
        const uint32_t bits = uint32_t(source[0]) | (uint32_t(source[1]) << 8) | (uint32_t(source[2]) << 16);
        return static_cast<int32_t>(bits << 8) >> 8;
    } else {
        int32_t word;
        std::memcpy(&word, source, 4);
        return word;
    }
}

// Big-endian input: reverses the sample's bytes in the driver's half, then reads it as the
// little-endian twin would. One pass instead of a swap pass and a conversion pass; same bytes, same values.
template <int Bytes>
inline int32_t SwapInPlaceAndLoad(uint8_t* sample) noexcept {
    if constexpr (Bytes == 2) {
        const uint8_t high = sample[0];
        sample[0] = sample[1];
        sample[1] = high;
    } else if constexpr (Bytes == 3) {
        const uint8_t high = sample[0];
        sample[0] = sample[2];
        sample[2] = high;
    } else {
        uint32_t word;
        std::memcpy(&word, sample, 4);
        word = __builtin_bswap32(word);
        std::memcpy(sample, &word, 4);
    }
    return LoadSigned<Bytes>(sample);
}

template <int Bytes>
void ReverseEachSample(void* data, int32_t sampleCount) noexcept {
    auto* bytes = static_cast<uint8_t*>(data);
    for (int32_t i = 0; i < sampleCount; ++i, bytes += Bytes) {
        if constexpr (Bytes == 2) {
            uint16_t v;
            std::memcpy(&v, bytes, 2);
            v = static_cast<uint16_t>((v >> 8) | (v << 8));
            std::memcpy(bytes, &v, 2);
        } else if constexpr (Bytes == 4) {
            uint32_t v;
            std::memcpy(&v, bytes, 4);
            v = __builtin_bswap32(v);
            std::memcpy(bytes, &v, 4);
        } else if constexpr (Bytes == 8) {
            uint64_t v;
            std::memcpy(&v, bytes, 8);
            v = __builtin_bswap64(v);
            std::memcpy(bytes, &v, 8);
        } else {
            for (int k = 0; k < Bytes / 2; ++k) {
                const uint8_t t = bytes[k];
                bytes[k] = bytes[Bytes - 1 - k];
                bytes[Bytes - 1 - k] = t;
            }
        }
    }
}

// ---- Integer types ------------------------------------------------------------------------------

// A big-endian twin stores the little-endian twin's integer with its bytes reversed.
template <typename Sample, int Bytes, int64_t Scale, TDither Dither, bool BigEndian = false>
void OutInteger(const Sample* source, void* target, int32_t sampleCount) {
    auto* out = static_cast<uint8_t*>(target);
    int32_t i = 0;
    if constexpr (Bytes == 3) {
        // Packed samples written four bytes at a time: the fourth byte is the next sample's first,
        // which the next store writes again; the last sample is stored with exactly three bytes.
        for (; i + 1 < sampleCount; ++i) {
            auto word = static_cast<uint32_t>(ScaleAndRound<Sample, Scale, Dither>(source[i]));
            word = BigEndian ? __builtin_bswap32(word << 8) : word;
            std::memcpy(out + i * 3, &word, 4);
        }
    }
    for (; i < sampleCount; ++i)
        StoreLow<Bytes, BigEndian>(out + i * Bytes, ScaleAndRound<Sample, Scale, Dither>(source[i]));
}

// Value times the reciprocal of the scale, in double, then stored in the array's precision. Upper24:
// the packed 24-bit value as the upper 24 bits of a 32-bit one.
template <typename Sample, int Bytes, bool BigEndian = false, bool Upper24 = false>
void InInteger(void* source, Sample* target, int32_t sampleCount, double factor) {
    auto* in = static_cast<uint8_t*>(source);
    int32_t i = 0;
    if constexpr (Bytes == 3) {
        // Packed samples read four bytes at a time; the last one with exactly three. Big-endian: the
        // three bytes are reversed in place, written as exactly three bytes, so the next load does not
        // wait on a store that overlaps it.
        for (; i + 1 < sampleCount; ++i) {
            uint32_t word;
            std::memcpy(&word, in + i * 3, 4);
            uint32_t upperBits = word << 8;
            if constexpr (BigEndian) {
                upperBits = __builtin_bswap32(word) & 0xFFFFFF00u;
                const uint32_t swapped = upperBits >> 8;
                std::memcpy(in + i * 3, &swapped, 2);
                in[i * 3 + 2] = static_cast<uint8_t>(swapped >> 16);
            }
            const auto upper = static_cast<int32_t>(upperBits);
            const int32_t value = Upper24 ? upper : upper >> 8;
            target[i] = static_cast<Sample>(static_cast<double>(value) * factor);
        }
    }
    for (; i < sampleCount; ++i) {
        int32_t value = BigEndian ? SwapInPlaceAndLoad<Bytes>(in + i * Bytes) : LoadSigned<Bytes>(in + i * Bytes);
        if constexpr (Upper24) value = static_cast<int32_t>(static_cast<uint32_t>(value) << 8);
        target[i] = static_cast<Sample>(static_cast<double>(value) * factor);
    }
}

constexpr double kInt16Factor = static_cast<double>(1.0f / 32767.0f);  // held as a 32-bit float
static_assert(kInt16Factor == 3.0518509447574615e-05);

template <typename Sample, bool BigEndian = false>
void InInt16(void* source, Sample* target, int32_t n) { InInteger<Sample, 2, BigEndian>(source, target, n, kInt16Factor); }
// Packed 24 bits: into 32-bit floats as the upper 24 bits of a 32-bit value, into 64-bit floats as the
// sign-extended 24-bit value.
template <bool BigEndian = false>
void InInt24Single(void* source, float* target, int32_t n) {
    InInteger<float, 3, BigEndian, true>(source, target, n, 1.0 / 2147483647.0);
}
template <bool BigEndian = false>
void InInt24Double(void* source, double* target, int32_t n) {
    InInteger<double, 3, BigEndian>(source, target, n, 1.0 / 8388607.0);
}
template <typename Sample, bool BigEndian = false>
void InInt32(void* source, Sample* target, int32_t n) { InInteger<Sample, 4, BigEndian>(source, target, n, 1.0 / 2147483647.0); }
template <typename Sample, bool BigEndian = false>
void InInt32LSB16(void* source, Sample* target, int32_t n) { InInteger<Sample, 4, BigEndian>(source, target, n, kInt16Factor); }
template <typename Sample, bool BigEndian = false>
void InInt32LSB18(void* source, Sample* target, int32_t n) { InInteger<Sample, 4, BigEndian>(source, target, n, 1.0 / 131071.0); }
template <typename Sample, bool BigEndian = false>
void InInt32LSB20(void* source, Sample* target, int32_t n) { InInteger<Sample, 4, BigEndian>(source, target, n, 1.0 / 524287.0); }
template <typename Sample, bool BigEndian = false>
void InInt32LSB24(void* source, Sample* target, int32_t n) { InInteger<Sample, 4, BigEndian>(source, target, n, 1.0 / 8388607.0); }

// ---- Float types --------------------------------------------------------------------------------

template <typename From, typename To>
void CopyOrConvert(const From* source, To* target, int32_t sampleCount) {
    if constexpr (sizeof(From) == sizeof(To)) {
        std::memcpy(target, source, sizeof(To) * static_cast<size_t>(sampleCount));
    } else {
        for (int32_t i = 0; i < sampleCount; ++i) target[i] = static_cast<To>(source[i]);
    }
}
template <typename Sample>
void InFloat32(void* source, Sample* target, int32_t n) { CopyOrConvert(static_cast<const float*>(source), target, n); }
template <typename Sample>
void InFloat64(void* source, Sample* target, int32_t n) { CopyOrConvert(static_cast<const double*>(source), target, n); }
template <typename Sample>
void OutFloat32(const Sample* source, void* target, int32_t n) { CopyOrConvert(source, static_cast<float*>(target), n); }
template <typename Sample>
void OutFloat64(const Sample* source, void* target, int32_t n) { CopyOrConvert(source, static_cast<double*>(target), n); }

// ---- Big-endian twins ---------------------------------------------------------------------------

// Output: convert as the little-endian twin, then reverse every sample in the driver's half.
template <typename Sample, auto Twin, int Bytes>
void OutBigEndian(const Sample* source, void* target, int32_t sampleCount) {
    Twin(source, target, sampleCount);
    ReverseEachSample<Bytes>(target, sampleCount);
}
// Input: reverse the driver's half in place, then convert as the twin.
template <typename Sample, auto Twin, int Bytes>
void InBigEndian(void* source, Sample* target, int32_t sampleCount) {
    ReverseEachSample<Bytes>(source, sampleCount);
    Twin(source, target, sampleCount);
}
// A float twin that converts between precisions: each sample reversed in place, then widened or
// narrowed, in one pass.
template <typename From, typename To>
void InBigEndianFloat(void* source, To* target, int32_t sampleCount) {
    using TBits = std::conditional_t<sizeof(From) == 4, uint32_t, uint64_t>;
    auto* in = static_cast<uint8_t*>(source);
    for (int32_t i = 0; i < sampleCount; ++i) {
        TBits bits;
        std::memcpy(&bits, in + i * sizeof(From), sizeof(From));
        if constexpr (sizeof(From) == 4) bits = __builtin_bswap32(bits);
        else bits = __builtin_bswap64(bits);
        std::memcpy(in + i * sizeof(From), &bits, sizeof(From));
        From value;
        std::memcpy(&value, &bits, sizeof(From));
        target[i] = static_cast<To>(value);
    }
}

// A float twin that copies: copy first and reverse the copy, the driver's half stays as it was.
template <typename Sample>
void InBigEndianCopy(void* source, Sample* target, int32_t sampleCount) {
    std::memcpy(target, source, sizeof(Sample) * static_cast<size_t>(sampleCount));
    ReverseEachSample<sizeof(Sample)>(target, sampleCount);
}

// ---- Tables -------------------------------------------------------------------------------------

template <int Bytes, int64_t Scale, TDither Dither>
TOutConverter OutIntegerPair() {
    return {&OutInteger<float, Bytes, Scale, Dither>, &OutInteger<double, Bytes, Scale, Dither>};
}

template <TDither Dither>
void PutDitheredOutputs() {
    GlobalOutConverters[ASIOSTInt16LSB] = OutIntegerPair<2, 32767, Dither>();
    GlobalOutConverters[ASIOSTInt24LSB] = OutIntegerPair<3, 8388607, Dither>();
    GlobalOutConverters[ASIOSTInt32LSB16] = OutIntegerPair<4, 32767, Dither>();
    GlobalOutConverters[ASIOSTInt32LSB18] = OutIntegerPair<4, 131071, Dither>();
    GlobalOutConverters[ASIOSTInt32LSB20] = OutIntegerPair<4, 524287, Dither>();
    GlobalOutConverters[ASIOSTInt32LSB24] = OutIntegerPair<4, 8388607, Dither>();
}

template <int Bytes, int64_t Scale>
TOutConverter OutBigEndianIntegerPair() {
    return {&OutInteger<float, Bytes, Scale, kNoDither, true>, &OutInteger<double, Bytes, Scale, kNoDither, true>};
}

// The big-endian twins: integers swap inside the conversion pass; the float twins convert as the
// little-endian twin and then reverse (output), or reverse and convert (input), or copy and reverse
// the copy (input into the same precision), leaving the driver's half untouched.
void PutBigEndianTwins() {
    GlobalInConverters[ASIOSTInt16MSB] = {&InInt16<float, true>, &InInt16<double, true>};
    GlobalInConverters[ASIOSTInt24MSB] = {&InInt24Single<true>, &InInt24Double<true>};
    GlobalInConverters[ASIOSTInt32MSB] = {&InInt32<float, true>, &InInt32<double, true>};
    GlobalInConverters[ASIOSTInt32MSB16] = {&InInt32LSB16<float, true>, &InInt32LSB16<double, true>};
    GlobalInConverters[ASIOSTInt32MSB18] = {&InInt32LSB18<float, true>, &InInt32LSB18<double, true>};
    GlobalInConverters[ASIOSTInt32MSB20] = {&InInt32LSB20<float, true>, &InInt32LSB20<double, true>};
    GlobalInConverters[ASIOSTInt32MSB24] = {&InInt32LSB24<float, true>, &InInt32LSB24<double, true>};
    GlobalInConverters[ASIOSTFloat32MSB] = {&InBigEndianCopy<float>, &InBigEndianFloat<float, double>};
    GlobalInConverters[ASIOSTFloat64MSB] = {&InBigEndianFloat<double, float>, &InBigEndianCopy<double>};

    GlobalOutConverters[ASIOSTInt16MSB] = OutBigEndianIntegerPair<2, 32767>();
    GlobalOutConverters[ASIOSTInt24MSB] = OutBigEndianIntegerPair<3, 8388607>();
    GlobalOutConverters[ASIOSTInt32MSB] = OutBigEndianIntegerPair<4, 2147483647>();
    GlobalOutConverters[ASIOSTInt32MSB16] = OutBigEndianIntegerPair<4, 32767>();
    GlobalOutConverters[ASIOSTInt32MSB18] = OutBigEndianIntegerPair<4, 131071>();
    GlobalOutConverters[ASIOSTInt32MSB20] = OutBigEndianIntegerPair<4, 524287>();
    GlobalOutConverters[ASIOSTInt32MSB24] = OutBigEndianIntegerPair<4, 8388607>();
    GlobalOutConverters[ASIOSTFloat32MSB] = {&OutBigEndian<float, &OutFloat32<float>, 4>,
                                             &OutBigEndian<double, &OutFloat32<double>, 4>};
    GlobalOutConverters[ASIOSTFloat64MSB] = {&OutBigEndian<float, &OutFloat64<float>, 8>,
                                             &OutBigEndian<double, &OutFloat64<double>, 8>};
}

struct TLoadTimeTables {
    TLoadTimeTables() { UsePlainConverters(); }
} gLoadTimeTables;

}  // namespace

void UsePlainConverters() {
    for (auto& entry : GlobalInConverters) entry = {};
    for (auto& entry : GlobalOutConverters) entry = {};
    GlobalInConverters[ASIOSTInt16LSB] = {&InInt16<float>, &InInt16<double>};
    GlobalInConverters[ASIOSTInt24LSB] = {&InInt24Single<>, &InInt24Double<>};
    GlobalInConverters[ASIOSTInt32LSB] = {&InInt32<float>, &InInt32<double>};
    GlobalInConverters[ASIOSTFloat32LSB] = {&InFloat32<float>, &InFloat32<double>};
    GlobalInConverters[ASIOSTFloat64LSB] = {&InFloat64<float>, &InFloat64<double>};
    GlobalInConverters[ASIOSTInt32LSB16] = {&InInt32LSB16<float>, &InInt32LSB16<double>};
    GlobalInConverters[ASIOSTInt32LSB18] = {&InInt32LSB18<float>, &InInt32LSB18<double>};
    GlobalInConverters[ASIOSTInt32LSB20] = {&InInt32LSB20<float>, &InInt32LSB20<double>};
    GlobalInConverters[ASIOSTInt32LSB24] = {&InInt32LSB24<float>, &InInt32LSB24<double>};
    PutDitheredOutputs<kNoDither>();
    GlobalOutConverters[ASIOSTInt32LSB] = OutIntegerPair<4, 2147483647, kNoDither>();
    GlobalOutConverters[ASIOSTFloat32LSB] = {&OutFloat32<float>, &OutFloat32<double>};
    GlobalOutConverters[ASIOSTFloat64LSB] = {&OutFloat64<float>, &OutFloat64<double>};
    PutBigEndianTwins();
}

void UseUdfConverters() {
    UsePlainConverters();
    PutDitheredOutputs<kUdf>();
}

void UseTdfConverters() {
    UsePlainConverters();
    PutDitheredOutputs<kTdf>();
}

TInConverter InputConverterFor(int32_t sampleType) {
    if (sampleType < 0 || sampleType >= kConverterTableSize || !GlobalInConverters[sampleType])
        throw EAsioHostError("Converter type unknown");
    return GlobalInConverters[sampleType];
}

TOutConverter OutputConverterFor(int32_t sampleType) {
    if (sampleType < 0 || sampleType >= kConverterTableSize || !GlobalOutConverters[sampleType])
        throw EAsioHostError("Converter type unknown");
    return GlobalOutConverters[sampleType];
}

// ---- Clip routines ------------------------------------------------------------------------------
// (|x + 1| - |x - 1|) / 2 is the clamp to [-1, 1]; computed as a clamp it is exact for every x,
// including the tiny and the huge values that the formula's rounding would turn into 0.

namespace {
template <typename Sample>
inline Sample ClampUnit(Sample x) noexcept {
    if (!(x == x)) return 0;
    return x > 1 ? Sample(1) : (x < -1 ? Sample(-1) : x);
}

inline float AnalogClip(float x) noexcept {
    if (!(x == x)) return 0.0f;
    const float a = std::fabs(x);
    const float c = static_cast<float>(static_cast<long double>(a) * (static_cast<long double>(a) + 3.0L) + 6.0L);
    // Beyond about 1.8e19 the curve has reached its limit of +-2 in single precision.
    if (std::isinf(c)) return std::copysign(2.0f, x);
    const float q = static_cast<float>(static_cast<long double>(x) * c /
                                       (static_cast<long double>(a) * c + 12.0L));
    return 2.0f * q;
}
}  // namespace

// Four (two) samples at a time: max(x, -1) gives -1 for NaN, min(.., 1) keeps it, the ordered mask
// then makes it 0; every other value comes out as ClampUnit's.
void ClipDigital32(float* data, int32_t sampleCount) {
    int32_t i = 0;
#if defined(__SSE2__)
    const __m128 low = _mm_set1_ps(-1.0f), high = _mm_set1_ps(1.0f);
    for (; i + 4 <= sampleCount; i += 4) {
        const __m128 x = _mm_loadu_ps(data + i);
        const __m128 clamped = _mm_min_ps(_mm_max_ps(x, low), high);
        _mm_storeu_ps(data + i, _mm_and_ps(clamped, _mm_cmpord_ps(x, x)));
    }
#endif
    for (; i < sampleCount; ++i) data[i] = ClampUnit(data[i]);
}
void ClipDigital64(double* data, int32_t sampleCount) {
    int32_t i = 0;
#if defined(__SSE2__)
    const __m128d low = _mm_set1_pd(-1.0), high = _mm_set1_pd(1.0);
    for (; i + 2 <= sampleCount; i += 2) {
        const __m128d x = _mm_loadu_pd(data + i);
        const __m128d clamped = _mm_min_pd(_mm_max_pd(x, low), high);
        _mm_storeu_pd(data + i, _mm_and_pd(clamped, _mm_cmpord_pd(x, x)));
    }
#endif
    for (; i < sampleCount; ++i) data[i] = ClampUnit(data[i]);
}
void ClipAnalog32(float* data, int32_t sampleCount) {
    for (int32_t i = 0; i < sampleCount; ++i) data[i] = AnalogClip(data[i]);
}
void ClipAnalog64(double* data, int32_t sampleCount) {
    for (int32_t i = 0; i < sampleCount; ++i) data[i] = AnalogClip(static_cast<float>(data[i]));
}

}  // namespace quenthal
