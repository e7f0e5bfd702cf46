#include "presets/Speichertasten.h"

#include "PresetFixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>

namespace quenthal {
namespace {

constexpr double kMinus3dB = 0.7079457640647888;
constexpr double kMinus6dB = 0.5011872053146362;
constexpr double kMinus10dB = 0.3162277638912201;
constexpr double kMinus15dB = 0.17782793939113617;

TEST(PresetReaderRules, KindAndCountsComeFromOutputOneWithinTheirLimits) {
    struct Case {
        std::uint8_t slotCount;
        std::uint8_t outputs;
        int expectedSlots;
        int expectedOutputs;
    };
    for (const Case c : {Case{0, 0, 1, 0}, Case{1, 2, 1, 2}, Case{10, 32, 10, 32}, Case{12, 33, 10, 32},
                         Case{255, 255, 10, 32}}) {
        TSpeichertaste key;
        key.ArrOutput[0].bSlotCount = c.slotCount;
        key.ArrOutput[0].bSignalKind = SignalKind::Square;
        key.ArrOutput[1].bSlotCount = 3;  // copies in later outputs are never read
        key.ArrOutput[1].bSignalKind = SignalKind::Sweep;
        key.bArrAnzahlAusgaenge = c.outputs;
        EXPECT_EQ(SlotCountOf(key), c.expectedSlots) << int(c.slotCount);
        EXPECT_EQ(OutputCountOf(key), c.expectedOutputs) << int(c.outputs);
        EXPECT_EQ(SignalKindOf(key), SignalKind::Square);
    }
}

TEST(PresetTable, StartsFreeAndEmptyingStringsKeepsTheNumbers) {
    auto tables = std::make_unique<TPresetTables>();
    for (const auto* table : {&tables->PresetTable, &tables->LastSettingTable})
        for (const TSpeichertaste& key : table->ArrSpeichertasten) {
            EXPECT_EQ(SignalKindOf(key), SignalKind::Free);
            EXPECT_EQ(key, TSpeichertaste{});
        }
    tSpeichertasten& table = tables->PresetTable;
    table.ArrSpeichertasten[31].stTextSpeichertaste = "Mein Ton";
    table.ArrSpeichertasten[31].stASIOinterface = "JACK";
    table.ArrSpeichertasten[31].dMasterGain = 0.25;
    table.ArrSpeichertasten[0].ArrOutput[5].ArrSlot[9].iFlag = 7;
    EmptyPresetStrings(table);
    EXPECT_TRUE(table.ArrSpeichertasten[31].stTextSpeichertaste.empty());
    EXPECT_TRUE(table.ArrSpeichertasten[31].stASIOinterface.empty());
    EXPECT_EQ(table.ArrSpeichertasten[31].dMasterGain, 0.25);
    EXPECT_EQ(table.ArrSpeichertasten[0].ArrOutput[5].ArrSlot[9].iFlag, 7);
}

TEST(FactoryPresets, FreshTableGetsExactlyTheListedFields) {
    auto table = std::make_unique<tSpeichertasten>();
    WriteFactoryPresets(*table);
    const auto& keys = table->ArrSpeichertasten;

    // Build the expectation field by field from a free key, so any extra write shows up.
    std::array<TSpeichertaste, 6> expected{};
    const char* names[] = {"1k & 2k", "SMPTE", "DFD", "1k Mid", "20-20k high", "50Hz Cal"};
    const std::uint8_t kinds[] = {1, 1, 1, 2, 3, 1};
    const std::uint8_t slots[] = {1, 2, 2, 1, 1, 1};
    for (int i = 0; i < 6; ++i) {
        expected[i].stTextSpeichertaste = names[i];
        expected[i].dMasterGain = 0.5;
        expected[i].bArrAnzahlAusgaenge = 2;
        expected[i].ArrOutput[0].bSignalKind = kinds[i];
        expected[i].ArrOutput[0].bSlotCount = slots[i];
    }
    auto sine = [](TSpeichertaste& key, int output, int slot, double hz, double gain) {
        key.ArrOutput[output].ArrSlot[slot].dFrequency = hz;
        key.ArrOutput[output].ArrSlot[slot].dGain = gain;
    };
    sine(expected[0], 0, 0, 1000, kMinus3dB);
    sine(expected[0], 1, 0, 2000, kMinus6dB);
    sine(expected[1], 0, 0, 60, kMinus3dB);
    sine(expected[1], 0, 1, 7000, kMinus15dB);
    expected[1].ArrOutput[1] = expected[1].ArrOutput[0];
    sine(expected[2], 0, 0, 12460, kMinus10dB);
    sine(expected[2], 0, 1, 12540, kMinus10dB);
    expected[2].ArrOutput[1] = expected[2].ArrOutput[0];
    sine(expected[3], 0, 0, 1000, kMinus3dB);
    expected[3].ArrOutput[0].ArrSlot[0].dParam = 0.5;
    expected[3].ArrOutput[1] = expected[3].ArrOutput[0];
    sine(expected[4], 0, 0, 20, kMinus3dB);
    expected[4].ArrOutput[0].ArrSlot[0].dStopFrequency = 20000;
    expected[4].ArrOutput[0].ArrSlot[0].dParam = 5;
    sine(expected[5], 0, 0, 50, kMinus3dB);
    sine(expected[5], 1, 0, 50, kMinus3dB);

    for (int i = 0; i < 6; ++i) EXPECT_EQ(keys[i], expected[i]) << "key " << i + 1;
    for (int i = 6; i < kKeyCount; ++i) EXPECT_EQ(keys[i], TSpeichertaste{}) << "key " << i + 1;
    // The stored single-precision level reads back just below -3 dB.
    char shown[32];
    std::snprintf(shown, sizeof shown, "%.8g", 20 * std::log10(keys[0].ArrOutput[0].ArrSlot[0].dGain));
    EXPECT_STREQ(shown, "-3.0000002");
}

TEST(FactoryPresets, OverwriteOnlyTheirFieldsOfAnOlderKey) {
    auto table = std::make_unique<tSpeichertasten>();
    TSpeichertaste& old = table->ArrSpeichertasten[0];
    old.stTextSpeichertaste = "Vier Kanaele";
    old.stASIOinterface = "ALSA hw:1";
    old.iASIOSamplerate = 96000;
    old.dMasterGain = 1;
    old.bArrAnzahlAusgaenge = 4;
    old.iTag = 1;
    for (int output = 0; output < 4; ++output) {
        old.ArrOutput[output].bSignalKind = SignalKind::Sine;
        old.ArrOutput[output].bSlotCount = 3;
        for (int slot = 0; slot < 3; ++slot) {
            TSignalSlot& s = old.ArrOutput[output].ArrSlot[slot];
            s.dFrequency = 100.0 * (output + 1) + slot;
            s.dGain = 0.1;
            s.dParam = 4;
            s.iFlag = 1;
        }
    }
    TSpeichertaste expected = old;
    auto& keyTen = table->ArrSpeichertasten[9];
    keyTen.stTextSpeichertaste = "bleibt";
    WriteFactoryPresets(*table);

    expected.stTextSpeichertaste = "1k & 2k";
    expected.dMasterGain = 0.5;
    expected.bArrAnzahlAusgaenge = 2;
    expected.ArrOutput[0].bSlotCount = 1;
    expected.ArrOutput[0].ArrSlot[0].dFrequency = 1000;
    expected.ArrOutput[0].ArrSlot[0].dGain = kMinus3dB;
    expected.ArrOutput[1].ArrSlot[0].dFrequency = 2000;
    expected.ArrOutput[1].ArrSlot[0].dGain = kMinus6dB;
    EXPECT_EQ(table->ArrSpeichertasten[0], expected);
    EXPECT_EQ(keyTen.stTextSpeichertaste, "bleibt");
}

TEST(PresetValueCheck, OnlyValuesTheKindAppliesMustBeFinite) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    auto factory = std::make_unique<tSpeichertasten>();
    WriteFactoryPresets(*factory);
    const TSpeichertaste& sine = factory->ArrSpeichertasten[1];    // 2 outputs, 2 sines
    const TSpeichertaste& square = factory->ArrSpeichertasten[3];
    const TSpeichertaste& sweep = factory->ArrSpeichertasten[4];

    struct Case {
        const char* what;
        const TSpeichertaste* base;
        void (*spoil)(TSpeichertaste&, double);
        bool finite;
    };
    const Case cases[] = {
        {"untouched", &sine, [](TSpeichertaste&, double) {}, true},
        {"master gain", &sine, [](TSpeichertaste& k, double v) { k.dMasterGain = v; }, false},
        {"sine 2 of output 2", &sine, [](TSpeichertaste& k, double v) { k.ArrOutput[1].ArrSlot[1].dGain = v; }, false},
        {"burst length", &sine, [](TSpeichertaste& k, double v) { k.ArrOutput[0].ArrSlot[0].dParam = v; }, false},
        {"sine 3, unused", &sine, [](TSpeichertaste& k, double v) { k.ArrOutput[1].ArrSlot[2].dFrequency = v; }, true},
        {"output 3, unused", &sine, [](TSpeichertaste& k, double v) { k.ArrOutput[2].ArrSlot[0].dGain = v; }, true},
        {"duty ratio of output 2", &square, [](TSpeichertaste& k, double v) { k.ArrOutput[1].ArrSlot[0].dParam = v; }, false},
        {"square slot 2, unused", &square, [](TSpeichertaste& k, double v) { k.ArrOutput[0].ArrSlot[1].dGain = v; }, true},
        {"sweep stop", &sweep, [](TSpeichertaste& k, double v) { k.ArrOutput[0].ArrSlot[0].dStopFrequency = v; }, false},
        {"sweep output 2, unused", &sweep, [](TSpeichertaste& k, double v) { k.ArrOutput[1].ArrSlot[0].dGain = v; }, true},
        {"free key", &factory->ArrSpeichertasten[20], [](TSpeichertaste& k, double v) { k.dMasterGain = v; }, true},
    };
    for (const Case& c : cases)
        for (const double bad : {nan, inf, -inf}) {
            TSpeichertaste key = *c.base;
            c.spoil(key, bad);
            EXPECT_EQ(KeyValuesAreFinite(key), c.finite) << c.what << " = " << bad;
        }
    TSpeichertaste pink;
    pink.ArrOutput[0].bSignalKind = SignalKind::Pink;
    pink.ArrOutput[0].ArrSlot[0].dGain = nan;
    EXPECT_FALSE(KeyValuesAreFinite(pink));
    pink.ArrOutput[0].bSignalKind = SignalKind::White;
    EXPECT_FALSE(KeyValuesAreFinite(pink));
}

}  // namespace
}  // namespace quenthal
