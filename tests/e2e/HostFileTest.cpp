// Through the real host and the engine's sine renderer into drivers that keep what they get: the
// ALSA "file" plugin over a "null" slave and the WAV File Writer, compared byte by byte with the same
// blocks rendered offline and passed through the host's own clip and converter. And the ALSA-to-JACK
// bridge, which must pace the host at the server's rate.
#include "drivers/wavfile/WavFileHeader.h"
#include "tests/e2e/HostRig.h"
#include "tests/e2e/JackFixtures.h"
#include "tests/e2e/TempFolder.h"

#include <gtest/gtest.h>

#include <signal.h>

#include <fstream>
#include <iterator>
#include <thread>

namespace quenthal::test {
namespace {

using namespace std::chrono_literals;

std::vector<uint8_t> ReadAll(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::vector<float> Frequencies(int32_t outputs) {
    std::vector<float> frequencies;
    for (int32_t k = 0; k < outputs; ++k) frequencies.push_back(997.0f + 211.0f * static_cast<float>(k));
    return frequencies;
}

std::vector<double> Levels(int32_t outputs) {
    std::vector<double> levels;
    for (int32_t k = 0; k < outputs; ++k) levels.push_back(k == 0 ? 0.0 : -3.0 * k);  // output 1 at full scale
    return levels;
}

// Counts the bytes of `data` (whole blocks of one interleaved block's size) that differ from the
// reference, block after block.
size_t CompareBlocks(const std::vector<uint8_t>& data, size_t offset, TReferenceRender& reference, size_t& blocks) {
    size_t wrong = 0;
    blocks = 0;
    while (true) {
        const auto expected = reference.NextInterleavedBlock();
        if (offset + expected.size() > data.size()) break;
        for (size_t i = 0; i < expected.size(); ++i) wrong += data[offset + i] != expected[i];
        offset += expected.size();
        ++blocks;
    }
    return wrong;
}

struct TFormatCase {
    const char* Format;
    int32_t SampleType;
    int32_t Channels;
};

class HostAlsaFileTest : public ::testing::TestWithParam<TFormatCase> {
protected:
    TTempFolder FConfig;
};

TEST_P(HostAlsaFileTest, TheDeviceGetsTheConvertersBytesOfTheRenderedBlocks) {
    const auto& c = GetParam();
    const std::string pcm = std::string("quenthal_host_") + c.Format;
    FConfig.Write("asound.conf", "pcm." + pcm + " {\n  type file\n  slave.pcm { type null }\n  file \"" +
                                     FConfig.File("out.raw") + "\"\n  format \"raw\"\n  hint.show on\n}\n");
    FConfig.Write("Alsa.ini", "[" + pcm + "]\nFormat=" + c.Format + "\nChannels=" + std::to_string(c.Channels) +
                                  "\nRealTime=0\n");
    setenv("ALSA_CONFIG_PATH", FConfig.File("asound.conf").c_str(), 1);
    {
        THostRig rig(FConfig.Path());
        rig.Choose("ALSA " + pcm, 44100);  // not the device's first rate: the start reconfigures it
        ASSERT_EQ(rig.Host().OutputChannelCount(), c.Channels);
        ASSERT_EQ(rig.Host().GetOutputChannelInfo(0).SampleType, c.SampleType);
        ASSERT_EQ(rig.Host().SampleRate(), 44100);
        rig.SetSines(Frequencies(c.Channels), Levels(c.Channels));
        rig.StartSine(false);
        const auto& hooks = rig.Hooks("ALSA " + pcm);
        ASSERT_TRUE(TDriverHarness::WaitFor([&] { return hooks.Statistics().Blocks >= 6; }, 5s));
        rig.Stop();
        EXPECT_EQ(rig.Host().BlockFaultCount(), 0u);
    }
    const auto data = ReadAll(FConfig.File("out.raw"));
    std::vector<double> gains;
    for (double level : Levels(c.Channels)) gains.push_back(static_cast<float>(std::pow(10.0, level / 20)));
    TReferenceRender reference(c.Channels, 44100, 1024, c.SampleType, Frequencies(c.Channels), gains);
    size_t blocks = 0;
    EXPECT_EQ(CompareBlocks(data, 0, reference, blocks), 0u);
    EXPECT_GE(blocks, 4u);
    EXPECT_EQ(data.size() % (static_cast<size_t>(AsioSampleTypeSize(c.SampleType)) * c.Channels * 1024), 0u);
}

INSTANTIATE_TEST_SUITE_P(Formats, HostAlsaFileTest,
                         ::testing::Values(TFormatCase{"S16_LE", ASIOSTInt16LSB, 2}, TFormatCase{"S16_LE", ASIOSTInt16LSB, 8},
                                           TFormatCase{"S24_3LE", ASIOSTInt24LSB, 2}, TFormatCase{"S24_3LE", ASIOSTInt24LSB, 8},
                                           TFormatCase{"S32_LE", ASIOSTInt32LSB, 2}, TFormatCase{"S32_LE", ASIOSTInt32LSB, 8},
                                           TFormatCase{"FLOAT_LE", ASIOSTFloat32LSB, 2},
                                           TFormatCase{"FLOAT_LE", ASIOSTFloat32LSB, 8}),
                         [](const auto& info) { return std::string(info.param.Format) + "_" + std::to_string(info.param.Channels); });

TEST(HostAlsaJackBridge, TheHostRunsAtTheServersPace) {
    TJackTap probe(0, 0);
    ASSERT_TRUE(probe.Ok()) << "no JACK server: run the suite through tools/lib/with-audio-servers";
    TTempFolder config;
    config.Write("asound.conf", "pcm.quenthal_bridge {\n  type jack\n  playback_ports { 0 system:playback_1 1 "
                                "system:playback_2 }\n  hint.show on\n}\n");
    setenv("ALSA_CONFIG_PATH", config.File("asound.conf").c_str(), 1);
    THostRig rig(config.Path());
    rig.Choose("ALSA quenthal_bridge", 48000);
    ASSERT_EQ(rig.Host().SampleRate(), 48000);
    rig.SetSines(Frequencies(2), Levels(2));
    rig.StartSine(true);
    const auto& hooks = rig.Hooks("ALSA quenthal_bridge");
    std::this_thread::sleep_for(500ms);
    const auto first = hooks.Statistics();
    const auto begin = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(3s);
    const auto last = hooks.Statistics();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    rig.Stop();
    EXPECT_NEAR((last.Blocks - first.Blocks) / seconds, 48000.0 / 1024, 48000.0 / 1024 * 0.05);
    EXPECT_EQ(last.Xruns, 0);
}

// The device behind the bridge goes away with its server: the driver thread notices within its wait
// timeouts, asks for a reset, and the reset finds no device.
TEST(HostAlsaJackBridge, ADeviceThatVanishesWhilePlayingResetsTheHostToStopped) {
    TPrivateJackServer server("quenthal-e2e-alsa");
    ASSERT_TRUE(server.Start());
    setenv("JACK_DEFAULT_SERVER", "quenthal-e2e-alsa", 1);  // what the bridge connects to
    TTempFolder config;
    config.Write("asound.conf", "pcm.quenthal_vanishing {\n  type jack\n  playback_ports { 0 system:playback_1 1 "
                                "system:playback_2 }\n  hint.show on\n}\n");
    setenv("ALSA_CONFIG_PATH", config.File("asound.conf").c_str(), 1);
    THostRig rig(config.Path());
    rig.Choose("ALSA quenthal_vanishing", 48000);
    rig.SetSines(Frequencies(2), Levels(2));
    rig.StartSine(true);
    const auto& hooks = rig.Hooks("ALSA quenthal_vanishing");
    ASSERT_TRUE(TDriverHarness::WaitFor([&] { return hooks.Statistics().Blocks >= 5; }, 3s));

    server.Stop(SIGKILL);
    ASSERT_TRUE(TDriverHarness::WaitFor([&] { return rig.GuiQueue().Pending() > 0; }, 10s))
        << "the driver never noticed";
    const auto begin = std::chrono::steady_clock::now();
    rig.GuiQueue().Drain();
    EXPECT_LT(std::chrono::steady_clock::now() - begin, 5s) << "the reset must not hang";
    EXPECT_FALSE(rig.Host().Active());
    EXPECT_FALSE(rig.Host().DriverOpen());
    EXPECT_EQ(rig.Errors(), std::vector<std::string>{"Asio driver failed!"});
    unsetenv("JACK_DEFAULT_SERVER");
}

struct TWavCase {
    int32_t SampleType;
    int32_t Outputs;
};

class HostWavFileTest : public ::testing::TestWithParam<TWavCase> {
protected:
    TTempFolder FConfig;
};

TEST_P(HostWavFileTest, TheFileHoldsTheRenderedSignalBehindAValidHeader) {
    const auto& c = GetParam();
    const std::string path = FConfig.File("take.wav");
    FConfig.Write("WavFileWriter.ini", "[WAV File Writer]\nOutputs=" + std::to_string(c.Outputs) + "\nSampleType=" +
                                           std::to_string(c.SampleType) + "\nPacing=free\nBlockLimit=10\nFile=" +
                                           path + "\n");
    {
        THostRig rig(FConfig.Path());
        rig.Choose("WAV File Writer", 44100);
        ASSERT_EQ(rig.Host().SampleRate(), 44100);
        ASSERT_EQ(rig.Host().OutputChannelCount(), c.Outputs);
        rig.SetSines(Frequencies(c.Outputs), Levels(c.Outputs));
        rig.StartSine(false);
        const auto& hooks = rig.Hooks("WAV File Writer");
        ASSERT_TRUE(TDriverHarness::WaitFor([&] { return hooks.Statistics().Blocks >= 10; }, 5s));
        rig.Stop();
    }
    const auto data = ReadAll(path);
    const drivers::TWavFormat format{c.Outputs, 44100, c.SampleType};
    const uint64_t dataBytes = 10ull * 1024 * AsioSampleTypeSize(c.SampleType) * c.Outputs;
    const auto header = drivers::BuildWavHeader(format, dataBytes);
    ASSERT_EQ(data.size(), header.size() + dataBytes);
    EXPECT_TRUE(std::equal(header.begin(), header.end(), data.begin()));
    std::vector<double> gains;
    for (double level : Levels(c.Outputs)) gains.push_back(static_cast<float>(std::pow(10.0, level / 20)));
    TReferenceRender reference(c.Outputs, 44100, 1024, c.SampleType, Frequencies(c.Outputs), gains);
    size_t blocks = 0;
    EXPECT_EQ(CompareBlocks(data, header.size(), reference, blocks), 0u);
    EXPECT_EQ(blocks, 10u);
}

INSTANTIATE_TEST_SUITE_P(Types, HostWavFileTest,
                         ::testing::Values(TWavCase{ASIOSTFloat32LSB, 2}, TWavCase{ASIOSTInt16LSB, 2},
                                           TWavCase{ASIOSTInt24LSB, 8}),
                         [](const auto& info) {
                             return "type" + std::to_string(info.param.SampleType) + "_" +
                                    std::to_string(info.param.Outputs);
                         });

}  // namespace
}  // namespace quenthal::test
