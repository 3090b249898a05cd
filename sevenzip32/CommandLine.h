// Reads the one command line the library accepts:
//   x -r -hide -aoa -y "archive" -o"folder"
// Arguments may be quoted, and inside quotes "" stands for one quote.
#pragma once

#include <string>
#include <string_view>
#include <variant>

#include "Reasons.h"
#include "ReportLines.h"

namespace sevenzip32 {

struct ExtractRequest {
    std::string archivePath;
    std::string outputFolder;
};

struct CommandLineError {
    Reason reason;
    std::string detail = {};  // the argument it is about, if any

    std::string Text() const {
        return detail.empty() ? contract::ReasonText(reason) : contract::ReasonText(reason, detail);
    }
};

std::variant<ExtractRequest, CommandLineError> ParseCommandLine(std::string_view commandLine);

}  // namespace sevenzip32
