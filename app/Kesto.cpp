// Kesto: extracts the ZIP archives of one watch folder, once or on a timer.
#include <QApplication>

#include "Fonts.h"
#include "KestoPictures.h"
#include "Unit1.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName("Kesto");
    QApplication::setWindowIcon(KestoIcon());
    InstallFontSubstitutes();
    TForm1 form;
    form.show();
    return application.exec();
}
