// Finds the volumes of a split archive beside it, named as contract/VolumeNames.h has it.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace sevenzip32 {

// The folder of the archive at path, with its slash; "." for a bare name.
std::string FolderOfArchive(const std::string& path);

// Finds a volume's name as the folder holds it, whatever its case, listing the folder
// once, only when a name is not there as asked.
class VolumeLookup {
  public:
    explicit VolumeLookup(int folderFd) : folderFd_(folderFd) {}

    // The name in the folder that differs from wanted only in case, if there is one.
    std::optional<std::string> InAnyCase(const std::string& wanted);

  private:
    int folderFd_;
    std::optional<std::map<std::string, std::string>> byLowerCase_;
};

}  // namespace sevenzip32
