// Sample converters and clip routines: golden bytes written down once, round trips, and the dither
// and clip variants.
#include "asio/AsioConvert.h"
#include "asio/AsioHostError.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

namespace quenthal {
namespace {

using Bytes = std::vector<uint8_t>;
constexpr uint8_t kGuard = 0xA5;

// Converts samples through a type's output pair, in the chosen precision; a guard byte follows.
Bytes Output(int32_t type, const std::vector<double>& samples, bool doublePrecision) {
    const size_t width = static_cast<size_t>(AsioSampleTypeSize(type));
    Bytes target(width * samples.size() + 1, kGuard);
    const TOutConverter pair = OutputConverterFor(type);
    if (doublePrecision) {
        pair.oc64(samples.data(), target.data(), static_cast<int32_t>(samples.size()));
    } else {
        std::vector<float> single(samples.begin(), samples.end());
        pair.oc32(single.data(), target.data(), static_cast<int32_t>(single.size()));
    }
    return target;
}

TEST(AsioConvert, OutputGoldenBytesForEveryTypeAndBothPrecisions) {
    struct TCase {
        int32_t Type;
        std::vector<double> Samples;
        Bytes Expected;  // without the guard byte
    };
    const TCase cases[] = {
        {ASIOSTInt16LSB, {1.0, -1.0, 0.5}, {0xFF, 0x7F, 0x01, 0x80, 0x00, 0x40}},
        {ASIOSTInt16LSB, {1.5, 0.0}, {0xFE, 0xBF, 0x00, 0x00}},  // 49150.5 -> 49150, low 16 bits only
        {ASIOSTInt24LSB, {1.0, -1.0}, {0xFF, 0xFF, 0x7F, 0x01, 0x00, 0x80}},
        {ASIOSTInt32LSB, {1.0, -1.0, 0.5}, {0xFF, 0xFF, 0xFF, 0x7F, 0x01, 0x00, 0x00, 0x80, 0x00, 0x00, 0x00, 0x40}},
        {ASIOSTFloat32LSB, {1.0, -0.5}, {0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x00, 0xBF}},
        {ASIOSTFloat64LSB, {-2.0}, {0, 0, 0, 0, 0, 0, 0x00, 0xC0}},
        {ASIOSTInt32LSB16, {1.0, -1.0}, {0xFF, 0x7F, 0x00, 0x00, 0x01, 0x80, 0xFF, 0xFF}},
        {ASIOSTInt32LSB18, {1.0, -1.0}, {0xFF, 0xFF, 0x01, 0x00, 0x01, 0x00, 0xFE, 0xFF}},
        {ASIOSTInt32LSB20, {1.0, -1.0}, {0xFF, 0xFF, 0x07, 0x00, 0x01, 0x00, 0xF8, 0xFF}},
        {ASIOSTInt32LSB24, {1.0, -1.0}, {0xFF, 0xFF, 0x7F, 0x00, 0x01, 0x00, 0x80, 0xFF}},
        {ASIOSTInt16MSB, {1.0, -1.0}, {0x7F, 0xFF, 0x80, 0x01}},
        {ASIOSTInt24MSB, {1.0, -1.0}, {0x7F, 0xFF, 0xFF, 0x80, 0x00, 0x01}},
        {ASIOSTInt32MSB, {-1.0}, {0x80, 0x00, 0x00, 0x01}},
        {ASIOSTFloat32MSB, {1.0}, {0x3F, 0x80, 0x00, 0x00}},
        {ASIOSTFloat64MSB, {1.0}, {0x3F, 0xF0, 0, 0, 0, 0, 0, 0}},
        {ASIOSTInt32MSB16, {1.0}, {0x00, 0x00, 0x7F, 0xFF}},
        {ASIOSTInt32MSB18, {-1.0}, {0xFF, 0xFE, 0x00, 0x01}},
        {ASIOSTInt32MSB20, {1.0}, {0x00, 0x07, 0xFF, 0xFF}},
        {ASIOSTInt32MSB24, {-1.0}, {0xFF, 0x80, 0x00, 0x01}},
    };
    for (const TCase& c : cases) {
        for (bool doublePrecision : {false, true}) {
            Bytes expected = c.Expected;
            expected.push_back(kGuard);  // the byte after the last sample stays untouched
            EXPECT_EQ(Output(c.Type, c.Samples, doublePrecision), expected)
                << "type " << c.Type << (doublePrecision ? " (64-bit)" : " (32-bit)");
        }
    }
}

TEST(AsioConvert, Float32OutputIsABitExactCopy) {
    const float samples[] = {0.1f, -0.3f, 1e-30f, 0.99999994f};
    uint8_t target[sizeof samples];
    OutputConverterFor(ASIOSTFloat32LSB).oc32(samples, target, 4);
    EXPECT_EQ(std::memcmp(samples, target, sizeof samples), 0);
}

TEST(AsioConvert, InputGoldenValues) {
    // Int32: 1073741824 / 2147483647.
    uint8_t int32[] = {0x00, 0x00, 0x00, 0x40};
    double asDouble = 0;
    float asFloat = 0;
    InputConverterFor(ASIOSTInt32LSB).ic64(int32, &asDouble, 1);
    InputConverterFor(ASIOSTInt32LSB).ic32(int32, &asFloat, 1);
    EXPECT_EQ(asDouble, 1073741824.0 / 2147483647.0);
    EXPECT_EQ(asFloat, static_cast<float>(1073741824.0 / 2147483647.0));

    // Int16: the reciprocal of 32767 is the 32-bit float 3.0518509447574615e-05.
    uint8_t int16[] = {0x01, 0x80};
    InputConverterFor(ASIOSTInt16LSB).ic64(int16, &asDouble, 1);
    EXPECT_EQ(asDouble, -32767.0 * 3.0518509447574615e-05);

    // Packed 24 bits: upper 24 bits of an Int32 into 32-bit floats, the 24-bit value into 64-bit ones.
    uint8_t int24[] = {0xFF, 0xFF, 0x7F};
    InputConverterFor(ASIOSTInt24LSB).ic32(int24, &asFloat, 1);
    EXPECT_EQ(asFloat, static_cast<float>(2147483392.0 / 2147483647.0));
    InputConverterFor(ASIOSTInt24LSB).ic64(int24, &asDouble, 1);
    EXPECT_EQ(asDouble, 8388607.0 * (1.0 / 8388607.0));

    // A 32-bit container is read sign-extended over all 32 bits.
    uint8_t lsb24[] = {0x01, 0x00, 0x80, 0xFF};
    InputConverterFor(ASIOSTInt32LSB24).ic64(lsb24, &asDouble, 1);
    EXPECT_EQ(asDouble, -8388607.0 * (1.0 / 8388607.0));
}

TEST(AsioConvert, BigEndianInputSwapsTheDriversHalfExceptForCopiedFloats) {
    uint8_t int16[] = {0x7F, 0xFF, 0x80, 0x01};
    float values[2];
    InputConverterFor(ASIOSTInt16MSB).ic32(int16, values, 2);
    EXPECT_EQ(values[0], static_cast<float>(32767.0 * 3.0518509447574615e-05));
    EXPECT_EQ(values[1], -values[0]);
    EXPECT_EQ(int16[0], 0xFF) << "swapped in place";

    // Packed 24 bits, several samples: each reversed in place, the byte after the half untouched.
    uint8_t int24[] = {0x7F, 0xFF, 0xFF, 0x80, 0x00, 0x01, 0x00, 0x00, 0x01, 0x12, 0x34, 0x56, kGuard};
    double wide24[4];
    InputConverterFor(ASIOSTInt24MSB).ic64(int24, wide24, 4);
    EXPECT_EQ(wide24[0], 8388607.0 * (1.0 / 8388607.0));
    EXPECT_EQ(wide24[1], -8388607.0 * (1.0 / 8388607.0));
    EXPECT_EQ(wide24[2], 1.0 * (1.0 / 8388607.0));
    EXPECT_EQ(wide24[3], 0x123456 * (1.0 / 8388607.0));
    const uint8_t swapped24[] = {0xFF, 0xFF, 0x7F, 0x01, 0x00, 0x80, 0x01, 0x00, 0x00, 0x56, 0x34, 0x12, kGuard};
    EXPECT_EQ(std::memcmp(int24, swapped24, sizeof int24), 0);

    uint8_t float32[] = {0x3F, 0x80, 0x00, 0x00};
    InputConverterFor(ASIOSTFloat32MSB).ic32(float32, values, 1);
    EXPECT_EQ(values[0], 1.0f);
    EXPECT_EQ(float32[0], 0x3F) << "a copying float twin leaves the half as it was";
    double wide = 0;
    InputConverterFor(ASIOSTFloat32MSB).ic64(float32, &wide, 1);
    EXPECT_EQ(wide, 1.0);
    uint8_t float64[] = {0xBF, 0xF0, 0, 0, 0, 0, 0, 0};
    InputConverterFor(ASIOSTFloat64MSB).ic64(float64, &wide, 1);
    EXPECT_EQ(wide, -1.0);
    EXPECT_EQ(float64[0], 0xBF);
}

TEST(AsioConvert, EveryTypeRoundTripsWithinOneStepInBothPrecisions) {
    const std::vector<double> samples{-1.0, -0.7071, -1e-3, 0.0, 0.25, 0.5, 0.999};
    for (int32_t type = 0; type < kConverterTableSize; ++type) {
        if (!IsKnownAsioSampleType(type)) {
            EXPECT_THROW(OutputConverterFor(type), EAsioHostError) << type;
            EXPECT_THROW(InputConverterFor(type), EAsioHostError) << type;
            continue;
        }
        const int low = type & 15;
        const double step = low == 0 || type == 24 || type == 8 ? 1.0 / 32767
                            : type == 25 || type == 9           ? 1.0 / 131071
                            : type == 26 || type == 10          ? 1.0 / 524287
                            : low == 1 || type == 27 || type == 11 ? 1.0 / 8388607
                            : low == 2                          ? 1.0 / 2147483647
                                                                : 6e-8;  // floats: single-precision rounding
        for (bool doublePrecision : {false, true}) {
            Bytes driverHalf = Output(type, samples, doublePrecision);
            std::vector<double> back(samples.size());
            if (doublePrecision) {
                InputConverterFor(type).ic64(driverHalf.data(), back.data(), static_cast<int32_t>(back.size()));
            } else {
                std::vector<float> single(samples.size());
                InputConverterFor(type).ic32(driverHalf.data(), single.data(), static_cast<int32_t>(single.size()));
                back.assign(single.begin(), single.end());
            }
            for (size_t i = 0; i < samples.size(); ++i)
                EXPECT_NEAR(back[i], samples[i], step * 0.5 + 6e-8) << "type " << type << " sample " << samples[i];
        }
    }
}

// The fast double path for float samples must give the integers of the extended-precision definition.
TEST(AsioConvert, FloatOutputMatchesExtendedPrecisionRoundingIncludingTies) {
    std::mt19937 random(1234);
    std::uniform_real_distribution<float> uniform(-1.0f, 1.0f);
    std::vector<float> samples;
    for (int i = 0; i < 20000; ++i) samples.push_back(uniform(random));
    for (int k = -64; k <= 64; ++k) samples.push_back((k + 0.5f) / 32767.0f);  // near-ties
    for (float tie : {0.5f, -0.5f, 1.5f, 0.25f, 1.0f / 8388607.0f * 2.5f}) samples.push_back(tie);
    // Products within 2^-24 of a half: a single rounding to double would land on the half.
    for (float near : {0.5f + 0x1p-24f, -0.5f - 0x1p-24f, 0.75f + 0x1p-24f, 0.5f + 0x1p-23f, 0.99999994f, 1e-30f,
                       3.0e9f, -5e9f, 1e20f, INFINITY, -INFINITY, NAN})
        samples.push_back(near);
    for (uint32_t bits = 0x3f000000u; bits < 0x3f000000u + 4096; ++bits) {  // [0.5, 0.50025) densely
        float value;
        std::memcpy(&value, &bits, 4);
        samples.push_back(value);
        samples.push_back(-value);
    }
    struct TType {
        int32_t Type;
        long double Scale;
        int Bytes;
    };
    for (const TType t : {TType{ASIOSTInt16LSB, 32767.0L, 2}, TType{ASIOSTInt24LSB, 8388607.0L, 3},
                          TType{ASIOSTInt32LSB, 2147483647.0L, 4}, TType{ASIOSTInt32LSB18, 131071.0L, 4},
                          TType{ASIOSTInt32LSB20, 524287.0L, 4}, TType{ASIOSTInt32LSB24, 8388607.0L, 4}}) {
        Bytes target(samples.size() * static_cast<size_t>(t.Bytes));
        OutputConverterFor(t.Type).oc32(samples.data(), target.data(), static_cast<int32_t>(samples.size()));
        for (size_t i = 0; i < samples.size(); ++i) {
            const auto expected = static_cast<uint64_t>(std::llrintl(static_cast<long double>(samples[i]) * t.Scale));
            uint64_t stored = 0;
            std::memcpy(&stored, target.data() + i * static_cast<size_t>(t.Bytes), static_cast<size_t>(t.Bytes));
            const uint64_t mask = t.Bytes == 4 ? 0xFFFFFFFFull : (1ull << (8 * t.Bytes)) - 1;
            ASSERT_EQ(stored, expected & mask) << "type " << t.Type << " sample " << samples[i];
        }
    }
}

TEST(AsioConvert, DitherReplacesOnlyTheIntegerRoutinesThatHaveAVariant) {
    UsePlainConverters();
    TOutConverter plain[kConverterTableSize];
    std::copy(std::begin(GlobalOutConverters), std::end(GlobalOutConverters), plain);
    const int32_t dithered[] = {16, 17, 24, 25, 26, 27};
    for (auto use : {&UseUdfConverters, &UseTdfConverters}) {
        use();
        for (int32_t type = 0; type < kConverterTableSize; ++type) {
            const bool hasVariant = std::find(std::begin(dithered), std::end(dithered), type) != std::end(dithered);
            EXPECT_EQ(GlobalOutConverters[type].oc32 != plain[type].oc32, hasVariant) << type;
            EXPECT_EQ(GlobalOutConverters[type].oc64 != plain[type].oc64, hasVariant) << type;
        }
        // Dither is at most 2^-32 of a step: it can only decide an exact tie.
        EXPECT_EQ(Output(ASIOSTInt16LSB, {1.0, -1.0, 0.25}, false), (Bytes{0xFF, 0x7F, 0x01, 0x80, 0x00, 0x20, kGuard}));
        const Bytes tie = Output(ASIOSTInt16LSB, {0.5}, true);
        EXPECT_TRUE(tie == (Bytes{0xFF, 0x3F, kGuard}) || tie == (Bytes{0x00, 0x40, kGuard}));
    }
    UsePlainConverters();
    for (int32_t type = 0; type < kConverterTableSize; ++type) EXPECT_EQ(GlobalOutConverters[type].oc32, plain[type].oc32);
}

TEST(AsioConvert, ClipRoutines) {
    std::vector<float> digital{1.5f, -3.0f, 0.25f, -1.0f, 1e-30f, 1e30f, -INFINITY, NAN};
    ClipDigital32(digital.data(), static_cast<int32_t>(digital.size()));
    EXPECT_EQ(digital, (std::vector<float>{1.0f, -1.0f, 0.25f, -1.0f, 1e-30f, 1.0f, -1.0f, 0.0f}));
    std::vector<double> digital64{1.5, -0.999999999, 2e300, NAN, -0.0};
    ClipDigital64(digital64.data(), 5);
    EXPECT_EQ(digital64[0], 1.0);
    EXPECT_EQ(digital64[1], -0.999999999);
    EXPECT_EQ(digital64[2], 1.0);
    EXPECT_EQ(digital64[3], 0.0);
    EXPECT_TRUE(std::signbit(digital64[4]));
    // Every lane of the block-wise loop and the tail: each value as the plain clamp gives it.
    std::vector<float> many;
    for (int i = -40; i <= 40; ++i) many.push_back(static_cast<float>(i) / 16.0f);
    many.push_back(-0.0f);
    std::vector<float> clipped = many;
    ClipDigital32(clipped.data(), static_cast<int32_t>(clipped.size()));
    for (size_t i = 0; i < many.size(); ++i) {
        const float expected = many[i] > 1 ? 1.0f : many[i] < -1 ? -1.0f : many[i];
        EXPECT_EQ(std::memcmp(&clipped[i], &expected, 4), 0) << many[i];
    }

    std::vector<float> analog{1.0f, -1.0f, 100.0f, 1e-6f, 0.0f, 1e30f, NAN};
    ClipAnalog32(analog.data(), static_cast<int32_t>(analog.size()));
    EXPECT_EQ(analog[0], 2.0f * static_cast<float>(10.0L / 22.0L));
    EXPECT_NEAR(analog[0], 20.0 / 22.0, 1e-7);
    EXPECT_EQ(analog[1], -analog[0]);
    EXPECT_GT(analog[2], 1.99f);
    EXPECT_LT(analog[2], 2.0f);
    EXPECT_NEAR(analog[3], 1e-6f, 1e-12f);  // small values pass almost unchanged
    EXPECT_EQ(analog[4], 0.0f);
    EXPECT_EQ(analog[5], 2.0f);
    EXPECT_EQ(analog[6], 0.0f);
    std::vector<double> analog64{1.0, 0.1000000000001};
    ClipAnalog64(analog64.data(), 2);
    EXPECT_EQ(analog64[0], static_cast<double>(analog[0]));
    std::vector<float> rounded{0.1f};
    ClipAnalog32(rounded.data(), 1);
    EXPECT_EQ(analog64[1], static_cast<double>(rounded[0])) << "the 64-bit variant rounds to single first";
}

}  // namespace
}  // namespace quenthal
