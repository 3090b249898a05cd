// libFuzzer target: any bytes as the library's command line.
#include "FuzzHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ParseCommandLineBytes(data, size);
    return 0;
}
