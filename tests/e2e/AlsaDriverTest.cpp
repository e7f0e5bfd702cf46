// The ALSA driver through a test-local ALSA configuration: the "file" plugin over an inline "null"
// slave records exactly the bytes the driver writes, and the JACK bridge of libasound2-plugins
// paces the stream with the JACK server's clock.
#include "tests/e2e/DriverHarness.h"
#include "tests/e2e/JackFixtures.h"
#include "tests/e2e/TempFolder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <thread>

namespace quenthal::test {
namespace {

using namespace std::chrono_literals;

struct TFormatCase {
    const char* Format;
    int32_t SampleType;
    int32_t Channels;
};

std::string PcmName(const TFormatCase& c) { return std::string("quenthal_") + c.Format + "_" + std::to_string(c.Channels); }

// The byte that the host writes at (frame, channel, byte) in this test: different everywhere, so a
// swapped channel, a dropped frame or a misplaced byte shows.
uint8_t Pattern(int64_t frame, int32_t channel, int32_t byte) {
    return static_cast<uint8_t>(frame * 7 + channel * 31 + byte * 13 + 1);
}

class AlsaFileTest : public ::testing::TestWithParam<TFormatCase> {
protected:
    void SetUp() override {
        const auto& c = GetParam();
        FConfig.Write("asound.conf", "pcm." + PcmName(c) + " {\n  type file\n  slave.pcm { type null }\n  file \"" +
                                         FConfig.File("out.raw") + "\"\n  format \"raw\"\n  hint.show on\n}\n");
        FConfig.Write("Alsa.ini", "[ALSA]\nRealTime=0\n[" + PcmName(c) + "]\nFormat=" + c.Format +
                                      "\nChannels=" + std::to_string(c.Channels) + "\n");
        setenv("ALSA_CONFIG_PATH", FConfig.File("asound.conf").c_str(), 1);
    }
    TTempFolder FConfig;
};

TEST_P(AlsaFileTest, WritesTheHostsBytesInterleavedInTheNativeFormat) {
    const auto& c = GetParam();
    const int32_t width = AsioSampleTypeSize(c.SampleType);
    {
        TDriverHarness harness("ALSA " + PcmName(c), FConfig.Path());
        ASSERT_TRUE(harness.Create());
        ASSERT_TRUE(harness.Init());
        int32_t inputs = -1, outputs = -1;
        harness.Driver().GetChannels(&inputs, &outputs);
        EXPECT_EQ(inputs, 0);
        ASSERT_EQ(outputs, c.Channels);
        TAsioChannelInfo info;
        ASSERT_EQ(harness.Driver().GetChannelInfo(&info), kAsioOK);
        EXPECT_EQ(info.SampleType, c.SampleType);
        int32_t minSize = 0, maxSize = 0, preferred = 0, granularity = 0;
        harness.Driver().GetBufferSize(&minSize, &maxSize, &preferred, &granularity);
        EXPECT_EQ(preferred, 1024);
        for (double rate : {44100.0, 48000.0, 96000.0, 192000.0}) {
            EXPECT_EQ(harness.Driver().CanSampleRate(rate), kAsioOK);
        }

        ASSERT_EQ(harness.CreateBuffers(1024), kAsioOK);
        harness.OnBlock = [&](int half, const TBlockRecord& record) {
            for (int32_t channel = 0; channel < c.Channels; ++channel) {
                auto* out = static_cast<uint8_t*>(harness.OutputHalf(channel, half));
                for (int32_t frame = 0; frame < 1024; ++frame)
                    for (int32_t byte = 0; byte < width; ++byte)
                        out[frame * width + byte] = Pattern(record.SamplePosition + frame, channel, byte);
            }
        };
        ASSERT_EQ(harness.Driver().Start(), kAsioOK);
        ASSERT_TRUE(TDriverHarness::WaitFor([&] { return harness.BlockCount() >= 8; }, 5s));
        ASSERT_EQ(harness.Driver().Stop(), kAsioOK);
        EXPECT_EQ(harness.Hooks().Statistics().Xruns, 0);
    }
    std::ifstream file(FConfig.File("out.raw"), std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    const size_t frameBytes = static_cast<size_t>(width) * c.Channels;
    ASSERT_GE(bytes.size(), 4 * 1024 * frameBytes);
    ASSERT_EQ(bytes.size() % frameBytes, 0u);
    size_t wrong = 0;
    for (size_t at = 0; at < bytes.size(); ++at) {
        const auto frame = static_cast<int64_t>(at / frameBytes);
        const auto channel = static_cast<int32_t>(at % frameBytes / width);
        const auto byte = static_cast<int32_t>(at % width);
        wrong += bytes[at] != Pattern(frame, channel, byte);
    }
    EXPECT_EQ(wrong, 0u);
}

INSTANTIATE_TEST_SUITE_P(Formats, AlsaFileTest,
                         ::testing::Values(TFormatCase{"S16_LE", ASIOSTInt16LSB, 2}, TFormatCase{"S16_LE", ASIOSTInt16LSB, 8},
                                           TFormatCase{"S24_3LE", ASIOSTInt24LSB, 2}, TFormatCase{"S24_3LE", ASIOSTInt24LSB, 8},
                                           TFormatCase{"S32_LE", ASIOSTInt32LSB, 2}, TFormatCase{"S32_LE", ASIOSTInt32LSB, 8},
                                           TFormatCase{"FLOAT_LE", ASIOSTFloat32LSB, 2},
                                           TFormatCase{"FLOAT_LE", ASIOSTFloat32LSB, 8}),
                         [](const auto& info) { return std::string(info.param.Format) + "_" + std::to_string(info.param.Channels); });

class AlsaDeviceTest : public ::testing::Test {
protected:
    void UseConfig(const std::string& text) {
        FConfig.Write("asound.conf", text);
        setenv("ALSA_CONFIG_PATH", FConfig.File("asound.conf").c_str(), 1);
    }
    TTempFolder FConfig;
};

TEST_F(AlsaDeviceTest, ListsEveryPlaybackPcmAndDefault) {
    UseConfig("pcm.quenthal_a { type null hint.show on }\npcm.quenthal_b { type null hint.show on }\n");
    TDriverRegistry registry({TestDriverFolder()}, "");
    const auto names = registry.SubKeyNames(TRegistryRoot::LocalMachine, "software\\asio");
    for (const char* expected : {"ALSA default", "ALSA quenthal_a", "ALSA quenthal_b"})
        EXPECT_NE(std::find(names.begin(), names.end(), expected), names.end()) << expected;
}

TEST_F(AlsaDeviceTest, AnAbsentDeviceFailsInitAtOnce) {
    UseConfig("pcm.quenthal_gone { type hw card 57 hint.show on }\n");
    TDriverHarness harness("ALSA quenthal_gone", FConfig.Path());
    ASSERT_TRUE(harness.Create());
    const auto begin = std::chrono::steady_clock::now();
    EXPECT_FALSE(harness.Init());
    EXPECT_LT(std::chrono::steady_clock::now() - begin, 2s);
}

TEST_F(AlsaDeviceTest, TheJackBridgePacesOneBlockPerPeriod) {
    TJackTap probe(0, 0);
    ASSERT_TRUE(probe.Ok()) << "no JACK server: run the suite through tools/lib/with-audio-servers";
    UseConfig("pcm.quenthal_jack {\n  type jack\n  playback_ports { 0 system:playback_1 1 system:playback_2 }\n"
              "  hint.show on\n}\n");
    TDriverHarness harness("ALSA quenthal_jack", FConfig.Path());
    ASSERT_TRUE(harness.Create());
    ASSERT_TRUE(harness.Init());
    ASSERT_EQ(harness.Driver().CanSampleRate(48000), kAsioOK);
    EXPECT_NE(harness.Driver().CanSampleRate(44100), kAsioOK) << "the bridge runs at the server's rate";
    ASSERT_EQ(harness.CreateBuffers(1024), kAsioOK);
    ASSERT_EQ(harness.Driver().Start(), kAsioOK);
    // After the device buffer has filled, blocks follow the server's clock: 48000 / 1024 per second.
    std::this_thread::sleep_for(500ms);
    const size_t first = harness.BlockCount();
    const auto begin = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(2s);
    const size_t blocks = harness.BlockCount() - first;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    harness.Driver().Stop();
    EXPECT_NEAR(blocks / seconds, 48000.0 / 1024, 48000.0 / 1024 * 0.1);
    EXPECT_EQ(harness.Hooks().Statistics().Xruns, 0);
}

}  // namespace
}  // namespace quenthal::test
