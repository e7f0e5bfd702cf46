#pragma once
// Where the program's files live. The documents folder is the user's (XDG user-dirs, else
// ~/Documents) with "Quenthal" below it for the presets. Qth.ini stays beside the executable when
// that folder is writable and not a system folder (a portable install), otherwise it goes to
// $XDG_CONFIG_HOME/Quenthal. Qth_DE.txt is looked for beside the executable, then in
// <prefix>/share/quenthal with <prefix> the folder above the executable's.
// Every root is injectable so tests never touch the real home folder.

#include <string>

namespace quenthal {

struct TFolderRoots {
    std::string stHome;               // $HOME
    std::string stXdgConfigHome;      // $XDG_CONFIG_HOME; empty means $HOME/.config
    std::string stExecutableFolder;   // the folder of the running program
};

class TFolders {
public:
    explicit TFolders(TFolderRoots roots);
    // The roots of this process: the environment and /proc/self/exe.
    static TFolderRoots RootsFromEnvironment();

    const TFolderRoots& Roots() const { return FRoots; }
    std::string ExecutableFolder() const { return FRoots.stExecutableFolder; }
    std::string ConfigHome() const;
    std::string DocumentsFolder() const;
    // "Quenthal" below the documents folder; not created here.
    std::string PresetFolder() const;
    std::string SettingsFolder() const;
    std::string SettingsFilePath() const;
    // The first Qth_DE.txt that exists; the one beside the executable when there is none.
    std::string LanguageFilePath() const;

private:
    TFolderRoots FRoots;
};

// The process's folders, from the environment unless replaced.
const TFolders& Folders();
void SetFolders(const TFolderRoots& roots);

}  // namespace quenthal
