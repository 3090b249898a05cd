// The library's two C entry points. Nothing thrown inside ever crosses them.
#include <cstdint>
#include <exception>
#include <variant>

#include "CommandLine.h"
#include "Extraction.h"
#include "OutputText.h"
#include "Reasons.h"
#include "ReportLines.h"

#define SEVENZIP_EXPORT extern "C" __attribute__((visibility("default")))

using namespace sevenzip32;

// The library shows nothing, so the owner window is only acknowledged.
SEVENZIP_EXPORT int SevenZipSetOwnerWindow(uint32_t /*ownerWindow*/) {
    return 1;
}

SEVENZIP_EXPORT int SevenZip(uint32_t /*ownerWindow*/, const char* commandLine, char* output,
                             uint32_t outputSize) {
    OutputText report;
    int status = kInternalError;
    try {
        auto parsed = ParseCommandLine(commandLine == nullptr ? "" : commandLine);
        if (auto* error = std::get_if<CommandLineError>(&parsed)) {
            report.AddLine(
                contract::FailureLine(contract::FailureKind::CommandLineRefused, error->Text()));
            status = kBadCommandLine;
        } else {
            status = Extract(std::get<ExtractRequest>(parsed), report);
        }
    } catch (...) {
        report.AddLine(contract::FailureLine(contract::FailureKind::InternalError,
                                             contract::ReasonText(Reason::kExtractionStopped)));
        status = kInternalError;
    }
    try {
        report.CopyTo(output, outputSize);
    } catch (...) {
        if (output != nullptr && outputSize > 0) {
            output[0] = '\0';
        }
    }
    return status;
}
