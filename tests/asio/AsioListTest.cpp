// The driver list as the registry announces it, and the driver adapter.
#include "asio/AsioHostError.h"
#include "asio/AsioInterface.h"
#include "asio/AsioList.h"
#include "tests/support/AsioTestEnvironment.h"

#include <gtest/gtest.h>

namespace quenthal::test {
namespace {

class DriverListTest : public ::testing::Test {
protected:
    // A sub-key whose InprocServer32 path is given verbatim.
    void AddEntry(const std::string& subKey, const std::string& modulePath, const std::string& description = "") {
        const std::string clsid = GuidToString(TAsioTestEnvironment::ClsidOf(subKey));
        Env.Registry.SetString(TRegistryRoot::LocalMachine, "software\\asio\\" + subKey, "clsid", clsid);
        if (!description.empty())
            Env.Registry.SetString(TRegistryRoot::LocalMachine, "software\\asio\\" + subKey, "description", description);
        Env.Registry.SetString(TRegistryRoot::ClassesRoot, "clsid\\" + clsid + "\\InprocServer32", "", modulePath);
    }
    std::vector<std::string> Names() {
        TAsioDriverList list(Env.Registry, Env.Folders);
        list.UpdateList();
        return list.NameList();
    }
    TAsioTestEnvironment Env;
};

TEST_F(DriverListTest, NamesFollowRegistryOrderWithSubKeyFallbackAndCaseFreeLookup) {
    TAsioDriverList empty(Env.Registry, Env.Folders);
    empty.UpdateList();  // no software\asio key at all
    EXPECT_EQ(empty.Count(), 0);
    EXPECT_EQ(empty.DriverNumberByName("beta"), -1);

    Env.AddDriver("Zeta");               // no description: listed by its sub-key name
    Env.AddDriver("Alpha", "Beta");      // description wins
    TAsioDriverList list(Env.Registry, Env.Folders);
    list.UpdateList();
    ASSERT_EQ(list.NameList(), (std::vector<std::string>{"Zeta", "Beta"}));
    EXPECT_EQ(list.DriverNumberByName("beta"), 1);
    EXPECT_EQ(list.DriverNumberByName("ZETA"), 0);
    EXPECT_EQ(list.DriverNumberByName("Alpha"), -1);
    EXPECT_EQ(list.GetItem(1).FGuid, TAsioTestEnvironment::ClsidOf("Alpha"));
    EXPECT_EQ(list.GetItem(1).FFilename, Env.ModuleFolder + "/Alpha.so");
    EXPECT_THROW(list.GetItem(2), std::out_of_range);
}

TEST_F(DriverListTest, MissingModuleFallsBackToSystemThenWindowsFolderElseIsLeftOut) {
    const std::string gone = Env.Root + "/nowhere/";
    AddEntry("InSystem", gone + "sys.so");
    AddEntry("InWindows", gone + "win.so");
    AddEntry("Nowhere", gone + "none.so");
    AddEntry("NoPath", "");
    Env.MakeFile(Env.Folders.SystemFolder, "sys.so");
    Env.MakeFile(Env.Folders.WindowsFolder, "win.so");
    TAsioDriverList list(Env.Registry, Env.Folders);
    list.UpdateList();
    ASSERT_EQ(list.NameList(), (std::vector<std::string>{"InSystem", "InWindows"}));
    EXPECT_EQ(list.GetItem(0).FFilename, Env.Folders.SystemFolder + "/sys.so");
    EXPECT_EQ(list.GetItem(1).FFilename, Env.Folders.WindowsFolder + "/win.so");
    EXPECT_EQ(DriverPathFromClsid(Env.Registry, Env.Folders, ""), "");
    EXPECT_EQ(DriverPathFromClsid(Env.Registry, Env.Folders, "{00000000-0000-0000-0000-000000000000}"), "");
}

TEST_F(DriverListTest, EmptyOrMalformedClsidEndsTheEnumeration) {
    Env.AddDriver("First");
    Env.Registry.SetString(TRegistryRoot::LocalMachine, "software\\asio\\Broken", "clsid", "");
    Env.AddDriver("Third");
    TAsioDriverList list(Env.Registry, Env.Folders);
    try {
        list.UpdateList();
        FAIL() << "no exception";
    } catch (const EAsioHostError& error) {
        EXPECT_STREQ(error.what(), "Error loading GUID from Broken");
    }
    EXPECT_EQ(list.NameList(), std::vector<std::string>{"First"});

    Env.Registry.SetString(TRegistryRoot::LocalMachine, "software\\asio\\Broken", "clsid", "{not-a-guid}");
    EXPECT_THROW(list.UpdateList(), EAsioHostError);
    EXPECT_EQ(list.NameList(), std::vector<std::string>{"First"});

    // The host swallows the error at its creation and keeps what was read.
    TAsioHost host(Env.HostEnvironment());
    EXPECT_EQ(host.DriverList(), std::vector<std::string>{"First"});
}

TEST_F(DriverListTest, IgnoredDriverIsLeftOutFromTheNextUpdate) {
    Env.AddDriver("Keep");
    Env.AddDriver("Drop");
    TAsioHost host(Env.HostEnvironment());
    ASSERT_EQ(host.GetNumDrivers(), 2);
    host.SetIgnoredDriver(TAsioTestEnvironment::ClsidOf("Drop"));
    EXPECT_EQ(host.DriverList(), std::vector<std::string>{"Keep"});
    host.SetIgnoredDriver(TAsioTestEnvironment::ClsidOf("Drop"));
    EXPECT_EQ(host.DriverList(), std::vector<std::string>{"Keep"});

    TAsioDriverList list(Env.Registry, Env.Folders, TAsioTestEnvironment::ClsidOf("Keep"));
    list.UpdateList();
    EXPECT_EQ(list.NameList(), std::vector<std::string>{"Drop"});
}

TEST_F(DriverListTest, AdapterHoldsOneDriverReferenceAndFailsForUnknownClass) {
    auto control = Env.AddDriver("Card");
    std::shared_ptr<IStdCallAsio> driver;
    EXPECT_FALSE(CreateStdCallAsio(Env.Loader, TAsioTestEnvironment::ClsidOf("Gone"), driver));
    EXPECT_EQ(driver, nullptr);
    Env.Loader.Register(TAsioTestEnvironment::ClsidOf("Throws"), []() -> IAsioDriver* { throw std::runtime_error("x"); });
    EXPECT_FALSE(CreateStdCallAsio(Env.Loader, TAsioTestEnvironment::ClsidOf("Throws"), driver));

    ASSERT_TRUE(CreateStdCallAsio(Env.Loader, TAsioTestEnvironment::ClsidOf("Card"), driver));
    EXPECT_EQ(control->LiveObjects.load(), 1);
    EXPECT_EQ(driver->GetDriverVersion(), 7);
    auto second = driver;
    driver.reset();
    EXPECT_EQ(control->LiveObjects.load(), 1);
    second.reset();
    EXPECT_EQ(control->LiveObjects.load(), 0);
    EXPECT_EQ(control->Calls().back(), "Release");
}

}  // namespace
}  // namespace quenthal::test
