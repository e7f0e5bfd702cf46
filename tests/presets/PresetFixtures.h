#pragma once
// Tables and file helpers shared by the preset suites.

#include "presets/Speichertasten.h"

#include <cstddef>
#include <filesystem>
#include <memory>
#include <ostream>
#include <span>
#include <string>
#include <vector>

namespace quenthal {

std::string ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const std::string& bytes);
std::span<const std::byte> AsBytes(const std::string& bytes);

// The table that fixtures/make_golden.py writes into golden.qth.
std::unique_ptr<tSpeichertasten> GoldenTable();
// A table a failed read must leave exactly as it was.
std::unique_ptr<tSpeichertasten> WitnessTable();
// Every field of every key differs from its neighbours; kinds 0 to 5, finite values only.
std::unique_ptr<tSpeichertasten> EveryFieldSetTable();

// Offsets in a table's file image: the end of every field and record (header first, the file's
// size last) and the offset of each of the 64 string counts.
struct TFileLayout {
    std::vector<std::size_t> Boundaries;
    std::vector<std::size_t> StringCounts;
};
TFileLayout LayoutOf(const tSpeichertasten& table);

// Short forms for failure messages: gtest would dump the 420 KiB of a table byte by byte.
void PrintTo(const TSpeichertaste& key, std::ostream* out);
void PrintTo(const tSpeichertasten& table, std::ostream* out);

// The largest single request to operator new since the last reset.
void ResetLargestAllocation();
std::size_t LargestAllocation();

}  // namespace quenthal
