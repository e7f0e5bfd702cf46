#pragma once
// Where the program finds its bundled driver modules and the optional registry file of drivers
// installed separately. No environment variable takes part: the folders follow from where the
// executable lies and from the install prefix compiled in.

#include <string>
#include <vector>

namespace quenthal {

// In search order; folders that do not exist are left out:
//   <executable folder>/../lib/quenthal/drivers   an installed or relocated tree (bin/ beside lib/)
//   <install prefix>/lib/quenthal/drivers         the prefix the program was built for
//   <build tree>/lib/quenthal/drivers             running straight from the build tree
std::vector<std::string> BundledDriverFolders();

// The machine-wide registry file (like HKLM, one for all users): /etc/quenthal/drivers.ini.
std::string DriverRegistryFile();

// The "system folder" of the driver path search: the first bundled driver folder (or the build
// tree's), so a registry entry whose module moved is still found by its file name there.
std::string ProgramDriverFolder();
// The "Windows folder" of that search: the system library folder.
std::string SystemLibraryFolder();

}  // namespace quenthal
