/* The floor of an idle pass: one lstat of every file below a folder, and nothing else.
 *   lstat-floor FOLDER   prints the number of files looked at */
#define _XOPEN_SOURCE 700
#include <ftw.h>
#include <stdio.h>

static long files;

static int Look(const char* path, const struct stat* status, int kind, struct FTW* where) {
    (void)path;
    (void)status;
    (void)where;
    if (kind == FTW_F || kind == FTW_SL) {
        ++files;
    }
    return 0;
}

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 64;
    }
    if (nftw(argv[1], Look, 64, FTW_PHYS) != 0) {
        perror(argv[1]);
        return 1;
    }
    printf("%ld\n", files);
    return 0;
}
