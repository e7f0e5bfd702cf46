// The registry built from the bundled driver modules and a registry file, and the dlopen loader.
#include "platform/DlopenModuleLoader.h"
#include "platform/DriverFolders.h"
#include "platform/DriverRegistry.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <filesystem>
#include <fstream>

namespace quenthal {
namespace {

const std::string kBundled = QUENTHAL_TEST_DRIVER_DIR;
const std::string kOdd = QUENTHAL_TEST_ODD_MODULES;

std::string Clsid(const char* name) { return GuidToString(AsioClsidFromDeviceName(name)); }

class DriverRegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The ALSA module lists what the machine's ALSA configuration holds; keep that fixed.
        FFolder = std::filesystem::temp_directory_path() / ("quenthal-registry-" + std::to_string(getpid()));
        std::filesystem::create_directories(FFolder);
        std::ofstream(FFolder / "asound.conf") << "pcm.quenthal_only { type null hint.show on }\n";
        setenv("ALSA_CONFIG_PATH", (FFolder / "asound.conf").c_str(), 1);
    }
    void TearDown() override { std::filesystem::remove_all(FFolder); }
    std::string WriteRegistryFile(const std::string& text) {
        const auto path = FFolder / "drivers.ini";
        std::ofstream(path) << text;
        return path.string();
    }
    std::filesystem::path FFolder;
};

TEST_F(DriverRegistryTest, EveryBundledDeviceIsAnAsioKeyWithItsClsidDescriptionAndModule) {
    TDriverRegistry registry({kBundled}, "");
    const auto names = registry.SubKeyNames(TRegistryRoot::LocalMachine, "software\\asio");
    // Sorted without regard to letter case, as the Windows registry enumerates.
    EXPECT_EQ(names, (std::vector<std::string>{"ALSA default", "ALSA quenthal_only", "JACK", "WAV File Writer"}));
    EXPECT_EQ(registry.ReadString(TRegistryRoot::LocalMachine, "software\\asio\\WAV File Writer", "CLSID"),
              Clsid("WAV File Writer"));
    EXPECT_EQ(registry.ReadString(TRegistryRoot::LocalMachine, "SOFTWARE\\ASIO\\jack", "description"),
              "JACK Audio Connection Kit");
    for (const char* name : {"ALSA default", "JACK", "WAV File Writer"}) {
        std::string key = Clsid(name);
        std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) { return std::tolower(c); });
        const auto module = registry.ReadString(TRegistryRoot::ClassesRoot, "clsid\\" + key + "\\InprocServer32", "");
        ASSERT_TRUE(module) << name;
        EXPECT_TRUE(std::filesystem::is_regular_file(*module)) << *module;
    }
}

TEST_F(DriverRegistryTest, BadDeviceRecordsAndModulesWithoutFactoryAreLeftOut) {
    TDriverRegistry registry({kOdd}, "");
    const auto names = registry.SubKeyNames(TRegistryRoot::LocalMachine, "software\\asio");
    EXPECT_EQ(names, std::vector<std::string>{"Odd Refusing"});
    EXPECT_EQ(registry.ReadString(TRegistryRoot::LocalMachine, "software\\asio\\Odd Refusing", "description"), "");
    // A refusing factory is "not installed", not a crash.
    TDlopenModuleLoader loader(registry, {});
    EXPECT_EQ(loader.CreateInstance(AsioClsidFromDeviceName("Odd Refusing")), nullptr);
    EXPECT_EQ(loader.CreateInstance(AsioClsidFromDeviceName("Nobody")), nullptr);
}

TEST_F(DriverRegistryTest, TheRegistryFileAddsDriversAndSkipsGarbageLines) {
    const std::string file = WriteRegistryFile(
        "garbage without equals\n=no key\n; comment\nstray=before any section\n"
        "[External Box]\nCLSID={11111111-2222-3333-4444-555555555555}\n  description = Box 8x8 \n"
        "Module=/nowhere/quenthal_driver_wavfile.so\nunknown=kept out\n"
        "[Broken\\Name]\nCLSID={22222222-2222-3333-4444-555555555555}\n"
        "[No Clsid]\nDescription=listed as the driver list reads it\n"
        "[JACK]\nCLSID={33333333-2222-3333-4444-555555555555}\n");
    TDriverRegistry registry({kBundled}, file);
    const auto names = registry.SubKeyNames(TRegistryRoot::LocalMachine, "software\\asio");
    EXPECT_EQ(names, (std::vector<std::string>{"ALSA default", "ALSA quenthal_only", "External Box", "JACK",
                                               "No Clsid", "WAV File Writer"}));
    EXPECT_EQ(registry.ReadString(TRegistryRoot::LocalMachine, "software\\asio\\External Box", "description"),
              "Box 8x8");
    EXPECT_EQ(registry.ReadString(TRegistryRoot::LocalMachine, "software\\asio\\External Box", "unknown"),
              std::nullopt);
    EXPECT_EQ(registry.ReadString(TRegistryRoot::LocalMachine, "software\\asio\\No Clsid", "clsid"), std::nullopt);
    // The bundled JACK entry came first and keeps its own CLSID.
    EXPECT_EQ(registry.ReadString(TRegistryRoot::LocalMachine, "software\\asio\\JACK", "clsid"), Clsid("JACK"));
    EXPECT_EQ(registry.ReadString(TRegistryRoot::ClassesRoot,
                                  "clsid\\{11111111-2222-3333-4444-555555555555}\\InprocServer32", ""),
              "/nowhere/quenthal_driver_wavfile.so");
}

TEST_F(DriverRegistryTest, AMovedModuleIsFoundByItsFileNameInTheFallbackFolders) {
    TMemoryRegistry registry;
    const TGuid wav = AsioClsidFromDeviceName("WAV File Writer");
    auto key = GuidToString(wav);
    registry.SetString(TRegistryRoot::ClassesRoot, "clsid\\" + key + "\\InprocServer32", "",
                       "/nowhere/quenthal_driver_wavfile.so");
    EXPECT_EQ(TDlopenModuleLoader(registry, {"/also/nowhere"}).CreateInstance(wav), nullptr);
    TDlopenModuleLoader loader(registry, {"/also/nowhere", kBundled});
    EXPECT_EQ(loader.ModulePath(wav), kBundled + "/quenthal_driver_wavfile.so");
    IAsioDriver* driver = loader.CreateInstance(wav);
    ASSERT_NE(driver, nullptr);
    driver->Release();
}

TEST_F(DriverRegistryTest, TheModuleStaysLoadedExactlyAsLongAsADriverObjectLives) {
    TDriverRegistry registry({kBundled}, "");
    TDlopenModuleLoader loader(registry, {});
    const TGuid wav = AsioClsidFromDeviceName("WAV File Writer");
    const std::string path = loader.ModulePath(wav);
    const auto loaded = [&] {
        void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
        if (handle) dlclose(handle);
        return handle != nullptr;
    };
    EXPECT_FALSE(loaded()) << "listing the devices leaves no module loaded";
    IAsioDriver* first = loader.CreateInstance(wav);
    IAsioDriver* second = loader.CreateInstance(wav);
    ASSERT_TRUE(first && second);
    void* same = nullptr;
    EXPECT_EQ(first->QueryInterface(wav, &same), 0);
    EXPECT_EQ(same, first);
    EXPECT_NE(first->QueryInterface(AsioClsidFromDeviceName("JACK"), &same), 0);
    EXPECT_EQ(same, nullptr);
    first->Release();  // the reference QueryInterface added
    char name[256];
    first->GetDriverName(name);
    EXPECT_STREQ(name, "WAV File Writer");
    first->Release();
    EXPECT_TRUE(loaded());
    second->Release();
    EXPECT_FALSE(loaded());
}

TEST(DriverFolders, TheBuildTreeFolderIsAlwaysSearched) {
    const auto folders = BundledDriverFolders();
    EXPECT_NE(std::find(folders.begin(), folders.end(), std::filesystem::canonical(kBundled).string()), folders.end());
    EXPECT_EQ(DriverRegistryFile(), "/etc/quenthal/drivers.ini");
}

}  // namespace
}  // namespace quenthal
