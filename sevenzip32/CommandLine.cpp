#include "CommandLine.h"

#include <optional>
#include <set>
#include <vector>

namespace sevenzip32 {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// Splits at blanks outside quotes; quotes are removed and "" inside quotes is one quote.
std::optional<std::vector<std::string>> SplitArguments(std::string_view text) {
    std::vector<std::string> arguments;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && IsBlank(text[i])) {
            ++i;
        }
        if (i == text.size()) {
            break;
        }
        std::string argument;
        bool quoted = false;
        while (i < text.size() && (quoted || !IsBlank(text[i]))) {
            char c = text[i++];
            if (c != '"') {
                argument += c;
            } else if (!quoted) {
                quoted = true;
            } else if (i < text.size() && text[i] == '"') {
                argument += '"';
                ++i;
            } else {
                quoted = false;
            }
        }
        if (quoted) {
            return std::nullopt;
        }
        arguments.push_back(std::move(argument));
    }
    return arguments;
}

}  // namespace

std::variant<ExtractRequest, CommandLineError> ParseCommandLine(std::string_view commandLine) {
    auto arguments = SplitArguments(commandLine);
    if (!arguments) {
        return CommandLineError{Reason::kUnterminatedQuote};
    }
    if (arguments->empty() || arguments->front() != "x") {
        return CommandLineError{Reason::kCommandNotExtract};
    }
    const std::set<std::string> requiredSwitches = {"-r", "-hide", "-aoa", "-y"};
    std::set<std::string> seenSwitches;
    std::optional<std::string> outputFolder;
    std::optional<std::string> archivePath;
    for (size_t i = 1; i < arguments->size(); ++i) {
        const std::string& argument = (*arguments)[i];
        if (argument.starts_with("-o")) {
            if (outputFolder) {
                return CommandLineError{Reason::kOutputFolderTwice};
            }
            outputFolder = argument.substr(2);
        } else if (argument.starts_with("-")) {
            if (!requiredSwitches.contains(argument)) {
                return CommandLineError{Reason::kUnknownSwitch, argument};
            }
            if (!seenSwitches.insert(argument).second) {
                return CommandLineError{Reason::kSwitchTwice, argument};
            }
        } else if (archivePath) {
            return CommandLineError{Reason::kArchiveTwice};
        } else {
            archivePath = argument;
        }
    }
    if (seenSwitches != requiredSwitches) {
        return CommandLineError{Reason::kSwitchesRequired};
    }
    if (!archivePath || archivePath->empty()) {
        return CommandLineError{Reason::kNoArchive};
    }
    if (!outputFolder || outputFolder->empty()) {
        return CommandLineError{Reason::kNoOutputFolder};
    }
    return ExtractRequest{std::move(*archivePath), std::move(*outputFolder)};
}

}  // namespace sevenzip32
