#include "presets/PresetFile.h"

#include "PresetFixtures.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <limits>
#include <sys/resource.h>
#include <unistd.h>

namespace quenthal {
namespace {

namespace fs = std::filesystem;

// Reads the image and returns the error text, or "" when it was accepted.
std::string ReadError(const std::string& image, tSpeichertasten& table) {
    try {
        ReadPresetFileBytes(AsBytes(image), table);
        return "";
    } catch (const EPresetFileError& error) {
        return error.what();
    }
}

void PutInt32(std::string& image, std::size_t offset, std::int32_t value) {
    for (int i = 0; i < 4; ++i) image[offset + i] = static_cast<char>(static_cast<std::uint32_t>(value) >> (8 * i));
}

TEST(PresetFileFormat, SizesAreExact) {
    auto table = std::make_unique<tSpeichertasten>();
    EXPECT_EQ(PresetFileBytes(*table).size(), 371492u);
    EXPECT_EQ(kKeyRecordFixedSize, 11609u);
    WriteFactoryPresets(*table);
    EXPECT_EQ(PresetFileBytes(*table).size(), 371532u);
}

TEST(PresetFileFormat, WriterAndReaderMatchTheGoldenFile) {
    const std::string golden = ReadFile(fs::path(QUENTHAL_PRESET_FIXTURES) / "golden.qth");
    ASSERT_EQ(golden.size(), 371581u);
    const auto expected = GoldenTable();
    EXPECT_TRUE(PresetFileBytes(*expected) == golden);

    auto table = std::make_unique<tSpeichertasten>();
    ReadPresetFileBytes(AsBytes(golden), *table);
    EXPECT_EQ(*table, *expected);
}

TEST(PresetFileFormat, StringCountIsTheUtf8ByteCount) {
    auto table = std::make_unique<tSpeichertasten>();
    table->ArrSpeichertasten[0].stTextSpeichertaste = "Gr\u00fc\u00dfe \u20ac";  // 7 characters
    const std::string image = PresetFileBytes(*table);
    const std::size_t nameAt = kPresetHeaderSize + 8 + 4 + 4 + kOutputsPerKey * kOutputRecordSize + 1;
    EXPECT_EQ(image.substr(nameAt, 4 + 11), std::string("\x0b\0\0\0Gr\xc3\xbc\xc3\x9f" "e \xe2\x82\xac", 15));
}

TEST(PresetFileFormat, RejectsForeignHeadersAndShortFiles) {
    const struct {
        std::string image;
        std::string error;
    } cases[] = {
        {"PV2\x01", "PreSet unknown file format"},
        {"pv1\x01", "PreSet unknown file format"},
        {"PV1\x02", "PreSet unsupported file version: 2"},
        {"PV1\xff", "PreSet unsupported file version: 255"},
        {std::string("PV1\0", 4), "PreSet unsupported file version: 0"},
        {"", "Stream read error"},
        {"PV", "Stream read error"},
        {"PV1", "Stream read error"},
        {"PV1\x01", "Stream read error"},
    };
    for (const auto& c : cases) {
        auto table = GoldenTable();
        EXPECT_EQ(ReadError(c.image, *table), c.error) << c.image;
        EXPECT_EQ(*table, *GoldenTable());
    }
}

TEST(PresetFileFormat, UnknownKindsReadAsSineAndSlotCountsAsStored) {
    std::string image = ReadFile(fs::path(QUENTHAL_PRESET_FIXTURES) / "golden.qth");
    // Key 1 has empty driver and name strings, so its outputs sit at fixed offsets.
    const auto kindAt = [](int output) {
        return kPresetHeaderSize + 8 + 4 + 4 + output * kOutputRecordSize + kOutputRecordSize - 1;
    };
    image[kindAt(0)] = 7;
    image[kindAt(1)] = 5;
    image[kindAt(2)] = static_cast<char>(0xff);
    image[kindAt(3)] = 6;
    image[kindAt(0) - 1] = 0;   // slot count of output 1
    image[kindAt(1) - 1] = 12;  // slot count of output 2
    image += "trailing bytes are ignored";
    auto table = std::make_unique<tSpeichertasten>();
    ASSERT_EQ(ReadError(image, *table), "");
    const auto& outputs = table->ArrSpeichertasten[0].ArrOutput;
    EXPECT_EQ(outputs[0].bSignalKind, SignalKind::Sine);
    EXPECT_EQ(outputs[1].bSignalKind, SignalKind::White);
    EXPECT_EQ(outputs[2].bSignalKind, SignalKind::Sine);
    EXPECT_EQ(outputs[3].bSignalKind, SignalKind::Sine);
    EXPECT_EQ(outputs[0].bSlotCount, 0);
    EXPECT_EQ(outputs[1].bSlotCount, 12);
    EXPECT_EQ(SlotCountOf(table->ArrSpeichertasten[0]), 1);
}

TEST(PresetFileFormat, EveryFieldSurvivesAWriteAndRead) {
    const auto table = EveryFieldSetTable();
    const std::string first = PresetFileBytes(*table);
    auto read = std::make_unique<tSpeichertasten>();
    ReadPresetFileBytes(AsBytes(first), *read);
    EXPECT_EQ(*read, *table);
    EXPECT_TRUE(PresetFileBytes(*read) == first);
}

TEST(PresetFileFormat, NonFiniteValuesAreReadAsStored) {
    auto table = std::make_unique<tSpeichertasten>();
    const double payloadNan = std::bit_cast<double>(0x7ff8'0000'dead'beefULL);
    const double values[] = {payloadNan, std::numeric_limits<double>::infinity(),
                             -std::numeric_limits<double>::infinity(), -0.0, 5e-324};
    TSpeichertaste& key = table->ArrSpeichertasten[3];
    key.ArrOutput[0].bSignalKind = SignalKind::Sweep;
    key.dMasterGain = values[0];
    TSignalSlot& slot = key.ArrOutput[0].ArrSlot[0];
    slot.dFrequency = values[1];
    slot.dStopFrequency = values[2];
    slot.dGain = values[3];
    slot.dParam = values[4];
    auto read = std::make_unique<tSpeichertasten>();
    ReadPresetFileBytes(AsBytes(PresetFileBytes(*table)), *read);
    const TSpeichertaste& back = read->ArrSpeichertasten[3];
    const TSignalSlot& s = back.ArrOutput[0].ArrSlot[0];
    const double got[] = {back.dMasterGain, s.dFrequency, s.dStopFrequency, s.dGain, s.dParam};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(std::bit_cast<std::uint64_t>(got[i]), std::bit_cast<std::uint64_t>(values[i])) << i;
    EXPECT_FALSE(KeyValuesAreFinite(back));  // kept, but flagged for whoever applies the key
}

TEST(PresetFileFormat, IllFormedNamesAreRepairedOnRead) {
    auto table = std::make_unique<tSpeichertasten>();
    table->ArrSpeichertasten[0].stTextSpeichertaste = std::string("A\xff" "B\xc3", 4);
    auto read = std::make_unique<tSpeichertasten>();
    ReadPresetFileBytes(AsBytes(PresetFileBytes(*table)), *read);
    EXPECT_EQ(read->ArrSpeichertasten[0].stTextSpeichertaste, "A\xef\xbf\xbd" "B\xef\xbf\xbd");
}

// Damaged copies of the golden file: each must be refused with its error and leave the table alone.
class PresetFileMutants : public ::testing::Test {
protected:
    void SetUp() override {
        FGolden = ReadFile(fs::path(QUENTHAL_PRESET_FIXTURES) / "golden.qth");
        FLayout = LayoutOf(*GoldenTable());
        FTable = WitnessTable();
    }
    void ExpectRefused(const std::string& image, const std::string& error, const std::string& what) {
        EXPECT_EQ(ReadError(image, *FTable), error) << what;
        EXPECT_EQ(*FTable, *WitnessTable()) << what;
    }
    std::string FGolden;
    TFileLayout FLayout;
    std::unique_ptr<tSpeichertasten> FTable;
};

TEST_F(PresetFileMutants, TruncatedAtAnyFieldOrRecordBoundary) {
    ASSERT_EQ(FLayout.Boundaries.back(), FGolden.size());
    for (const std::size_t end : FLayout.Boundaries) {
        if (end == FGolden.size()) continue;
        ExpectRefused(FGolden.substr(0, end), "Stream read error", "cut at " + std::to_string(end));
        if (end > 0) ExpectRefused(FGolden.substr(0, end - 1), "Stream read error", "cut at " + std::to_string(end - 1));
    }
}

TEST_F(PresetFileMutants, NegativeOrOversizedStringCounts) {
    ASSERT_EQ(FLayout.StringCounts.size(), 64u);
    for (const std::size_t at : FLayout.StringCounts) {
        for (const std::int32_t count : {-1, std::numeric_limits<std::int32_t>::min()}) {
            std::string image = FGolden;
            PutInt32(image, at, count);
            ExpectRefused(image, "Invalid string length in file", "count " + std::to_string(count) + " at " + std::to_string(at));
        }
        std::string image = FGolden;
        PutInt32(image, at, 0x7FFFFFFF);
        ExpectRefused(image, "Stream read error", "huge count at " + std::to_string(at));
    }
}

TEST_F(PresetFileMutants, ZeroedStringCountsReadOrFailCleanly) {
    for (const std::size_t at : FLayout.StringCounts) {
        std::string image = FGolden;
        const bool wasEmpty = image.compare(at, 4, std::string(4, '\0')) == 0;
        PutInt32(image, at, 0);
        auto table = WitnessTable();
        const std::string error = ReadError(image, *table);
        if (wasEmpty) {
            EXPECT_EQ(error, "") << at;
            EXPECT_EQ(*table, *GoldenTable()) << at;
        } else if (!error.empty()) {
            // The string's bytes are read as the fields after it; whatever that misread ends in,
            // a refusal must leave the table alone. (Near the end it can also read as a valid file
            // with trailing bytes.)
            EXPECT_EQ(*table, *WitnessTable()) << at;
        }
    }
}

TEST(PresetFileSafety, HostileStringCountAllocatesNothingBig) {
    // A 30-byte file asking for a 2 GiB driver name.
    std::string image("PV1\x01" "\0\0\0\0\0\0\xe0\x3f" "\xff\xff\xff\x7f", 16);
    image.resize(30, 'x');
    auto table = std::make_unique<tSpeichertasten>();
    ResetLargestAllocation();
    EXPECT_EQ(ReadError(image, *table), "Stream read error");
    EXPECT_LT(LargestAllocation(), 1u << 20);
}

class PresetFileOnDisk : public ::testing::Test {
protected:
    void SetUp() override {
        FFolder = fs::temp_directory_path() / ("quenthal-presets-" + std::to_string(::getpid()));
        fs::remove_all(FFolder);
        fs::create_directories(FFolder);
    }
    void TearDown() override { fs::remove_all(FFolder); }
    std::size_t FilesInFolder() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(FFolder), fs::directory_iterator()));
    }
    fs::path FFolder;
};

TEST_F(PresetFileOnDisk, SaveAndLoadGiveTheGoldenBytes) {
    const std::string path = (FFolder / "preset.qth").string();
    SavePresetFile(path, *WitnessTable());
    SavePresetFile(path, *GoldenTable());  // replaces the older file
    EXPECT_TRUE(ReadFile(path) == ReadFile(fs::path(QUENTHAL_PRESET_FIXTURES) / "golden.qth"));
    auto table = WitnessTable();
    EXPECT_TRUE(LoadPresetFile(path, *table));
    EXPECT_EQ(*table, *GoldenTable());
    EXPECT_EQ(FilesInFolder(), 1u);
}

TEST_F(PresetFileOnDisk, LoadErrorsNameTheFileAndKeepTheTable) {
    const std::string missing = (FFolder / "nicht da.qth").string();
    const std::string folder = FFolder.string();
    const std::string damaged = (FFolder / "damaged.qth").string();
    WriteFile(damaged, ReadFile(fs::path(QUENTHAL_PRESET_FIXTURES) / "golden.qth").substr(0, 200000));
    const struct {
        std::string path;
        std::string error;
    } cases[] = {
        {missing, "File not found: " + missing},
        {(FFolder / "nicht da.qth" / "x").string(), "File not found: " + (FFolder / "nicht da.qth" / "x").string()},
        {folder, "Cannot open file \"" + folder + "\". Is a directory"},
        {damaged, "Stream read error"},
    };
    for (const auto& c : cases) {
        auto table = WitnessTable();
        try {
            LoadPresetFile(c.path, *table);
            ADD_FAILURE() << c.path << " was accepted";
        } catch (const EPresetFileError& error) {
            EXPECT_EQ(error.what(), c.error);
        }
        EXPECT_EQ(*table, *WitnessTable()) << c.path;
    }
}

TEST_F(PresetFileOnDisk, FailedSaveLeavesTheOldFileWhole) {
    const std::string path = (FFolder / "preset.qth").string();
    SavePresetFile(path, *GoldenTable());
    const std::string before = ReadFile(path);

    // A file-size limit stands in for a full disk: the write stops after 64 KiB, also for root.
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 64 * 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string error;
    try {
        SavePresetFile(path, *EveryFieldSetTable());
    } catch (const EPresetFileError& e) {
        error = e.what();
    }
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_EQ(error, "Cannot create file \"" + path + "\". " + std::strerror(EFBIG));
    EXPECT_TRUE(ReadFile(path) == before);
    EXPECT_EQ(FilesInFolder(), 1u);
}

TEST_F(PresetFileOnDisk, SaveIntoMissingFolderFails) {
    const std::string path = (FFolder / "absent" / "preset.qth").string();
    try {
        SavePresetFile(path, *GoldenTable());
        ADD_FAILURE() << "saved into a missing folder";
    } catch (const EPresetFileError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot create file \"" + path + "\". " + std::strerror(ENOENT));
    }
}

}  // namespace
}  // namespace quenthal
