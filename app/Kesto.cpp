// Kesto: extracts the ZIP archives of one watch folder, once or on a timer.
#include <QApplication>

#include "Fonts.h"
#include "KestoPictures.h"
#include "TerminationSignals.h"
#include "Unit1.h"

int main(int argc, char** argv) {
    HoldTerminationSignals();
    QApplication application(argc, argv);
    QApplication::setApplicationName("Kesto");
    QApplication::setWindowIcon(KestoIcon());
    InstallFontSubstitutes();
    TerminationSignals endSignals;  // before the window, so that it ends after the window saved
    TForm1 form;
    QObject::connect(&endSignals, &TerminationSignals::Received, &form, &TForm1::EndInOrder);
    form.show();
    return application.exec();
}
