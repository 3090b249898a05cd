// Runs one pass over a watch folder, as a click on the one-shot button does:
//   scan-driver FOLDER DELETE_SOURCE
#include <cstdio>

#include "WatchFolderScan.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s FOLDER DELETE_SOURCE\n", argv[0]);
        return 64;
    }
    ScanWatchFolder(argv[1], argv[2], 0);
    return 0;
}
