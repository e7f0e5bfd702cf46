// Feeds arbitrary bytes to the preset reader as a file image. Beyond "no crash, no huge allocation"
// it checks the two promises of the reader: a refused image leaves the table exactly as it was, and
// an accepted one writes back to bytes that read back to the same bytes.
//
// Each input is read twice: as it stands (headers, cut files, hostile counts), and followed by the
// zero bytes of 32 empty key records, so that the first keys come from the input and the rest of
// the file is valid. The second reading reaches the accepted path and the write-back with inputs
// of a few KiB, which keeps the fuzzer fast and its corpus small.

#include "presets/PresetFile.h"

#include <cstdlib>
#include <memory>
#include <vector>

using namespace quenthal;

namespace {

const tSpeichertasten& Witness() {
    static const auto witness = [] {
        auto table = std::make_unique<tSpeichertasten>();
        WriteFactoryPresets(*table);
        table->ArrSpeichertasten[31].stTextSpeichertaste = "vorher";
        return table;
    }();
    return *witness;
}

void ReadAndCheck(std::span<const std::byte> image) {
    static auto table = std::make_unique<tSpeichertasten>(Witness());
    static auto again = std::make_unique<tSpeichertasten>();
    try {
        ReadPresetFileBytes(image, *table);
    } catch (const EPresetFileError&) {
        if (!(*table == Witness())) std::abort();
        return;
    }
    const std::string written = PresetFileBytes(*table);
    ReadPresetFileBytes(std::as_bytes(std::span(written.data(), written.size())), *again);
    if (PresetFileBytes(*again) != written) std::abort();
    *table = Witness();
}

}  // namespace

// ASan parks every freed block in a quarantine of 256 MiB by default; the reader frees a 420 KiB
// scratch table per input, so the default fills it within seconds and the run measures the
// quarantine, not the reader. A smaller quarantine still catches use after free within an input.
extern "C" const char* __asan_default_options() { return "quarantine_size_mb=4"; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto input = std::as_bytes(std::span(data, size));
    ReadAndCheck(input);

    static std::vector<std::byte> padded;
    padded.assign(input.begin(), input.end());
    padded.resize(size + kKeyCount * kKeyRecordFixedSize, std::byte{0});
    ReadAndCheck(padded);
    return 0;
}
