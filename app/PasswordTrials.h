// The passwords the password dialog added, each kept until the first pass that began
// after it has shown what it opened. One that opened nothing is taken out of the list
// again: the archive it was entered for still wants a password, and no archive that
// wanted one before that pass wants fewer. Lines the user wrote are never touched.
#pragma once

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "PasswordListFile.h"
#include "WatchFolderScan.h"

class PasswordTrials {
  public:
    // archiveName: the name, without its folder, of the archive the password was entered for.
    void Added(const std::filesystem::path& list, AddedPassword password,
               const std::string& archiveName);
    // Every password added before now is tried by the pass that begins.
    void PassBegins();
    // After the pass: takes out the passwords it tried that opened nothing, and returns
    // the paths of the archives they were entered for.
    std::set<std::string> PassEnded(const PassOutcome& pass);

  private:
    struct Trial {
        std::filesystem::path list;
        AddedPassword password;
        std::string archiveName;
        bool tried = false;
    };

    std::vector<Trial> trials_;
    std::map<std::string, size_t> wantingBefore_;  // path -> entries wanting a password
};
