// The binding to the extraction library: loads it, hands it the owner window, turns
// "extract this archive into that folder" into the library's one command line.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "DynamicLibrary.h"

class TqeArchiever7ZIP {
  public:
    static constexpr const char* kLibraryName = "7-zip32";
    static constexpr uint32_t kOutputBufferSize = 8192;

    // ownerWindow is the handle of the owner's window, created before it is taken.
    explicit TqeArchiever7ZIP(uint32_t ownerWindow);
    ~TqeArchiever7ZIP();  // unloads the library
    TqeArchiever7ZIP(const TqeArchiever7ZIP&) = delete;
    TqeArchiever7ZIP& operator=(const TqeArchiever7ZIP&) = delete;

    // True when the library call was made and returned normally; output then holds what
    // the library wrote and status what it returned. Both are untouched when no call was made.
    bool ExtractArchive(const std::string& archivePath, const std::string& destinationFolder,
                        std::string& output, int& status);
    bool RunCommand(const std::string& commandLine, std::string& output, int& status);
    static std::string QuotePath(const std::string& path);

    bool IsLibraryLoaded() const { return LibraryHandle != nullptr; }

  private:
    uint32_t OwnerWindow = 0;
    std::unique_ptr<platform::DynamicLibrary> LibraryHandle;
};
