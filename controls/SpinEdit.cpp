#include "SpinEdit.h"

#include <QLineEdit>
#include <algorithm>

TSpinEdit::TSpinEdit(QWidget* parent) : QSpinBox(parent) {}

int TSpinEdit::ValueAsRead() const {
    bool isInteger = false;
    const int value = lineEdit()->text().toInt(&isInteger);
    return isInteger ? value : minimum();
}

QValidator::State TSpinEdit::validate(QString& input, int&) const {
    bool isInteger = false;
    const int value = input.toInt(&isInteger);
    if (isInteger && value >= minimum() && value <= maximum()) {
        return QValidator::Acceptable;
    }
    // Any run of digits may stand for now; leaving the box puts it into range.
    static const QRegularExpression digits("^[+-]?[0-9]*$");
    return digits.match(input).hasMatch() ? QValidator::Intermediate : QValidator::Invalid;
}

void TSpinEdit::fixup(QString& input) const {
    bool isInteger = false;
    const int value = input.toInt(&isInteger);
    input = QString::number(isInteger ? std::clamp(value, minimum(), maximum()) : minimum());
}
