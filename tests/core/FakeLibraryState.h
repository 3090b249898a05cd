// What the fake extraction library records of its calls, and how it answers them.
// The tests reach it through the fake's own entry point FakeLibraryState.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct FakeLibraryCall {
    uint32_t ownerWindow = 0;
    std::string commandLine;
    uint32_t outputSize = 0;
    bool outputWasZeroFilled = false;
};

struct FakeLibrary {
    int setOwnerWindowCalls = 0;
    uint32_t ownerWindowSet = 0;
    std::vector<FakeLibraryCall> calls;
    // Written into the output buffer (cut to its size) before onCall runs.
    std::string output;
    // Returns the status; may throw, or act on the files to imitate an extraction.
    std::function<int(const std::string& commandLine)> onCall;
};

using FakeLibraryStateFunction = FakeLibrary* (*)();
