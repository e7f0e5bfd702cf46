#include "app/OutputLevelText.h"

#include "platform/Locale.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace quenthal {
namespace {

// Calibrated with the master slider at 60 (-6 dB) and the sine gain display at -3 dB, 500 mV
// measured.
class OutputLevelTextTest : public ::testing::Test {
protected:
    const double FMaster = std::pow(10.0, -60 / 10.0 / 20.0);
    const double FSineGain = static_cast<float>(std::pow(10.0, -3.0 / 20.0));
    const TOutputCalibration FCalibration{static_cast<float>(FMaster * FSineGain), 500.0f};
};

TEST_F(OutputLevelTextTest, EveryKindAndUnitWithItsFactor) {
    struct TCase {
        int32_t iUnit;
        TLevelKind Kind;
        const char* szDot;
        const char* szComma;
    };
    const std::vector<double> oneSine{FSineGain};
    for (const TCase& c : {TCase{luMilliVolt, TLevelKind::Sine, "500mV", "500mV"},
                           TCase{luDBV, TLevelKind::Sine, "-6.0dBV", "-6,0dBV"},
                           TCase{luDBu, TLevelKind::Sine, "-3.8dBu", "-3,8dBu"},
                           TCase{7, TLevelKind::Sine, "500mV", "500mV"},  // unknown unit: mV
                           TCase{luMilliVolt, TLevelKind::Sweep, "500mV", "500mV"},
                           TCase{luMilliVolt, TLevelKind::Square, "707mV", "707mV"},
                           TCase{luMilliVolt, TLevelKind::White, "400mV", "400mV"},
                           TCase{luMilliVolt, TLevelKind::Pink, "175mV", "175mV"},
                           TCase{luDBV, TLevelKind::Pink, "-15.1dBV", "-15,1dBV"}}) {
        EXPECT_EQ(FormatOutputLevel(c.iUnit, c.Kind, FSineGain, FMaster, FCalibration, oneSine, "."), c.szDot);
        EXPECT_EQ(FormatOutputLevel(c.iUnit, c.Kind, FSineGain, FMaster, FCalibration, oneSine, ","), c.szComma);
    }
}

TEST_F(OutputLevelTextTest, SinesOfOneOutputAddAsRootOfTheSumOfSquares) {
    const std::vector<double> twoSines{FSineGain, FSineGain};
    EXPECT_EQ(FormatOutputLevel(luMilliVolt, TLevelKind::Sine, FSineGain, FMaster, FCalibration, twoSines, "."),
              "707mV");
    // The first sine silent: "-" however loud the others are.
    const std::vector<double> firstSilent{0, FSineGain};
    EXPECT_EQ(FormatOutputLevel(luMilliVolt, TLevelKind::Sine, 0, FMaster, FCalibration, firstSilent, "."), "-");
}

TEST_F(OutputLevelTextTest, SilentGainsShowADash) {
    EXPECT_EQ(FormatOutputLevel(luDBV, TLevelKind::White, FSineGain, 0, FCalibration, {}, "."), "-");
    EXPECT_EQ(FormatOutputLevel(luDBu, TLevelKind::Square, -0.5, FMaster, FCalibration, {}, "."), "-");
    EXPECT_EQ(FormatOutputLevel(luMilliVolt, TLevelKind::Sweep, 1e-50, FMaster, FCalibration, {}, "."), "-");  // 0 in single
}

TEST_F(OutputLevelTextTest, LargeLevelsTurnScientific) {
    const TOutputCalibration loud{0.001f, 300000.0f};  // 300 V at a gain of 0.001
    EXPECT_EQ(FormatOutputLevel(luMilliVolt, TLevelKind::Sweep, 1.0, 1.0, loud, {}, "."), "3E8mV");
}

TEST(OutputCalibrationTest, CalibratedThresholds) {
    EXPECT_FALSE(IsCalibrated({0, 0}));                // a fresh installation
    EXPECT_FALSE(IsCalibrated({0.5f, 0.5f}));          // 0.5 mV
    EXPECT_FALSE(IsCalibrated({0.5f, -1}));            // a failed entry
    EXPECT_FALSE(IsCalibrated({0.000999f, 500}));
    EXPECT_TRUE(IsCalibrated({0.001f, 1}));
    EXPECT_TRUE(IsCalibrated({0.35f, 500}));
}

}  // namespace
}  // namespace quenthal
