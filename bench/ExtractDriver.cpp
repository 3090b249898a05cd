// Extracts one archive through the binding, as the program does:
//   extract-driver ARCHIVE FOLDER
// Prints the library's report; exits with its status.
#include <cstdio>
#include <string>

#include "qeArchiever7ZIP.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s ARCHIVE FOLDER\n", argv[0]);
        return 64;
    }
    TqeArchiever7ZIP archiver(0);
    std::string output;
    int status = 0;
    if (!archiver.ExtractArchive(argv[1], std::string(argv[2]) + "/", output, status)) {
        std::fprintf(stderr, "extract-driver: the extraction library could not be called\n");
        return 70;
    }
    std::fputs(output.c_str(), stdout);
    return status;
}
