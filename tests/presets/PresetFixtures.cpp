#include "PresetFixtures.h"

#include "presets/PresetFile.h"

#include <fstream>
#include <sstream>

namespace quenthal {

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::span<const std::byte> AsBytes(const std::string& bytes) {
    return std::as_bytes(std::span(bytes.data(), bytes.size()));
}

std::unique_ptr<tSpeichertasten> GoldenTable() {
    auto table = std::make_unique<tSpeichertasten>();
    WriteFactoryPresets(*table);
    TSpeichertaste& white = table->ArrSpeichertasten[6];
    white.dMasterGain = 0.25;
    white.stASIOinterface = "JACK Audio";
    white.iASIOSamplerate = 48000;
    white.ArrOutput[0].bSignalKind = SignalKind::White;
    white.ArrOutput[0].bSlotCount = 1;
    white.ArrOutput[0].ArrSlot[0].dGain = 0.125;
    white.stTextSpeichertaste = "Rauschen \u00fc\u2013\u20ac";
    white.iTag = -2;
    TSpeichertaste& sweep = table->ArrSpeichertasten[31];
    sweep.dMasterGain = 1;
    sweep.stASIOinterface = "ALSA default";
    sweep.iASIOSamplerate = 96000;
    sweep.ArrOutput[0].bSignalKind = SignalKind::Sweep;
    sweep.ArrOutput[0].bSlotCount = 1;
    sweep.ArrOutput[0].ArrSlot[0] = {10, 24000, 0.5, 12.5, 0};
    sweep.stTextSpeichertaste = "Sweep loop";
    sweep.iTag = 1;
    return table;
}

std::unique_ptr<tSpeichertasten> WitnessTable() {
    auto table = std::make_unique<tSpeichertasten>();
    WriteFactoryPresets(*table);
    table->ArrSpeichertasten[19].stTextSpeichertaste = "vorher";
    table->ArrSpeichertasten[19].ArrOutput[31].ArrSlot[9].iFlag = 42;
    return table;
}

std::unique_ptr<tSpeichertasten> EveryFieldSetTable() {
    auto table = std::make_unique<tSpeichertasten>();
    for (int k = 0; k < kKeyCount; ++k) {
        TSpeichertaste& key = table->ArrSpeichertasten[k];
        key.dMasterGain = 1.0 / (k + 3);
        key.stASIOinterface = "Ger\u00e4t " + std::to_string(k);
        key.iASIOSamplerate = k % 2 ? 44100 + k : -k - 1;
        for (int o = 0; o < kOutputsPerKey; ++o) {
            TOutputSetting& output = key.ArrOutput[o];
            for (int s = 0; s < kSlotsPerOutput; ++s) {
                const double base = k * 10000.0 + o * 100.0 + s;
                output.ArrSlot[s] = {base + 0.5, -base - 0.25, 1.0 / (base + 2), base * 1e-3, -(k * 1000 + o * 10 + s)};
            }
            output.bSlotCount = static_cast<std::uint8_t>((k + o) % 256);
            output.bSignalKind = static_cast<std::uint8_t>((k + o) % 6);
        }
        key.bArrAnzahlAusgaenge = static_cast<std::uint8_t>(200 + k);
        key.stTextSpeichertaste = "Taste \u2116" + std::to_string(k + 1) + (k % 3 ? "" : " \U0001D11E");
        key.iTag = k - 16;
    }
    return table;
}

void PrintTo(const TSpeichertaste& key, std::ostream* out) {
    const TSignalSlot& first = key.ArrOutput[0].ArrSlot[0];
    *out << '"' << key.stTextSpeichertaste << "\" kind " << int(key.ArrOutput[0].bSignalKind) << " slots "
         << int(key.ArrOutput[0].bSlotCount) << " outputs " << int(key.bArrAnzahlAusgaenge) << " master "
         << key.dMasterGain << " driver \"" << key.stASIOinterface << "\" rate " << key.iASIOSamplerate << " tag "
         << key.iTag << " slot 1: " << first.dFrequency << ' ' << first.dStopFrequency << ' ' << first.dGain << ' '
         << first.dParam << ' ' << first.iFlag;
}

void PrintTo(const tSpeichertasten& table, std::ostream* out) {
    for (int k = 0; k < kKeyCount; ++k) {
        *out << "\n  key " << k + 1 << ": ";
        PrintTo(table.ArrSpeichertasten[k], out);
    }
}

TFileLayout LayoutOf(const tSpeichertasten& table) {
    TFileLayout layout;
    std::size_t at = 0;
    const auto field = [&](std::size_t size) { layout.Boundaries.push_back(at += size); };
    const auto string = [&](const std::string& text) {
        layout.StringCounts.push_back(at);
        field(4);
        if (!text.empty()) field(text.size());
    };
    layout.Boundaries.push_back(0);
    field(3);
    field(1);
    for (const TSpeichertaste& key : table.ArrSpeichertasten) {
        field(8);
        string(key.stASIOinterface);
        field(4);
        for (int o = 0; o < kOutputsPerKey; ++o) {
            for (int s = 0; s < kSlotsPerOutput; ++s) field(kSlotRecordSize);
            field(1);
            field(1);
        }
        field(1);
        string(key.stTextSpeichertaste);
        field(4);
    }
    return layout;
}

}  // namespace quenthal
