#include "presets/Speichertasten.h"

#include <algorithm>
#include <cmath>

namespace quenthal {

std::uint8_t SignalKindOf(const TSpeichertaste& key) { return key.ArrOutput[0].bSignalKind; }

int SlotCountOf(const TSpeichertaste& key) {
    return std::clamp<int>(key.ArrOutput[0].bSlotCount, 1, kSlotsPerOutput);
}

int OutputCountOf(const TSpeichertaste& key) {
    return std::min<int>(key.bArrAnzahlAusgaenge, kOutputsPerKey);
}

void EmptyPresetStrings(tSpeichertasten& table) {
    for (TSpeichertaste& key : table.ArrSpeichertasten) {
        key.stASIOinterface.clear();
        key.stTextSpeichertaste.clear();
    }
}

namespace {

// Levels pass through single precision, as the sine and square handlers keep them.
double FactoryGain(double dB) { return static_cast<float>(std::pow(10.0, dB / 20.0)); }

void SetTone(TSignalSlot& slot, double frequency, double dB) {
    slot.dFrequency = frequency;
    slot.dGain = FactoryGain(dB);
}

TSpeichertaste& FactoryKey(tSpeichertasten& table, int number, const char* name, std::uint8_t kind,
                           std::uint8_t slotCount) {
    TSpeichertaste& key = table.ArrSpeichertasten[number - 1];
    key.stTextSpeichertaste = name;
    key.dMasterGain = 0.5;
    key.bArrAnzahlAusgaenge = 2;
    key.ArrOutput[0].bSignalKind = kind;
    key.ArrOutput[0].bSlotCount = slotCount;
    return key;
}

}  // namespace

void WriteFactoryPresets(tSpeichertasten& table) {
    {
        TSpeichertaste& key = FactoryKey(table, 1, "1k & 2k", SignalKind::Sine, 1);
        SetTone(key.ArrOutput[0].ArrSlot[0], 1000, -3);
        SetTone(key.ArrOutput[1].ArrSlot[0], 2000, -6);
    }
    {
        TSpeichertaste& key = FactoryKey(table, 2, "SMPTE", SignalKind::Sine, 2);
        SetTone(key.ArrOutput[0].ArrSlot[0], 60, -3);
        SetTone(key.ArrOutput[0].ArrSlot[1], 7000, -15);
        key.ArrOutput[1] = key.ArrOutput[0];
    }
    {
        TSpeichertaste& key = FactoryKey(table, 3, "DFD", SignalKind::Sine, 2);
        SetTone(key.ArrOutput[0].ArrSlot[0], 12460, -10);
        SetTone(key.ArrOutput[0].ArrSlot[1], 12540, -10);
        key.ArrOutput[1] = key.ArrOutput[0];
    }
    {
        TSpeichertaste& key = FactoryKey(table, 4, "1k Mid", SignalKind::Square, 1);
        SetTone(key.ArrOutput[0].ArrSlot[0], 1000, -3);
        key.ArrOutput[0].ArrSlot[0].dParam = 0.5;  // symmetric duty ratio
        key.ArrOutput[1] = key.ArrOutput[0];
    }
    {
        TSpeichertaste& key = FactoryKey(table, 5, "20-20k high", SignalKind::Sweep, 1);
        TSignalSlot& sweep = key.ArrOutput[0].ArrSlot[0];
        SetTone(sweep, 20, -3);
        sweep.dStopFrequency = 20000;
        sweep.dParam = 5;  // seconds
        key.iTag = 0;      // single sweep
    }
    {
        // The 50 Hz tone that the output calibration asks the user to measure.
        TSpeichertaste& key = FactoryKey(table, 6, "50Hz Cal", SignalKind::Sine, 1);
        SetTone(key.ArrOutput[0].ArrSlot[0], 50, -3);
        SetTone(key.ArrOutput[1].ArrSlot[0], 50, -3);
    }
}

bool KeyValuesAreFinite(const TSpeichertaste& key) {
    const TSignalSlot& first = key.ArrOutput[0].ArrSlot[0];
    const auto finite = [](std::initializer_list<double> values) {
        return std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
    };
    switch (SignalKindOf(key)) {
        case SignalKind::Sine:
            for (int output = 0; output < OutputCountOf(key); ++output)
                for (int slot = 0; slot < SlotCountOf(key); ++slot) {
                    const TSignalSlot& sine = key.ArrOutput[output].ArrSlot[slot];
                    if (!finite({sine.dFrequency, sine.dGain})) return false;
                }
            return finite({key.dMasterGain, first.dParam});
        case SignalKind::Square:
            for (int output = 0; output < OutputCountOf(key); ++output) {
                const TSignalSlot& square = key.ArrOutput[output].ArrSlot[0];
                if (!finite({square.dFrequency, square.dGain, square.dParam})) return false;
            }
            return finite({key.dMasterGain});
        case SignalKind::Sweep:
            return finite({key.dMasterGain, first.dFrequency, first.dStopFrequency, first.dGain, first.dParam});
        case SignalKind::Pink:
        case SignalKind::White:
            return finite({key.dMasterGain, first.dGain});
        default:
            return true;  // a free or unknown key applies nothing
    }
}

}  // namespace quenthal
