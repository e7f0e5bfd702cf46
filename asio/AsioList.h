#pragma once
// The list of installed drivers as the registry announces them: display name, CLSID and module path,
// in registry enumeration order. The host owns one list; a driver is chosen by its index in it.

#include "asio/AsioDriverInterface.h"
#include "platform/Registry.h"

#include <memory>
#include <string>
#include <vector>

namespace quenthal {

// Where a driver module is looked for when the path in the registry names no file: the program's
// driver folder ("system folder") and then the system library folder ("Windows folder"). An empty
// folder is one that cannot be read, and is skipped.
struct TDriverSearchFolders {
    std::string SystemFolder;
    std::string WindowsFolder;
};

struct TAsioDriverDescription {
    TGuid FGuid;
    std::string FName;
    std::string FFilename;
};

// The module path registered for a CLSID (registry text form), with the folder fallbacks; empty when no
// file is found.
std::string DriverPathFromClsid(const IRegistry& registry, const TDriverSearchFolders& folders,
                                const std::string& clsidText);

class TAsioDriverList {
public:
    TAsioDriverList(const IRegistry& registry, TDriverSearchFolders folders);
    TAsioDriverList(const IRegistry& registry, TDriverSearchFolders folders, const TGuid& ignore);

    // Reads the list afresh. Throws EAsioHostError "Error loading GUID from <sub-key>" for an empty
    // clsid value and the parse error for a malformed one; entries read before stay.
    void UpdateList();
    void ClearList();
    void SetIgnoredDriver(const TGuid& ignore);

    // Throws std::out_of_range for an index outside the list.
    const TAsioDriverDescription& GetItem(int32_t index) const;
    int32_t Count() const noexcept { return static_cast<int32_t>(FList.size()); }
    // First entry whose name equals driverName ignoring letter case, or -1.
    int32_t DriverNumberByName(const std::string& driverName) const;
    const std::vector<std::string>& NameList() const noexcept { return FNameList; }

private:
    void LoadList();

    const IRegistry& FRegistry;
    TDriverSearchFolders FFolders;
    std::vector<std::string> FNameList;
    TGuid FIgnoreGuid;
    bool FHasIgnoreGuid = false;
    std::vector<std::unique_ptr<TAsioDriverDescription>> FList;
};

}  // namespace quenthal
