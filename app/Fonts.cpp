#include "Fonts.h"

#include <QFont>
#include <QStringList>

void InstallFontSubstitutes() {
    const QString japanese[] = {"IPAPGothic", "IPAGothic"};
    QStringList forTahoma = {QString("DejaVu Sans")};
    QStringList forGothic;
    for (const QString& family : japanese) {
        forTahoma.append(family);
        forGothic.append(family);
    }
    QFont::insertSubstitutions("Tahoma", forTahoma);
    QFont::insertSubstitutions(QString::fromUtf8("ＭＳ Ｐゴシック"), forGothic);
}
