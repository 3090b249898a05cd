// Writes the program's icon as PNG files in the sizes desktops ask for:
//   write-icons FOLDER  →  FOLDER/SIZExSIZE/apps/kesto.png
#include <QDir>
#include <QGuiApplication>
#include <cstdio>

#include "KestoPictures.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 64;
    }
    QGuiApplication application(argc, argv);
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        const QString folder = QString("%1/%2x%2/apps").arg(argv[1]).arg(size);
        if (!QDir().mkpath(folder) || !KestoIconImage(size).save(folder + "/kesto.png")) {
            std::fprintf(stderr, "write-icons: cannot write the %dx%d icon\n", size, size);
            return 1;
        }
    }
    return 0;
}
