// The WAV File Writer through the driver interface: free-running for a known number of blocks, then
// the file checked byte by byte and read back by sox.
#include "drivers/wavfile/WavFileHeader.h"
#include "tests/e2e/DriverHarness.h"
#include "tests/e2e/TempFolder.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <thread>

namespace quenthal::test {
namespace {

using namespace std::chrono_literals;
using drivers::BuildWavHeader;
using drivers::TWavFormat;

std::vector<uint8_t> ReadAll(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::string RunCommand(const std::string& command) {
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        std::array<char, 256> chunk;
        while (fgets(chunk.data(), chunk.size(), pipe)) output += chunk.data();
        pclose(pipe);
    }
    return output;
}

struct TWavCase {
    int32_t SampleType;
    int32_t Outputs;
    const char* SoxEncoding;
};

class WavFileWriterTest : public ::testing::TestWithParam<TWavCase> {
protected:
    TTempFolder FFolder;
};

TEST_P(WavFileWriterTest, WritesAValidWavOfExactlyTheRenderedBlocks) {
    const auto& c = GetParam();
    const std::string path = FFolder.File("out/take.wav");
    FFolder.Write("WavFileWriter.ini", "[WAV File Writer]\nOutputs=" + std::to_string(c.Outputs) + "\nSampleType=" +
                                           std::to_string(c.SampleType) + "\nPacing=free\nBlockLimit=6\nFile=" +
                                           path + "\n");
    const int32_t width = AsioSampleTypeSize(c.SampleType);
    {
        TDriverHarness harness("WAV File Writer", FFolder.Path());
        ASSERT_TRUE(harness.Create() && harness.Init());
        for (double rate : {44100.0, 48000.0, 96000.0, 192000.0}) {
            EXPECT_EQ(harness.Driver().CanSampleRate(rate), kAsioOK);
        }
        EXPECT_NE(harness.Driver().CanSampleRate(22050), kAsioOK);
        ASSERT_EQ(harness.Driver().SetSampleRate(96000), kAsioOK);
        ASSERT_EQ(harness.CreateBuffers(1024), kAsioOK);
        ASSERT_EQ(harness.Outputs(), c.Outputs);
        harness.OnBlock = [&](int half, const TBlockRecord& record) {
            for (int32_t channel = 0; channel < c.Outputs; ++channel) {
                auto* out = static_cast<uint8_t*>(harness.OutputHalf(channel, half));
                for (int32_t i = 0; i < 1024 * width; ++i)
                    out[i] = static_cast<uint8_t>((record.SamplePosition * width + i) * 3 + channel * 101);
            }
        };
        ASSERT_EQ(harness.Driver().Start(), kAsioOK);
        ASSERT_TRUE(TDriverHarness::WaitFor([&] { return harness.BlockCount() >= 6; }, 5s));
        std::this_thread::sleep_for(20ms);
        EXPECT_EQ(harness.BlockCount(), 6u) << "free-running stops at its block limit";
        ASSERT_EQ(harness.Driver().Stop(), kAsioOK);
    }
    const auto bytes = ReadAll(path);
    const TWavFormat format{c.Outputs, 96000, c.SampleType};
    const uint64_t dataBytes = 6ull * 1024 * width * c.Outputs;
    const auto header = BuildWavHeader(format, dataBytes);
    ASSERT_EQ(bytes.size(), header.size() + dataBytes);
    EXPECT_TRUE(std::equal(header.begin(), header.end(), bytes.begin()));
    size_t wrong = 0;
    for (uint64_t at = 0; at < dataBytes; ++at) {
        const uint64_t frame = at / (width * c.Outputs);
        const uint64_t channel = at / width % c.Outputs;
        const uint64_t byte = at % width;
        wrong += bytes[header.size() + at] != static_cast<uint8_t>((frame * width + byte) * 3 + channel * 101);
    }
    EXPECT_EQ(wrong, 0u);

    const std::string info = RunCommand("soxi '" + path + "' 2>&1");
    EXPECT_NE(info.find("Channels       : " + std::to_string(c.Outputs)), std::string::npos) << info;
    EXPECT_NE(info.find("Sample Rate    : 96000"), std::string::npos) << info;
    EXPECT_NE(info.find("= 6144 samples"), std::string::npos) << info;
    EXPECT_NE(info.find(c.SoxEncoding), std::string::npos) << info;
    EXPECT_EQ(info.find("FAIL"), std::string::npos) << info;
}

INSTANTIATE_TEST_SUITE_P(Types, WavFileWriterTest,
                         ::testing::Values(TWavCase{ASIOSTInt16LSB, 2, "16-bit Signed Integer PCM"},
                                           TWavCase{ASIOSTInt24LSB, 3, "24-bit Signed Integer PCM"},
                                           TWavCase{ASIOSTInt32LSB, 2, "32-bit Signed Integer PCM"},
                                           TWavCase{ASIOSTFloat32LSB, 2, "32-bit Floating Point PCM"},
                                           TWavCase{ASIOSTFloat64LSB, 8, "64-bit Floating Point PCM"}),
                         [](const auto& info) {
                             return "type" + std::to_string(info.param.SampleType) + "_" +
                                    std::to_string(info.param.Outputs);
                         });

TEST(WavFileWriterDefaults, TwoFloatOutputs1024FramesAndRealTimePacing) {
    TTempFolder folder;
    folder.Write("WavFileWriter.ini", "[WAV File Writer]\nFile=" + folder.File("rt.wav") + "\nOutputs=banana\n");
    TDriverHarness harness("WAV File Writer", folder.Path());
    ASSERT_TRUE(harness.Create() && harness.Init());
    int32_t inputs = -1, outputs = -1, minSize = 0, maxSize = 0, preferred = 0, granularity = 0;
    harness.Driver().GetChannels(&inputs, &outputs);
    harness.Driver().GetBufferSize(&minSize, &maxSize, &preferred, &granularity);
    EXPECT_EQ(inputs, 0);
    EXPECT_EQ(outputs, 2);
    EXPECT_EQ(preferred, 1024);
    EXPECT_EQ(minSize, maxSize);
    TAsioChannelInfo info;
    harness.Driver().GetChannelInfo(&info);
    EXPECT_EQ(info.SampleType, ASIOSTFloat32LSB);
    ASSERT_EQ(harness.CreateBuffers(1024), kAsioOK);
    ASSERT_EQ(harness.Driver().Start(), kAsioOK);
    std::this_thread::sleep_for(200ms);
    const size_t first = harness.BlockCount();
    const auto begin = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(2s);
    const size_t blocks = harness.BlockCount() - first;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    harness.Driver().Stop();
    EXPECT_NEAR(blocks / seconds, 48000.0 / 1024, 48000.0 / 1024 * 0.05) << "its own clock paces it in real time";
}

TEST(WavFileWriterDefaults, AnUnwritableTargetFailsTheStartAndSaysWhy) {
    TTempFolder folder;
    folder.Write("WavFileWriter.ini", "[WAV File Writer]\nFile=/proc/quenthal/no.wav\n");
    TDriverHarness harness("WAV File Writer", folder.Path());
    ASSERT_TRUE(harness.Create() && harness.Init());
    ASSERT_EQ(harness.CreateBuffers(1024), kAsioOK);
    EXPECT_NE(harness.Driver().Start(), kAsioOK);
    char text[128];
    harness.Driver().GetErrorMessage(text);
    EXPECT_STREQ(text, "Cannot write /proc/quenthal/no.wav");
}

uint64_t Le(const std::vector<uint8_t>& bytes, size_t at, int count) {
    uint64_t value = 0;
    for (int i = count - 1; i >= 0; --i) value = value << 8 | bytes[at + static_cast<size_t>(i)];
    return value;
}

// Beyond 4 GiB the reserved JUNK chunk becomes ds64 and the 32-bit sizes say "see ds64". (sox reads
// such a file right, but scans all of it, which takes minutes for a 5 GiB file.)
TEST(WavFileHeaderRf64, AFileBeyondFourGiBCarriesItsSizesInDs64) {
    const TWavFormat format{2, 48000, ASIOSTFloat32LSB};
    const auto small = BuildWavHeader(format, 1ull << 20);
    const uint64_t dataBytes = 5ull << 30;
    const auto big = BuildWavHeader(format, dataBytes);
    ASSERT_EQ(big.size(), small.size()) << "the header is rewritten in place";
    EXPECT_EQ(std::string(small.begin(), small.begin() + 4), "RIFF");
    EXPECT_EQ(std::string(small.begin() + 12, small.begin() + 16), "JUNK");
    EXPECT_EQ(std::string(big.begin(), big.begin() + 4), "RF64");
    EXPECT_EQ(Le(big, 4, 4), 0xffffffffu);
    EXPECT_EQ(std::string(big.begin() + 12, big.begin() + 16), "ds64");
    EXPECT_EQ(Le(big, 16, 4), 28u);
    EXPECT_EQ(Le(big, 20, 8), big.size() - 8 + dataBytes);  // RIFF size
    EXPECT_EQ(Le(big, 28, 8), dataBytes);                   // data size
    EXPECT_EQ(Le(big, 36, 8), dataBytes / 8);               // frames
    EXPECT_EQ(std::string(big.end() - 8, big.end() - 4), "data");
    EXPECT_EQ(Le(big, big.size() - 4, 4), 0xffffffffu);
    // Just below the limit the file stays RIFF.
    const uint64_t largestRiff = 0xfffffffeull - (small.size() - 8);  // even: no pad byte
    const auto tag = [&](uint64_t bytes) {
        const auto header = BuildWavHeader(format, bytes);
        return std::string(header.begin(), header.begin() + 4);
    };
    EXPECT_EQ(tag(largestRiff), "RIFF");
    EXPECT_EQ(tag(largestRiff + 2), "RF64");
    EXPECT_EQ(tag(largestRiff + 1), "RF64") << "the pad byte after odd data counts";
}

// Plain PCM header of a stereo 16-bit file, written down once.
TEST(WavFileHeaderBytes, StereoSixteenBitIsPlainPcm) {
    const auto header = BuildWavHeader(TWavFormat{2, 44100, ASIOSTInt16LSB}, 400);
    const std::vector<uint8_t> expected = {
        'R', 'I', 'F', 'F', 0xd8, 0x01, 0, 0, 'W', 'A', 'V', 'E', 'J', 'U', 'N', 'K', 28, 0, 0, 0,
        0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
        'f', 'm', 't', ' ', 16, 0, 0, 0, 1, 0, 2, 0, 0x44, 0xac, 0, 0, 0x10, 0xb1, 0x02, 0, 4, 0, 16, 0,
        'd', 'a', 't', 'a', 0x90, 0x01, 0, 0};
    EXPECT_EQ(header, expected);
}

}  // namespace
}  // namespace quenthal::test
