// The registry tree, the in-process factory table and the hand-drained GUI queue that the host's
// tests stand on.
#include "platform/GuiQueue.h"
#include "platform/ModuleLoader.h"
#include "platform/Registry.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace quenthal {
namespace {

TEST(MemoryRegistry, KeysMatchWithoutCaseAndEnumerateInInsertionOrder) {
    TMemoryRegistry registry;
    registry.SetString(TRegistryRoot::LocalMachine, "Software\\ASIO\\Zeta", "CLSID", "{z}");
    registry.SetString(TRegistryRoot::LocalMachine, "software\\asio\\Alpha", "description", "A");
    registry.SetString(TRegistryRoot::ClassesRoot, "clsid\\{x}\\InprocServer32", "", "/lib/x.so");
    EXPECT_EQ(registry.SubKeyNames(TRegistryRoot::LocalMachine, "SOFTWARE\\asio"),
              (std::vector<std::string>{"Zeta", "Alpha"}));
    EXPECT_EQ(registry.ReadString(TRegistryRoot::LocalMachine, "software\\asio\\zeta", "clsid"), "{z}");
    EXPECT_EQ(registry.ReadString(TRegistryRoot::ClassesRoot, "CLSID\\{X}\\inprocserver32", ""), "/lib/x.so");
    EXPECT_FALSE(registry.ReadString(TRegistryRoot::LocalMachine, "software\\asio\\zeta", "description"));
    EXPECT_FALSE(registry.KeyExists(TRegistryRoot::ClassesRoot, "software\\asio"));  // roots are separate
    EXPECT_TRUE(registry.SubKeyNames(TRegistryRoot::LocalMachine, "software\\none").empty());
    registry.Clear();
    EXPECT_FALSE(registry.KeyExists(TRegistryRoot::LocalMachine, "software"));
}

TEST(InProcessFactoryTable, CreatesByClsidAndAnswersNullForUnknownOrFailingFactories) {
    TInProcessFactoryTable table;
    const TGuid known = AsioClsidFromDeviceName("known");
    const TGuid failing = AsioClsidFromDeviceName("failing");
    int made = 0;
    table.Register(known, [&]() -> IAsioDriver* {
        ++made;
        return nullptr;  // "not installed"
    });
    table.Register(failing, []() -> IAsioDriver* { throw std::runtime_error("broken module"); });
    EXPECT_EQ(table.CreateInstance(known), nullptr);
    EXPECT_EQ(made, 1);
    EXPECT_EQ(table.CreateInstance(failing), nullptr);
    EXPECT_EQ(table.CreateInstance(AsioClsidFromDeviceName("other")), nullptr);
    table.Unregister(known);
    table.CreateInstance(known);
    EXPECT_EQ(made, 1);
}

TEST(ManualGuiQueue, RunsClosuresInPostingOrderIncludingThosePostedWhileDraining) {
    TManualGuiQueue queue;
    std::vector<int> order;
    queue.Post([&] {
        order.push_back(1);
        queue.Post([&] { order.push_back(3); });
    });
    queue.Post([&] { order.push_back(2); });
    EXPECT_EQ(queue.Pending(), 2u);
    EXPECT_EQ(queue.Drain(), 3u);
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(queue.Drain(), 0u);

    std::atomic<int> ran{0};
    std::vector<std::thread> posters;
    for (int t = 0; t < 4; ++t)
        posters.emplace_back([&] {
            for (int i = 0; i < 100; ++i) queue.Post([&] { ++ran; });
        });
    for (auto& poster : posters) poster.join();
    EXPECT_EQ(queue.Drain(), 400u);
    EXPECT_EQ(ran.load(), 400);
}

}  // namespace
}  // namespace quenthal
