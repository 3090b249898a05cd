// Reads the one command line the library accepts:
//   x -r -hide -aoa -y "archive" -o"folder"
// Arguments may be quoted, and inside quotes "" stands for one quote.
#pragma once

#include <string>
#include <string_view>
#include <variant>

namespace sevenzip32 {

struct ExtractRequest {
    std::string archivePath;
    std::string outputFolder;
};

struct CommandLineError {
    std::string reason;
};

std::variant<ExtractRequest, CommandLineError> ParseCommandLine(std::string_view commandLine);

}  // namespace sevenzip32
