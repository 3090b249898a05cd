/* The floor of extracting many small files: the same files written from memory with the
 * least a careful extractor does for each (a temporary created in its folder, the bytes,
 * the mode and the time, then a rename to its name) and nothing else, on the same number
 * of threads.
 *   write-floor FOLDER FILES PER_FOLDER THREADS
 * writes FOLDER/tree/dNNNN/fN.txt holding "file N\n", as bench/run-small-files-bench's
 * archive holds them. */
#define _GNU_SOURCE
#include <fcntl.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

static const char* root;
static long files, perFolder, threads;

static void Fail(const char* what) {
    perror(what);
    exit(1);
}

static void* Write(void* which) {
    const long thread = (long)which;
    const long folders = (files + perFolder - 1) / perFolder;
    char path[4096];
    for (long folder = thread; folder < folders; folder += threads) {
        snprintf(path, sizeof path, "%s/tree/d%04ld", root, folder);
        if (mkdir(path, 0755) != 0) {
            Fail(path);
        }
        const int folderFd = open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        for (long file = folder * perFolder; file < files && file < (folder + 1) * perFolder;
             ++file) {
            char name[64], temporary[64], text[64];
            snprintf(name, sizeof name, "f%ld.txt", file);
            snprintf(temporary, sizeof temporary, ".f%ld.tmp", file);
            const int length = snprintf(text, sizeof text, "file %ld\n", file);
            const int fd =
                openat(folderFd, temporary, O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
            if (fd < 0 || write(fd, text, (size_t)length) != length) {
                Fail("write");
            }
            const struct timespec times[2] = {{1700000000, 0}, {1700000000, 0}};
            if (fchmod(fd, 0644) != 0 || futimens(fd, times) != 0 || close(fd) != 0) {
                Fail("mode and time");
            }
            if (renameat(folderFd, temporary, folderFd, name) != 0) {
                Fail(name);
            }
        }
        close(folderFd);
    }
    return NULL;
}

int main(int argc, char** argv) {
    if (argc != 5) {
        fprintf(stderr, "usage: %s FOLDER FILES PER_FOLDER THREADS\n", argv[0]);
        return 64;
    }
    root = argv[1];
    files = atol(argv[2]);
    perFolder = atol(argv[3]);
    threads = atol(argv[4]);
    char tree[4096];
    snprintf(tree, sizeof tree, "%s/tree", root);
    if (mkdir(tree, 0755) != 0) {
        Fail(tree);
    }
    pthread_t workers[64];
    for (long i = 0; i < threads && i < 64; ++i) {
        pthread_create(&workers[i], NULL, Write, (void*)i);
    }
    for (long i = 0; i < threads && i < 64; ++i) {
        pthread_join(workers[i], NULL);
    }
    return 0;
}
