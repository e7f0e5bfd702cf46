#pragma once
// A machine with scripted drivers installed: an in-memory registry announcing them, a module file for
// each in a temporary folder, factories in an in-process table and a GUI queue drained by hand.

#include "asio/AsioHost.h"
#include "platform/GuiQueue.h"
#include "platform/ModuleLoader.h"
#include "platform/Registry.h"
#include "tests/support/ScriptedAsioDriver.h"

#include <memory>
#include <string>

namespace quenthal::test {

class TAsioTestEnvironment {
public:
    TAsioTestEnvironment();
    ~TAsioTestEnvironment();
    TAsioTestEnvironment(const TAsioTestEnvironment&) = delete;
    TAsioTestEnvironment& operator=(const TAsioTestEnvironment&) = delete;

    // Installs a driver under HKLM software\asio\<subKey> with its CLSID, module file and factory.
    std::shared_ptr<TScriptedDriverControl> AddDriver(const std::string& subKey, const std::string& description = "");
    static TGuid ClsidOf(const std::string& subKey) { return AsioClsidFromDeviceName(subKey.c_str()); }
    // Writes an empty file (a stand-in driver module) and returns its path.
    std::string MakeFile(const std::string& folder, const std::string& fileName) const;

    TAsioHostEnvironment HostEnvironment() { return {Registry, Loader, Gui, Folders}; }

    TMemoryRegistry Registry;
    TInProcessFactoryTable Loader;
    TManualGuiQueue Gui;
    TDriverSearchFolders Folders;
    std::string Root;          // temporary folder, removed at destruction
    std::string ModuleFolder;  // where AddDriver puts the module files
};

}  // namespace quenthal::test
