// A stand-in for the extraction library that records how the binding calls it.
#include <algorithm>
#include <cstring>

#include "FakeLibraryState.h"

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

FAKE_EXPORT FakeLibrary* FakeLibraryState() {
    static FakeLibrary state;
    return &state;
}

FAKE_EXPORT int SevenZipSetOwnerWindow(uint32_t ownerWindow) {
    ++FakeLibraryState()->setOwnerWindowCalls;
    FakeLibraryState()->ownerWindowSet = ownerWindow;
    return 1;
}

FAKE_EXPORT int SevenZip(uint32_t ownerWindow, const char* commandLine, char* output,
                         uint32_t outputSize) {
    FakeLibrary& state = *FakeLibraryState();
    const bool zeroFilled = std::all_of(output, output + outputSize, [](char c) { return c == 0; });
    state.calls.push_back({ownerWindow, commandLine, outputSize, zeroFilled});
    std::memcpy(output, state.output.data(), std::min<size_t>(state.output.size(), outputSize));
    return state.onCall ? state.onCall(commandLine) : 0;
}
