// Extracts one archive through the library's entry point, as the program does:
//   extract-driver ARCHIVE FOLDER
// Prints the library's report; exits with its status.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "qeArchiever7ZIP.h"

extern "C" int SevenZip(uint32_t ownerWindow, const char* commandLine, char* output,
                        uint32_t outputSize);

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s ARCHIVE FOLDER\n", argv[0]);
        return 64;
    }
    const std::string commandLine = "x -r -hide -aoa -y " + TqeArchiever7ZIP::QuotePath(argv[1]) +
                                    " -o" + TqeArchiever7ZIP::QuotePath(std::string(argv[2]) + "/");
    std::vector<char> output(8192);
    const int status = SevenZip(0, commandLine.c_str(), output.data(), output.size());
    std::fputs(output.data(), stdout);
    return status;
}
