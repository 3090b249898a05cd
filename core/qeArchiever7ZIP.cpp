#include "qeArchiever7ZIP.h"

#include <vector>

namespace {

using SevenZipFunction = int (*)(uint32_t ownerWindow, const char* commandLine, char* output,
                                 uint32_t outputSize);
using SevenZipSetOwnerWindowFunction = int (*)(uint32_t ownerWindow);

// Shared by every wrapper: resolved by the most recent one whose library loaded.
SevenZipFunction SevenZip = nullptr;
SevenZipSetOwnerWindowFunction SevenZipSetOwnerWindow = nullptr;

}  // namespace

TqeArchiever7ZIP::TqeArchiever7ZIP(uint32_t ownerWindow)
    : LibraryHandle(platform::DynamicLibrary::Load(kLibraryName)) {
    if (!LibraryHandle) {
        return;
    }
    OwnerWindow = ownerWindow;
    SevenZip = reinterpret_cast<SevenZipFunction>(LibraryHandle->Resolve("SevenZip"));
    SevenZipSetOwnerWindow = reinterpret_cast<SevenZipSetOwnerWindowFunction>(
        LibraryHandle->Resolve("SevenZipSetOwnerWindow"));
    if (SevenZipSetOwnerWindow != nullptr) {
        SevenZipSetOwnerWindow(OwnerWindow);
    }
}

TqeArchiever7ZIP::~TqeArchiever7ZIP() = default;

bool TqeArchiever7ZIP::ExtractArchive(const std::string& archivePath,
                                      const std::string& destinationFolder, std::string& output,
                                      int& status) {
    if (!LibraryHandle) {
        return false;
    }
    const std::string commandLine =
        "x -r -hide -aoa -y " + QuotePath(archivePath) + " " + "-o" + QuotePath(destinationFolder);
    return RunCommand(commandLine, output, status);
}

bool TqeArchiever7ZIP::RunCommand(const std::string& commandLine, std::string& output,
                                  int& status) {
    bool result = false;
    // The shared entry point may be left from a wrapper already unloaded: only a
    // wrapper that holds the library itself may call it.
    if (!LibraryHandle || SevenZip == nullptr) {
        return result;
    }
    std::vector<char> buffer(kOutputBufferSize, '\0');
    try {
        status = SevenZip(OwnerWindow, commandLine.c_str(), buffer.data(), kOutputBufferSize);
        result = true;
    } catch (...) {
        // A library that throws has failed this call; what it wrote is still reported.
    }
    size_t length = 0;
    while (length < buffer.size() && buffer[length] != '\0') {
        ++length;
    }
    output.assign(buffer.data(), length);
    return result;
}

std::string TqeArchiever7ZIP::QuotePath(const std::string& path) {
    std::string quoted = "\"";
    for (char c : path) {
        quoted += c;
        if (c == '"') {
            quoted += '"';
        }
    }
    quoted += '"';
    return quoted;
}
